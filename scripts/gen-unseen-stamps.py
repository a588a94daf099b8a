#!/usr/bin/python3
"""Writes photos of stamped eggs drawn apart from scripts/gen-stamps.py, which the reader's networks
are trained on, to see how the reader does on a look it has never seen.

  scripts/gen-unseen-stamps.py --seed 1 --count 100 --tier hard --out /tmp/unseen/hard

Nothing of gen-stamps.py is used but the list of codes that exist: other faces (URW's, from
fonts-urw-base35), a dot font of its own, an egg shaded as a lit ellipsoid with
a shadow, the stamp wrapped round a cylinder and sheared, ink laid on multiplicatively, and the
camera's blur, noise, colour cast and JPEG of its own. Writes 0000.jpg... and labels.tsv (file,
code, tier, then the photo's factors), which bench_read reads.
"""
import argparse
import importlib.util
import math
import os

import cv2
import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Only for the list of codes that exist, read from data/ as the training's generator reads it.
_loader = importlib.util.spec_from_file_location("gen_stamps", os.path.join(ROOT, "scripts", "gen-stamps.py"))
gen_stamps = importlib.util.module_from_spec(_loader)
_loader.loader.exec_module(gen_stamps)
URW = "/usr/share/fonts/opentype/urw-base35/"
SOLID_FACES = ["NimbusSans-Bold", "NimbusSansNarrow-Bold", "URWGothic-Demi", "NimbusMonoPS-Bold",
               "NimbusSans-Regular", "C059-Bold"]
INKS = {"red": (40, 30, 185), "blue": (150, 60, 40), "green": (60, 120, 35), "black": (35, 35, 35),
        "violet": (120, 40, 110)}  # BGR
SHELLS = {"white": (222, 230, 236), "cream": (168, 204, 226), "brown": (92, 130, 178)}
# per tier: stamp width as a share of the photo's, ink strength, blur in capital heights, noise
TIERS = {"easy": ((0.25, 0.5), (0.8, 0.95), (0.0, 0.03), (1, 4), (80, 95)),
         "medium": ((0.15, 0.3), (0.6, 0.9), (0.02, 0.06), (2, 7), (65, 90)),
         "hard": ((0.1, 0.2), (0.45, 0.8), (0.04, 0.09), (3, 10), (55, 75))}

_faces = {}


def face(name):
    if name not in _faces:
        _faces[name] = cv2.freetype.createFreeType2()
        _faces[name].loadFontData(URW + name + ".otf", 0)
    return _faces[name]


def pick_code(rng, pairs, countries):
    farm = "%03d" % rng.integers(1, 1000)
    if rng.random() < 0.85:
        plate, number = pairs[rng.integers(len(pairs))]
        return "%dIT%s%s%s" % (rng.integers(4), number, plate, farm)
    letters = "".join(chr(65 + int(i)) for i in rng.integers(26, size=2))
    return "%d%s%03d%s%s" % (rng.integers(4), countries[rng.integers(len(countries))],
                             rng.integers(1, 1000), letters, farm)


def layout(rng, code):
    parts = [code[0], code[1:3], code[3:6], code[6:8], code[8:]]
    r = rng.random()
    if r < 0.35:
        lines = [code]
    elif r < 0.6:
        lines = [" ".join(parts)]
    elif r < 0.7:
        lines = ["-".join(parts)]
    elif r < 0.85:
        lines = [" ".join(parts[:2]), " ".join(parts[2:])]
    else:
        lines = [code[:3], code[3:]]
    if rng.random() < 0.4:
        extra = "%02d/%02d/%02d" % (rng.integers(1, 29), rng.integers(1, 13), rng.integers(26, 29))
        if rng.random() < 0.3:
            extra = "L%d" % rng.integers(10, 999)
        lines.insert(0 if rng.random() < 0.4 else len(lines), extra)
    return lines


