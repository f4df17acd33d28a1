#!/usr/bin/python3
# Writes casi.xlsx and fogli-numerati.xlsx with openpyxl (Debian's python3-openpyxl 3.0.9), as README.md
# beside it says; the .ods of each is LibreOffice's conversion of the .xlsx.
#   /usr/bin/python3 crea_casi.py
from openpyxl import Workbook
from openpyxl.formatting.rule import CellIsRule
from openpyxl.styles import PatternFill
from openpyxl.worksheet.datavalidation import DataValidation

rosso = PatternFill(start_color="FFC7CE", end_color="FFC7CE", fill_type="solid")
fornitori = [("Rossi", "Mario", "00743110157"), ("Bianchi", "Anna", "12345678903"), ("Verdi", "Luca", "01234567890")]

libro = Workbook()

# A header, three rows, a total merged across the columns, a conditional format over all of it.
f = libro.active
f.title = "Piede unito"
f.append(["Cognome", "Nome", "Partita IVA"])
for r in fornitori:
    f.append(r)
f.append(["Totale: 3 fornitori"])
f.merge_cells("A5:C5")
f.conditional_formatting.add("A1:C6", CellIsRule(operator="equal", formula=['"Rossi"'], fill=rosso))

# A title merged above the header, a conditional format and a validation over the rows below.
f = libro.create_sheet("Titolo unito")
f.append(["Fornitori 2026"])
f.merge_cells("A1:C1")
f.append(["Cognome", "Nome", "Partita IVA"])
for r in fornitori:
    f.append(r)
f.conditional_formatting.add("A2:C20", CellIsRule(operator="equal", formula=['"Rossi"'], fill=rosso))
v = DataValidation(type="textLength", operator="equal", formula1="11")
f.add_data_validation(v)
v.add("C3:C20")

# Every row merged across A:B, a blank row among them.
f = libro.create_sheet("Righe unite")
for n, testo in enumerate(["Partita IVA", "00743110157", "12345678903", None, "01234567890"], start=1):
    if testo is not None:
        f.cell(row=n, column=1, value=testo)
        f.merge_cells(start_row=n, start_column=1, end_row=n, end_column=2)

# One column under a title merged over three: the title's covered cells are not written.
f = libro.create_sheet("Colonna sola")
f.append(["Elenco partite IVA"])
f.merge_cells("A1:C1")
for testo in ["Partita IVA", "00743110157", "12345678903"]:
    f.append([testo])

libro.save("casi.xlsx")

# A sheet of totals and twelve sheets named by their month's number.
libro = Workbook()
libro.active.title = "Totale"
libro.active.append(["foglio Totale"])
for n in range(1, 13):
    libro.create_sheet(str(n)).append(["foglio " + str(n)])
libro.save("fogli-numerati.xlsx")
