#!/usr/bin/python3
"""Trains the stamp reader's line recogniser on generated photos and exports data/reader.onnx.

  nice -n 19 scripts/train-reader.py [--seed 1000] [--photos 16000] [--jitters 2] [--steps 22000] [--augment colours]
                                    [--like-widths] [--dots-apart] [--out data/reader.onnx]
                                    [--finder build/bin/bench_read [--finder-photos 6000]] [--init ONNX --lr 1e-3]
  scripts/train-reader.py --pack FLOAT.onnx --out data/reader.onnx

Photos come from scripts/gen-stamps.py (seeds from --seed up; validation uses seed 500). Each printed
line is cut out along its true rectangle with random offsets, tilt, margins and neighbouring lines,
as an imperfect stamp finder would cut it (validation lines with half that jitter), and reduced to
the network's input: height 32 (or width 320), at the left, the rest filled with the crop's median
colour. With --finder, the lines the reader's own stamp finder cuts in other photos are added, each
labelled with the printed line it lies on (or no text where it lies on no print); --init trains
an earlier export further instead of a new network (neither gave the committed networks: see
docs/reader-history.md). The network is a small CNN whose 80 columns (4 pixels each) give the
log-probabilities of blank, 0-9, A-Z, gap, '-', '/', '.', trained with CTC; its convolutions run in
bfloat16 unless --precision fp32. The same seed gives the same photos and the same training order.
The export folds each batch norm into its convolution and keeps the weights as 8-bit integers (a
quarter of the size); --pack does the same to a float export of an earlier version of this script.
"""
import argparse
import copy
import importlib.util
import math
import multiprocessing
import os
import subprocess
import tempfile
import time

import cv2
import numpy as np
import torch
import torch.nn as nn

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ALPHABET = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ -/."  # class i + 1; class 0 is CTC's blank
H, W = 32, 320
TIERS = ("easy", "medium", "hard")

module_spec = importlib.util.spec_from_file_location("gen_stamps", os.path.join(ROOT, "scripts", "gen-stamps.py"))
gen = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(gen)


def to_input(crop, rng):
    """The network's input (H x W x 3, RGB, uint8) from a straightened line crop (BGR), and the
    width the crop takes in it."""
    h, w = crop.shape[:2]
    s = min(H / h, W / w)
    nw, nh = max(1, min(W, round(w * s))), max(1, min(H, round(h * s)))
    fast = rng.random() < 0.3  # the C++ side may resample either way
    small = cv2.resize(crop, (nw, nh), interpolation=cv2.INTER_LINEAR if fast or s > 1 else cv2.INTER_AREA)
    out = np.empty((H, W, 3), np.uint8)
    out[:] = np.median(small.reshape(-1, 3), axis=0)
    top = int(rng.integers(H - nh + 1)) if nh < H else 0
    out[top:top + nh, :nw] = small
    return out[..., ::-1], nw


def cut_line(img, box, others, rng, jitter=1.0):
    """A straightened crop around the line `box` (cx, cy, w, h, angle) as a finder might cut it."""
    cx, cy, w, h, angle = box
    a = math.radians(angle + rng.normal(0, 1.5 * jitter))
    along, across = np.array([math.cos(a), math.sin(a)]), np.array([-math.sin(a), math.cos(a)])
    dy = rng.uniform(-0.25, 0.25) * h * jitter
    crop_h = h * rng.uniform(1.3, 1.3 + 1.7 * jitter)
    # another line may show at the edges, but never most of it
    for ox, oy, _, oh, _ in others:
        d = abs(np.dot(np.array([ox - cx, oy - cy]), across))
        crop_h = max(1.25 * h, min(crop_h, 2 * (d - 0.5 * oh + 0.4 * oh) - 2 * abs(dy)))
    left, right = (rng.uniform(0.05, 0.05 + 1.1 * jitter, 2) * h)
    centre = np.array([cx, cy]) + across * dy + along * (right - left) / 2 + along * rng.normal(0, 0.05 * h * jitter)
    width = w + left + right
    scale = min(1.0, 96 / crop_h)  # straighten at up to 96 px high, then reduce
    out_w, out_h = max(2, int(width * scale)), max(2, int(crop_h * scale))
    m = np.array([[along[0], along[1], 0], [across[0], across[1], 0]]) * scale
    m[:, 2] = np.array([out_w / 2, out_h / 2]) - m[:, :2] @ centre
    return cv2.warpAffine(img, m, (out_w, out_h), flags=cv2.INTER_LINEAR, borderMode=cv2.BORDER_REPLICATE)


