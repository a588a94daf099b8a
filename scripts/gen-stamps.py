#!/usr/bin/python3
"""Makes photos of stamped eggs, as a phone or a webcam takes them, with their codes.

  gen-stamps.py --seed S --count N --tier easy|medium|hard --out DIR [--megapixels MP] [--boxes] [--dots-apart]

writes DIR/0000.jpg ... and DIR/labels.tsv (FILE, CODE, TIER, then FACTOR: BAND for each factor
that made the photo harder or easier). With --boxes, also DIR/boxes.tsv:
one row per printed line, FILE, TEXT, then its rotated rectangle CX, CY, W, H, ANGLE (pixels and
degrees; W runs along the text, ANGLE is the direction in which the text reads, H is the height of
its capitals). The first rows of a photo are those of the stamp the label belongs to.
make_photo() gives the same for training. Codes exist: Italian pairs from data/comuni.csv and
data/codici-storici.csv, countries from data/paesi.csv. Only numpy and OpenCV are used.
"""
import argparse
import ctypes
import functools
import glob
import math
import os

import cv2
import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STRENGTH = {"easy": 0.3, "medium": 0.6, "hard": 1.0}
CHARS = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-/."
DOT_SOURCES = [f for f in glob.glob("/usr/share/fonts/truetype/*/*.ttf")
               if any(n in f for n in ("Sans-Bold.", "SansBold.", "SansCondensed-Bold.", "SansNarrow-Bold."))]  # no dotted zeros
FONT_FILES = sorted(f for pattern in ["dejavu/DejaVuSans*.ttf", "liberation/Liberation*.ttf",
                                      "freefont/Free*.ttf"]
                    for f in glob.glob("/usr/share/fonts/truetype/" + pattern)
                    if "Oblique" not in f and "Italic" not in f and "ExtraLight" not in f)
HERSHEY = [cv2.FONT_HERSHEY_SIMPLEX, cv2.FONT_HERSHEY_DUPLEX, cv2.FONT_HERSHEY_COMPLEX,
           cv2.FONT_HERSHEY_TRIPLEX, cv2.FONT_HERSHEY_PLAIN]
INKS = [((40, 45, 200), 0.5), ((150, 70, 30), 0.2), ((50, 120, 40), 0.1), ((35, 30, 30), 0.2)]
_freetype = {}


def keep_freed_memory():
    """Has glibc keep freed memory for the next arrays instead of giving each large one back to
    the system and faulting its pages in again when the next is made: photos are drawn a third
    faster. Forked workers inherit it."""
    libc = ctypes.CDLL(None)
    libc.mallopt(-3, 32 << 20)  # M_MMAP_THRESHOLD: arrays up to 32 MB come from the heap
    libc.mallopt(-1, 2**31 - 1)  # M_TRIM_THRESHOLD: and the heap is not trimmed


def clip(a, low, high):
    """np.clip's values, three times as fast on numpy 1.24's arrays."""
    out = np.maximum(a, low)
    return np.minimum(out, high, out=out)


def grid(y0, y1, x0, x1):
    """np.mgrid's pixel coordinates as float32, a column and a row that broadcast to the whole."""
    return np.arange(y0, y1, dtype=np.float32)[:, None], np.arange(x0, x1, dtype=np.float32)[None, :]


def load_codes(root=ROOT):
    def rows(name):
        with open(os.path.join(root, "data", name), encoding="utf-8") as f:
            return [line.rstrip("\n").split(";") for line in f.readlines()[1:] if line.strip()]
    pairs = sorted({(r[0], r[1]) for n in ("comuni.csv", "codici-storici.csv") for r in rows(n)})
    countries = sorted({r[0][:2] for r in rows("paesi.csv")} - {"IT"})
    return pairs, countries


def random_code(rng, pairs, countries):
    farm = "%03d" % rng.integers(1, 1000) if rng.random() < 0.8 else "%03d" % rng.integers(1, 30)
    if rng.random() < 0.85:
        plate, number = pairs[rng.integers(len(pairs))]
        return "%d%s%s%s%s" % (rng.integers(4), "IT", number, plate, farm)
    letters = "".join(chr(65 + int(i)) for i in rng.integers(26, size=2))
    return "%d%s%03d%s%s" % (rng.integers(4), countries[rng.integers(len(countries))],
                             rng.integers(1000), letters, farm)


