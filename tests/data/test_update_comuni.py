#!/usr/bin/env python3
"""The converter's rules on tiny fixture files: one source row or two per rule,
and the row each rule must write. Usage: test_update_comuni.py SCRIPT"""
import json
import os
import subprocess
import sys
import tempfile

ANPR_HEADER = "DATAISTITUZIONE,DATACESSAZIONE,CODISTAT,DENOMINAZIONE_IT,ALTRADENOMINAZIONE,SIGLAPROVINCIA"
# rule: (registry rows, today's rows as (ISTAT code, plate, name), a row it must write, one it must not)
RULES = {
    "a merger": (["1866-11-19,2013-12-27,025042,QUERO,,BL"], [], "storici BL;042;Quero;Belluno", None),
    "a move to another plate": (["1938-06-02,2009-06-29,015149,MONZA,,MI", "2009-06-30,9999-12-31,108033,MONZA,,MB"],
                                [("108033", "MB", "Monza")], "storici MI;149;Monza;Milano", None),
    "a rename": (["1927-01-12,9999-12-31,068033,POPOLI,,PE"], [("068033", "PE", "Popoli Terme")],
                 "comuni PE;033;Popoli Terme;Pescara", "storici PE;033"),
    "a pair with two names": (["2000-01-01,2005-12-31,025099,PRIMO,,BL", "2006-01-01,2015-12-31,025099,ALTRO NOME,,BL"],
                              [], "storici BL;099;Altro Nome;Belluno", "storici BL;099;Primo"),
    "a plate that no longer exists": (["2006-01-01,2016-04-27,104017,OLBIA,,OT", "2016-04-28,9999-12-31,090047,OLBIA,,SS"],
                                      [("090047", "SS", "Olbia")], "storici OT;017;Olbia;Olbia-Tempio", None),
    "a bilingual name": (["2009-01-29,9999-12-31,032005,SGONICO-ZGONIK,ZGONIK,TS"], [("032005", "TS", "Sgonico-Zgonik")],
                         "comuni TS;005;Sgonico;Trieste", None),
    "an Italian/German name": ([], [("021008", "BZ", "Bolzano/Bozen")], "comuni BZ;008;Bolzano;Bolzano", None),
    "a name cased by the rules": (["1900-01-01,2010-01-01,001999,SANT'ANNA DELL'ALTRA RIVA SOPRA IL PO,,TO"], [],
                                  "storici TO;999;Sant'Anna dell'Altra Riva sopra il Po;Torino", None),
    "a name cased as ISTAT writes it": (["1900-01-01,2010-01-01,001001,AGLIÈ,,TO"], [], "storici TO;001;Agliè;Torino", None),
    "a code gone before 2004": (["1900-01-01,2003-12-31,001998,VECCHIO,,TO"], [], None, "storici TO;998"),
}


def main():
    script, passed, failed = sys.argv[1], 0, 0
    with tempfile.TemporaryDirectory() as tmp:
        today = [t for rule in RULES.values() for t in rule[1]]
        os.makedirs(f"{tmp}/npm/lib")
        with open(f"{tmp}/npm/lib/city.js", "w") as f:  # the package's shape: an enum and its attributes
            f.write(f"exports.default = {json.dumps({i: f'X_{c}' for i, (c, _, _) in enumerate(today)})};\n")
            f.write(f"exports.CITIES_ATTRIBUTES = {json.dumps({i: {'province': p, 'name': n} for i, (_, p, n) in enumerate(today)})};\n")
        with open(f"{tmp}/anpr.csv", "w", encoding="utf-8-sig") as f:
            f.write("\n".join([ANPR_HEADER] + [r for rule in RULES.values() for r in rule[0]]) + "\n")
        with open(f"{tmp}/istat.csv", "w") as f:
            f.write("Targa;Ist;Zona;Citta\nTO;001;Agliè;Torino\nBL;001;Belluno;Belluno\nMI;001;Milano;Milano\n"
                    "MB;001;Monza;Monza e della Brianza\nPE;001;Pescara;Pescara\nTS;001;Trieste;Trieste\n"
                    "SS;001;Sassari;Sassari\nBZ;001;Bolzano;Bolzano\n")
        subprocess.run([sys.executable, script, "--today", f"{tmp}/npm", "--anpr", f"{tmp}/anpr.csv",
                        "--istat2020", f"{tmp}/istat.csv", "--out", tmp], check=True)
        written = [f"{kind} {line}" for kind, name in (("comuni", "comuni.csv"), ("storici", "codici-storici.csv"))
                   for line in open(f"{tmp}/{name}", encoding="utf-8").read().splitlines()[1:]]
    for rule, (_, _, must, must_not) in RULES.items():
        ok = (must is None or must in written) and not any(w.startswith(must_not or "\0") for w in written)
        print(f"{'PASS   ' if ok else 'FAIL!  '}: {rule}: {must or ''} {'not ' + must_not if must_not else ''}")
        passed, failed = passed + ok, failed + (not ok)
    if failed:
        print("written:\n  " + "\n  ".join(written))
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
