#!/usr/bin/env python3
"""Build the saver's pictures from the text art in art/.

    python3 tools/artgen.py --art art --out OUTDIR

Writes one palette-indexed BMP per bitmap resource, the application icon
(mochipote.ico), the pointer (pointer.cur) and a contact sheet
(contact-sheet.png) for eyeballing everything at once.

Only the Python standard library is used.  Output is byte-for-byte
deterministic.  Any problem with an art file stops the build with a message
naming the file and line.
"""

import argparse
import math
import os
import struct
import sys
import zlib

# --------------------------------------------------------------------------
# What we build

KEY = (0, 0, 255)        # transparent key of the character frames
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREEN = (0, 255, 0)
DIM_GREEN = (0, 128, 0)

FRAMES = (["000", "102", "103", "104"]
          + ["%03d" % n for n in range(202, 221)]
          + ["302", "402", "403"])

SEQUENCES = [
    ["000", "102", "103", "104", "000"],
    ["000"] + ["%03d" % n for n in range(202, 221)] + ["000"],
    ["000", "302", "000"],
    ["000", "402", "000", "403", "000"],
]

CLOCK_DIGITS = ["IDB_BITMAP_CLOCK_N_%d" % d for d in range(10)]
CLOCK_NARROW = ["IDB_BITMAP_CLOCK_D_0", "IDB_BITMAP_CLOCK_D_1",
                "IDB_BITMAP_CLOCK_AM", "IDB_BITMAP_CLOCK_PM"]
CLOCK_EDGES = ["IDB_BITMAP_CLOCK_L", "IDB_BITMAP_CLOCK_R"]
STARS = ["IDB_BITMAP_STAR_00", "IDB_BITMAP_STAR_01", "IDB_BITMAP_STAR_02"]


def bitmap_table():
    """Resource name -> (width, height, bits per pixel)."""
    t = {}
    for f in FRAMES:
        t["IDB_BITMAP_TOKOPI_" + f] = (40, 40, 8)
    t["IDB_BITMAP_STAR_00"] = (40, 40, 4)
    t["IDB_BITMAP_STAR_01"] = (40, 40, 8)
    t["IDB_BITMAP_STAR_02"] = (40, 40, 4)
    t["IDB_BITMAP_MOON"] = (64, 64, 8)
    for n in CLOCK_EDGES:
        t[n] = (2, 32, 8)
    for n in CLOCK_NARROW:
        t[n] = (16, 32, 4)
    for n in CLOCK_DIGITS:
        t[n] = (32, 32, 4)
    return t


# Icon images, in the order they appear in the .ico directory.
ICON_IMAGES = [("icon_32x32_4bpp", 32, 4),
               ("icon_16x16_4bpp", 16, 4),
               ("icon_32x32_8bpp", 32, 8)]
CURSOR_IMAGE = ("pointer_32x32_8bpp", 32, 8)
CURSOR_HOTSPOT = (0, 0)

ICON_FILE = "mochipote.ico"
CURSOR_FILE = "pointer.cur"
SHEET_FILE = "contact-sheet.png"


# --------------------------------------------------------------------------
# Art files

class ArtError(Exception):
    pass


class Art:
    def __init__(self, name, path, width, height, bpp, legend, rows):
        self.name = name
        self.path = path
        self.width = width
        self.height = height
        self.bpp = bpp
        self.legend = legend        # list of (char, (r,g,b) or None)
        self.rows = rows            # list of str

    def colour_of(self):
        return {c: rgb for c, rgb in self.legend}

    def index_of(self):
        return {c: i for i, (c, _) in enumerate(self.legend)}

    def rgb_rows(self, transparent=BLACK):
        cmap = self.colour_of()
        return [[cmap[c] if cmap[c] is not None else transparent for c in row]
                for row in self.rows]

    def used_colours(self):
        cmap = self.colour_of()
        return {cmap[c] for row in self.rows for c in row}