def stamp_lines(rng, code):
    """The printed lines: the code laid out one of several ways, perhaps with a date or lot."""
    groups = [code[0], code[1:3], code[3:6], code[6:8], code[8:]]
    sep = rng.choice(["", " ", "-"], p=[0.45, 0.4, 0.15])
    split = rng.choice([0, 2, 3], p=[0.7, 0.15, 0.15])
    if split:
        lines = [sep.join(groups[:split]), sep.join(groups[split:])]
    else:
        lines = [sep.join(groups)]
    if rng.random() < 0.5:
        d, m, y = rng.integers(1, 29), rng.integers(1, 13), rng.integers(24, 30)
        extra = rng.choice(["%02d/%02d/%02d" % (d, m, y), "%02d.%02d.%02d" % (d, m, y),
                            "%02d/%02d/20%02d" % (d, m, y), "%02d/%02d" % (d, m),
                            "L %d" % rng.integers(1, 999), "LOTTO %d" % rng.integers(1, 99),
                            "L%03d" % rng.integers(1, 999), "LOT %d" % rng.integers(1, 99)])
        if rng.random() < 0.15 and not split:
            lines[0] = lines[0] + "  " + extra
        else:
            lines.insert(int(rng.integers(2)) * len(lines), extra)
    return lines


def noise_field(rng, h, w, cell):
    """Smooth random field with values roughly in [-1, 1] and features about cell pixels wide."""
    small = rng.standard_normal((max(2, int(h / cell) + 2), max(2, int(w / cell) + 2)))
    return clip(cv2.resize(small.astype(np.float32), (w, h), interpolation=cv2.INTER_CUBIC) / 1.5, -1.5, 1.5)


def freetype(font_file):
    if font_file not in _freetype:
        _freetype[font_file] = cv2.freetype.createFreeType2()
        _freetype[font_file].loadFontData(font_file, 0)
    return _freetype[font_file]


