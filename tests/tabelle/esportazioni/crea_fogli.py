#!/usr/bin/env python3
"""Writes the two sheets behind the fixtures of this folder as flat OpenDocument files (.fods).

Run once; the CSV files beside them were then exported by LibreOffice and by Python (see README.md).
"""

DIPENDENTI = [
    # reparto, cognome, nome, sesso, data di nascita (a date cell), luogo, provincia
    ("Amministrazione", "Rossi", "Mario", "M", "1980-01-01", "Roma", "RM"),
    ("Amministrazione", "Nicolò", "Noè", "M", "1970-03-02", "Forlì", "FC"),
    ("Magazzino", "D'Angelo", "Lucia", "F", "1985-12-01", "Milano", "MI"),
    None,
    ("Magazzino", "Bianchi", "Anna", "F", "1975-03-15", "Sant'Agata di Militello", "ME"),
    ("Vendite", "Verdi", "Luca", "M", "1968-07-04", "Atlantide", "XX"),
    ("Vendite", "Müller", "José", "M", "1990-10-20", "Bolzano", "BZ"),
]

FORNITORI = [
    # ragione sociale, partita iva (text), importo (number)
    ("Alfa S.r.l.", "12345670017", 1200.5),
    ("Beta S.p.A.", "IT 00743110157", 300),
    ("Gamma & C.", "12345670018", 45.2),
    None,
    ("Delta Società Cooperativa", 743110157, 99),  # a number cell: the sheet drops the leading zeros
    ("Totale", "", 1644.7),
]


GIORNO = '<number:day number:style="long"/>'
MESE = '<number:month number:style="long"/>'


def cella(valore, data=False):
    if valore is None or valore == "":
        return "<table:table-cell/>"
    if data:
        return ('<table:table-cell office:value-type="date" office:date-value="%s" table:style-name="data">'
                "<text:p>%s</text:p></table:table-cell>" % (valore, valore))
    if isinstance(valore, (int, float)):
        return ('<table:table-cell office:value-type="float" office:value="%s"><text:p>%s</text:p>'
                "</table:table-cell>" % (valore, valore))
    testo = valore.replace("&", "&amp;")
    return '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % testo


def foglio(nome, intestazione, righe, date=()):
    xml = ['<table:table table:name="%s">' % nome, "<table:table-row>"]
    xml += [cella(h) for h in intestazione]
    xml.append("</table:table-row>")
    for riga in righe:
        xml.append("<table:table-row>")
        if riga is not None:
            xml += [cella(v, i in date) for i, v in enumerate(riga)]
        else:
            xml.append("<table:table-cell/>")
        xml.append("</table:table-row>")
    xml.append("</table:table>")
    return "\n".join(xml)


def documento(tabella, mese_prima=False):
    return """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>
 <number:date-style style:name="gma">%s<number:text>/</number:text>%s<number:text>/</number:text>
  <number:year number:style="long"/></number:date-style>
 <style:style style:name="data" style:family="table-cell" style:data-style-name="gma"/>
</office:automatic-styles>
<office:body><office:spreadsheet>
%s
</office:spreadsheet></office:body></office:document>
""" % (((MESE, GIORNO) if mese_prima else (GIORNO, MESE)) + (tabella,))


if __name__ == "__main__":
    with open("dipendenti.fods", "w", encoding="utf-8") as f:
        f.write(documento(foglio("Dipendenti", ["Reparto", "Cognome", "Nome", "Sesso (M/F)", "Data di nascita",
                                                "Luogo di nascita", "Prov."], DIPENDENTI, date=(4,))))
    # The same list as a sheet under English settings writes it: month first.
    with open("dipendenti-en.fods", "w", encoding="utf-8") as f:
        f.write(documento(foglio("Dipendenti", ["Reparto", "Cognome", "Nome", "Sesso (M/F)", "Data di nascita",
                                                "Luogo di nascita", "Prov."], DIPENDENTI, date=(4,)), mese_prima=True))
    with open("fornitori.fods", "w", encoding="utf-8") as f:
        f.write(documento(foglio("Fornitori", ["Ragione sociale", "Partita IVA fornitore", "Importo"], FORNITORI)))