def solid_line(text, name, cap):
    """A line of text, white on black, its capitals `cap` pixels high between rows cap and 2 cap."""
    ft = face(name)
    em = int(round(cap / 0.72))
    (w, _), _ = ft.getTextSize(text, em, -1)
    img = np.zeros((em + 4 * cap, w + 2 * cap, 3), np.uint8)
    ft.putText(img, text, (cap, cap), em, (255, 255, 255), -1, cv2.LINE_AA, False)  # baseline at cap + em
    return img[em - cap:em + 2 * cap, :, 0]


# A 7x9 dot font drawn for this generator, one dot wide, its zero narrower than O and not slashed.
DOTS = {line[0]: np.array([[c == "#" for c in row] for row in line[2:].split()])
        for line in """0 ..###.. .#...#. .#...#. .#...#. .#...#. .#...#. .#...#. .#...#. ..###..
1 ...#... ..##... .#.#... ...#... ...#... ...#... ...#... ...#... .#####.
2 ..###.. .#...#. #.....# ......# .....#. ...##.. ..#.... .#..... #######
3 .#####. ......# .....#. ....#.. ...##.. .....#. ......# #.....# .#####.
4 ....#.. ...##.. ..#.#.. .#..#.. #...#.. ####### ....#.. ....#.. ....#..
5 ####### #...... #...... ######. ......# ......# ......# #.....# .#####.
6 ..####. .#..... #...... #.###.. ##...#. #.....# #.....# .#...#. ..###..
7 ####### ......# .....#. ....#.. ...#... ...#... ..#.... ..#.... ..#....
8 ..###.. .#...#. .#...#. ..###.. .#...#. #.....# #.....# .#...#. ..###..
9 ..###.. .#...#. #.....# #.....# .#...## ..###.# ......# .....#. .####..
A ...#... ..#.#.. .#...#. #.....# #.....# ####### #.....# #.....# #.....#
B ######. #.....# #.....# ######. #.....# #.....# #.....# #.....# ######.
C ..####. .#....# #...... #...... #...... #...... #...... .#....# ..####.
D #####.. #....#. #.....# #.....# #.....# #.....# #.....# #....#. #####..
E ####### #...... #...... #...... #####.. #...... #...... #...... #######
F ####### #...... #...... #...... #####.. #...... #...... #...... #......
G ..####. .#....# #...... #...... #..#### #.....# #.....# .#....# ..####.
H #.....# #.....# #.....# #.....# ####### #.....# #.....# #.....# #.....#
I .#####. ...#... ...#... ...#... ...#... ...#... ...#... ...#... .#####.
J ..##### .....#. .....#. .....#. .....#. .....#. #....#. #....#. .####..
K #.....# #....#. #...#.. #..#... ###.... #..#... #...#.. #....#. #.....#
L #...... #...... #...... #...... #...... #...... #...... #...... #######
M #.....# ##...## #.#.#.# #..#..# #..#..# #.....# #.....# #.....# #.....#
N #.....# ##....# #.#...# #..#..# #...#.# #....## #.....# #.....# #.....#
O ..###.. .#...#. #.....# #.....# #.....# #.....# #.....# .#...#. ..###..
P ######. #.....# #.....# #.....# ######. #...... #...... #...... #......
Q ..###.. .#...#. #.....# #.....# #.....# #...#.# #....#. .#...## ..###.#
R ######. #.....# #.....# #.....# ######. #...#.. #....#. #.....# #.....#
S .#####. #.....# #...... #...... .#####. ......# ......# #.....# .#####.
T ####### ...#... ...#... ...#... ...#... ...#... ...#... ...#... ...#...
U #.....# #.....# #.....# #.....# #.....# #.....# #.....# .#...#. ..###..
V #.....# #.....# #.....# #.....# .#...#. .#...#. ..#.#.. ..#.#.. ...#...
W #.....# #.....# #.....# #.....# #..#..# #..#..# #.#.#.# ##...## #.....#
X #.....# #.....# .#...#. ..#.#.. ...#... ..#.#.. .#...#. #.....# #.....#
Y #.....# #.....# .#...#. ..#.#.. ...#... ...#... ...#... ...#... ...#...
Z ####### ......# .....#. ....#.. ...#... ..#.... .#..... #...... #######
- ....... ....... ....... ....... .#####. ....... ....... ....... .......
/ ......# .....#. .....#. ....#.. ...#... ..#.... .#..... .#..... #......
. ....... ....... ....... ....... ....... ....... ....... ..##... ..##...""".strip().split("\n")}