@functools.lru_cache(maxsize=None)
def dot_glyphs(font_file, cols, rows):
    """A dot grid per character, sampled from a TrueType face (many faces, many dot fonts)."""
    ft = freetype(font_file)
    glyphs = {}
    for ch in CHARS:
        img = np.zeros((140, 140, 3), np.uint8)
        ft.putText(img, ch, (10, 110), 120, (255, 255, 255), -1, cv2.LINE_AA, True)
        img = img[..., 0]
        top, xs = 110 - 87, np.nonzero(img[:111].max(axis=0))[0]  # capitals are 87 px high here
        mid, half = ((xs.min() + xs.max()) / 2, max((xs.max() - xs.min()) / 2, 27)) if len(xs) else (45, 27)
        # Q's tail and J's hook may hang below the line: the grid takes them in, or Q prints as O
        bottom = max(111, int(np.nonzero(img.max(axis=1))[0].max()) + 1) if ch in "QJ" else 111
        box = img[top:bottom, max(0, int(mid - half)):int(mid + half) + 1]
        width = cols if ch not in "./" else max(2, cols // 2 + 1)
        glyphs[ch] = cv2.resize(box.astype(np.float32) / 255, (width, rows), interpolation=cv2.INTER_AREA) > 0.3
    return glyphs


# The 5x7 font of character displays and of many inkjet coders, drawn dot by dot: its glyphs differ
# from any sampled from a TrueType face (the zero is slashed, 0 and O differ by their diagonal only).
# Seven rows a glyph, in the order of CHARS.
_CLASSIC_ROWS = """
01110 10001 10011 10101 11001 10001 01110  00100 01100 00100 00100 00100 00100 01110  01110 10001 00001 00010 00100 01000 11111
11111 00010 00100 00010 00001 10001 01110  00010 00110 01010 10010 11111 00010 00010  11111 10000 11110 00001 00001 10001 01110
00110 01000 10000 11110 10001 10001 01110  11111 00001 00010 00100 01000 01000 01000  01110 10001 10001 01110 10001 10001 01110
01110 10001 10001 01111 00001 00010 01100  01110 10001 10001 10001 11111 10001 10001  11110 10001 10001 11110 10001 10001 11110
01110 10001 10000 10000 10000 10001 01110  11100 10010 10001 10001 10001 10010 11100  11111 10000 10000 11110 10000 10000 11111
11111 10000 10000 11110 10000 10000 10000  01110 10001 10000 10111 10001 10001 01111  10001 10001 10001 11111 10001 10001 10001
01110 00100 00100 00100 00100 00100 01110  00111 00010 00010 00010 00010 10010 01100  10001 10010 10100 11000 10100 10010 10001
10000 10000 10000 10000 10000 10000 11111  10001 11011 10101 10101 10001 10001 10001  10001 10001 11001 10101 10011 10001 10001
01110 10001 10001 10001 10001 10001 01110  11110 10001 10001 11110 10000 10000 10000  01110 10001 10001 10001 10101 10010 01101
11110 10001 10001 11110 10100 10010 10001  01111 10000 10000 01110 00001 00001 11110  11111 00100 00100 00100 00100 00100 00100
10001 10001 10001 10001 10001 10001 01110  10001 10001 10001 10001 10001 01010 00100  10001 10001 10001 10101 10101 10101 01010
10001 10001 01010 00100 01010 10001 10001  10001 10001 10001 01010 00100 00100 00100  11111 00001 00010 00100 01000 10000 11111
00000 00000 00000 11111 00000 00000 00000  00000 00001 00010 00100 01000 10000 00000  00 00 00 00 00 11 11
""".split()
CLASSIC_5X7 = {ch: np.array([[b == "1" for b in row] for row in _CLASSIC_ROWS[7 * i:7 * i + 7]])
               for i, ch in enumerate(CHARS)}


def draw_style(rng, s, apart=False):
    style = {"seed": int(rng.integers(1 << 31)), "dots": rng.random() < 0.55}
    if style["dots"]:
        cols, rows = [(5, 7), (7, 9), (5, 7), (6, 8)][rng.integers(4)]
        style.update(cols=cols, rows=rows, font=DOT_SOURCES[rng.integers(len(DOT_SOURCES))],
                     dot=rng.uniform(0.33, 0.62), gap=rng.uniform(0.8, 2.2),
                     missing=rng.uniform(0, 0.12 * s), jitter=rng.uniform(0, 0.12 * s))
        # drawn from the style's own seed, so that every other choice of the photo stays as it was
        style["classic"] = cols == 5 and style["seed"] % 5 < 3
        style["double"] = style["classic"] and style["seed"] // 5 % 5 < 2  # each dot struck twice, bold
        # with `apart`, two in five dot stamps not struck twice as coders print whose dots stand apart,
        # a third to two thirds of their pitch across; otherwise they touch or merge
        style["sparse"] = apart and not style["double"] and style["seed"] // 25 % 5 < 2
        if style["sparse"]:
            style["dot"] = 0.15 + 0.18 * (style["seed"] // 125 % 100) / 100
    else:
        hershey = rng.random() < 0.3
        style.update(hershey=hershey, font=int(rng.integers(len(HERSHEY))) if hershey
                     else FONT_FILES[rng.integers(len(FONT_FILES))],
                     bold=rng.uniform(0.06, 0.16), track=rng.uniform(0.0, 0.25))
    style.update(spacing=rng.uniform(1.35, 1.9), align=rng.integers(3), space=rng.uniform(0.5, 1.1),
                 stretch=math.exp(rng.normal(0, 0.2)))  # printers and stamps differ in width
    return style


def render_stamp(lines, style, unit):
    """Ink coverage (float32, 0..1) of the stamp with capitals `unit` pixels high, and the
    rectangles (x0, y0, x1, y1) of its lines."""
    rng = np.random.default_rng(style["seed"])
    margin = int(unit)
    layouts = []
    for text in lines:
        x, placed = 0.0, []
        for ch in text:
            if ch == " ":  # a gap clearly wider than the space between letters
                letter_gap = style["gap"] / (style["rows"] - 1) if style["dots"] else style["track"] + 0.12
                x += unit * (0.6 * style["space"] + 1.2 * letter_gap)
                continue
            if style["dots"]:
                w = style["glyphs"][ch].shape[1] * unit / (style["rows"] - 1)
                adv = w + unit * style["gap"] / (style["rows"] - 1)
            elif style["hershey"]:
                scale = unit / cv2.getTextSize("H", HERSHEY[style["font"]], 1.0, 1)[0][1]
                w = cv2.getTextSize(ch, HERSHEY[style["font"]], scale, 1)[0][0]
                adv = w + unit * (0.15 + style["track"])
            else:
                w = style["ft"].getTextSize(ch, int(unit / 0.72), -1)[0][0]
                adv = w + unit * style["track"]
            placed.append((ch, x))
            x += adv
        layouts.append((placed, x - (adv - w)))
    width = max(w for _, w in layouts)
    pitch = unit * style["spacing"]
    canvas = np.zeros((int(2 * margin + unit + pitch * (len(lines) - 1)), int(2 * margin + width)), np.float32)
    ttf = np.zeros(canvas.shape + (3,), np.uint8)  # FreeType draws on 8-bit colour pictures only
    boxes = []
    for i, (placed, w) in enumerate(layouts):
        x0 = margin + (width - w) * style["align"] / 2
        base = margin + unit + i * pitch
        boxes.append((x0, base - unit, x0 + w, base))
        for ch, x in placed:
            if style["dots"]:
                grid, step = style["glyphs"][ch], unit / (style["rows"] - 1)
                # dots apart are placed and sized to a sixteenth of a pixel, however small
                shift = 4 if style["sparse"] else 0
                r = int(16 * step * style["dot"]) if style["sparse"] else max(1, int(round(step * style["dot"])))
                for gy, gx in zip(*np.nonzero(grid)):
                    if rng.random() < style["missing"]:
                        continue
                    jx, jy = rng.normal(0, style["jitter"] * step, 2)
                    for dx in (0, 0.5 * step) if style["double"] else (0,):
                        cx, cy = x0 + x + gx * step + dx + jx, base - unit + gy * step + jy
                        cv2.circle(canvas, (int(cx * (1 << shift)), int(cy * (1 << shift))), r, 1.0, -1, cv2.LINE_AA,
                                   shift)
            elif style["hershey"]:
                face = HERSHEY[style["font"]]
                scale = unit / cv2.getTextSize("H", face, 1.0, 1)[0][1]
                cv2.putText(canvas, ch, (int(x0 + x), int(base)), face, scale, 1.0,
                            max(1, int(unit * style["bold"])), cv2.LINE_AA)
            else:
                style["ft"].putText(ttf, ch, (int(x0 + x), int(base)), int(unit / 0.72), (255, 255, 255), -1,
                                    cv2.LINE_AA, True)
    canvas = np.maximum(canvas, ttf[..., 0].astype(np.float32) / 255)
    if not style["dots"] and not style["hershey"] and style["bold"] > 0.1:
        k = max(1, int(unit * (style["bold"] - 0.1)))
        canvas = cv2.dilate(canvas, cv2.getStructuringElement(cv2.MORPH_ELLIPSE, (2 * k + 1, 2 * k + 1)))
    width = int(canvas.shape[1] * style["stretch"])
    return cv2.resize(canvas, (width, canvas.shape[0])), [(x0 * style["stretch"], y0, x1 * style["stretch"], y1)
                                                        for x0, y0, x1, y1 in boxes]


def stamp_map(canvas_shape, centre, scale, angle, bend, tilt):
    """Forward and inverse maps between stamp canvas and photo: the stamp wraps round the shell
    (bend), is turned by `angle` and seen at a slant (tilt: a 3x3 homography about the centre)."""
    ch, cw = canvas_shape
    radius = cw / max(bend, 1e-3)
    rot = np.array([[math.cos(angle), -math.sin(angle)], [math.sin(angle), math.cos(angle)]])

    def forward(u, v):
        x, y = u - cw / 2, v - ch / 2
        x = radius * np.sin(clip(x / radius, -1.4, 1.4))
        y = y - (radius - np.sqrt(np.maximum(radius ** 2 - x ** 2, 0))) * 0.3
        x, y = scale * (rot[0, 0] * x + rot[0, 1] * y), scale * (rot[1, 0] * x + rot[1, 1] * y)
        d = tilt[2, 0] * x + tilt[2, 1] * y + 1
        return (tilt[0, 0] * x + tilt[0, 1] * y) / d + centre[0], (tilt[1, 0] * x + tilt[1, 1] * y) / d + centre[1]

    inv_tilt = np.linalg.inv(tilt)

    def inverse(px, py):
        x, y = px - centre[0], py - centre[1]
        d = inv_tilt[2, 0] * x + inv_tilt[2, 1] * y + inv_tilt[2, 2]
        x, y = (inv_tilt[0, 0] * x + inv_tilt[0, 1] * y) / d, (inv_tilt[1, 0] * x + inv_tilt[1, 1] * y) / d
        x, y = (rot[0, 0] * x + rot[1, 0] * y) / scale, (rot[0, 1] * x + rot[1, 1] * y) / scale
        y = y + (radius - np.sqrt(np.maximum(radius ** 2 - x ** 2, 0))) * 0.3
        x = radius * np.arcsin(clip(x / radius, -1, 1))
        return (x + cw / 2).astype(np.float32), (y + ch / 2).astype(np.float32)

    return forward, inverse


def paint_egg(albedo, shade, rng, centre, axes, angle, colour, s, light):
    """Egg albedo (colour, mottling, speckles) into albedo (3 x h x w); its shading and highlight into
    shade (h x w)."""
    h, w = shade.shape
    r = int(max(axes) * 1.4) + 2
    x0, x1 = max(0, int(centre[0]) - r), min(w, int(centre[0]) + r)
    y0, y1 = max(0, int(centre[1]) - r), min(h, int(centre[1]) + r)
    if x1 <= x0 or y1 <= y0:
        return
    ys, xs = grid(y0, y1, x0, x1)
    dx, dy = xs - centre[0], ys - centre[1]
    ca, sa = math.cos(angle), math.sin(angle)
    nx, ny = (dx * ca + dy * sa) / axes[0], (-dx * sa + dy * ca) / axes[1]
    rr = nx ** 2 + ny ** 2
    inside = clip((1 - rr) * max(axes) / 1.5, 0, 1)
    # shadow on whatever lies below the egg
    shadow = clip(1 - ((nx - 0.15) ** 2 + (ny - 0.15) ** 2) / 1.35, 0, 1) ** 0.7 * 0.45
    shade[y0:y1, x0:x1] *= 1 - shadow * (1 - inside)
    ph, pw = y1 - y0, x1 - x0
    tex = 1 + 0.06 * noise_field(rng, ph, pw, max(axes) / 4) + 0.03 * noise_field(rng, ph, pw, max(axes) / 25)
    spots = (rng.random((ph, pw)) < rng.uniform(0, 0.004) * (1.6 if colour[0] < 150 else 0.6)).astype(np.float32)
    spots = cv2.GaussianBlur(spots, (0, 0), max(0.8, max(axes) / 300)) * rng.uniform(2, 6)
    sharpness, gloss = rng.uniform(20, 60), rng.uniform(0.1, 0.5 + 0.4 * s)
    # the shell's colour and light change only what it covers: the box around it
    rows, cols = np.flatnonzero(inside.any(axis=1)), np.flatnonzero(inside.any(axis=0))
    if not rows.size:
        return
    box = slice(rows[0], rows[-1] + 1), slice(cols[0], cols[-1] + 1)
    at = tuple(slice(o + b.start, o + b.stop) for o, b in zip((y0, x0), box))  # the box in the picture
    inside = inside[box]
    egg = np.array(colour, np.float32)[:, None, None] * tex[box]
    egg *= 1 - clip(spots[box], 0, 0.6) * np.array([0.6, 0.7, 0.8], np.float32)[:, None, None]
    albedo[:, at[0], at[1]] = albedo[:, at[0], at[1]] * (1 - inside) + egg * inside
    nz = np.sqrt(clip(1 - rr[box], 0, 1))
    facing = clip(nx[box] * light[0] + ny[box] * light[1] + nz * light[2], 0, 1)
    local = 0.55 + 0.45 * facing + facing ** sharpness * gloss
    shade[at] = shade[at] * (1 - inside) + local * inside


def background(rng, h, w, kind):
    """The scene behind the eggs, channels first (3 x h x w) as the whole picture is until the camera:
    numpy weighs three planes by one far faster than pixels of three channels."""
    if kind == "carton":
        base = [(150, 165, 175), (180, 195, 200), (120, 130, 135), (200, 190, 170)][rng.integers(4)]
        img = np.array(base, np.float32)[:, None, None] * (1 + 0.08 * noise_field(rng, h, w, w / 20)
                                                            + 0.05 * noise_field(rng, h, w, 3))
    else:
        base = rng.uniform(40, 230, 3).astype(np.float32)
        grain = noise_field(rng, h, w, w / 10)
        if rng.random() < 0.5:  # wood
            base = np.array([60, 100, 150], np.float32) * rng.uniform(0.6, 1.4)
            yy = grid(0, h, 0, w)[0]
            grain = np.sin(yy / rng.uniform(5, 25) + 3 * grain)
        img = base[:, None, None] * (1 + 0.1 * grain)
    return img


def make_photo(rng, code, tier, megapixels=None, egg_only=False, factors=None, dots_apart=False):
    """One photo: (JPEG bytes, [(text, (cx, cy, w, h, angle_deg)) for each printed line]).
    factors, a dict, receives what made the photo hard or easy, each as a named band."""
    s = STRENGTH[tier]
    mp = megapixels or rng.uniform(1, 3)
    aspect = [4 / 3, 16 / 9, 3 / 2][rng.integers(3)]
    h = int(math.sqrt(mp * 1e6 / aspect))
    w = int(h * aspect)
    if rng.random() < 0.35:
        w, h = h, w
    lines = stamp_lines(rng, code)
    style = draw_style(rng, s, dots_apart)
    if style["dots"]:
        style["glyphs"] = CLASSIC_5X7 if style["classic"] else dot_glyphs(style["font"], style["cols"], style["rows"])
    elif not style["hershey"]:
        style["ft"] = freetype(style["font"])
    # stamp size, then an egg large enough to hold it
    canvas, _ = render_stamp(lines, style, 40)
    text_w = w * rng.uniform(0.1, 0.5)  # width of the longest line
    if egg_only:
        text_w = rng.uniform(60, 360)
    # capitals at least a few pixels high, more in the easier tiers
    unit = max(40 * text_w / (canvas.shape[1] - 80 * style["stretch"]), {"easy": 14, "medium": 11, "hard": 9}[tier])
    canvas, boxes = render_stamp(lines, style, max(16.0, min(unit * 1.5, 160.0)))
    scale = unit / max(16.0, min(unit * 1.5, 160.0))
    stamp_w = canvas.shape[1] * scale
    egg_minor = stamp_w / rng.uniform(0.5, 0.85) / 2
    egg_axes = (egg_minor, egg_minor * rng.uniform(1.0, 1.35))
    angle = rng.uniform(0, 2 * math.pi)
    if egg_only:
        w = h = int(2.2 * egg_axes[1])
    carton = not egg_only and egg_minor < 0.3 * min(w, h) and rng.random() < 0.6
    stamp_h = canvas.shape[0] * scale
    half = 0.5 * math.hypot(stamp_w, stamp_h) + 4
    cx = rng.uniform(min(half, w / 2), max(w - half, w / 2))
    cy = rng.uniform(min(half, h / 2), max(h - half, h / 2))
    kind = rng.choice(["carton", "table", "hand"], p=[0.45, 0.35, 0.2]) if not carton else "carton"
    albedo = background(rng, h, w, kind)
    shade = np.ones((h, w), np.float32)
    light = np.array([rng.uniform(-0.6, 0.6), rng.uniform(-0.6, 0.6), 1.0])
    light /= np.linalg.norm(light)
    shells = [(235, 240, 245), (200, 225, 240), (110, 150, 200), (80, 120, 170), (150, 185, 220)]
    shell = lambda: np.array(shells[rng.integers(len(shells))], np.float32) * rng.uniform(0.9, 1.05)
    main_colour = shell()
    egg_centre = (cx + rng.normal(0, 0.08 * egg_minor), cy + rng.normal(0, 0.08 * egg_minor))
    egg_angle = rng.uniform(0, math.pi)
    eggs = [(egg_centre, main_colour)]
    if kind == "hand":
        skin = np.array([120, 150, 200], np.float32) * rng.uniform(0.6, 1.1)
        hand = np.zeros((h, w), np.float32)
        cv2.ellipse(hand, (int(egg_centre[0] + egg_minor * 0.6), int(egg_centre[1] + egg_minor * 0.9)),
                    (int(egg_minor * 1.6), int(egg_minor * 1.3)), float(rng.uniform(0, 360)), 0, 360, 1.0, -1)
        hand = cv2.GaussianBlur(hand, (0, 0), egg_minor * 0.05)
        albedo = albedo * (1 - hand) + skin[:, None, None] * hand * (1 + 0.05 * noise_field(rng, h, w, 40))
    if carton:
        cell = egg_minor * 2 * rng.uniform(1.05, 1.25)
        ca, sa = math.cos(rng.normal(0, 0.1)), math.sin(rng.normal(0, 0.1))
        for i in range(-4, 5):
            for j in range(-4, 5):
                if (i or j) and rng.random() < 0.85:
                    c = (egg_centre[0] + cell * (i * ca - j * sa), egg_centre[1] + cell * (i * sa + j * ca))
                    if -cell < c[0] < w + cell and -cell < c[1] < h + cell:
                        eggs.append((c, main_colour if rng.random() < 0.7 else shell()))
    for k, (c, colour) in enumerate(eggs):
        paint_egg(albedo, shade, rng, c, egg_axes, egg_angle + (rng.normal(0, 0.3) if k else 0), colour, s, light)
    # the stamp: ink multiplies the shell's colour
    ink_index = rng.choice(len(INKS), p=[p for _, p in INKS])
    ink = np.array(INKS[ink_index][0], np.float32)
    ink = clip(ink * rng.uniform(0.8, 1.2, 3), 0, 255)
    strength = rng.uniform(1 - 0.4 * s, 1.0)
    ink_noise = 1 - rng.uniform(0, 0.5 * s) * clip(noise_field(rng, *canvas.shape, 6) * 0.5 + 0.5, 0, 1)
    bend = rng.uniform(0, 0.3 + 1.2 * stamp_w / (2 * egg_minor))
    tilt = np.eye(3)
    t = rng.uniform(0, 0.0006 * s) * 1000 / max(stamp_w, 1)
    tilt[2, :2] = rng.normal(0, t, 2)
    tilt[0, 1] = rng.normal(0, 0.08 * s)
    rot = rng.uniform(0, 2 * math.pi)
    forward, inverse = stamp_map(canvas.shape, (cx, cy), scale, rot, bend, tilt)
    result = []
    for text, (x0, y0, x1, y1) in zip(lines, boxes):
        # the rotated rectangle that holds the whole (perhaps bent) line
        u = np.linspace(x0, x1, 9)
        px, py = forward(np.concatenate([u, u]), np.concatenate([np.full(9, y0), np.full(9, y1)]))
        a = math.atan2(py[8] + py[17] - py[0] - py[9], px[8] + px[17] - px[0] - px[9])
        along, across = px * math.cos(a) + py * math.sin(a), -px * math.sin(a) + py * math.cos(a)
        ca, cb = (along.max() + along.min()) / 2, (across.max() + across.min()) / 2
        result.append((text, (float(ca * math.cos(a) - cb * math.sin(a)), float(ca * math.sin(a) + cb * math.cos(a)),
                              float(np.ptp(along)), float(np.ptp(across)), math.degrees(a))))
    ch, cw = canvas.shape
    cu, cv_ = forward(np.array([0, cw, cw, 0, cw / 2, cw / 2, 0, cw]), np.array([0, 0, ch, ch, 0, ch, ch / 2, ch / 2]))
    bx0, bx1 = max(0, int(cu.min()) - 2), min(w, int(cu.max()) + 3)
    by0, by1 = max(0, int(cv_.min()) - 2), min(h, int(cv_.max()) + 3)
    ys, xs = grid(by0, by1, bx0, bx1)
    mu, mv = inverse(xs, ys)
    cover = cv2.remap(canvas * ink_noise, mu, mv, cv2.INTER_LINEAR, borderValue=0)
    bleed = rng.uniform(0, 0.1 * s) * unit
    if bleed > 0.3:
        cover = np.maximum(cover, cv2.GaussianBlur(cover, (0, 0), bleed) * 0.8)
    cover = clip(cover * strength, 0, 1)
    albedo[:, by0:by1, bx0:bx1] *= 1 - cover * (1 - ink / 255)[:, None, None]
    # dirt
    for _ in range(rng.poisson(3 * s)):
        r = int(rng.uniform(0.02, 0.12) * egg_minor) + 2
        x, y = int(rng.normal(cx, egg_minor * 0.6)), int(rng.normal(cy, egg_minor * 0.6))
        x0, y0, x1, y1 = max(0, x - 2 * r), max(0, y - 2 * r), min(w, x + 2 * r), min(h, y + 2 * r)
        if x1 > x0 and y1 > y0:
            dirt = np.zeros((y1 - y0, x1 - x0), np.float32)
            cv2.ellipse(dirt, (x - x0, y - y0), (r, int(r * rng.uniform(0.3, 1)) + 1), float(rng.uniform(0, 360)),
                        0, 360, rng.uniform(0.2, 0.6), -1)
            dirt = cv2.GaussianBlur(dirt, (0, 0), r * 0.3)
            albedo[:, y0:y1, x0:x1] *= 1 - dirt * np.array([0.7, 0.55, 0.4], np.float32)[:, None, None]
    # camera: light, white balance, blur, noise, JPEG
    img = albedo * shade
    balance = rng.uniform(1 - 0.15 * s, 1 + 0.15 * s, 3)
    exposure = rng.uniform(1 - 0.5 * s, 1.1)
    img *= (balance * exposure)[:, None, None]
    yy, xx = grid(0, h, 0, w)
    img *= 1 - rng.uniform(0, 0.4 * s) * (((xx - w / 2) ** 2 + (yy - h / 2) ** 2) / (w * w / 4 + h * h / 4))
    img = 255 * (clip(img, 0, 255) / 255) ** rng.uniform(1 - 0.2 * s, 1 + 0.2 * s)
    img = np.ascontiguousarray(img.transpose(1, 2, 0))  # OpenCV's filters and noise take channels last
    sigma = unit * rng.uniform(0, 0.09 * s) + 0.3
    img = cv2.GaussianBlur(img, (0, 0), sigma)
    if rng.random() < 0.5:
        length = int(unit * rng.uniform(0, 0.3 * s)) | 1
        if length > 1:
            kernel = np.zeros((length, length), np.float32)
            kernel[length // 2] = 1
            m = cv2.getRotationMatrix2D((length / 2 - 0.5, length / 2 - 0.5), rng.uniform(0, 180), 1)
            kernel = cv2.warpAffine(kernel, m, (length, length))
            img = cv2.filter2D(img, -1, kernel / kernel.sum())
    grain = np.empty_like(img)
    cv2.setRNGSeed(int(rng.integers(1 << 31)))
    img += cv2.randn(grain, (0, 0, 0), (rng.uniform(1, 3 + 10 * s),) * 3)
    quality = int(rng.uniform({"easy": 75, "medium": 65, "hard": 55}[tier], 95))
    ok, jpeg = cv2.imencode(".jpg", clip(img, 0, 255).astype(np.uint8), [cv2.IMWRITE_JPEG_QUALITY, quality])
    if factors is not None:
        parts = [t for t in lines if t.replace(" ", "").replace("-", "") in (code, code[:3], code[3:], code[:6], code[6:])]
        turn = math.degrees(math.atan2(math.sin(rot), math.cos(rot)))
        factors.update({
            "print": ("dots %dx%d%s%s" % (style["cols"], style["rows"], " classic" if style["classic"] else "",
                                          " apart" if style["sparse"] else "")) if style["dots"]
            else "Hershey" if style["hershey"] else "TrueType",
            "ink": ["red", "blue", "green", "black"][ink_index],
            "shell": "white" if main_colour[0] > 0.9 * main_colour[2] else "cream" if main_colour[0] > 0.75 * main_colour[2] else "brown",
            "capitals": "< 12 px" if unit < 12 else "12-20 px" if unit < 20 else "20-40 px" if unit < 40 else ">= 40 px",
            "turn": "within 45 deg" if abs(turn) <= 45 else "upside down" if abs(turn) >= 135 else "sideways",
            "layout": ("two lines" if len(parts) == 2 else "one line")
            + (", date or lot" if len(lines) > max(1, len(parts)) or not parts else ""),
            "blur": "sharp" if sigma < 0.03 * unit + 0.3 else "soft" if sigma < 0.06 * unit + 0.3 else "blurred",
            "jpeg": "quality < 70" if quality < 70 else "quality 70-85" if quality < 85 else "quality >= 85",
            "light": "dim" if exposure < 0.8 else "normal",
            "background": kind,
        })
    return jpeg.tobytes(), result


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--seed", type=int, required=True)
    ap.add_argument("--count", type=int, required=True)
    ap.add_argument("--tier", choices=STRENGTH, required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--megapixels", type=float, help="photo size (default: 1 to 3 MP at random)")
    ap.add_argument("--boxes", action="store_true", help="also write boxes.tsv")
    ap.add_argument("--dots-apart", action="store_true", help="two in five dot stamps with their dots apart")
    args = ap.parse_args()
    keep_freed_memory()
    os.makedirs(args.out, exist_ok=True)
    pairs, countries = load_codes()
    rng = np.random.default_rng([args.seed, list(STRENGTH).index(args.tier)])
    with open(os.path.join(args.out, "labels.tsv"), "w") as labels, \
            open(os.path.join(args.out, "boxes.tsv") if args.boxes else os.devnull, "w") as boxes:
        for i in range(args.count):
            code = random_code(rng, pairs, countries)
            factors = {}
            jpeg, lines = make_photo(rng, code, args.tier, args.megapixels, factors=factors,
                                     dots_apart=args.dots_apart)
            name = "%04d.jpg" % i
            with open(os.path.join(args.out, name), "wb") as f:
                f.write(jpeg)
            labels.write("\t".join([name, code, args.tier] + ["%s: %s" % kv for kv in factors.items()]) + "\n")
            for text, box in lines:
                boxes.write("%s\t%s\t%s\n" % (name, text, "\t".join("%.1f" % v for v in box)))


if __name__ == "__main__":
    main()
