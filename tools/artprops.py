#!/usr/bin/env python3
"""The saver's props: the shooting star, the moon, the clock tiles and the
pointer.  tools/artcompose.py writes them beside the character through
emit_props() and pointer(); they share nothing with the character but the
output format.
"""

import math


class Canvas:
    def __init__(self, w, h, fill="."):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def get(self, x, y):
        if 0 <= x < self.w and 0 <= y < self.h:
            return self.px[y][x]
        return None

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def stamp(self, x0, y0, rows):
        """Draw a text stamp; spaces are see-through."""
        for dy, row in enumerate(rows):
            for dx, c in enumerate(row):
                if c != " ":
                    self.put(x0 + dx, y0 + dy, c)

    def lines(self):
        return ["".join(r) for r in self.px]


def polygon(pts):
    def inside(x, y):
        hit = False
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def star_points(cx, cy, outer, inner, tip_deg):
    """Five-pointed star; tip_deg is the direction of one point
    (0 = right, 90 = down, screen coordinates).  outer may be a list of
    five radii, starting with that point."""
    if not isinstance(outer, (list, tuple)):
        outer = [outer] * 5
    pts = []
    for k in range(10):
        a = math.radians(tip_deg + 36 * k)
        r = outer[k // 2] if k % 2 == 0 else inner
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


# --------------------------------------------------------------------------
# Pointer: a small star on a long wand, the star's upper-left point on (0, 0)

POINTER_PALETTE = [
    ("_", "none", "transparent"),
    ("o", "#4a2a22", "outline"),
    ("y", "#ffd23c", "star"),
    ("Y", "#fff3a6", "star light"),
    ("k", "#f0a830", "star shade"),
    ("c", "#fcecd2", "wand"),
    ("C", "#dcae7c", "wand shade"),
    ("p", "#ff97a8", "wand band"),
]


def pointer():
    """A five-pointed star on a thin wand, both mirrored about the diagonal
    through the hot spot: one point of the star aims at (0, 0) and the wand
    leaves from the notch opposite it.  A one-pixel outline on the outside
    only (4-way), so the diagonal edges step cleanly instead of clumping."""
    size = 32
    # a small star, about 12 pixels across, on a long wand: the star marks
    # the spot without hiding the link under it
    outer, inner = 6.4, 2.7
    c = 0.891 * outer + 0.9          # the two points beside the leading one clear the edge
    # the leading point a touch longer: drawn on the diagonal it would
    # otherwise look the shortest of the five
    star = polygon(star_points(c, c, [outer + 1.0] + [outer] * 4, inner, 225))
    wand_from, wand_to = 2 * c + 2.0, 2 * c + 29.0     # along x + y

    def in_star(x, y):
        return star(x + 0.5, y + 0.5) and star(y + 0.5, x + 0.5)

    def in_wand(x, y):
        s = x + y + 1.0
        return abs(x - y) <= 1 and wand_from <= s <= wand_to and \
            not (s > wand_to - 1.5 and abs(x - y) == 1)

    def filled(x, y):
        return 0 <= x < size and 0 <= y < size and (in_star(x, y) or in_wand(x, y))

    cv = Canvas(size, size, "_")
    for y in range(size):
        for x in range(size):
            if in_star(x, y):
                # bevel: the facets facing the upper left catch the light
                dx, dy = x + 0.5 - c, y + 0.5 - c
                along = (dx + dy) / math.sqrt(2.0)        # towards the wand
                if math.hypot(dx, dy) < 1.6:
                    cv.put(x, y, "Y")
                elif along < -1.0:
                    cv.put(x, y, "Y" if abs(dx - dy) < 2.2 * (-along) / 3.0 else "y")
                elif along < 2.5:
                    cv.put(x, y, "y")
                else:
                    cv.put(x, y, "k")
            elif in_wand(x, y):
                s = (x + y + 1.0) / 2.0
                if 2 * c / 2.0 + 5.0 <= s <= 2 * c / 2.0 + 6.0:
                    cv.put(x, y, "p")          # a ribbon just under the star
                else:
                    cv.put(x, y, "c" if x - y <= 0 else "C")
            elif any(filled(x + i, y + j) for i, j in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                cv.put(x, y, "o")
    cv.put(0, 0, "o")               # the hot spot, crisp on any background
    return cv.lines()


# --------------------------------------------------------------------------
# Shooting star (white = clear, everything else takes the tint)

# The saver ORs a colour with every channel 0x80-0xff into each pixel that is
# not white.  K (black) shows the tint itself, L (#606060) a paler tint, C
# (#7f7f7f) white whatever the tint.  #606060 sets bits 5 and 6, the tint's
# own bits below 0x20 keep it apart from white and those above keep it apart
# from the tint: on about 97 % of the colours both edges stay visible, where
# #404040 lost the lit facets under any channel at 0xc0 or above.
STAR_PALETTE = [("W", "#ffffff", "clear (key)"), ("K", "#000000", "star: the tint"),
                ("L", "#606060", "lit facets, streak core: the tint, paler"),
                ("C", "#7f7f7f", "glint: white")]

# Drawn by hand.  A bevelled star lit from the upper left: each arm is split
# along its ridge into a lit and a shaded facet, with a white glint where the
# ridges meet.
STAR_HEAD = [
    "       L       ",
    "       L       ",
    "      LLK      ",
    "      LLK      ",
    "     LLCKK     ",
    "LLLLLLCCCLLLLLL",
    " KKLLLLCKLLLKK ",
    "   KKKLKKKKK   ",
    "    KKLKKKK    ",
    "    LLKKKKK    ",
    "   LLLKKKKKK   ",
    "   LLKK KKKK   ",
    "  LLK     KKK  ",
    "  LL       KK  ",
    " L           K ",
]

# The same star further on: smaller and turned a little towards its fall.
STAR_TURNED = [
    "    L        ",
    "    LK       ",
    "    LKK    L ",
    "    LLK  LL  ",
    "    LLKLLKK  ",
    "  LLLLCLKK   ",
    "LKKKKCCCKK   ",
    "   KKLCKKK   ",
    "    LLKKKKK  ",
    "    LLK KKK  ",
    "    LK     K ",
    "    L        ",
    "    L        ",
]

# A four-point twinkle, white, that flashes beside the star as it falls.
TWINKLE = [
    "  C  ",
    "  C  ",
    "CC CC",
    "  C  ",
    "  C  ",
]


def diagonal_streak(cv, x, y, widths):
    """A streak up and to the right from (x, y): widths[n] says what step n
    of the diagonal holds: 2 = the core line in L beside a K line, 1 = one K
    pixel, 0 = a gap."""
    for n, w in enumerate(widths):
        px, py = x + n, y - n
        if w == 2:
            cv.put(px, py, "L")
            cv.put(px + 1, py, "K")
        elif w == 1:
            cv.put(px, py, "K")


def shooting_star(head, hx, hy, streaks, twinkle=None):
    """The star (stamp head with its top-left at hx, hy) falling to the lower
    left; streaks: (x, y, widths) drawn first, behind the head; twinkle: the
    top-left corner of a TWINKLE beside it, or None."""
    cv = Canvas(40, 40, "W")
    for x, y, widths in streaks:
        diagonal_streak(cv, x, y, widths)
    cv.stamp(hx, hy, head)
    if twinkle:
        cv.stamp(twinkle[0], twinkle[1], TWINKLE)
    for y in range(40):             # the blit keeps the outermost ring untinted
        for x in range(40):
            if x in (0, 39) or y in (0, 39):
                assert cv.get(x, y) == "W", (x, y)
    return cv.lines()


def star_frames():
    first = shooting_star(STAR_HEAD, 21, 4, [(29, 9, [2] * 5 + [1] * 4)])
    second = shooting_star(STAR_TURNED, 9, 20, [
        (16, 23, [2] * 8 + [1] * 15),        # the trail, from the notch, tapering
        (13, 20, [0] * 4 + [1] * 5),         # two short wakes beside it
        (19, 26, [0] * 4 + [1] * 4)], twinkle=(8, 15))
    return first, second


# --------------------------------------------------------------------------
# Moon: a full moon in the character's flat, hand-shaded style.  Six tones:
# two for the anti-aliased edge against the black sky, a rim one step darker
# than the face, the face, and two for the seas, which draw the rabbit that
# pounds mochi in the moon (facing right, mallet raised over the mortar).

MOON_PALETTE = [
    (".", "#000000", "sky (key)"),
    ("a", "#5f574b", "edge, a third covered"),
    ("b", "#a89c84", "edge, two thirds covered"),
    ("R", "#dccfae", "rim and the seas' shores"),
    ("F", "#f4ecd3", "face"),
    ("H", "#fffaec", "bright craters"),
    ("S", "#c4b393", "seas"),
]


def _ellipse(cx, cy, rx, ry, deg=0.0):
    ca, sa = math.cos(math.radians(deg)), math.sin(math.radians(deg))

    def f(x, y):
        u = (x - cx) * ca + (y - cy) * sa
        v = -(x - cx) * sa + (y - cy) * ca
        return (u / rx) ** 2 + (v / ry) ** 2
    return f


def _capsule(x0, y0, x1, y1, r):
    dx, dy = x1 - x0, y1 - y0
    ll = dx * dx + dy * dy

    def f(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / ll))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return (px * px + py * py) / (r * r)
    return f


def _polygon(pts):
    inside = polygon(pts)
    return lambda x, y: 0.0 if inside(x, y) else 9.0


# Each shape: f(x, y) <= 1 inside; the seas are their union.
RABBIT = [
    _ellipse(23, 40, 8.0, 9.5, -10),                    # body
    _ellipse(28, 28, 5.6, 5.0, -15),                    # head
    _ellipse(22, 17, 2.2, 7.5, -28),                    # far ear
    _ellipse(27, 16, 2.4, 8.0, -12),                    # near ear
    _ellipse(18, 48, 5.0, 3.0),                         # haunch
    _capsule(28, 36, 33, 33, 1.5),                      # paws on the handle
    _capsule(30, 38, 38, 21, 1.4),                      # mallet handle, raised
    _capsule(34, 18.5, 43, 22.5, 2.4),                  # mallet head, across it
    _polygon([(38, 44), (53, 44), (52, 50.5), (53, 57), (38, 57), (39, 50.5)]),  # mortar
    _ellipse(45.5, 44, 6.5, 3.2),                       # mochi heaped in it
    _ellipse(51, 29, 3.6, 2.8, 20),                     # a small round sea
]
EYE = (30, 26)
# Small craters in the highlands: a shaded lip on the upper left, a lit one on
# the lower right (top-left corners of the stamp).
CRATER = ["RR ",
          "RFH",
          " HH"]
CRATERS = [(10, 26), (44, 8), (29, 57), (55, 40), (12, 50)]
SEA_CORE = 0.72        # inside this the sea's own tone, out to 1.0 its shore


def moon():
    n, c = 64, 32.0
    rows = []
    for y in range(n):
        row = ""
        for x in range(n):
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - c, py - c)
            cover = max(0.0, min(1.0, c - d + 0.5))
            sea = min(f(px, py) for f in RABBIT)
            if cover < 0.15:
                row += "."
            elif cover < 0.5:
                row += "a"
            elif cover < 0.9:
                row += "b"
            elif (x, y) == EYE:
                row += "R"
            elif sea <= SEA_CORE:
                row += "S"
            elif sea <= 1.0 or d > c - 2.0:
                row += "R"
            else:
                row += "F"
        rows.append(row)
    for cx, cy in CRATERS:
        for dy, line in enumerate(CRATER):
            for dx, ch in enumerate(line):
                if ch != " ":
                    rows[cy + dy] = rows[cy + dy][:cx + dx] + ch + rows[cy + dy][cx + dx + 1:]
    return MOON_PALETTE, rows


