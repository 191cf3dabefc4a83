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


# --------------------------------------------------------------------------
# Pointer: a small star on a long wand, the star's upper-left point on (0, 0)

POINTER_PALETTE = [
    ("_", "none", "transparent"),
    ("h", "#fff4d6", "halo: the pointer shows on a dark ground"),
    ("o", "#4a2a22", "outline, and the hot spot"),
    ("y", "#ffd23c", "star"),
    ("Y", "#fff3a6", "star light"),
    ("k", "#f0a830", "star shade"),
    ("c", "#fcecd2", "wand"),
    ("C", "#dcae7c", "wand shade"),
]

# The pointer's star, 12 pixels across, drawn by hand and mirror-symmetric
# about the diagonal through the hot spot: four even points and a leading
# one, the upper left, longer, its tip two pixels in from (0, 0).  Every
# point runs out to a one-pixel tip and widens by about a pixel a step, at
# least two pixels wide below the tip.  The two side points (upper right,
# lower left) lie along the star's nearly straight edges: their outer side
# steps in after the tip and the notch to the next point is cut a pixel
# deep, so no edge of the silhouette runs flat for more than three pixels
# and each of them ends in a point, not a shelf.  The notches open wide
# enough that the dark outline runs round the star as one unbroken line a
# pixel thick, and the cream halo as a second line outside it.  Lit from
# the upper left, each point split along its ridge: Y the lit facets and
# the ridges, y the half lit, k the shade.  '.' is clear.
POINTER_STAR = [
    "..............",
    "..............",
    "..Y.......Y...",
    "...Yy....Yk...",
    "...yYyy.Yk....",
    "....yYyyYk....",
    "....yyYyYk....",
    ".....yyYkyyy..",
    "....YYYkkkkyyy",
    "...Ykkkykkkkk.",
    "..Yk...ykk....",
    ".......yyk....",
    "........yk....",
    "........y.....",
]
POINTER_WAND = (18, 53)      # the wand along the diagonal: x + y from, to (it starts behind the star)


def _pointer_star():
    """{(x, y): tone} of the star."""
    tones = {(x, y): t for y, row in enumerate(POINTER_STAR)
             for x, t in enumerate(row) if t != "."}
    assert all(tones.get((y, x)) == t for (x, y), t in tones.items()), "not mirror-symmetric"
    return tones


def pointer():
    """A five-pointed star on a long thin wand, both mirrored about the
    diagonal through the hot spot: the star's leading point ends in a dark
    tip on (0, 0) and the wand leaves from the notch opposite it.  The
    wand and the star each have a one-pixel dark outline (4-way), the star's
    drawn over the wand so the two stay apart, and outside them a light
    halo, so the pointer shows on dark and light grounds alike."""
    size = 32
    star = _pointer_star()
    near = ((1, 0), (-1, 0), (0, 1), (0, -1))

    def in_wand(x, y):
        s = x + y
        return abs(x - y) <= 1 and POINTER_WAND[0] <= s <= POINTER_WAND[1] and \
            not (s == POINTER_WAND[1] and x != y)        # a round cap

    cv = Canvas(size, size, "_")
    for y in range(size):
        for x in range(size):
            if in_wand(x, y):
                cv.put(x, y, "c" if x - y <= 0 else "C")
            elif any(in_wand(x + i, y + j) for i, j in near):
                cv.put(x, y, "o")
    for y in range(size):
        for x in range(size):
            if (x, y) in star:
                cv.put(x, y, star[(x, y)])
            elif any((x + i, y + j) in star for i, j in near):
                cv.put(x, y, "o")
    # The outline closes over the leading tip in a dark diagonal that ends
    # on the hot spot: (0, 0) reads as the end of the point, and its cream
    # sides keep it visible on a dark ground.
    cv.put(0, 0, "o")
    cv.put(1, 1, "o")
    for y in range(size):
        for x in range(size):
            if cv.get(x, y) == "_" and any(cv.get(x + i, y + j) == "o" for i, j in near):
                cv.put(x, y, "h")
    return cv.lines()


# --------------------------------------------------------------------------
# Shooting star (white = clear, everything else takes the tint)

