#!/usr/bin/env python3
"""Converts ISTAT's list of Italian municipalities into data/comuni.csv.

Input: the official file (Latin-1, semicolon-separated), for instance
istat20200101.csv as published by ISTAT for 1 January 2020.
Output: UTF-8, semicolon-separated, one row per municipality:
Targa;Ist;Zona;Citta = plate code of the province; 3-digit progressive
number of the municipality within its province; municipality name in
Italian; province name in Italian.

Usage: scripts/istat-to-csv.py ISTAT.csv > data/comuni.csv
"""
import csv
import sys


def italian(name):
    # Bilingual names are written "Italian/other": keep the Italian one.
    return name.split("/")[0].strip()


def main():
    with open(sys.argv[1], encoding="latin-1", newline="") as f:
        rows = list(csv.reader(f, delimiter=";"))
    header = [" ".join(h.split()) for h in rows[0]]
    col = {name: i for i, name in enumerate(header)}
    plate = col["Sigla automobilistica"]
    progressive = col["Progressivo del Comune (2)"]
    name = col["Denominazione in italiano"]
    province = col["Denominazione dell'Unità territoriale sovracomunale (valida a fini statistici)"]
    out = csv.writer(sys.stdout, delimiter=";", lineterminator="\n")
    out.writerow(["Targa", "Ist", "Zona", "Citta"])
    for r in rows[1:]:
        if not r or not r[plate].strip():
            continue
        out.writerow([r[plate].strip(), r[progressive].strip().zfill(3),
                      r[name].strip(), italian(r[province])])


if __name__ == "__main__":
    main()