# --------------------------------------------------------------------------
# Clock tiles: slanted seven-segment figures, green on black, blue rims

CLOCK_PALETTE = [("k", "#000000", "face"), ("B", "#0000ff", "rim (key)"),
                 ("G", "#00ff00", "lit"), ("g", "#008000", "dim")]

SEGMENTS = {
    0: "abcdef", 1: "bc", 2: "abged", 3: "abgcd", 4: "fgbc",
    5: "afgcd", 6: "afgedc", 7: "abc", 8: "abcdefg", 9: "abcdfg",
}

# An upright figure 24 x 24 with strokes 4 thick, so that two figures of a
# pair stand 8 pixels apart and the separator's dots 10 from each: the pairs
# HH MM SS group.  Rows 4-27 of the tile leave two black rows inside each rim.
DIGIT_W = DIGIT_H = 24
STROKE = 4
DIGIT_TOP = 4
DIGIT_LEFT = 1
# The italic: how far right each figure row moves.  Every post takes two even
# steps of four rows; the middle bar takes the odd step, so its ends slope
# like the posts.
SLANT = [6] * 3 + [5] * 4 + [4] * 4 + [3] * 2 + [2] * 4 + [1] * 4 + [0] * 3


def upright_digit(d):
    """Seven-segment figure as a set of (x, y): each segment a bar with
    bevelled ends, one pixel of dark between neighbours."""
    half = STROKE / 2.0
    left, right = half, DIGIT_W - half            # post centre lines
    top, mid, bottom = half, DIGIT_H / 2.0, DIGIT_H - half   # bar centre lines

    def bar(yc):
        return {(x, y) for y in range(DIGIT_H) for x in range(DIGIT_W)
                if abs(y + 0.5 - yc) <= half and
                left + 1 + abs(y + 0.5 - yc) <= x + 0.5 <= right - 1 - abs(y + 0.5 - yc)}

    def post(xc, y0, y1):
        return {(x, y) for y in range(DIGIT_H) for x in range(DIGIT_W)
                if abs(x + 0.5 - xc) <= half and
                y0 + 1 + abs(x + 0.5 - xc) <= y + 0.5 <= y1 - 1 - abs(x + 0.5 - xc)}

    shapes = {"a": bar(top), "g": bar(mid), "d": bar(bottom),
              "f": post(left, top, mid), "b": post(right, top, mid),
              "e": post(left, mid, bottom), "c": post(right, mid, bottom)}
    on = set()
    for seg in SEGMENTS[d]:
        on |= shapes[seg]
    return on