# The saver ORs a colour with every channel 0x80-0xff into each pixel that is
# not white.  K (black) shows the tint itself: the shaded facets, the most
# saturated part.  A grey lifts each channel by the bits it sets that the
# tint lacks.  The greys nest: each lighter one holds every bit of the darker
# (#00 < #20 < #3f < #7f), so whatever the tint, every channel of a lighter
# facet is at least that of a darker one: the facets shade from the tint up
# to white in order and never swap.  Of all nested pairs whose every step
# (shade/half lit, half lit/lit, lit/glint) keeps a colour difference of 6
# (CIE76) under at least 85 % of random tints, this one keeps the most of the
# drawings' tone edges visible (90 %), and it moves the lit facet's hue the
# least (23 degrees on average, where #20/#60 moves it 71): the steps take
# the bit groups 0x20, 0x1f and 0x40, so the lit facet stays clear of the
# glint's white.  C (#7f7f7f) is white whatever the tint: the head's
# white-hot core and the bright start of each trail.
STAR_PALETTE = [("W", "#ffffff", "clear (key)"), ("K", "#000000", "star: the tint, shaded facets"),
                ("A", "#202020", "facets half lit"),
                ("M", "#3f3f3f", "facets facing the light"),
                ("C", "#7f7f7f", "glint and sparkle: white")]

# The two heads are drawn by hand, lit from the upper left: each of the five
# points is split along its own ridge (centre to tip) into a lit and a
# shaded facet: top M | A, right M above | K below, lower right A | K, lower
# left A outside | K inside, left M above | A below.  The body is mostly M,
# so under the tint it reads light and glowing; K is kept for the facets
# turned away from the light, which give the form.  Every point ends on a
# single pixel in the tone of the facet that runs out to it, so no tip
# carries a lighter or darker pixel of its own.  Frame 00 stands upright,
# 17 x 16, mirror-symmetric in shape: the top ends in a one-pixel run two
# pixels long and widens 1, 1, 3, 3, 3, 5, the legs narrow 4, 3, 2, 1 to a
# tip straight below their outer edge, and the side tips are one pixel on a
# two-pixel step, so that all five read as the same length.  Frame 01 is the
# same star turned a little clockwise, about 15 degrees, as it tumbles down:
# its outline is a star of the same size turned and laid on the grid, then
# evened by hand so that every point narrows to a one-pixel tip with no
# one-pixel spike longer than two pixels, 16 x 16, the left point tapering
# along its lower edge to a tip on its upper one, the lower right ending in
# one pixel as frame 00's legs do, and its facets toned point by point as
# frame 00's are.  "." is clear.
STAR_UPRIGHT = [
    "........M........",
    "........M........",
    ".......MMA.......",
    ".......MMA.......",
    ".......MMA.......",
    "......MMMAA......",
    "MMMMMMMMMAMMMMMMM",
    ".AAMMMMMMAMMMMKK.",
    "..AAMMMMMAMMMKK..",
    "...AAAMMMMKKKK...",
    "....AAAAMKKKK....",
    "....AAAKKAKKK....",
    "....AAKK.AAKK....",
    "...AAK.....AKK...",
    "...AK.......AK...",
    "...A.........K...",
]
STAR_SPUN = [
    "..........M.......",
    ".........MA.......",
    ".........MA.......",
    "........MMA.......",
    ".MMMMMMMMAA.......",
    "..AAMMMMMAAA......",
    "...AAAMMMAAMMM....",
    "....AAAMMAMMMMMMM.",
    ".....AAAAKKKKKKK..",
    "....AAAKAKKKKK....",
    "...AAAKKAKKK......",
    "...AKKK.AAKK......",
    "..AKK...AAKK......",
    "..KK.....AAK......",
    "..K.......AK......",
    "...........K......",
]
# the white-hot core: three white pixels in an L up and left of each
# head's centre (the glint and two beside it), turned with the star; the
# lit facets round it carry the glow out to the points
STAR_GLINTS = {"upright": [(6, 7), (7, 7), (7, 8)], "spun": [(6, 5), (7, 5), (7, 6)]}
# a four-point twinkle beside the long trail: centre white, arms half lit
SPARKLE = [" K ",
           "KCK",
           " K "]