def dot_line(rng, text, cap, radius, drop, aspect):
    """A line of dot print, its capitals `cap` pixels high between rows cap and 2 cap."""
    pitch = cap / 8
    across = pitch * aspect  # coders stretch or squeeze their characters
    w = int(len(text) * 8 * across) + 2 * int(cap)
    img = np.zeros((int(3 * cap), w), np.uint8)
    for i, ch in enumerate(text):
        for r, c in zip(*np.nonzero(DOTS.get(ch, np.zeros((9, 7), bool)))):
            if rng.random() < drop:
                continue
            x = cap + (i * 8 + c) * across + rng.normal(0, 0.08 * pitch)
            y = cap + r * pitch + rng.normal(0, 0.08 * pitch)
            cv2.circle(img, (int(x * 4), int(y * 4)), int(radius * pitch * 4), 255, -1, cv2.LINE_AA, 2)
    return img


def stamp_mask(rng, lines):
    """The stamp, white on black, capitals 40 pixels high, lines centred, and what was printed."""
    cap = 40
    if rng.random() < 0.5:
        radius, drop, aspect = rng.uniform(0.3, 0.55), rng.uniform(0, 0.05), rng.uniform(0.8, 1.25)
        made = [dot_line(rng, t, cap, radius, drop, aspect) for t in lines]
        kind = "dots 7x9"
    else:
        name = SOLID_FACES[rng.integers(len(SOLID_FACES))]
        made = [solid_line(t, name, cap) for t in lines]
        kind = name
    gap = int(cap * rng.uniform(0.3, 0.7))
    width = max(m.shape[1] for m in made)
    out = np.zeros((sum(m.shape[0] for m in made) - (len(made) - 1) * (2 * cap - gap) + 10, width),
                   np.uint8)
    y = 0
    for m in made:
        x = (width - m.shape[1]) // 2
        np.maximum(out[y:y + m.shape[0], x:x + m.shape[1]], m, out=out[y:y + m.shape[0], x:x + m.shape[1]])
        y += m.shape[0] - (2 * cap - gap)
    ys, xs = np.nonzero(out > 40)
    return out[ys.min():ys.max() + 1, xs.min():xs.max() + 1], cap, kind


