#!/usr/bin/python3
# Writes celle.xlsx with openpyxl (Debian's python3-openpyxl 3.0.9), as README.md beside it says; celle.ods
# is LibreOffice's conversion of it.
#   /usr/bin/python3 crea_celle.py
import datetime

from openpyxl import Workbook
from openpyxl.styles import PatternFill

libro = Workbook()

# A hidden sheet first: the visible one after it is the default.
f = libro.active
f.title = "Nascosto"
f.sheet_state = "hidden"
f.append(["Partita IVA"])
f.append(["non questo foglio"])

# Numbers as a sheet holds them: a postal code and a P.IVA under formats of zeros, dates as date cells, as
# numbers that lost their leading zero, as a day number in a number cell, as text; a date in the future.
f = libro.create_sheet("Persone")
f.append(["Cognome", "Nome", "Sesso", "Data di nascita", "Comune", "Provincia", "CAP", "Partita IVA"])
date = [datetime.datetime(1980, 1, 1), 1011980, 100000, 29221, datetime.datetime(2099, 1, 1), "01011980"]
for n, data in enumerate(date, start=2):
    f.append(["Rossi", "Mario", "M", data, "Roma", "RM", 184, 743110157])
    if isinstance(data, datetime.datetime):
        f.cell(row=n, column=4).number_format = "DD/MM/YYYY"
    f.cell(row=n, column=7).number_format = "00000"
    f.cell(row=n, column=8).number_format = "00000000000"
# One coloured cell on the sheet's last row, no value: no row of the table.
f["A1048576"].fill = PatternFill(start_color="FFC7CE", end_color="FFC7CE", fill_type="solid")

libro.save("celle.xlsx")

# An .ods protected by a password as LibreOffice stores one: the mimetype in the clear, the manifest naming
# the encryption of content.xml, whose bytes are no XML (LibreOffice's headless conversion writes no password,
# so the encrypted bytes here are random ones of a fixed seed).
import random
import zipfile

random.seed(27)
manifesto = """<?xml version="1.0" encoding="UTF-8"?>
<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.3">
 <manifest:file-entry manifest:full-path="/" manifest:version="1.3" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>
 <manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml" manifest:size="3012">
  <manifest:encryption-data manifest:checksum-type="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0#sha256-1k" manifest:checksum="AAAA">
   <manifest:algorithm manifest:algorithm-name="http://www.w3.org/2001/04/xmlenc#aes256-cbc" manifest:initialisation-vector="AAAA"/>
   <manifest:start-key-generation manifest:start-key-generation-name="http://www.w3.org/2000/09/xmldsig#sha256" manifest:key-size="32"/>
   <manifest:key-derivation manifest:key-derivation-name="PBKDF2" manifest:key-size="32" manifest:iteration-count="100000" manifest:salt="AAAA"/>
  </manifest:encryption-data>
 </manifest:file-entry>
</manifest:manifest>
"""
with zipfile.ZipFile("cifrato.ods", "w") as z:
    z.writestr("mimetype", "application/vnd.oasis.opendocument.spreadsheet", zipfile.ZIP_STORED)
    z.writestr("content.xml", bytes(random.randrange(256) for _ in range(3024)), zipfile.ZIP_STORED)
    z.writestr("META-INF/manifest.xml", manifesto, zipfile.ZIP_DEFLATED)