def diagonal_streak(cv, x, y, widths, tones):
    """A streak up and to the right from (x, y), its lower-left end: step n
    of the diagonal holds widths[n] pixels side by side along the row (2, 1
    or 0), the leading one on the diagonal, the other to its left, toned
    tones[n] (one character per pixel, leading first)."""
    for n, w in enumerate(widths):
        for i in range(w):
            cv.put(x + n - i, y - n, tones[n][i])


def shooting_star(head, glint, hx, hy, streak, extras=()):
    """The star (head's top-left at hx, hy) falling to the lower left; the
    streak (x, y, widths, tones) behind it; extras: stamps (x, y, rows)."""
    cv = Canvas(40, 40, "W")
    diagonal_streak(cv, *streak)
    for x, y, rows in extras:
        cv.stamp(x, y, rows)
    cv.stamp(hx, hy, [r.replace(".", " ") for r in head])
    for gx, gy in glint:
        cv.put(hx + gx, hy + gy, "C")
    for y in range(40):             # the blit keeps the outermost ring untinted
        for x in range(40):
            if x in (0, 39) or y in (0, 39):
                assert cv.get(x, y) == "W", (x, y)
    return cv.lines()


def star_frames():
    # Both streaks lie on the one diagonal the star falls along and leave the
    # head between its top point and its right point, aimed into the notch
    # there rather than along either point, with one clear pixel between the
    # streak and the head (touching, the streak fattens the top point).
    # Each starts solid and white-hot, two pixels wide (the leading pixel
    # the lighter), and steps down through the greys away from the head:
    # white, lit, half lit, then the bare tint, narrowing to one pixel and
    # fading in its far half by thinning: every other pixel, then every
    # third.
    # upper right: a short streak from the notch to the cell's corner, whole
    # but for its last pixel, so that it reads as a streak even this short
    first = shooting_star(STAR_UPRIGHT, STAR_GLINTS["upright"], 15, 8,
                          (28, 12, [2, 2, 2, 2, 1, 1, 1, 1] + [0, 1],
                           ["CM", "CM", "MA", "MA", "A", "A"] + ["K"] * 4))
    # lower left, turned: the streak across the whole cell, with a twinkle
    # where the star was a moment ago
    second = shooting_star(STAR_SPUN, STAR_GLINTS["spun"], 1, 21, (
        (15, 25, [2] * 6 + [1] * 7 + [0, 1] * 2 + [0, 0, 1] * 2,
         ["CM", "CM", "MA", "MA", "MA", "MA"] + ["A"] * 4 + ["K"] * 13)),
        extras=[(30, 15, SPARKLE)])
    return first, second


# --------------------------------------------------------------------------
# Moon: a full moon in the character's flat, cel-shaded style.  The face is
# one even cream with a crisp one-pixel rim of light on the upper left and,
# on the lower right, a darker limb edged with one pixel of a deeper tone,
# the rim's mirror image; nothing darker rings it, so it glows against the
# night.  Its seas are three hand-drawn patches with crisp outlines a small
# step under the face (about 5 L*), stepped down to it by shallows on one
# side, the ground; beside them, one clear step darker (at least 5 L* under
# the darkest sea), the figure in warmer tans: the rabbit that pounds mochi
# in the moon, facing right, head set off from the body by a notch at the
# nape, an eye, and the near arm and near thigh as shapes in one lighter
# tone between the body's and the seas' (not the limb's), with no lines
# drawn inside them; a wooden mallet raised to strike, its handle rising
# from the paws into the middle of an upright barrel head held clear above
# the mochi heaped in the mortar (a drum with a waist, a hoop and a lip, a
# shade darker than the rabbit, the mochi in a pale tone just above the
# face's).  Black is the blit's transparent key and the disc fills its
# square.