def _parse_colour(tok, where):
    if tok == "none":
        return None
    if len(tok) == 7 and tok[0] == "#":
        try:
            v = int(tok[1:], 16)
        except ValueError:
            v = None
        if v is not None:
            return ((v >> 16) & 255, (v >> 8) & 255, v & 255)
    raise ArtError("%s: bad colour %r (want #rrggbb or none)" % (where, tok))


def parse_art(path):
    name = os.path.splitext(os.path.basename(path))[0]
    try:
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        if lines and lines[-1] == "":
            lines.pop()                     # the final newline ends no row
    except (OSError, UnicodeDecodeError) as e:
        raise ArtError("%s: cannot read: %s" % (path, e))

    width = height = bpp = None
    legend = []
    rows = []
    section = "header"
    grid_line = None
    for n, raw in enumerate(lines, 1):
        where = "%s:%d" % (path, n)
        line = raw.rstrip("\r")
        if section == "pixels":
            if len(rows) < height:
                if grid_line is None:
                    grid_line = n
                rows.append(line.rstrip())
                continue
            if line.strip():
                raise ArtError("%s: text after the last pixel row" % where)
            continue
        s = line.strip()
        if not s or s.startswith("#"):
            continue
        words = s.split()
        if section == "header":
            if words[0] == "size" and len(words) == 2:
                try:
                    w, h = words[1].lower().split("x")
                    width, height = int(w), int(h)
                except ValueError:
                    raise ArtError("%s: bad size %r (want WxH)" % (where, words[1]))
                if not (0 < width <= 256 and 0 < height <= 256):
                    raise ArtError("%s: size out of range" % where)
            elif words[0] == "bpp" and len(words) == 2:
                if words[1] not in ("4", "8"):
                    raise ArtError("%s: bpp must be 4 or 8" % where)
                bpp = int(words[1])
            elif s == "palette":
                section = "palette"
            else:
                raise ArtError("%s: unexpected line %r" % (where, s))
        elif section == "palette":
            if s == "pixels":
                if width is None or bpp is None:
                    raise ArtError("%s: 'size' and 'bpp' must come before the pixels" % where)
                if not legend:
                    raise ArtError("%s: empty palette" % where)
                section = "pixels"
                continue
            if len(words) < 2 or len(words[0]) != 1:
                raise ArtError("%s: palette lines are 'CHAR COLOUR [note]'" % where)
            ch, rgb = words[0], _parse_colour(words[1], where)
            if any(ch == c for c, _ in legend):
                raise ArtError("%s: palette character %r listed twice" % (where, ch))
            if rgb is not None and any(rgb == v for _, v in legend):
                raise ArtError("%s: colour %s listed twice" % (where, words[1]))
            if rgb is None and any(v is None for _, v in legend):
                raise ArtError("%s: only one transparent entry allowed" % where)
            legend.append((ch, rgb))

    if section != "pixels":
        raise ArtError("%s: no 'pixels' section" % path)
    if len(rows) < height:
        raise ArtError("%s: %d pixel rows, expected %d" % (path, len(rows), height))
    if len(legend) > (1 << bpp):
        raise ArtError("%s: %d palette entries do not fit in %d bpp (max %d)"
                       % (path, len(legend), bpp, 1 << bpp))
    known = {c for c, _ in legend}
    for i, row in enumerate(rows):
        where = "%s:%d" % (path, grid_line + i)
        if len(row) != width:
            raise ArtError("%s: row is %d pixels wide, expected %d" % (where, len(row), width))
        for x, c in enumerate(row):
            if c not in known:
                raise ArtError("%s: column %d: unknown palette character %r" % (where, x + 1, c))
    return Art(name, path, width, height, bpp, legend, rows)