def clock_tile(w):
    cv = Canvas(w, 32, "k")
    for y in (0, 1, 30, 31):
        for x in range(w):
            cv.put(x, y, "B")
    return cv


def clock_digit(d):
    cv = clock_tile(32)
    for x, y in upright_digit(d):
        cv.put(DIGIT_LEFT + x + SLANT[y], DIGIT_TOP + y, "G")
    return cv.lines()


DOT = [" ## ",
       "####",
       "####",
       " ## "]
DOT_LEFT = 3          # balances the figure-to-dot gaps on either side


def clock_colon(lit):
    cv = clock_tile(16)
    for y0 in (5, DIGIT_H - 5 - len(DOT)):   # mirrored about the middle bar
        shift = int(round(sum(SLANT[y0:y0 + len(DOT)]) / float(len(DOT)) - 0.01))
        for dy, row in enumerate(DOT):
            for dx, ch in enumerate(row):
                if ch == "#":
                    cv.put(DOT_LEFT + shift + dx, DIGIT_TOP + y0 + dy, "G" if lit else "g")
    return cv.lines()


LETTERS = {
    "A": [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "P": ["#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "],
    "M": ["#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"],
}
BADGE_W, BADGE_H, BADGE_LEFT = 13, 11, 2


def clock_badge(text, upper):
    """A lit badge with the letters cut out in black, level with the top of
    the figures (AM) or their foot (PM)."""
    cv = clock_tile(16)
    y0 = DIGIT_TOP if upper else DIGIT_TOP + DIGIT_H - BADGE_H
    for y in range(BADGE_H):
        for x in range(BADGE_W):
            corner = x in (0, BADGE_W - 1) and y in (0, BADGE_H - 1)
            if not corner:
                cv.put(BADGE_LEFT + x, y0 + y, "G")
    gx = BADGE_LEFT + 1
    for ch in text:
        for gy, row in enumerate(LETTERS[ch]):
            for dx, c in enumerate(row):
                if c == "#":
                    cv.put(gx + dx, y0 + 2 + gy, "k")
        gx += len(LETTERS[ch][0]) + 1
    return cv.lines()


# --------------------------------------------------------------------------
# Output


def emit_props(emit):
    """Write the stars, the moon and the clock tiles through
    emit(name, title, w, h, bpp, palette, lines)."""
    # shooting star: enters at the upper right, falls down-left, gone
    first, second = star_frames()
    emit("IDB_BITMAP_STAR_00", "shooting star, first position", 40, 40, 4, STAR_PALETTE, first)
    emit("IDB_BITMAP_STAR_01", "shooting star, further down its trail", 40, 40, 8,
         STAR_PALETTE, second)
    emit("IDB_BITMAP_STAR_02", "shooting star, gone", 40, 40, 4, STAR_PALETTE,
         ["W" * 40] * 40)

    pal, rows = moon()
    emit("IDB_BITMAP_MOON", "full moon", 64, 64, 8, pal, rows)

    for d in range(10):
        emit("IDB_BITMAP_CLOCK_N_%d" % d, "clock figure %d" % d, 32, 32, 4,
             CLOCK_PALETTE, clock_digit(d))
    emit("IDB_BITMAP_CLOCK_D_0", "clock separator, dim", 16, 32, 4,
         CLOCK_PALETTE, clock_colon(False))
    emit("IDB_BITMAP_CLOCK_D_1", "clock separator, lit", 16, 32, 4,
         CLOCK_PALETTE, clock_colon(True))
    emit("IDB_BITMAP_CLOCK_AM", "clock AM badge", 16, 32, 4, CLOCK_PALETTE,
         clock_badge("AM", True))
    emit("IDB_BITMAP_CLOCK_PM", "clock PM badge", 16, 32, 4, CLOCK_PALETTE,
         clock_badge("PM", False))
    for side in "LR":
        emit("IDB_BITMAP_CLOCK_" + side, "clock end cap", 2, 32, 8,
             CLOCK_PALETTE, ["BB"] * 32)