MOON_PALETTE = [
    (".", "#000000", "sky (key)"),
    ("H", "#fffbea", "rim light, upper left"),
    ("F", "#f1e6c8", "face"),
    ("m", "#f7f0dc", "the mochi, the rim light's fading ends"),
    ("N", "#e9dec2", "the seas' shallows"),
    ("M", "#e1d7bc", "the seas"),
    ("L", "#d9caa4", "limb"),
    ("K", "#c6b48c", "limb, deepest"),
    ("A", "#bcab84", "the rabbit's near arm and thigh, the mallet's lit top"),
    ("R", "#a6936d", "the rabbit, the mortar's lip, the mallet's head"),
    ("T", "#978560", "the mortar"),
    ("S", "#8a7856", "the ear's hollow, the mortar's accents, the mallet's handle and ends"),
    ("E", "#645239", "the rabbit's eye"),
]

MOON_R = 31.81         # the disc, filling the 64 x 64
MOON_SCALE = 1.1       # the drawing's coordinates below are for a disc of 28.7; scaled up about the centre
# the edge, by how squarely an edge pixel faces the light (1 full on, -1
# away) and by its layer (0 = the outermost, touching the sky side by
# side; 1 the next in, ...): the rim light runs one pixel wide on layer 0
# where it faces the light by more than RIM_FACING and fades through the
# mochi's pale tone (RIM_FADE) to the bare face; mirrored about the
# terminator, the deepest limb tone takes layer 0 where it faces away by
# more than RIM_FACING and fades through the limb tone, and the limb (L)
# deepens inward one layer at a time past each of LIMB_FACING, so both
# ends of the edge taper the same way with no lone pixels
RIM_FACING, RIM_FADE = 0.3, 0.1
LIMB_FACING = (-RIM_FADE, -0.12, -0.4, -0.65, -0.85, -0.95)
# pixels added to the circle at both ends of its outermost rows and columns,
# so each flat is ten pixels and the stairs from it shorten steadily (4 3 2 2
# 2 1 per side, not a six-pixel nub and a jump of five), the same on all four
# sides, so the disc stays mirrored both ways and about its diagonals
EDGE_FILL = {(27, 0), (36, 0), (27, 63), (36, 63), (0, 27), (0, 36), (63, 27), (63, 36)}
# the seas, drawn by hand (left column, top row, then the rows), each a
# different size at a different height so no two pair up: each a
# smooth outline with a lobe or a bay, in the sea tone (M), and on its upper
# left shore, toward the light, a band of shallows (N) two pixels wide at
# the top that thins to one and runs out round the sides; ' ' is the face
SEAS = [
    ((5, 15), ["    NNNN      ",
               "  NNMMMMNNN   ",
               " NMMMMMMMMMNN ",
               "NMMMMMMMMMMMMN",
               "NMMMMMMMMMMMMM",
               "NMMMMMMMMMMMMM",
               " MMMMMMMMMMMMM",
               "  MMMMMMM MMMM",
               "   MMMM   MMM "]),
    ((39, 6), ["    NNN   ",
               "  NNMMMNN ",
               " NMMMMMMMN",
               "NMMMMMMMMM",
               "NMMMMMMMM ",
               " MMMMMMM  ",
               "   MMMM   "]),
    ((17, 52), ["      NNNNNNNNN         ",
                "   NNNMMMMMMMMMNNNNNN   ",
                " NNMMMMMMMMMMMMMMMMMMNN ",
                "NMMMMMMMMMMMMMMMMMMMMMMN",
                " MMMMMMMMMMMMMMMMMMMMMMM",
                "  MMMMMMMMMMM MMMMMMM   ",
                "    MMMMMMM    MMMM     "]),
]


def _ellipse(cx, cy, rx, ry, deg=0.0):
    ca, sa = math.cos(math.radians(deg)), math.sin(math.radians(deg))

    def f(x, y):
        u = (x - cx) * ca + (y - cy) * sa
        v = -(x - cx) * sa + (y - cy) * ca
        return (u / rx) ** 2 + (v / ry) ** 2
    return f


def capsule(x0, y0, x1, y1, r):
    """A capsule between two points, as a measure: at most 1 inside."""
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


def _inside(shapes, x, y):
    return any(f(x, y) <= 1.0 for f in shapes)


