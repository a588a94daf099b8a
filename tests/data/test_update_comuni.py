#!/usr/bin/env python3
"""The converter's rules: runs it on the fixture files beside this script and
checks, rule by rule from rules.txt, the rows it writes.
Usage: test_update_comuni.py SCRIPT"""
import os
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
fixture = os.path.join(here, "fixture")
with tempfile.TemporaryDirectory() as out:
    subprocess.run([sys.executable, sys.argv[1], "--today", os.path.join(fixture, "npm"), "--anpr",
                    os.path.join(fixture, "anpr.csv"), "--istat2020", os.path.join(fixture, "istat-2020.csv"),
                    "--out", out], check=True)
    written = [f"{kind} {line}" for kind, name in (("comuni", "comuni.csv"), ("storici", "codici-storici.csv"))
               for line in open(os.path.join(out, name), encoding="utf-8").read().splitlines()[1:]]
failed = 0
for line in open(os.path.join(here, "rules.txt"), encoding="utf-8"):
    if line.startswith("#") or not line.strip():
        continue
    rule, must, must_not = line.rstrip("\n").split(" | ")
    ok = (must == "-" or must in written) and (must_not == "-" or not any(w.startswith(must_not) for w in written))
    failed += not ok
    print(f"{'PASS   ' if ok else 'FAIL!  '}: {rule}")
if failed:
    print("written:\n  " + "\n  ".join(written))
sys.exit(1 if failed else 0)