def expect_shape(art, w, h, bpp):
    if (art.width, art.height) != (w, h):
        raise ArtError("%s: is %dx%d, must be %dx%d" % (art.path, art.width, art.height, w, h))
    if art.bpp != bpp:
        raise ArtError("%s: is %d bpp, must be %d bpp" % (art.path, art.bpp, bpp))


def check_bitmap_rules(art, frame_legend):
    """Rules the screen saver relies on when it draws these pictures."""
    name, p = art.name, art.path
    if any(rgb is None for _, rgb in art.legend):
        raise ArtError("%s: bitmaps cannot have a transparent ('none') entry" % p)
    px = art.rgb_rows()
    w, h = art.width, art.height

    if name.startswith("IDB_BITMAP_TOKOPI_"):
        if [c for c, _ in art.legend] != [c for c, _ in frame_legend] or \
                art.legend != frame_legend:
            raise ArtError("%s: palette differs from IDB_BITMAP_TOKOPI_000's; "
                           "all frames share one palette" % p)
        if art.legend[0][1] != KEY:
            raise ArtError("%s: palette entry 0 must be the key colour #0000ff" % p)
        ring = [px[0][x] for x in range(w)] + [px[h - 1][x] for x in range(w)] \
            + [px[y][0] for y in range(h)] + [px[y][w - 1] for y in range(h)]
        if any(c != KEY for c in ring):
            raise ArtError("%s: the outermost pixel ring must be background" % p)
        if art.used_colours() == {KEY}:
            raise ArtError("%s: frame is empty" % p)
    elif name.startswith("IDB_BITMAP_STAR_"):
        # The saver ORs a colour with every channel at least 0x80 into the
        # star, so a grey below that lightens the tint and black keeps it.
        extra = {c for c in art.used_colours() - {WHITE}
                 if not (c[0] == c[1] == c[2] and c[0] < 0x80)}
        if extra:
            raise ArtError("%s: stars use #ffffff (clear), black and greys below #808080" % p)
        for y in range(h):
            for x in range(w):
                if (x in (0, w - 1) or y in (0, h - 1)) and px[y][x] != WHITE:
                    raise ArtError("%s: pixel (%d,%d): the outermost ring of a star is "
                                   "white (the tint does not reach it)" % (p, x, y))
    elif name == "IDB_BITMAP_MOON":
        c = w / 2.0
        for y in range(h):
            for x in range(w):
                d = math.hypot(x + 0.5 - c, y + 0.5 - c)
                if d > c + 0.5 and px[y][x] != BLACK:
                    raise ArtError("%s: pixel (%d,%d) outside the disc must be black" % (p, x, y))
                if d < c - 1.0 and px[y][x] == BLACK:
                    raise ArtError("%s: pixel (%d,%d) inside the disc must not be black" % (p, x, y))
    elif name in CLOCK_EDGES:
        if art.used_colours() != {KEY}:
            raise ArtError("%s: edge tiles are all #0000ff" % p)
    elif name.startswith("IDB_BITMAP_CLOCK_"):
        for y in range(h):
            for x in range(w):
                if y in (0, 1, h - 2, h - 1):
                    if px[y][x] != KEY:
                        raise ArtError("%s: rows 0-1 and %d-%d must be #0000ff" % (p, h - 2, h - 1))
                elif px[y][x] not in (BLACK, GREEN, DIM_GREEN):
                    raise ArtError("%s: pixel (%d,%d): clock face is black, #00ff00 or #008000"
                                   % (p, x, y))


# --------------------------------------------------------------------------
# Writers

def _palette_bytes(art, bpp):
    pal = bytearray()
    for _, rgb in art.legend:
        r, g, b = rgb if rgb is not None else BLACK
        pal += bytes((b, g, r, 0))
    pal += bytes(4 * ((1 << bpp) - len(art.legend)))
    return bytes(pal)