# Each shape: f(x, y) <= 1 inside.  The head and ears; the body and mallet are drawn by hand.
RABBIT = [
    _ellipse(29.0, 28.0, 5.0, 4.2, -10),                # head
    _ellipse(23.3, 19.5, 1.6, 5.5, -26),                # far ear, laid back
    _ellipse(28.1, 18.3, 2.0, 5.9, -6),                 # near ear
]
# the rabbit's body and the mallet in pixels, the grid's left column at
# x = 8, the rows numbered; '.' leaves the head, ears, mortar and mochi to
# their shapes.  The crouch is told by the outline and one lighter tone (A),
# no inner lines: the back rises from the nape in one round curve (runs
# 3 2 1 1 1 1, then straight down) to the rump and a small puff of tail
# in the lighter tone; the near thigh, a round mass in the lighter tone
# with a rim of body round it, sits on the long hind foot, two rows deep,
# which runs along the bottom to a rounded toe out past the chest, two
# rows above the mortar's foot so the two do not stand on one line;
# the belly curves in from the chest to the thigh's front so the moon
# shows above the foot.  In the lighter tone the near arm runs from a
# round shoulder under the head, two pixels thick, out to the paws, a knob
# a row taller than the arm, closed round the handle's end.
# The mallet: the handle (S) two pixels thick, rising about one in two
# from the paws into the middle of the head's near side, square to it, so
# the two read as a T; the head a barrel standing upright (5 x 8), its top
# end and near side lit (A), its far side and the end that strikes in the
# dark tone, held a row clear above the mochi.  The last row is the
# mortar's base, a pixel wider than its foot either side.
FIGURE_AT = (8, 27)
FIGURE = [
    "...................................AAAAA......",  # 27
    "...................................ARRRS......",  # 28
    "...................................ARRRS......",  # 29
    ".................................SSARRRS......",  # 30
    "...........RRRRR...............SSSSARRRS......",  # 31
    "........RRRRRRRRRRRRRRR.....SSSSS..ARRRS......",  # 32
    "......RRRRRRRRRRRAAARRRR..AASS.....ARRRS......",  # 33
    ".....RRRRRRRRRRRAAAAARRR.AAAA......SSSSS......",  # 34
    "....RRRRRRRRRRRRAAAAAAAAAAAAA.................",  # 35
    "...RRRRRRRRRRRRRAAAAAAAAAAAA..................",  # 36
    "..RRRRRRRRRRRRRRRAAARRRR......................",  # 37
    "AARRRRRAAAARRRRRRRRRRRRR......................",  # 38
    "ARRRRAAAAAAAARRRRRRRRRR.......................",  # 39
    ".RRRAAAAAAAAAARRRRRRRR........................",  # 40
    ".RRAAAAAAAAAAARRRRRR..........................",  # 41
    ".RRAAAAAAAAAAAAR..............................",  # 42
    ".RRAAAAAAAAAAAAR..............................",  # 43
    ".RRAAAAAAAAAAAAR..............................",  # 44
    ".RRRAAAAAAAAAAR...............................",  # 45
    "..RRRAAAAAAAAR................................",  # 46
    "...RRRRAAAARR.................................",  # 47
    "....RRRRRRRRRRRRRRRR..........................",  # 48
    ".....RRRRRRRRRRRRRRRRR........................",  # 49
    "..............................................",  # 50
    "............................SSSSSSSSSSSSSSSS..",  # 51
]


# the nape: a notch of the face between head and back
NAPE = [_ellipse(22.6, 30.2, 2.2, 1.8, 30)]


# the mortar: a drum, wide at the rim, a waist, a broad foot
MORTAR = _polygon([(35.4, 39.0), (50.6, 39.0), (49.2, 43.0), (47.8, 45.8), (49.4, 49.6),
                   (36.6, 49.6), (38.2, 45.8), (36.8, 43.0)])
MORTAR_HOLLOW = _ellipse(43.0, 39.3, 6.4, 1.5)
MORTAR_LIP = _ellipse(43.0, 39.4, 8.4, 2.6)
MORTAR_HOOP = (45.6, 45.6)          # the band round its middle: rows from, to
MOCHI = _ellipse(43.0, 37.9, 4.6, 2.2)
EYE = (30, 27)
EAR_LINE = capsule(28.0, 14.7, 28.2, 20.5, 0.6)        # inside the near ear


