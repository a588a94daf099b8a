#!/usr/bin/python3
"""zelmora --read on the bad input of tests/tables/badinput.txt, without a display.
Usage: badinput.py ZELMORA KELVO_BMP TABLE"""
import os, shutil, struct, subprocess, sys, tempfile, zlib

import cv2
import numpy as np


def png(width, height, depth, colour, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


def cmyk_jpeg():
    # 8 x 8 pixels, four components, every coefficient zero: each block is "DC 0, EOB" (two bits).
    seg = lambda marker, data: b"\xff" + marker + struct.pack(">H", len(data) + 2) + data
    comps = b"".join(bytes([i, 0x11, 0]) for i in range(1, 5))
    return (b"\xff\xd8" + seg(b"\xee", b"Adobe\x00\x64\x00\x00\x00\x00\x00")
            + seg(b"\xdb", b"\x00" + b"\x01" * 64) + seg(b"\xc0", b"\x08\x00\x08\x00\x08\x04" + comps)
            + seg(b"\xc4", b"\x00" + b"\x01" + b"\x00" * 15 + b"\x00")
            + seg(b"\xc4", b"\x10" + b"\x01" + b"\x00" * 15 + b"\x00")
            + seg(b"\xda", b"\x04" + b"".join(bytes([i, 0]) for i in range(1, 5)) + b"\x00\x3f\x00")
            + b"\x00\xff\xd9")


def gif_frames(n):
    frame = b"!\xf9\x04\x00\x0a\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00"
    return (b"GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
            b"!\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00" + frame * n + b";")


def photo(egg):
    rng = np.random.default_rng(42)
    img = (np.full((900, 1200, 3), (60, 110, 150), np.float32) + rng.normal(0, 8, (900, 1200, 3)))
    if egg:
        cv2.ellipse(img, (600, 450), (260, 330), 30, 0, 360, (220, 230, 240), -1)
    return np.clip(img, 0, 255).astype(np.uint8)


def make(name):
    corpus = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "corpus", "photoreader")
    if name.endswith(".heic"):  # the fuzzers' seed; cut in half when truncated
        data = open(os.path.join(corpus, "egg.heic"), "rb").read()
        open(name, "wb").write(data[:len(data) // 2] if name.startswith("truncated") else data)
    elif name == "folder":
        os.mkdir(name)
    elif name == "pipe":
        os.mkfifo(name)
    elif name == "deep.png":
        cv2.imwrite(name, photo(True).astype(np.uint16) * 257)
    elif name in ("table.jpg", "egg.png", "truncated.jpg"):
        cv2.imwrite(name, photo(name != "table.jpg"))
    else:
        data = {"text.jpg": b"Non sono una foto.\n", "empty.png": b"",
                "bomb.png": png(30000, 30000, 1, 0, b"\x00" * 3751 * 8), "animated.gif": gif_frames(2),
                "cmyk.jpg": cmyk_jpeg(),
                "video.mp4": b"\0\0\0\x18ftypmp42\0\0\0\0mp42isom" + b"\0\0\0\x08free"}.get(name)
        if data is not None:
            open(name, "wb").write(data)
    if name == "truncated.jpg":
        data = open(name, "rb").read()
        open(name, "wb").write(data[:len(data) // 2])


def main():
    zelmora, kelvo, table = sys.argv[1:4]
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    failed = 0
    for line in open(table, encoding="utf-8"):
        if line.startswith("#") or not line.strip():
            continue
        name, file, status, message = [c.strip() for c in line.split(" | ")]
        with tempfile.TemporaryDirectory() as d:
            os.chdir(d)
            if file != "no-kelvo":
                shutil.copy(kelvo, "Kelvo.bmp")
                make(file)
            else:
                file = "egg.png"
                make(file)
            run = subprocess.run([zelmora, "--read", file], env=env, capture_output=True, timeout=60)
            err, out = run.stderr.decode(), run.stdout.decode()
            expected_out = "" if file == "egg.png" and name.startswith("missing Kelvo") else file + "\t\n"
            ok = (run.returncode == int(status) and out == expected_out
                  and (message in err if message != "-" else err == ""))
            print("%s %s: status %d, stdout %r, stderr %r" % ("PASS" if ok else "FAIL", name, run.returncode, out, err))
            failed += not ok
        os.chdir("/")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