def _pixel_bits(art, bpp, transparent_index=0):
    """Bottom-up, 4-byte aligned rows of palette indices."""
    idx = art.index_of()
    cmap = art.colour_of()
    stride = ((art.width * bpp + 31) // 32) * 4
    out = bytearray()
    for row in reversed(art.rows):
        line = bytearray(stride)
        for x, c in enumerate(row):
            i = idx[c]
            if cmap[c] is None:
                i = transparent_index
            if bpp == 8:
                line[x] = i
            else:
                line[x >> 1] |= (i << 4) if x % 2 == 0 else i
        out += line
    return bytes(out)


def _mask_bits(art):
    """AND mask: 1 where the pixel is transparent; bottom-up, 4-byte rows."""
    cmap = art.colour_of()
    stride = ((art.width + 31) // 32) * 4
    out = bytearray()
    for row in reversed(art.rows):
        line = bytearray(stride)
        for x, c in enumerate(row):
            if cmap[c] is None:
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return bytes(out)


def _info_header(w, h, bpp, image_size, colours_used):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, image_size,
                       2835, 2835, colours_used, 0)


def bmp_bytes(art):
    bits = _pixel_bits(art, art.bpp)
    pal = _palette_bytes(art, art.bpp)
    off = 14 + 40 + len(pal)
    head = struct.pack("<2sIHHI", b"BM", off + len(bits), 0, 0, off)
    return head + _info_header(art.width, art.height, art.bpp, len(bits), 1 << art.bpp) + pal + bits


def _icon_dib(art):
    # Transparent pixels point at the 'none' slot, written as black, and are
    # set in the AND mask.
    tindex = [i for i, (_, rgb) in enumerate(art.legend) if rgb is None][0]
    xor = _pixel_bits(art, art.bpp, tindex)
    andm = _mask_bits(art)
    pal = _palette_bytes(art, art.bpp)
    head = _info_header(art.width, art.height * 2, art.bpp, len(xor) + len(andm), 0)
    return head + pal + xor + andm


def ico_bytes(images, kind=1, hotspot=None):
    dibs = [_icon_dib(a) for a in images]
    out = struct.pack("<HHH", 0, kind, len(images))
    off = 6 + 16 * len(images)
    for a, dib in zip(images, dibs):
        w = a.width % 256
        h = a.height % 256
        if kind == 1:
            colours = (1 << a.bpp) if a.bpp < 8 else 0
            out += struct.pack("<BBBBHHII", w, h, colours, 0, 1, a.bpp, len(dib), off)
        else:
            out += struct.pack("<BBBBHHII", w, h, 0, 0, hotspot[0], hotspot[1], len(dib), off)
        off += len(dib)
    return out + b"".join(dibs)


def png_bytes(width, height, rgb_rows):
    def chunk(tag, data):
        return (struct.pack(">I", len(data)) + tag + data
                + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))
    raw = bytearray()
    for row in rgb_rows:
        raw.append(0)
        raw += row
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


# --------------------------------------------------------------------------
# Contact sheet

SCALE = 4
GAP = 8           # between cells, in sheet pixels
MARGIN = 12
STAR_INK = (255, 236, 150)