def _figure(px, py):
    """The rabbit's or the mortar's tone at (px, py), or None."""
    if MOCHI(px, py) <= 1.0:
        return "m"
    if MORTAR_HOLLOW(px, py) <= 1.0:
        return "S"
    if MORTAR_LIP(px, py) <= 1.0:
        return "R"
    if MORTAR(px, py) <= 1.0:
        return "S" if MORTAR_HOOP[0] <= py <= MORTAR_HOOP[1] + 1 else "T"
    if _inside(NAPE, px, py):
        return None
    if _inside(RABBIT, px, py):
        return "S" if EAR_LINE(px, py) <= 1.0 else "R"      # the ear's hollow
    return None


def moon():
    n, c = 64, 32.0
    def sea(x, y):
        for (sx, sy), grid in SEAS:
            if 0 <= y - sy < len(grid) and 0 <= x - sx < len(grid[y - sy]) and grid[y - sy][x - sx] != " ":
                return grid[y - sy][x - sx]
        return None
    k = MOON_SCALE

    def disc(x, y):
        return 0 <= x < n and 0 <= y < n and (math.hypot(x + 0.5 - c, y + 0.5 - c) <= MOON_R
                                                  or (x, y) in EDGE_FILL)

    light = (-math.sqrt(0.5), -math.sqrt(0.5))

    def facing(x, y):
        nx, ny = x + 0.5 - c, y + 0.5 - c
        return (nx * light[0] + ny * light[1]) / math.hypot(nx, ny)

    # each pixel's layer: its count of side-by-side steps in from the sky
    layer = {(x, y): 0 for y in range(n) for x in range(n) if disc(x, y)
             and not all(disc(x + i, y + j) for i, j in ((1, 0), (-1, 0), (0, 1), (0, -1)))}
    ring = list(layer)
    for d in range(1, len(LIMB_FACING)):
        ring = [(x + i, y + j) for x, y in ring for i, j in ((1, 0), (-1, 0), (0, 1), (0, -1))
                if disc(x + i, y + j) and (x + i, y + j) not in layer]
        for p in ring:
            layer[p] = d

    def tone(x, y):
        px, py = x + 0.5, y + 0.5
        fx, fy = c + (px - c) / k, c + (py - c) / k          # in the drawing's coordinates
        d = layer.get((x, y), len(LIMB_FACING))
        if d < len(LIMB_FACING) and facing(x, y) < LIMB_FACING[d]:
            return "L"
        bx, by = x - FIGURE_AT[0], y - FIGURE_AT[1]
        fig = FIGURE[by][bx] if 0 <= by < len(FIGURE) and 0 <= bx < len(FIGURE[by]) else "."
        if fig == ".":
            fig = _figure(fx, fy)
        if fig:
            return fig
        return sea(x, y) or "F"

    rows = [[tone(x, y) if disc(x, y) else "." for x in range(n)] for y in range(n)]
    def at(u, v):                                        # the drawing's point as a pixel
        return int(c + (u - c) * k), int(c + (v - c) * k)

    ex, ey = at(EYE[0] + 0.5, EYE[1] + 0.5)
    rows[ey][ex] = "E"
    # the rim: the lit edge upper left, the deep edge lower right, each fading at its ends
    for (x, y), d in layer.items():
        if d == 0:
            a = facing(x, y)
            if abs(a) > RIM_FADE:
                rows[y][x] = ("H" if a > RIM_FACING else "m") if a > 0 else ("K" if a < -RIM_FACING else "L")
    return MOON_PALETTE, ["".join(r) for r in rows]


# --------------------------------------------------------------------------
# Clock tiles: slanted seven-segment figures, green on black, blue rims

CLOCK_PALETTE = [("k", "#000000", "face"), ("B", "#0000ff", "rim (key)"),
                 ("G", "#00ff00", "lit"), ("g", "#008000", "dim")]

