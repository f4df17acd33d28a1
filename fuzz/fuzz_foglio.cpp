// The sheet reader on arbitrary input. The first byte chooses what the rest is:
//   'x'  the parts of an .xlsx, separated by a line "####": the sheet, the shared strings, the styles;
//   'o'  the content.xml of an .ods;
//   else the whole file as it is (zip, OLE2 or anything else).
// The parts are packed into a stored zip here, so that the mutations reach the XML rather than the CRCs.

#include "foglio.h"
#include "supporto_fuzz.h"

#include <zip.h>

#include <vector>

namespace {

QByteArray zipDi(const std::vector<std::pair<const char *, QByteArray>> &parti)
{
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t *sorgente = zip_source_buffer_create(nullptr, 0, 0, &e);
    zip_t *z = sorgente ? zip_open_from_source(sorgente, ZIP_TRUNCATE, &e) : nullptr;
    zip_error_fini(&e);
    if (!z) {
        if (sorgente)
            zip_source_free(sorgente);
        return {};
    }
    zip_source_keep(sorgente);
    for (const auto &[nome, dati] : parti) {
        zip_source_t *s = zip_source_buffer(z, dati.constData(), static_cast<zip_uint64_t>(dati.size()), 0);
        const zip_int64_t i = s ? zip_file_add(z, nome, s, ZIP_FL_OVERWRITE) : -1;
        if (i >= 0)
            zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_STORE, 0);
        else if (s)
            zip_source_free(s);
    }
    QByteArray fuori;
    if (zip_close(z) == 0 && zip_source_open(sorgente) == 0) {
        zip_source_seek(sorgente, 0, SEEK_END);
        const zip_int64_t n = zip_source_tell(sorgente);
        zip_source_seek(sorgente, 0, SEEK_SET);
        if (n > 0) {
            fuori.resize(static_cast<qsizetype>(n));
            if (zip_source_read(sorgente, fuori.data(), static_cast<zip_uint64_t>(n)) != n)
                fuori.clear();
        }
        zip_source_close(sorgente);
    } else {
        zip_discard(z);
    }
    zip_source_free(sorgente);
    return fuori;
}

QByteArray archivio(const uint8_t *dati, size_t n)
{
    QByteArray tutto(reinterpret_cast<const char *>(dati), static_cast<qsizetype>(n));
    if (n == 0)
        return tutto;
    const QByteArray resto = tutto.mid(1);
    if (dati[0] == 'o')
        return zipDi({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", resto}});
    if (dati[0] != 'x')
        return tutto;
    QList<QByteArray> xml;
    QByteArray corrente;
    // Parts are separated by "####"; a lone '#' stays in the text.
    for (qsizetype i = 0; i < resto.size(); ++i) {
        if (resto.mid(i, 4) == "####") {
            xml.append(corrente);
            corrente.clear();
            i += 3;
        } else {
            corrente.append(resto[i]);
        }
    }
    xml.append(corrente);
    return zipDi({{"[Content_Types].xml", "<Types><Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
                                          "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>"},
                  {"xl/workbook.xml", "<workbook><workbookPr date1904=\"0\"/><sheets><sheet name=\"F\" "
                                      "r:id=\"rId1\" xmlns:r=\"r\"/></sheets></workbook>"},
                  {"xl/_rels/workbook.xml.rels",
                   "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
                   "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>"
                   "<Relationship Id=\"rId3\" Type=\"x/styles\" Target=\"styles.xml\"/></Relationships>"},
                  {"xl/worksheets/sheet1.xml", xml.value(0)},
                  {"xl/sharedStrings.xml", xml.value(1)},
                  {"xl/styles.xml", xml.value(2)}});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t n)
{
    const QByteArray file = archivio(dati, n);
    Fogli::LettoreFoglio l;
    if (!l.apriDati(file)) {
        VERIFICA(!l.errore().isEmpty());
        VERIFICA(!l.errore().contains(u'\n'));
        return 0;
    }
    Fogli::Riga r;
    qint64 attesa = 1;
    while (l.leggiRiga(r)) {
        VERIFICA(r.numero == attesa);
        VERIFICA(r.numero <= Fogli::LettoreFoglio::kRigheMassime);
        VERIFICA(r.celle.size() <= static_cast<size_t>(Fogli::LettoreFoglio::kColonneMassime));
        VERIFICA(r.celle.empty() || !r.celle.back().vuota() || r.celle.back().unita);
        for (const Fogli::Cella &c : r.celle) {
            const QString t = Fogli::testoVisibile(c);
            VERIFICA(c.tipo != Fogli::TipoCella::Data || (c.data.isValid() && t.size() >= 10));
            VERIFICA(c.tipo != Fogli::TipoCella::Numero || (!t.isEmpty() && !t.contains(u'.')));
        }
        ++attesa;
    }
    VERIFICA(!l.errore().contains(u'\n'));
    return 0;
}