def sheet_png(arts):
    def frame(code):
        a = arts["IDB_BITMAP_TOKOPI_" + code]
        return [[BLACK if c == KEY else c for c in row] for row in a.rgb_rows()]

    def star(name):     # as the saver shows it: the tint ORed in, white clear
        return [[BLACK if c == WHITE else tuple(c[i] | STAR_INK[i] for i in range(3))
                 for c in row] for row in arts[name].rgb_rows()]

    rows = [[frame(c) for c in seq] for seq in SEQUENCES]
    last = [star(n) for n in STARS]
    last.append(arts["IDB_BITMAP_MOON"].rgb_rows())
    for n in (["IDB_BITMAP_CLOCK_L"] + CLOCK_DIGITS + CLOCK_NARROW + ["IDB_BITMAP_CLOCK_R"]):
        last.append(arts[n].rgb_rows())
    # the icon's three images and the pointer, transparent shown as black
    for n, _, _ in ICON_IMAGES + [CURSOR_IMAGE]:
        last.append(arts[n].rgb_rows())
    rows.append(last)

    def row_w(cells):
        return sum(len(c[0]) * SCALE for c in cells) + GAP * (len(cells) - 1)

    def row_h(cells):
        return max(len(c) for c in cells) * SCALE

    W = MARGIN * 2 + max(row_w(r) for r in rows)
    H = MARGIN * 2 + sum(row_h(r) for r in rows) + GAP * 2 * (len(rows) - 1)
    canvas = [bytearray(W * 3) for _ in range(H)]
    y0 = MARGIN
    for cells in rows:
        x0 = MARGIN
        for cell in cells:
            for y, line in enumerate(cell):
                packed = bytearray()
                for rgb in line:
                    packed += bytes(rgb) * SCALE
                for k in range(SCALE):
                    canvas[y0 + y * SCALE + k][x0 * 3:x0 * 3 + len(packed)] = packed
            x0 += len(cell[0]) * SCALE + GAP
        y0 += row_h(cells) + GAP * 2
    return png_bytes(W, H, canvas)


# --------------------------------------------------------------------------

def load_all(art_dir):
    table = bitmap_table()
    wanted = dict(table)
    for n, size, bpp in ICON_IMAGES + [CURSOR_IMAGE]:
        wanted[n] = (size, size, bpp)
    try:
        files = sorted(f for f in os.listdir(art_dir) if f.endswith(".txt"))
    except OSError as e:
        raise ArtError("%s: cannot list art directory: %s" % (art_dir, e))
    present = {os.path.splitext(f)[0] for f in files}
    missing = sorted(set(wanted) - present)
    if missing:
        raise ArtError("%s: missing art: %s" % (art_dir, ", ".join(m + ".txt" for m in missing)))
    stray = sorted(present - set(wanted))
    if stray:
        raise ArtError("%s: unknown art files (typo?): %s"
                       % (art_dir, ", ".join(s + ".txt" for s in stray)))
    arts = {}
    for n in sorted(wanted):
        a = parse_art(os.path.join(art_dir, n + ".txt"))
        expect_shape(a, *wanted[n])
        arts[n] = a
    frame_legend = arts["IDB_BITMAP_TOKOPI_000"].legend
    for n in sorted(table):
        check_bitmap_rules(arts[n], frame_legend)
    cur = arts[CURSOR_IMAGE[0]]
    hx, hy = CURSOR_HOTSPOT
    if cur.colour_of()[cur.rows[hy][hx]] is None:
        raise ArtError("%s: the hot spot pixel (%d,%d) must be drawn" % (cur.path, hx, hy))
    for n, _, _ in ICON_IMAGES + [CURSOR_IMAGE]:
        a = arts[n]
        if not any(rgb is None for _, rgb in a.legend):
            raise ArtError("%s: needs a 'none' (transparent) palette entry" % a.path)
    return arts, table


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--art", required=True, help="directory of .txt art")
    ap.add_argument("--out", required=True, help="output directory")
    args = ap.parse_args(argv)
    try:
        arts, table = load_all(args.art)
        os.makedirs(args.out, exist_ok=True)
        for n in sorted(table):
            write(os.path.join(args.out, n + ".bmp"), bmp_bytes(arts[n]))
        write(os.path.join(args.out, ICON_FILE),
              ico_bytes([arts[n] for n, _, _ in ICON_IMAGES], kind=1))
        write(os.path.join(args.out, CURSOR_FILE),
              ico_bytes([arts[CURSOR_IMAGE[0]]], kind=2, hotspot=CURSOR_HOTSPOT))
        write(os.path.join(args.out, SHEET_FILE), sheet_png(arts))
    except ArtError as e:
        sys.stderr.write("artgen: error: %s\n" % e)
        return 1
    except OSError as e:
        sys.stderr.write("artgen: error: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