SEGMENTS = {
    0: "abcdef", 1: "bc", 2: "abged", 3: "abgcd", 4: "fgbc",
    5: "afgcd", 6: "afgedc", 7: "abc", 8: "abcdefg", 9: "abcdfg",
}

# An upright figure 24 x 26 with strokes 4 thick: two figures of a pair
# stand 8 pixels apart, the dots 10 from them, so the pairs group.  Every
# segment is the same long hexagon: a bar 4 thick whose ends are cut at 45
# degrees to a point two pixels wide.  A post's point reaches one row into
# the bar's rows, beside the bar's point, and a diagonal of black parts
# every two segments that meet.  An unlit segment is the same hexagon in
# the dim green.  Rows 3-28 of the tile leave a black row inside each rim.
DIGIT_W, DIGIT_H = 24, 26
STROKE = 4
DIGIT_TOP = 3
DIGIT_LEFT = 2
# The italic: one pixel every 5.5 rows.  Each post steps once at its middle
# (its upper half one pixel right of its lower half), and the lower posts
# stand one pixel left of the upper ones, so their outer edges lie on one
# straight slant; the bars are never broken.  A bar takes the shift of the
# post halves it meets: the top bar the upper posts', the foot bar the
# lower posts'; the middle bar, between both, runs from the foot of the
# upper left post to the top of the lower right one (a pixel shorter than
# the others), so none of its four joints closes.
POST_SPLIT = 4              # rows of a post's upper half, its tip included
SLANT_SHIFT = {"a": 3, "f_": 3, "b_": 3, "f": 2, "b": 2, "e_": 1, "c_": 1, "e": 0, "c": 0, "d": 0}


def _bar(length):
    """The bar's four rows as (first, last) columns: a point two pixels
    wide at each end, the full thickness one column further in."""
    return [(1, length - 2), (0, length - 1), (0, length - 1), (1, length - 2)]


def segment_map():
    """{(x, y): segment letter} of the slanted figure, its left edge on 0."""
    ym = (DIGIT_H - STROKE) // 2                         # the middle bar's first row
    yb = DIGIT_H - STROKE
    # a post's points reach one row into the bars' rows, beside the bars'
    # points, so the post runs nine rows and a bar sixteen columns
    post_len = ym - 2
    inner = DIGIT_W - 2 * STROKE
    owner = {}

    def put_bar(seg, y0, x0, length):
        for dy, (a, b) in enumerate(_bar(length)):
            for x in range(a, b + 1):
                owner[(x0 + x, y0 + dy)] = seg

    def put_post(seg, x0, y0):
        for dy in range(post_len):
            end = dy in (0, post_len - 1)
            half = seg + "_" if dy < POST_SPLIT else seg
            for dx in range(STROKE):
                if end and dx in (0, STROKE - 1):
                    continue
                owner[(x0 + dx + SLANT_SHIFT[half], y0 + dy)] = seg

    put_bar("a", 0, STROKE + SLANT_SHIFT["a"], inner)
    put_bar("g", ym, STROKE + SLANT_SHIFT["f"], inner + SLANT_SHIFT["c_"] - SLANT_SHIFT["f"])
    put_bar("d", yb, STROKE + SLANT_SHIFT["d"], inner)
    top0, low0 = STROKE - 1, ym + STROKE - 1
    for seg, x0, y0 in (("f", 0, top0), ("b", DIGIT_W - STROKE, top0),
                        ("e", 0, low0), ("c", DIGIT_W - STROKE, low0)):
        put_post(seg, x0, y0)
    return owner


def slant_at(y):
    """How far right the slant carries a row of the figure (for the dots)."""
    return (DIGIT_H - 1 - y) * 2.0 / 11.0


def clock_tile(w):
    cv = Canvas(w, 32, "k")
    for y in (0, 1, 30, 31):
        for x in range(w):
            cv.put(x, y, "B")
    return cv


def clock_digit(d):
    """The figure in bright green; every unlit segment is the same hexagon
    in the dim green, as on a panel whose dark segments catch a little
    light."""
    cv = clock_tile(32)
    for (x, y), seg in segment_map().items():
        cv.put(DIGIT_LEFT + x, DIGIT_TOP + y, "G" if seg in SEGMENTS[d] else "g")
    return cv.lines()