def photo_samples(args):
    """Line crops and their texts from photo `index` of a seed; `jitters` crops per line, and
    one crop with no text in it."""
    seed, index, jitters, jitter, egg_only, dots_apart = args
    rng = np.random.default_rng([seed, index])
    tier = TIERS[index % 3]
    jpeg, lines = gen.make_photo(rng, gen.random_code(rng, *CODES), tier, egg_only=egg_only and rng.random() < 0.8,
                                 dots_apart=dots_apart)
    img = cv2.imdecode(np.frombuffer(jpeg, np.uint8), cv2.IMREAD_COLOR)
    out = []
    for text, box in lines:
        others = [b for t, b in lines if b is not box]
        for _ in range(jitters):
            out.append((*to_input(cut_line(img, box, others, rng, jitter), rng), " ".join(text.split()), tier))
    # a crop of shell or background with no text in it
    hgt = lines[0][1][3] * rng.uniform(0.7, 2)
    for _ in range(5):
        c = (rng.uniform(0, img.shape[1]), rng.uniform(0, img.shape[0]))
        if all(math.hypot(c[0] - b[0], c[1] - b[1]) > (b[2] + 4 * hgt) / 2 for _, b in lines):
            box = (c[0], c[1], hgt * rng.uniform(3, 12), hgt, rng.uniform(0, 360))
            out.append((*to_input(cut_line(img, box, [], rng), rng), "", tier))
            break
    return out