def smooth_noise(rng, h, w, cell):
    small = rng.normal(0, 1, (max(2, h // cell), max(2, w // cell))).astype(np.float32)
    return cv2.resize(small, (w, h), interpolation=cv2.INTER_CUBIC)


def backdrop(rng, h, w):
    base = np.array(rng.uniform(60, 220, 3), np.float32)
    img = np.ones((h, w, 3), np.float32) * base
    kind = ("grain", "checks", "plain")[rng.integers(3)]
    if kind == "grain":  # wood
        yy = np.arange(h, dtype=np.float32)[:, None]
        grain = np.sin(yy / rng.uniform(4, 12) + 3 * smooth_noise(rng, h, w, 80)) * 18
        img += grain[..., None]
    elif kind == "checks":  # cloth
        step = int(rng.integers(20, 60))
        yy, xx = np.mgrid[0:h, 0:w]
        img *= (0.8 + 0.2 * (((yy // step) + (xx // step)) % 2))[..., None].astype(np.float32)
    img += smooth_noise(rng, h, w, 50)[..., None] * 10 + rng.normal(0, 3, (h, w, 1)).astype(np.float32)
    return img, kind


def egg(rng, img, centre, a, b, angle, shell, light, speckled):
    """Draws a lit egg onto img (float BGR), with its shadow."""
    h, w = img.shape[:2]
    yy, xx = np.mgrid[0:h, 0:w].astype(np.float32)
    c, s = math.cos(angle), math.sin(angle)
    u = ((xx - centre[0]) * c + (yy - centre[1]) * s) / a
    v = (-(xx - centre[0]) * s + (yy - centre[1]) * c) / b
    r2 = u * u + v * v
    inside = np.clip((1 - np.sqrt(r2)) * min(a, b) / 1.5, 0, 1)
    # a soft shadow beside it, away from the light
    shadow = np.exp(-np.maximum(0, ((u - 0.08 * light[0]) ** 2 + (v - 0.08 * light[1]) ** 2) - 0.9) * 6)
    img *= (1 - 0.45 * shadow * (1 - inside))[..., None]
    z = np.sqrt(np.clip(1 - r2, 0, 1))
    lit = np.clip(u * light[0] + v * light[1] + z * light[2], 0, 1)
    half = np.array(light) + np.array([0, 0, 1.0])
    half /= np.linalg.norm(half)
    gloss = np.clip(u * half[0] + v * half[1] + z * half[2], 0, 1) ** rng.uniform(20, 60) * rng.uniform(0.1, 0.4)
    shade = 0.4 + 0.6 * lit
    colour = np.array(shell, np.float32) * (1 + 0.04 * smooth_noise(rng, h, w, 30))[..., None]
    if speckled:
        spots = (rng.random((h, w)) < 0.004).astype(np.float32)
        spots = cv2.GaussianBlur(spots, (0, 0), rng.uniform(0.8, 2.5)) * 8
        colour *= (1 - 0.35 * np.clip(spots, 0, 1))[..., None]
    shell_img = colour * shade[..., None] + 255 * gloss[..., None]
    img[:] = img * (1 - inside[..., None]) + shell_img * inside[..., None]


def make_photo(rng, code, tier):
    size_share, strength, blur, noise, quality = TIERS[tier]
    mp = rng.uniform(1, 3) * 1e6
    portrait = rng.random() < 0.3
    long_side = int(math.sqrt(mp * 4 / 3))
    w, h = (long_side, long_side * 3 // 4) if not portrait else (long_side * 3 // 4, long_side)
    lines = layout(rng, code)
    mask, cap, kind = stamp_mask(rng, lines)
    stamp_w = rng.uniform(*size_share) * w
    b = stamp_w * rng.uniform(0.7, 1.1)  # the egg's half width
    a = b * rng.uniform(1.22, 1.38)
    if 2.1 * a > min(w, h):  # the egg must fit
        k = min(w, h) / (2.1 * a)
        a, b, stamp_w = a * k, b * k, stamp_w * k
    img, ground = backdrop(rng, h, w)
    light = np.array([rng.uniform(-0.6, 0.6), rng.uniform(-0.6, 0.6), 1.0])
    light /= np.linalg.norm(light)
    for _ in range(int(rng.integers(0, 3))):  # other eggs, unstamped
        f = rng.uniform(0.8, 1.1)
        egg(rng, img, (rng.uniform(0, w), rng.uniform(0, h)), a * f, b * f, rng.uniform(0, math.pi),
            SHELLS[rng.choice(list(SHELLS))], light, rng.random() < 0.5)
    centre = (rng.uniform(a * 1.04, w - a * 1.04), rng.uniform(a * 1.04, h - a * 1.04))
    egg_angle = rng.uniform(0, math.pi)
    shell_name = rng.choice(list(SHELLS))
    egg(rng, img, centre, a, b, egg_angle, SHELLS[shell_name], light, shell_name == "brown" and rng.random() < 0.6)

    # the stamp: scaled, wrapped round a cylinder of radius R, sheared, turned and placed
    scale = stamp_w / mask.shape[1]
    turn = rng.uniform(0, 2 * math.pi)
    R = b * rng.uniform(1.0, 1.5)
    shear, squash = rng.uniform(-0.25, 0.25), rng.uniform(0.85, 1.1)
    bow = rng.uniform(-0.15, 0.15)
    offset = (rng.uniform(-0.25, 0.25) * b, rng.uniform(-0.25, 0.25) * b)
    sc = (centre[0] + offset[0], centre[1] + offset[1])
    reach = int(stamp_w * 0.8) + 10
    x0, y0 = int(max(0, sc[0] - reach)), int(max(0, sc[1] - reach))
    x1, y1 = int(min(w, sc[0] + reach)), int(min(h, sc[1] + reach))
    yy, xx = np.mgrid[y0:y1, x0:x1].astype(np.float32)
    c, s = math.cos(turn), math.sin(turn)
    px, py = (xx - sc[0]) * c + (yy - sc[1]) * s, -(xx - sc[0]) * s + (yy - sc[1]) * c
    py = py / squash
    px = px - shear * py
    px = R * np.arcsin(np.clip(px / R, -1, 1))  # nearer the rim, the print is seen foreshortened
    py = py - bow * px * px / R
    mx = (px / scale + mask.shape[1] / 2).astype(np.float32)
    my = (py / scale + mask.shape[0] / 2).astype(np.float32)
    soft = cv2.GaussianBlur(mask, (0, 0), max(0.3, rng.uniform(0, 0.06) * cap))  # ink bleeding
    alpha = cv2.remap(soft, mx, my, cv2.INTER_LINEAR, borderValue=0).astype(np.float32) / 255
    pores = np.clip(1 - 0.6 * (rng.random(alpha.shape) < rng.uniform(0, 0.15)), 0, 1)
    fade = 1 + 0.25 * smooth_noise(rng, *alpha.shape, max(4, int(cap * scale)))
    alpha *= pores * np.clip(fade, 0.3, 1.2) * rng.uniform(*strength)
    ink_name = rng.choice(list(INKS), p=[0.5, 0.2, 0.1, 0.15, 0.05])
    ink = np.array(INKS[ink_name], np.float32) / 255
    roi = img[y0:y1, x0:x1]
    roi *= 1 - alpha[..., None] * (1 - ink)

    # the camera
    cap_px = cap * scale
    img *= (1 + 0.25 * smooth_noise(rng, h, w, max(h, w) // 3))[..., None]
    img *= np.array(rng.uniform(0.85, 1.15, 3), np.float32) * (rng.uniform(0.45, 0.75) if rng.random() < 0.2 else 1)
    sigma = rng.uniform(*blur) * cap_px
    if sigma > 0.3:
        img = cv2.GaussianBlur(img, (0, 0), sigma)
    if rng.random() < 0.25:  # a little shake
        n = int(rng.integers(3, 4 + int(cap_px * 0.15)))
        k = np.zeros((n, n), np.float32)
        cv2.line(k, (0, int(rng.integers(n))), (n - 1, int(rng.integers(n))), 1.0, 1)
        img = cv2.filter2D(img, -1, k / k.sum())
    img += rng.normal(0, rng.uniform(*noise), img.shape).astype(np.float32)
    out = np.clip(img, 0, 255).astype(np.uint8)
    _, jpeg = cv2.imencode(".jpg", out, [cv2.IMWRITE_JPEG_QUALITY, int(rng.integers(*quality))])
    band = "under 16" if cap_px < 16 else "16-24" if cap_px < 24 else "24-40" if cap_px < 40 else "40 or more"
    return jpeg.tobytes(), {"print": kind, "ink": ink_name, "shell": shell_name, "capitals": band + " px",
                            "background": ground, "blur": "%.2f capital heights" % (sigma / cap_px // 0.02 * 0.02)}


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--seed", type=int, required=True)
    ap.add_argument("--count", type=int, required=True)
    ap.add_argument("--tier", choices=TIERS, required=True)
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    pairs, countries = gen_stamps.load_codes()
    rng = np.random.default_rng([args.seed, list(TIERS).index(args.tier)])
    with open(os.path.join(args.out, "labels.tsv"), "w", encoding="utf-8") as labels:
        for i in range(args.count):
            code = pick_code(rng, pairs, countries)
            jpeg, what = make_photo(rng, code, args.tier)
            name = "%04d.jpg" % i
            with open(os.path.join(args.out, name), "wb") as f:
                f.write(jpeg)
            labels.write("\t".join([name, code, args.tier] + ["%s: %s" % f for f in what.items()]) + "\n")


if __name__ == "__main__":
    main()
