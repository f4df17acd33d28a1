#!/usr/bin/env python3
"""Writes dipendenti-excel.csv as Python's csv module writes for Excel: the excel dialect (",", CRLF, quotes
only where needed) in UTF-8 with a byte order mark, dates as Python prints a datetime."""
import csv
import datetime

from crea_fogli import DIPENDENTI

with open("dipendenti-excel.csv", "w", encoding="utf-8-sig", newline="") as f:
    w = csv.writer(f, dialect="excel")
    w.writerow(["Reparto", "Cognome", "Nome", "Sesso (M/F)", "Data di nascita", "Luogo di nascita", "Prov."])
    for riga in DIPENDENTI:
        if riga is None:
            w.writerow([])
            continue
        r = list(riga)
        r[4] = datetime.datetime.fromisoformat(r[4])
        w.writerow(r)