def straighten(img, box, upside_down, text_share):
    """A line cut as the reader cuts it (reader/straightener.cpp): box is the finder's
    (cx, cy, length, ink height, angle), text_share the ink's share of the cut's height."""
    cx, cy, length, ink, angle = box
    height = ink / text_share
    length += 2 * 0.4 * height
    out_h = int(min(max(height, 16), 96))
    factor = max(1, int(height / out_h))
    k = out_h * factor / height
    cw, ch = max(factor, int(length * k)), out_h * factor
    a = math.radians(angle + (180 if upside_down else 0))
    c, s = math.cos(a), math.sin(a)
    m = np.array([[c / k, -s / k, cx - (c * cw - s * ch) / (2 * k)], [s / k, c / k, cy - (s * cw + c * ch) / (2 * k)]])
    cut = cv2.warpAffine(img, m, (cw, ch), flags=cv2.WARP_INVERSE_MAP | cv2.INTER_LINEAR, borderMode=cv2.BORDER_REPLICATE)
    return cv2.resize(cut, (cw // factor, out_h), interpolation=cv2.INTER_AREA) if factor > 1 else cut


def finder_photo(args):
    """Photo `index` of the finder's stream written to `folder`; its printed lines."""
    seed, index, folder, dots_apart = args
    rng = np.random.default_rng([seed, 1_000_000 + index])
    jpeg, lines = gen.make_photo(rng, gen.random_code(rng, *CODES), TIERS[index % 3], dots_apart=dots_apart)
    with open(os.path.join(folder, "%06d.jpg" % index), "wb") as f:
        f.write(jpeg)
    return lines


def finder_cuts(args):
    """The lines the stamp finder found in one photo, cut as the reader cuts them, each with the
    text of the printed line it lies on, or none where it lies on no print; lines that cover part
    of a printed line, or more than one, or cut its letters short, are left out."""
    seed, index, folder, lines, found, cuts = args
    rng = np.random.default_rng([seed, 2_000_000 + index])
    img = cv2.imread(os.path.join(folder, "%06d.jpg" % index), cv2.IMREAD_COLOR)
    out, blanks = [], 0
    for size, box in found:
        k = img.shape[1] / size[0]  # the reader may have loaded the photo smaller
        box = (box[0] * k, box[1] * k, box[2] * k, box[3] * k, box[4])
        text, upside_down, near = None, False, False
        for t, (tx, ty, tw, th, ta) in lines:
            r = math.radians(ta)
            dx, dy = box[0] - tx, box[1] - ty
            along, across = dx * math.cos(r) + dy * math.sin(r), -dx * math.sin(r) + dy * math.cos(r)
            turn = math.radians(box[4] - ta)
            if abs(across) < 1.5 * th + box[3] and abs(along) < (tw + box[2]) / 2 + th:
                near = True
            if (abs(math.sin(turn)) < 0.14 and abs(across) < 0.5 * th and abs(along) < 0.2 * tw
                    and 0.8 < box[2] / tw < 1.25 and 0.75 < box[3] / th < 1.6):
                text, upside_down = " ".join(t.split()), math.cos(turn) < 0
        if text is None and (near or blanks >= 2):
            continue
        blanks += text is None
        for _ in range(cuts if text else 1):
            turned = (*box[:4], box[4] + rng.uniform(-2, 2))
            crop = straighten(img, turned, upside_down if text else rng.random() < 0.5, rng.uniform(0.45, 0.8))
            out.append((*to_input(crop, rng), text or "", "cut " + TIERS[index % 3]))
    return out


def stacked(chunks):
    """The samples of all photos as (images, texts, tiers, widths)."""
    samples = [s for chunk in chunks for s in chunk]
    images = np.stack([s[0] for s in samples])
    return images, [s[2] for s in samples], [s[3] for s in samples], np.array([s[1] for s in samples])


def joined(a, b):
    """Two sets of samples as one."""
    return np.concatenate([a[0], b[0]]), a[1] + b[1], a[2] + b[2], np.concatenate([a[3], b[3]])


def make_finder_set(seed, count, cuts, finder, dots_apart=False):
    """Lines cut from the stamp finder's candidates in `count` photos (bench_read --lines)."""
    with tempfile.TemporaryDirectory() as folder, multiprocessing.Pool(2) as pool:
        lines = pool.map(finder_photo, [(seed, i, folder, dots_apart) for i in range(count)], chunksize=8)
        found = {}
        rows = subprocess.run([os.path.abspath(finder), "--lines", folder], cwd=os.path.dirname(os.path.abspath(finder)),
                              check=True, capture_output=True, text=True).stdout
        for row in rows.splitlines():
            cells = row.split("\t")
            if len(cells) == 11:
                found.setdefault(int(cells[1][:-4]), []).append(
                    ((int(cells[2]), int(cells[3])), tuple(float(v) for v in cells[6:])))
        return stacked(pool.map(finder_cuts, [(seed, i, folder, lines[i], found.get(i, []), cuts)
                                              for i in range(count)], chunksize=8))


def make_set(seed, count, jitters, jitter, egg_only, dots_apart=False):
    with multiprocessing.Pool(2) as pool:
        return stacked(pool.map(photo_samples, [(seed, i, jitters, jitter, egg_only, dots_apart) for i in range(count)],
                                chunksize=8))


def batches(widths, steps, batch, seed, like_widths):
    """The crops of each step, every crop in turn in a random order, as (crop indices, input
    width). With like_widths, each batch is drawn from crops of like width and the input is cut
    short at the widest of them (with some of the fill on its right, as the reader gives it):
    a narrow batch costs less, and the hour trains on more steps."""
    rng = np.random.default_rng(seed)
    order = rng.permutation(np.arange(steps * batch) % len(widths))
    if not like_widths:
        return [(order[i:i + batch], W) for i in range(0, len(order), batch)]
    pool = 64 * batch
    out = []
    for i in range(0, len(order), pool):
        chunk = order[i:i + pool]
        chunk = chunk[np.argsort(widths[chunk], kind="stable")]
        cut = [chunk[j:j + batch] for j in range(0, len(chunk), batch)]
        out += [cut[k] for k in rng.permutation(len(cut))]
    return [(idx, min(W, -(-(int(widths[idx].max()) + 24) // 32) * 32)) for idx in out[:steps]]


def block(cin, cout, kernel=3, padding=1):
    return [nn.Conv2d(cin, cout, kernel, padding=padding, bias=False), nn.BatchNorm2d(cout), nn.ReLU(inplace=True)]


class Reader(nn.Module):
    def __init__(self, c=(24, 48, 96, 192)):
        super().__init__()
        self.features = nn.Sequential(
            *block(3, c[0]), nn.MaxPool2d(2), *block(c[0], c[1]), nn.MaxPool2d(2),
            *block(c[1], c[2]), *block(c[2], c[2]), nn.MaxPool2d((2, 1)),
            *block(c[2], c[3]), *block(c[3], c[3]), nn.MaxPool2d((2, 1)),
            *block(c[3], c[3], (2, 1), 0))
        # context along the line: a few characters either side
        self.context = nn.Sequential(*block(c[3], c[3], (1, 5), (0, 2)), *block(c[3], c[3], (1, 5), (0, 2)))
        self.classify = nn.Conv2d(c[3], len(ALPHABET) + 1, 1)

    frozen_norms = False  # a network trained further keeps its batch norms as they are

    def train(self, mode=True):
        super().train(mode)
        for m in self.modules() if self.frozen_norms else ():
            if isinstance(m, nn.BatchNorm2d):
                m.eval()
        return self

    def scores(self, x):
        """[N, steps, classes, 1]: with no reshape, so that the exported network reads any width."""
        f = self.features(x)
        f = f + self.context(f)
        return self.classify(f).permute(0, 3, 1, 2)

    def forward(self, x):
        return torch.log_softmax(self.scores(x), dim=2)


def augment(x, colours_only=False):
    """A batch (N x 3 x H x W, -1..1) made different each time it is seen: inks and shells of other
    colours, grey, and unless colours_only, other contrast and brightness, a little stretch, shear,
    tilt and shift, blur and noise. The crops are made once; this keeps the network from learning
    them by heart."""
    n = x.shape[0]
    pick = lambda p: (torch.rand(n) < p).view(n, 1, 1, 1)
    perms = torch.tensor([[0, 1, 2], [0, 2, 1], [1, 0, 2], [1, 2, 0], [2, 0, 1], [2, 1, 0]])
    x = torch.where(pick(0.3), x[torch.arange(n).view(n, 1), perms[torch.randint(6, (n,))]], x)
    x = torch.where(pick(0.15), x.mean(1, keepdim=True).expand_as(x), x)
    if colours_only:
        return x
    mean = x.mean((1, 2, 3), keepdim=True)
    x = (x - mean) * torch.empty(n, 1, 1, 1).uniform_(0.6, 1.3) + mean + torch.empty(n, 1, 1, 1).uniform_(-0.2, 0.2)
    # a small affine change of the whole crop, in the grid's -1..1 coordinates
    theta = torch.zeros(n, 2, 3)
    turn = torch.empty(n).uniform_(-0.04, 0.04)
    stretch = torch.empty(n).uniform_(0.9, 1.1)
    theta[:, 0, 0] = stretch * torch.cos(turn)
    theta[:, 0, 1] = torch.empty(n).uniform_(-0.15, 0.15) * H / W
    theta[:, 1, 0] = torch.sin(turn) * W / H
    theta[:, 1, 1] = torch.empty(n).uniform_(0.9, 1.1)
    theta[:, 0, 2] = torch.empty(n).uniform_(-0.02, 0.02) + stretch - 1  # the text stays at the left
    theta[:, 1, 2] = torch.empty(n).uniform_(-0.1, 0.1)
    some = torch.nonzero(torch.rand(n) < 0.5).view(-1)
    grid = nn.functional.affine_grid(theta[some], [len(some), *x.shape[1:]], align_corners=False)
    x[some] = nn.functional.grid_sample(x[some], grid, padding_mode="border", align_corners=False)
    sigma = float(torch.empty(1).uniform_(0.5, 1.2))
    k = torch.exp(-torch.arange(-2, 3).float() ** 2 / (2 * sigma * sigma))
    k = (k[:, None] * k[None, :]) / k.sum() ** 2
    some = torch.nonzero(torch.rand(n) < 0.25).view(-1)
    x[some] = nn.functional.conv2d(x[some], k.expand(3, 1, 5, 5).contiguous(), padding=2, groups=3)
    x = x + torch.randn_like(x) * torch.empty(n, 1, 1, 1).uniform_(0, 0.08) * pick(0.3)
    return x.clamp(-1, 1)


def to_tensor(images):
    return (torch.from_numpy(images).permute(0, 3, 1, 2).float() / 255 - 0.5) / 0.5


def greedy(logits):
    best = logits[..., 0].argmax(-1).numpy()
    texts = []
    for row in best:
        keep = [c for i, c in enumerate(row) if c and (i == 0 or c != row[i - 1])]
        texts.append("".join(ALPHABET[c - 1] for c in keep))
    return texts


def evaluate(model, images, labels, tiers):
    model.eval()
    with torch.no_grad():
        read = [t for i in range(0, len(images), 256) for t in greedy(model(to_tensor(images[i:i + 256])))]
    model.train()
    rows = {}
    for r, l, t in zip(read, labels, tiers):
        rows.setdefault(t if l else "no text", []).append(r == l)
        if l:  # gaps aside, as the code search reads them
            rows.setdefault("gaps aside", []).append(r.replace(" ", "") == l.replace(" ", ""))
    return {t: (float(np.mean(v)), len(v)) for t, v in rows.items()}


class PackedConv(nn.Module):
    """A convolution, with the batch norm after it folded in, its weights kept as 8-bit integers
    with a scale for each output channel: a quarter of the size, and log-probabilities within a
    few tenths of a nat of the float network's."""

    def __init__(self, conv, norm=None):
        super().__init__()
        w = conv.weight.detach().float()
        b = conv.bias.detach().float() if conv.bias is not None else torch.zeros(w.shape[0])
        if norm is not None:
            k = norm.weight.detach() / torch.sqrt(norm.running_var + norm.eps)
            w = w * k.view(-1, 1, 1, 1)
            b = (b - norm.running_mean) * k + norm.bias.detach()
        scale = w.abs().amax(dim=(1, 2, 3)).clamp(min=1e-12) / 127
        self.register_buffer("weight", torch.round(w / scale.view(-1, 1, 1, 1)).to(torch.int8))
        self.register_buffer("scale", scale.view(1, -1, 1, 1))
        self.register_buffer("bias", b.view(1, -1, 1, 1))
        self.padding = conv.padding

    def forward(self, x):
        # OpenCV folds no product of constants of different shapes: the scale follows the convolution
        return nn.functional.conv2d(x, self.weight.float(), None, padding=self.padding) * self.scale + self.bias


def packed(model):
    """The model as exported: every convolution and its batch norm one PackedConv."""
    model = copy.deepcopy(model).float().eval()
    for seq in (model.features, model.context):
        for i, m in enumerate(seq):
            if isinstance(m, nn.Conv2d):
                seq[i], seq[i + 1] = PackedConv(m, seq[i + 1]), nn.Identity()
    model.classify = PackedConv(model.classify)
    return model


def unpacked_onnx(path):
    """A model with the weights of an export (float, or 8-bit as export() writes it), read back
    through OpenCV: its batch norms are folded into the convolutions, so here they stay neutral."""
    net = cv2.dnn.readNetFromONNX(path)
    layers = [net.getLayer(net.getLayerId(name)) for name in net.getLayerNames()]
    blobs = []  # weight and bias of each convolution, its 8-bit scale and bias applied
    for layer in layers:
        if layer.type == "Convolution":
            w = layer.blobs[0]
            blobs.append([w, layer.blobs[1] if len(layer.blobs) > 1 else np.zeros(w.shape[0], np.float32)])
        elif layer.type == "Scale" and blobs and len(layer.blobs) == 1:
            k = layer.blobs[0].reshape(-1)
            if "Mul" in layer.name:
                blobs[-1] = [blobs[-1][0] * k.reshape(-1, 1, 1, 1), blobs[-1][1] * k]
            else:
                blobs[-1][1] = blobs[-1][1] + k
    model = Reader().eval()
    convs = [m for m in model.modules() if isinstance(m, nn.Conv2d)]
    norms = [m for m in model.modules() if isinstance(m, nn.BatchNorm2d)] + [None]
    assert len(blobs) == len(convs), "not a network of this script"
    with torch.no_grad():
        for conv, norm, (w, b) in zip(convs, norms, blobs):
            conv.weight.copy_(torch.from_numpy(np.ascontiguousarray(w, np.float32)))
            if norm is None:
                conv.bias.copy_(torch.from_numpy(b.reshape(-1)))
                continue
            norm.weight.fill_(1)
            norm.bias.copy_(torch.from_numpy(b.reshape(-1)))
            norm.running_mean.zero_()
            norm.running_var.fill_(1 - norm.eps)
    return model


def export(model, path, probe):
    model.eval()
    small = packed(model)
    torch.onnx.export(small, probe, path, input_names=["image"], output_names=["logits"], opset_version=11,
                      do_constant_folding=False,  # the weights stay 8-bit in the file
                      dynamic_axes={"image": {3: "width"}, "logits": {1: "steps"}})
    net = cv2.dnn.readNetFromONNX(path)
    diff = 0.0
    for width in (W, W // 2):  # a line is read at its own width
        part = probe[..., :width].contiguous()
        net.setInput(part.numpy())
        diff = max(diff, np.abs(net.forward() - small(part).detach().numpy()).max())
    out = small(probe).detach().numpy()
    loss = np.abs(out - model(probe).detach().numpy()).max()
    print("export: %s, %.2f MB, OpenCV and torch differ by at most %.2g, 8-bit and float weights by %.2g" % (
        path, os.path.getsize(path) / 1e6, diff, loss))
    assert diff < 1e-3


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--seed", type=int, default=1000)
    ap.add_argument("--photos", type=int, default=16000)
    ap.add_argument("--jitters", type=int, default=2, help="crops per printed line")
    ap.add_argument("--steps", type=int, default=22000)
    ap.add_argument("--precision", choices=("bf16", "fp32"), default="bf16",
                    help="of the convolutions while training (bf16 is 2.5 times faster where the CPU has AVX512-BF16)")
    ap.add_argument("--augment", nargs="?", const="all", choices=("all", "colours"),
                    help="vary colours, contrast, shape, blur and noise of each batch (reads more lines, "
                         "but less surely: see docs/reader-history.md), or its colours only")
    ap.add_argument("--like-widths", action="store_true",
                    help="draw each batch from crops of like width and cut its input short: 1.7 times "
                         "as many steps an hour (more lines read, but more of the mistakes sure: "
                         "see docs/reader-history.md)")
    ap.add_argument("--dots-apart", action="store_true",
                    help="photos with some dot stamps' dots apart (gen-stamps.py --dots-apart), the validation's "
                         "and the finder's too")
    ap.add_argument("--batch", type=int, default=32)
    ap.add_argument("--val-photos", type=int, default=600)
    ap.add_argument("--out", default=os.path.join(ROOT, "data", "reader.onnx"))
    ap.add_argument("--finder", metavar="BENCH_READ",
                    help="the built bench_read (build/bin/bench_read), to train on its stamp finder's cuts too")
    ap.add_argument("--finder-photos", type=int, default=6000,
                    help="photos whose finder cuts are trained on, with --finder")
    ap.add_argument("--init", metavar="ONNX", help="train further an earlier export (batch norms kept as they are)")
    ap.add_argument("--lr", type=float, default=3e-3, help="the highest learning rate")
    ap.add_argument("--pack", metavar="FLOAT.onnx",
                    help="train nothing: write the network of an earlier float export with 8-bit weights")
    args = ap.parse_args()
    if args.pack:
        torch.manual_seed(args.seed)
        export(unpacked_onnx(args.pack), args.out, torch.rand(1, 3, H, W) * 2 - 1)
        return
    gen.keep_freed_memory()
    torch.set_num_threads(2)
    torch.manual_seed(args.seed)
    start = time.time()
    train = make_set(args.seed, args.photos, args.jitters, 1.0, True, args.dots_apart)
    val = make_set(500, args.val_photos, 1, 0.5, False, args.dots_apart)
    if args.finder:
        train = joined(train, make_finder_set(args.seed, args.finder_photos, args.jitters, args.finder,
                                              args.dots_apart))
        val = joined(val, make_finder_set(500, args.val_photos // 2, 1, args.finder, args.dots_apart))
    images, labels, _, widths = train
    val = val[:3]
    print("data: %d training crops, %d validation crops, %.0f s" % (len(labels), len(val[1]), time.time() - start))

    model = unpacked_onnx(args.init) if args.init else Reader()
    model.frozen_norms = bool(args.init)
    model = model.train().to(memory_format=torch.channels_last)
    print("parameters: %d" % sum(p.numel() for p in model.parameters()))
    opt = torch.optim.AdamW(model.parameters(), lr=args.lr, weight_decay=1e-4)
    sched = torch.optim.lr_scheduler.OneCycleLR(opt, max_lr=args.lr, total_steps=args.steps, pct_start=0.15)
    ctc = nn.CTCLoss(blank=0, zero_infinity=True)
    targets = [torch.tensor([ALPHABET.index(c) + 1 for c in l], dtype=torch.long) for l in labels]
    best = 0.0
    for step, (idx, width) in enumerate(batches(widths, args.steps, args.batch, args.seed, args.like_widths)):
        x = to_tensor(images[idx, :, :width])
        if args.augment:
            x = augment(x, args.augment == "colours")
        x = x.contiguous(memory_format=torch.channels_last)
        with torch.autocast("cpu", dtype=torch.bfloat16, enabled=args.precision == "bf16"):
            scores = model.scores(x)
        logp = torch.log_softmax(scores.float(), dim=2)[..., 0].permute(1, 0, 2)
        tgt = [targets[i] for i in idx]
        loss = ctc(logp, torch.cat(tgt), torch.full((len(idx),), logp.shape[0], dtype=torch.long),
                   torch.tensor([len(t) for t in tgt], dtype=torch.long))
        opt.zero_grad()
        loss.backward()
        opt.step()
        sched.step()
        # the best model comes in the last third, as the learning rate falls; before it, an
        # evaluation (as long as some 200 steps) every 4,000 shows the progress and keeps an export
        if (step + 1) % (1000 if 3 * (step + 1) > 2 * args.steps else 4000) == 0 or step + 1 == args.steps:
            figures = evaluate(model, *val)
            lines = [v for t, v in figures.items() if t.split()[-1] in TIERS]
            accuracy = sum(a * n for a, n in lines) / sum(n for _, n in lines)
            print("step %d, loss %.3f, validation line accuracy %.3f (%s), %.0f s" % (
                step + 1, loss.item(), accuracy,
                ", ".join("%s %.3f of %d" % (t, a, n) for t, (a, n) in sorted(figures.items())),
                time.time() - start), flush=True)
            if accuracy >= best:  # a usable model at every stage of a long run
                best = accuracy
                export(model, args.out, to_tensor(val[0][:1]))
                model.train()
    print("total %.0f s" % (time.time() - start))


CODES = gen.load_codes()

if __name__ == "__main__":
    main()