# A dot is as bold as a stroke: four pixels square, the bars' thickness
# and the posts' width.  The two dots stand level with the middles of the
# figures' openings, half a pixel nearer the middle bar (a dot four rows high
# has no middle row), each carried right by the slant at its middle:
# the upper one two pixels right of the lower, as the figures' posts are.
DOT = ["####",
       "####",
       "####",
       "####"]
DOT_ROWS = (6, DIGIT_H - 1 - 9)   # the dots' first rows in the figure: 6-9 and 16-19
DOT_LEFT = 3          # balances the figure-to-dot gaps on either side


def clock_colon(lit):
    cv = clock_tile(16)
    for y0 in DOT_ROWS:
        shift = int(round(slant_at(y0 + (len(DOT) - 1) / 2.0)))
        for dy, row in enumerate(DOT):
            for dx, ch in enumerate(row):
                if ch == "#":
                    cv.put(DOT_LEFT + shift + dx, DIGIT_TOP + y0 + dy, "G" if lit else "g")
    return cv.lines()


# The AM/PM sign: bold letters standing alone, nine rows high with strokes
# two pixels wide (half a figure's), so they read at 1x beside the figures
# without a box to crowd them.  The letters are drawn upright here and lean
# as the figures' posts do: each steps a pixel once, its upper rows a pixel
# right of its lower ones, the A and the P just under the bar and the bowl,
# the M a row lower, so the black column between A and M never closes corner
# to corner across the steps.  The A comes to a point, so that it cannot be
# taken for an R.  The M is symmetric, its V three rows deep, its strokes as
# thick as the legs, down to a point on its middle column.  A black column
# parts the two letters, and the M's lean stops a column short of the tile's
# right edge, so the letters never touch the panel's end cap.
LETTERS = {
    "A": ["  ##  ",
          " #### ",
          "##  ##",
          "##  ##",
          "######",
          "##  ##",
          "##  ##",
          "##  ##",
          "##  ##"],
    "P": ["##### ",
          "##  ##",
          "##  ##",
          "##  ##",
          "##### ",
          "##    ",
          "##    ",
          "##    ",
          "##    "],
    "M": ["##   ##",
          "### ###",
          "#######",
          "## # ##",
          "##   ##",
          "##   ##",
          "##   ##",
          "##   ##",
          "##   ##"],
}
LETTER_STEP = {"A": 4, "P": 4, "M": 5}   # the last row carried a pixel right by the lean
LETTER_H = len(LETTERS["A"])
LETTER_GAP = 1              # black columns between two letters
LABEL_LEFT = 0


def _put_label(cv, text, upper, tone):
    """One label's letters in the given green: level with the top of the
    figures (AM) or their foot (PM)."""
    y0 = DIGIT_TOP if upper else DIGIT_TOP + DIGIT_H - LETTER_H
    gx = LABEL_LEFT
    for ch in text:
        for gy, row in enumerate(LETTERS[ch]):
            lean = int(gy <= LETTER_STEP[ch])
            for dx, c in enumerate(row):
                if c == "#":
                    cv.put(gx + lean + dx, y0 + gy, tone)
        gx += len(LETTERS[ch][0]) + LETTER_GAP


def clock_badge(pm):
    """Both labels, each in its own place: the one that holds lit, the
    other the same letters in the dim green, as an unlit segment or the off
    dots are, so the sign reads as one panel whichever half of the day it
    is.  Eight black rows part the two labels."""
    cv = clock_tile(16)
    _put_label(cv, "AM", True, "g" if pm else "G")
    _put_label(cv, "PM", False, "G" if pm else "g")
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
         clock_badge(False))
    emit("IDB_BITMAP_CLOCK_PM", "clock PM badge", 16, 32, 4, CLOCK_PALETTE,
         clock_badge(True))
    for side in "LR":
        emit("IDB_BITMAP_CLOCK_" + side, "clock end cap", 2, 32, 8,
             CLOCK_PALETTE, ["BB"] * 32)
