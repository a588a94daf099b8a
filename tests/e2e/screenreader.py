#!/usr/bin/env python3
"""Zelmora as a screen reader meets it over AT-SPI: the application, the text box's
name, a search pressed on Ricerca and its results, then a refused code, and the
text box's menu opened with a right click.
Usage: screenreader.py PROGRAM FOLDER (in a D-Bus session, with DISPLAY set)"""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

failed = 0


def check(name, probe, want):
    """Reads probe() until it gives want, for 20 s at most; says what it read last."""
    global failed
    end, got = time.monotonic() + 20, None
    while time.monotonic() < end and got != want:
        try:
            got = probe()
        except Exception:  # the tree may change while it is read
            pass
        time.sleep(0.05)
    failed += got != want
    print(f"{'PASS   ' if got == want else 'FAIL!  '}: {name}: {got!r}")


def labels(app, name):
    return pyatspi.findAllDescendants(app, lambda n: n.getRoleName() == "label" and n.name == name)


def menu_of(box):
    """Opens the box's menu with a right click and reads its entries' names as a screen reader
    meets them, from the entry that takes the focus: a menu is no child of the application.
    Down is pressed every 50 ms until an entry has the focus, for 10 s at most."""
    x, y, w, h = box.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "3"], check=True)
    names = []

    def focused(event):
        if event.source.getRole() == pyatspi.ROLE_MENU_ITEM and event.detail1:
            menu = event.source.parent
            names[:] = [menu.getChildAtIndex(i).name.split("\t")[0] for i in range(menu.childCount)]
            pyatspi.Registry.stop()

    pyatspi.Registry.registerEventListener(focused, "object:state-changed:focused")
    sources = [GLib.timeout_add(50, lambda: subprocess.run(["xdotool", "key", "Down"]) and True),
               GLib.timeout_add(10000, lambda: pyatspi.Registry.stop() or False)]
    pyatspi.Registry.start()
    pyatspi.Registry.deregisterEventListener(focused, "object:state-changed:focused")
    for source in sources:
        GLib.source_remove(source)
    subprocess.run(["xdotool", "key", "Escape"])
    return [name for name in names if name]


zelmora = subprocess.Popen(sys.argv[1:2], cwd=sys.argv[2], env=dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
try:
    desktop = pyatspi.Registry.getDesktop(0)
    check("the application", lambda: [a.name for a in desktop if a and a.name == "Zelmora"], ["Zelmora"])
    app = next(a for a in desktop if a and a.name == "Zelmora")
    box = pyatspi.findDescendant(app, lambda n: n.getRole() == pyatspi.ROLE_TEXT)
    check("the text box's name", lambda: box.name, "Codice dell'uovo")
    ok = labels(app, "Ricerca")[0].queryAction()
    press = [ok.getName(i).lower() for i in range(ok.nActions)].index("press")
    box.queryEditableText().setTextContents("1it015vr001")
    ok.doAction(press)
    for row, value in [("Tipologia di Allevamento", "All'Aperto"), ("Stato di Produzione", "Italia"),
                       ("Comune di Produzione", "Bussolengo"), ("Provincia di Produzione", "Verona")]:
        # the row's heading has the same name as its result: read both
        check(row, lambda: value if value in [n.description for n in labels(app, row)] else None, value)
    box.queryEditableText().setTextContents("12345")
    ok.doAction(press)
    check("the text box after a refused code", lambda: box.queryText().getText(0, -1), "Dati Errati!")
    check("the code back after the flash", lambda: box.queryText().getText(0, -1), "12345")
    entries = menu_of(box)
    check("the text box's menu, in Italian", lambda: entries, ["Annulla", "Rifai", "Taglia", "Copia", "Incolla",
                                                               "Elimina", "Seleziona tutto", "Leggi da una foto…"])
finally:
    zelmora.terminate()
    zelmora.wait()
sys.exit(1 if failed else 0)
