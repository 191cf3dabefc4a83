#!/usr/bin/env python3
"""Compose the text art in art/ from parts.

    python3 tools/artcompose.py --out art

The character frames are assembled from a parametric body (squash, stretch,
lift) plus hand-drawn stamps for eyes, mouth, cheeks, sprout and arms.  The
icon is drawn here too; the stars, moon, clock tiles and pointer come from
tools/artprops.py.  The .txt files this writes are the committed source
that tools/artgen.py builds from; re-run this only when changing the design,
then review the diff.
"""

import argparse
import math
import os

from artprops import POINTER_PALETTE, Canvas, capsule, emit_props, pointer

# --------------------------------------------------------------------------
# Palettes

# Shared by every character frame; entry 0 is the transparent key.  The
# body's ramp is spaced 9 L* apart (96 87 78 69 60) and turns from
# cream to pink-brown as it darkens.
CHAR_PALETTE = [
    (".", "#0000ff", "background (transparent key)"),
    ("o", "#482937", "outline"),
    ("O", "#aa6a5c", "outline, lit side"),
    ("a", "#5c3636", "outline, softened corner"),
    ("u", "#5e3444", "outline underneath, lifted off the night"),
    ("k", "#4a3f70", "ground shadow, a cool violet that shows on the black night"),
    ("l", "#fff2df", "body, lit"),
    ("b", "#f4d5b6", "body"),
    ("m", "#e7b79a", "body shade"),
    ("s", "#d89a84", "body deep shade"),
    ("d", "#c38074", "body shadow"),
    ("R", "#c99ba4", "rim of sky light on the shadowed edge"),
    ("p", "#ff97a8", "cheek blush"),
    ("e", "#2c1a2a", "eye"),
    ("i", "#6c4f96", "eye glint"),
    ("E", "#9a7b78", "eye's rounded corner"),
    ("w", "#ffffff", "eye highlight"),
    ("r", "#8c3a48", "mouth"),
    ("t", "#ff7a8a", "tongue"),
    ("g", "#a6dc5e", "leaf"),
    ("G", "#4f9a3c", "leaf shade"),
]

# The icon swaps the key for real transparency and, in 16 colours, keeps
# only what a small picture can show.  The 256-colour image gets a shade
# between every two steps of the ramp, for smoother turns and edges.
# On a light desktop the lit outline has to be firmer than on the night.
ICON_TONES = {"O": ("#8c4f48", "outline, lit side, firm on a light desktop"),
              "a": ("#2a171d", "outline, softened corner")}
ICON_BASE = [(c, ICON_TONES[c][0], ICON_TONES[c][1]) if c in ICON_TONES else (c, v, n)
             for c, v, n in CHAR_PALETTE[1:]]
# 16 colours: the underside takes the plain outline, so the forehead gets
# a step between lit and body
ICON_PALETTE = [("_", "none", "transparent")] + [
    e for e in ICON_BASE if e[0] not in "aRtEku"] + [
    ("c", "#f9e3cb", "body, between lit and body")]
ICON_PALETTE_RICH = [("_", "none", "transparent")] + [
    e for e in ICON_BASE if e[0] not in "k"] + [
    ("c", "#f9e3cb", "body, between lit and body"),
    ("n", "#eec6a7", "body, between body and shade"),
    ("q", "#dfa98f", "body, between shade and deep shade"),
    ("v", "#6c3c42", "outline, turning from the light"),
]

# --------------------------------------------------------------------------
# Drawing helpers


def flipped(rows):
    return [r[::-1] for r in rows]


def mochi(cx, cy, rx, ry_top, ry_bot, base=2.25):
    """Soft dome on a flattened base (base 2 is a plain ellipse)."""
    def inside(x, y):
        nx = abs(x - cx) / rx
        if y < cy:
            return nx ** 2.0 + ((cy - y) / ry_top) ** 2.0 <= 1.0
        return nx ** base + ((y - cy) / ry_bot) ** base <= 1.0
    return inside


def ellipse(cx, cy, rx, ry):
    def inside(x, y):
        return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0
    return inside


def thick_segment(x0, y0, x1, y1, r):
    """Capsule between two points."""
    measure = capsule(x0, y0, x1, y1, r)
    return lambda x, y: measure(x, y) <= 1.0


# --------------------------------------------------------------------------
# Character stamps, drawn for the viewer's left side

EYES = {
    "open": [" eee ",
             "eweee",
             "eweee",
             "eeeee",
             "eeiie",
             " eee "],
    "open_tall": [" eee ",        # stretched
                  "eweee",
                  "eweee",
                  "eeeee",
                  "eeeee",
                  "eeiie",
                  " eee "],
    "open_short": [" eee ",       # squashed
                   "eweee",
                   "eeeee",
                   "eeiie",
                   " eee "],
    "far": [" ee ",               # in a glance, the eye on the side looked
            "ewee",               # toward, turned with the head: a column
            "ewee",               # narrower; lit like every other eye,
            "eeee",               # from the upper left
            "eiie",
            " ee "],
    "closed": ["     ",       # the lid shut across the middle of the eye:
               "     ",       # a shallow arc, corners up, clear of the
               "e   e",       # mouth below and the blush
               " eee ",
               "     ",
               "     "],
    "happy": ["     ",
              " eee ",
              "e   e",
              "     ",
              "     ",
              "     "],
    "squeeze": ["     ",
                "ee   ",
                "  ee ",
                "ee   ",
                "     ",
                "     "],
}

MOUTHS = {            # even widths keep the face centred
    "w": ["r rr r",
          " r  r "],
    "smile": ["r  r",
              " rr "],
    "open": ["rrrr",
             "rttr",
             " rr "],
    "o": [" rr ",
          "r  r",
          " rr "],
}

CHEEK = ["pppp",
         " pp "]
CHEEK_FAR = ["ppp",      # the cheek toward a glance, squeezed by the turn
             " p "]

SHINE = [" ww",          # a wet glint on the lit shoulder
         "w  "]

# One sprout, drawn once: two leaves on a short stem ('s' marks the stem,
# which is planted in the crown).  Every pose only sways it (the leaves lag
# a pixel or two behind the body) or squashes it (the leaves sit lower).
SPROUT = ["gg      g ",
          "ggG    Ggg",
          " gGG  GGg ",
          "   GGsG   ",
          "     s    "]
SPROUT_SQUASHED = [SPROUT[0], SPROUT[2], SPROUT[3], SPROUT[4]]


def sprout_rows(sway, squashed):
    """The sprout swayed `sway` pixels at its tips (negative: to the viewer's
    left); the stem stays planted, the leaves follow by height."""
    rows = ["  " + r + "  " for r in (SPROUT_SQUASHED if squashed else SPROUT)]
    h = len(rows) - 2           # rows above the stem's foot that may move
    out = []
    for r, row in enumerate(rows):
        k = int(round(sway * (h - r) / h)) if r < h else 0
        if k > 0:
            row = " " * k + row[:-k]
        elif k < 0:
            row = row[-k:] + " " * -k
        out.append(row)
    return out


# Light from the upper left and a little in front.  The body's ramp runs
# H l b m s d, evenly spaced in lightness and warming toward pink-brown in
# the shadows; R is the cool bounce light from the night sky along the
# shadowed edge, O the outline where the light falls on it.
LIGHT = (-0.42, -0.55, 0.72)
BODY_BANDS = [(0.74, "l"), (0.50, "b"), (0.27, "m"), (0.04, "s"), (-9, "d")]
BODY_BANDS_RICH = [(0.92, "l"), (0.80, "c"), (0.62, "b"), (0.48, "n"), (0.36, "m"),
                   (0.22, "q"), (0.10, "s"), (-9, "d")]

ARMS = {        # angle of the hand above the horizontal, seen from the shoulder
    "rest": -60,
    "low": -30,
    "out": 0,
    "half": 25,
    "up": 48,
    "high": 65,
}
SQUASH_DROP = 0.85    # pixels lower per unit of squash (as much wider: one mass)
SQUASH_WIDEN = 1.3    # ...and a touch more, for what the squash flattens
SQUASH_MARGIN = 3.0   # the widest squash stops this far inside the frame
ARM_AREA = 16         # pixels an arm shows beside the body, whatever the pose


class Pose:
    def __init__(self, **kw):
        self.lift = 0          # pixels the whole body is off the ground
        self.squash = 0.0      # >0 wider and lower, <0 narrower and taller
        self.lean = 0          # pixels the crown leans to the viewer's right
        self.eyes = "open"
        self.mouth = "w"
        self.face_dx = 0       # glance: the eyes, blush and mouth slide that far
        self.sprout_dx = 0     # ...and the sprout's stem, along the crown
        self.sprout = "up"     # up, or flat (squashed)
        self.sway = 0          # pixels the sprout's tips sway (negative: left)
        self.arm_l = "rest"    # viewer's left arm (None = no arm)
        self.arm_r = "rest"
        self.feet = "down"     # down / tucked / None
        self.specks = True
        self.cheek_lift = 0    # blush raised that far (a blink's squeeze)
        self.still_shadow = False   # the ground shadow ignores the lean
        self.touch = None      # hand-placed pixels (TOUCHES)
        self.patch = None      # hand-drawn rows laid over the frame (PATCHES)
        self.__dict__.update(kw)


class Build:
    """Where and how big the character is drawn (frames vs. icon)."""
    def __init__(self, size=40, ground=36.0, rx=14.0, height=23.0,
                 bands=BODY_BANDS, background=".", rim=True, soften=True, rich=False, shadow=True, base=2.25,
                 even=True):
        self.size = size
        self.rich = rich          # the 256-colour icon's extra in-between tones
        self.rim = rim            # sky light along the shadowed edge
        self.soften = soften      # dark corners outside the lit outline (on black)
        self.ground = ground      # bottom edge of the body at rest
        self.rx = rx
        self.height = height
        self.bands = bands
        self.background = background
        self.shadow = shadow      # a ground shadow under the feet
        self.base = base          # how flat the base sits (2 = round)
        self.even = even          # sort the crown's steps, longest on top


FRAME_BUILD = Build()


def lit(nx, ny):
    """Lambert term of a unit-sphere normal (nz from nx, ny)."""
    lx, ly, lz = LIGHT
    n = math.sqrt(lx * lx + ly * ly + lz * lz)
    nz = math.sqrt(max(0.0, 1.0 - nx * nx - ny * ny))
    return (nx * lx + ny * ly + nz * lz) / n


def body_shade(cx, top, bottom, rx, bands, shear):
    """Shade the body as one ellipsoid over its whole box, so the bands curve
    with the outline; the lower half is a flattened dome, so its normals tip
    down sooner and the shadow wraps under the belly."""
    cy = top + (bottom - top) * 0.45
    ry_t = ((cy - top) + 0.6) * 0.8
    ry_b = (bottom - cy) + 0.2

    def f(x, y):
        nx = (x - shear(y) - cx) / (rx + 0.6)
        ny = (y - cy) / (ry_t if y < cy else ry_b)
        d = lit(nx, ny)
        if y > cy:      # occlusion near the ground
            d -= 0.12 * ((y - cy) / ry_b) ** 2
        for t, c in bands:
            if d >= t:
                return c
        return bands[-1][1]
    return f


def mask_of(w, h, inside):
    return [[inside(x + 0.5, y + 0.5) for x in range(w)] for y in range(h)]


def even_runs(mask, y_limit):
    """Reorder the steps of the upper curve on each side of the crown so the
    runs shorten steadily and the drops grow (6 3 2 1 1, never 3 1 2)."""
    w = len(mask[0])
    tops = {}
    for x in range(w):
        for y in range(len(mask)):
            if mask[y][x]:
                tops[x] = y
                break
    if not tops:
        return
    ytop = min(tops.values())
    crown = [x for x in sorted(tops) if tops[x] == ytop]
    left = [x for x in range(crown[0] - 1, -1, -1) if x in tops and tops[x] < y_limit]
    right = [x for x in range(crown[-1] + 1, w) if x in tops and tops[x] < y_limit]
    for seq in (left, right):
        runs, drops, prev = [], [], ytop
        for x in seq:
            if tops[x] == prev and runs:
                runs[-1] += 1
            else:
                drops.append(tops[x] - prev)
                runs.append(1)
            prev = tops[x]
        runs.sort(reverse=True)
        drops.sort()
        level, i = ytop, 0
        for r, d in zip(runs, drops):
            level += d
            for _ in range(r):
                x = seq[i]
                for y in range(min(level, tops[x]), y_limit):
                    mask[y][x] = y >= level
                i += 1


def draw_character(pose, build=FRAME_BUILD):
    size = build.size
    cx = size / 2.0               # even sizes: mirror line between two columns
    cv = Canvas(size, size, build.background)
    sq = pose.squash
    # squashed lower and as much wider, so the body keeps its mass (a mitten
    # with no room left beside it is pressed to the side, in front)
    height = build.height - (SQUASH_DROP if sq > 0 else 1.0) * sq
    # (a squash widens a little more than the drop, for the sprout and arms
    # it flattens and presses in)
    widen = (build.height / height) ** (SQUASH_WIDEN if sq > 0 else 1.0)
    rx = min(build.rx * widen, max(build.rx, build.size / 2.0 - SQUASH_MARGIN))
    bottom = build.ground - pose.lift
    top = bottom - height
    ry_top = height * 0.55
    ry_bot = height - ry_top
    cy = top + ry_top

    def shear(y):        # the crown leans, the base stays put
        return pose.lean * max(0.0, min(1.0, (bottom - y) / height))

    # a soft shadow on the ground, smaller the higher the body floats; the
    # night is black, so it is a dark plum that never matches the key
    if build.shadow:
        srx = (rx - 2.5) * (1.0 - 0.045 * pose.lift)
        # it follows the lean, unless the feet stand still and only the
        # crown sways (a wave)
        sdx = 0.0 if pose.still_shadow else 0.5 * pose.lean
        for y in range(int(build.ground) - 1, size):
            xs = [x for x in range(size)
                  if ((x + 0.5 - cx - sdx) / srx) ** 2 +
                  ((y + 0.5 - build.ground - 1.4) / 1.9) ** 2 <= 1.0]
            for x in xs if len(xs) >= 5 else ():     # no lone pixel at its tips
                cv.put(x, y, "k")

    # feet, behind the body (drawn once the body is known)
    feet = []
    if pose.feet:
        # tucked in the air, the soles turn a little toward the viewer: a
        # filled oval under the body rather than a dark bar
        fy, fr, frx, fx = ((bottom + 0.2, 1.9, 3.1, 5.5) if pose.feet == "down"
                           else (bottom + 0.9, 2.2, 2.7, 5.0))
        for side in (-1, 1):
            feet.append(ellipse(cx + side * (fx + 0.4 * sq), fy, frx, fr))

    # body and arms share one outline: an arm grows out of the side with no
    # seam, and the part of it behind the body is never drawn
    dome = mochi(cx, cy, rx, ry_top, ry_bot, build.base)
    body = mask_of(size, size, lambda x, y: dome(x - shear(y), y))
    if build.even:
        even_runs(body, int(cy))
    arm_fill = {}
    front = {}

    def arm_tone(x, y, hx, hy, side):
        """Lit along the top of the mitten and limb, shaded underneath."""
        up = (hy - (y + 0.5)) / mitt_ry
        lean_in = side * ((x + 0.5) - hx)
        if up > 0.35 and lean_in < 0.6:
            return "l" if side < 0 else "b"
        if up > -0.3:
            return "b" if side < 0 else "m"
        return "m" if side < 0 else "s"

    sy = int(cy) + 1.5 + 0.25 * sq           # shoulder height, at the widest row
    for side, arm in ((-1, pose.arm_l), (1, pose.arm_r)):
        if not arm:
            continue
        mitt_rx, mitt_ry = 2.2 + 0.15 * sq, 2.1 - 0.12 * sq   # squashes with the body
        # a raised arm shows from higher up the side, where the body has
        # already turned in, so the hand can rise clear of the crown
        ay = sy - max(0.0, ARMS[arm] - 20) / 45.0 * 2.5
        row = [x for x in range(size) if body[int(ay)][x]]
        edge = (row[0] if side < 0 else row[-1] + 1.0)
        a = math.radians(ARMS[arm])

        def place(reach):
            hx = edge + side * reach * math.cos(a)
            hy = ay - reach * math.sin(a)
            limb = thick_segment(edge - side * 1.5, ay, hx, hy, 1.45)
            mitt = ellipse(hx, hy, mitt_rx, mitt_ry)
            px = [(x, y) for y in range(size) for x in range(size)
                  if not body[y][x] and (limb(x + 0.5, y + 0.5) or mitt(x + 0.5, y + 0.5))]
            return hx, hy, mitt, px

        reach = 1.0     # out until the arm shows its full size
        while True:
            hx, hy, mitt, px = place(reach)
            if len(px) >= ARM_AREA or reach > 9:
                break
            reach += 0.25
        # a raised arm reaches further, so the hand clears the shoulder
        reach += max(0.0, ARMS[arm] - 15) / 50.0 * 2.5
        hx, hy, mitt, px = place(reach)
        while any(x < 2 or y < 2 or x >= size - 2 for x, y in px) and reach > -1:
            reach -= 0.25     # keep clear of the frame's margin
            hx, hy, mitt, px = place(reach)
        if len(px) < ARM_AREA - 4:
            # no room beside a wide squash: the mitten is pressed to the
            # side, drawn in front of the body with its own outline
            for y in range(size):
                for x in range(size):
                    if body[y][x] and mitt(x + 0.5, y + 0.5):
                        front[(x, y)] = arm_tone(x, y, hx, hy, side)
        for x, y in px:
            arm_fill[(x, y)] = arm_tone(x, y, hx, hy, side)
    # what each arm shows, beside the body or pressed in front of it
    cv.arm_area = tuple(sum(1 for (x, y) in list(arm_fill) + list(front) if (x < cx) == (side < 0))
                        if arm else 0 for side, arm in ((-1, pose.arm_l), (1, pose.arm_r)))

    # close the armpits: no notch of night between an arm's underside and
    # the body (a 3x3 closing of the silhouette, near the arms only)
    def solid0(x, y):
        return 0 <= x < size and 0 <= y < size and (body[y][x] or (x, y) in arm_fill)
    grown = {(x, y) for y in range(size) for x in range(size)
             if any(solid0(x + i, y + j) for i in (-1, 0, 1) for j in (-1, 0, 1))}
    near_arm = {(x + i, y + j) for (x, y) in arm_fill
                for i in (-2, -1, 0, 1, 2)
                for j in (-2, -1, 0, 1, 2)}
    for (x, y) in sorted(near_arm):
        if 0 <= x < size and 0 <= y < size and not solid0(x, y) and all(
                (x + i, y + j) in grown for i in (-1, 0, 1) for j in (-1, 0, 1)):
            arm_fill[(x, y)] = "s" if x < cx else "d"

    def solid(x, y):
        return 0 <= x < size and 0 <= y < size and (body[y][x] or (x, y) in arm_fill)

    def normal(x, y):
        """Outward direction of the silhouette at (x, y), from its 5x5 neighbourhood."""
        nx = ny = 0.0
        for j in range(-2, 3):
            for i in range(-2, 3):
                if (i or j) and not solid(x + i, y + j):
                    nx += i
                    ny += j
        n = math.hypot(nx, ny) or 1.0
        return nx / n, ny / n

    lx, ly = LIGHT[0], LIGHT[1]
    ln = math.hypot(lx, ly)
    lx, ly = lx / ln, ly / ln
    shade_body = body_shade(cx, top, bottom, rx, build.bands, shear)
    outline = {}
    for y in range(size):
        for x in range(size):
            if not solid(x, y):
                continue
            edge = not (solid(x - 1, y) and solid(x + 1, y) and solid(x, y - 1) and solid(x, y + 1))
            if edge:
                nx, ny = normal(x, y)
                # selective outline: warm brown where the light falls, dark plum
                # where it turns away
                outline[(x, y)] = nx * lx + ny * ly
                cv.put(x, y, "O" if nx * lx + ny * ly > 0.3 and y < cy + 2 else "o")
            elif body[y][x]:
                cv.put(x, y, shade_body(x + 0.5, y + 0.5))
            else:
                cv.put(x, y, arm_fill[(x, y)])

    # the lit edge turns away from the viewer: never the lightest fill against
    # the outline, and a bounce of sky light inside the shadowed edge
    for y in range(size):
        for x in range(size):
            c = cv.get(x, y)
            if (x, y) in outline or c not in "Hlcbnmqsd":
                continue
            near = [outline[(x + i, y + j)] for i, j in ((1, 0), (-1, 0), (0, 1), (0, -1))
                    if (x + i, y + j) in outline]
            if not near:
                continue
            if c in "Hlc":
                cv.put(x, y, "b")
            elif build.rim and min(near) < -0.45 and c in "sqd" and body[y][x] \
                    and y < bottom - 2.5 and x > cx + shear(y) + rx * 0.55:
                cv.put(x, y, "R")

    # the feet peep out under the body: lit along the top where the body's
    # light spills on them, outlined a step lighter than the body so the
    # underside holds against the black night
    def foot(x, y):
        return any(f(x + 0.5, y + 0.5) for f in feet) and not solid(x, y)
    for y in range(size):
        for x in range(size):
            if not foot(x, y):
                continue
            if not all(foot(x + i, y + j) or solid(x + i, y + j)
                       for i, j in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                cv.put(x, y, "u")
            else:
                cv.put(x, y, "s" if foot(x, y - 1) else "m")
    for (x, y) in outline:
        if y > cy + 2 and cv.get(x, y) == "o" and any(
                not solid(x + i, y + j) and not foot(x + i, y + j)
                for i, j in ((1, 0), (-1, 0), (0, 1))) and normal(x, y)[1] > 0.2:
            cv.put(x, y, "u")

    if build.rich:
        # more colours: the outline turns from lit to dark through a middle
        # tone, and each inner corner of the outline steps one shade down
        for (x, y), facing in outline.items():
            if -0.15 < facing < 0.55 and cv.get(x, y) in "Oo" and y < cy + 4:
                cv.put(x, y, "v")
        ramp = "Hlcbnmqsd"
        for y in range(size):
            for x in range(size):
                c = cv.get(x, y)
                if (x, y) in outline or c not in ramp or c == "d":
                    continue
                n = sum((x + i, y + j) in outline for i in (-1, 0, 1) for j in (-1, 0, 1))
                if n >= 3:
                    cv.put(x, y, ramp[ramp.index(c) + 1])

    # a mitten pressed to the side of a wide squash, in front of the body
    for (x, y), tone in front.items():
        rim = any((x + i, y + j) not in front and not solid(x + i, y + j)
                  for i, j in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        cv.put(x, y, "o" if rim else tone)

    # soften the stairs of the lit outline against the night: a dark pixel in
    # each outside corner where the curve steps by one
    for y in range(size if build.soften else 0):
        if y > cy:
            break
        for x in range(size):
            if solid(x, y):
                continue
            h = [cv.get(x + i, y) == "O" for i in (-1, 1)]
            v = [cv.get(x, y + j) == "O" for j in (-1, 1)]
            if v[1] and any(h) and not solid(x, y - 1):
                cv.put(x, y, "a")

    # sprout on the crown, its stem planted in the outline
    rows = sprout_rows(pose.sway, pose.sprout == "flat")
    stem = rows[-1].find("s")
    crown_x = int(cx + pose.lean) + pose.sprout_dx
    x0, y0 = crown_x - stem, max(1, int(top) - len(rows) + 1)   # off the frame's edge
    cv.stamp(x0, y0, [r.replace("s", "G") for r in rows])
    sx = crown_x
    y = y0 + len(rows)
    while y < size and cv.get(sx, y) in (build.background, "a"):
        cv.put(sx, y, "G")
        y += 1
    for i in (-1, 1):       # no key-blue notch beside the stem
        if cv.get(sx + i, y0 + len(rows) - 1) in ("a",):
            cv.put(sx + i, y0 + len(rows) - 1, build.background)

    turn = pose.face_dx

    ramp = "".join(c for _, c in build.bands)      # brightest first

    def on_body(x, y):
        return cv.get(x, y) in ramp and (x, y) not in outline and body[y][x] \
            and not any((x + i, y + j) in front for i in (-1, 0, 1) for j in (-1, 0, 1))

    # potato: a few shallow eyes in the skin (they stay put in a glance,
    # like the light)
    if pose.specks:
        for u, v, n in ((0.50, -0.56, 2), (-0.62, 0.42, 1)):
            px = int(round(cx + shear(cy + v * ry_top) + u * rx))
            py = int(round(cy + v * (ry_top if v < 0 else ry_bot)))
            for k in range(n):
                if on_body(px + k, py):
                    c = cv.get(px + k, py)
                    cv.put(px + k, py, ramp[min(len(ramp) - 1, ramp.index(c) + 2)])
            if on_body(px, py + 1) and n > 1:
                c = cv.get(px, py + 1)
                cv.put(px, py + 1, ramp[max(1, ramp.index(c) - 1)])

    # the shine stays inside the outline, however flat the body is squashed;
    # it is the light's, so a glance leaves it where it is
    sy0 = int(round(top + height * 0.14))
    sx0 = int(round(cx + shear(sy0) - rx * 0.58))

    def shine_fits(x, y):
        return on_body(x, y) and not any(
            (x + i, y + j) in outline for i, j in ((1, 0), (-1, 0), (0, 1), (0, -1)))

    def spots_at(x0, y0):
        return [(x0 + dx, y0 + dy) for dy, row in enumerate(SHINE)
                for dx, ch in enumerate(row) if ch != " "]
    while not all(shine_fits(x, y) for x, y in spots_at(sx0, sy0)) and sx0 < cx:
        sx0 += 1
    for x, y in spots_at(sx0, sy0):
        if shine_fits(x, y):
            cv.put(x, y, "w")

    # face: spacing and height follow the squash and stretch
    gap = max(2, int(rx * 0.3))
    ey = int(round(top + height * 0.36))
    fdx = turn + int(round(shear(ey + 3)))
    eyes = pose.eyes
    if eyes == "open" and sq <= -1.5:
        eyes = "open_tall"
    elif eyes == "open" and sq >= 1.0:
        eyes = "open_short"
    eye = EYES[eyes]
    ew = len(eye[0])
    ex = int(cx) - gap - ew          # left eye; the right one mirrors it
    left_eye, right_eye = eye, flipped(eye) if eyes in ("squeeze", "closed") else eye
    lx0, rx0 = ex + fdx, size - ex - ew + fdx
    if eyes == "open" and turn:
        # a glance: the face slides `turn` pixels over a body whose light
        # stays put; the eye on the side looked toward loses its outer
        # column as the head turns, its inner edge keeping the stride.
        # Both eyes keep their catchlight on the upper left.
        fdx = turn
        lx0, rx0 = ex + fdx, size - ex - ew + fdx
        if turn < 0:
            left_eye = EYES["far"]
            lx0 += 1
        else:
            right_eye = EYES["far"]
    # the eyes stay two pixels of skin inside the outline, however far they turn
    rows = range(ey, ey + len(eye))
    left_edge = max(min(x for x in range(size) if body[y][x]) for y in rows)
    right_edge = min(max(x for x in range(size) if body[y][x]) for y in rows)
    if turn:
        # in a glance each eye stops on its own: the one toward the look
        # presses against the turning edge while the other, mouth and
        # cheeks slide the whole way
        # (row by row: the narrow eye's rounded top and bottom may sit
        # nearer the curve than its middle)
        for y, r in zip(rows, left_eye):
            if r.strip():
                lx0 = max(lx0, min(x for x in range(size) if body[y][x]) + 3 - (len(r) - len(r.lstrip())))
        for y, r in zip(rows, right_eye):
            if r.strip():
                rx0 = min(rx0, max(x for x in range(size) if body[y][x]) - 3 - len(r.rstrip()) + 1)
        shift = 0
    else:
        shift = max(0, left_edge + 3 - lx0) - max(0, rx0 + len(right_eye[0]) - 1 - (right_edge - 3))
    lx0, rx0, fdx = lx0 + shift, rx0 + shift, fdx + shift
    cv.stamp(lx0, ey, left_eye)
    cv.stamp(rx0, ey, right_eye)
    if build.rich or build.soften:      # the eyes' round corners, half way to the skin
        for x0, e in ((lx0, left_eye), (rx0, right_eye)):
            for y in (0, len(e) - 1):
                for x in (0, len(e[0]) - 1):
                    if e[y][x] == " " and "e" in e[y] and cv.get(x0 + x, ey + y) in "lcbnmqsd":
                        cv.put(x0 + x, ey + y, "E")
    cdx = (turn if turn else int(round(shear(ey + 6)))) + shift
    chx = ex - 1
    cy_cheek = ey + len(eye) + (1 if height >= 25 else 0) - pose.cheek_lift   # under the eye
    if turn < 0:       # squeezed toward the turning edge, under its eye's outer half
        cv.stamp(lx0, cy_cheek, CHEEK_FAR)
    else:
        cv.stamp(chx + cdx, cy_cheek, CHEEK)
    if turn > 0:
        cv.stamp(rx0 + len(right_eye[0]) - len(CHEEK_FAR[0]), cy_cheek, flipped(CHEEK_FAR))
    else:
        cv.stamp(size - chx - len(CHEEK[0]) + cdx, cy_cheek, flipped(CHEEK))
    mouth = MOUTHS[pose.mouth]
    cv.stamp((size - len(mouth[0])) // 2 + fdx, ey + 4, mouth)
    for (x, y), want, put in TOUCHES.get(pose.touch, ()):
        if cv.get(x, y) == want:        # hand-placed, only where the shape is as drawn
            cv.put(x, y, put)
    for x0, y, row in PATCHES.get(pose.patch, ()):
        # drawn upright: a leaning frame carries each row with its crown
        for i, ch in enumerate(row):    # ' ' leaves the pixel as composed
            if ch != " ":
                cv.put(x0 + i + round(shear(y + 0.5)), y, build.background if ch == "." else ch)
    seal_pockets(cv, build.background)
    if pose.patch in WAVE_POSES:
        # for the measures: the waving arm as drawn, whatever stands outside
        # the body beside and above its shoulder
        cv.wave_hand, cv.wave_root = WAVE_POSES[pose.patch]
        rx0, ry0 = cv.wave_root
        cv.wave_px = {(x, y) for y in range(int(ry0) + WAVE_UNDERSIDE) for x in range(int(rx0), size)
                      if not body[y][x] and cv.get(x, y) != build.background}
    return cv


# Hand-placed pixels: (x, y), the colour the script draws there, the colour
# put instead.  Arm-stub ends are rounded off.
ARM_TIPS_REST = [((3, 30), "u", "."), ((3, 29), "b", "u"),
                 ((36, 30), "u", "."), ((36, 29), "m", "u")]
TOUCHES = {
    "rest": ARM_TIPS_REST,
}


# Hand-drawn rows over the composed frame: (x, y, row); '.' is the night,
# ' ' keeps what the script drew.
# The waving arm, drawn by hand over a frame with no right arm: a nub like
# the resting ones, raised from low on the side (its underside leaves the
# body at row 25, two rows above where a resting arm joins), on a wrist
# three pixels across, with a mitten five across that rounds off to three at
# its top.  Its lit front edge carries on a row or two down over the body as
# a crease, so the arm lies in front of the side rather than growing out of
# it, and the side under it stays in shadow, the rim light starting where
# the arm's underside comes back to the outline.
def wave_arm(x0, top, rows):
    """A waving arm's rows, x0 the column of each row's first character,
    from row top down; ' ' keeps the composed body."""
    return [(x0, top + i, r) for i, r in enumerate(rows)]


WAVE_POSES = {   # hand's centre and the shoulder (x, y), for the measures
    "wave_up": ((35.5, 15.0), (31.5, 21.5)),
    "wave_back": ((35.5, 12.0), (31.5, 22.0)),
    "wave_out": ((35.5, 20.0), (31.5, 22.5)),
}
WAVE_UNDERSIDE = 4     # rows below the shoulder the arm's underside reaches


PATCHES = {
    # The glance right: the sprout's stem, moved three pixels along the
    # crown, would land on the crown's corner; its base stays a pixel
    # inside, as the glance left has it, and the corner keeps its outline.
    "glance_right_crown": [(22, 13, "GOa")],
    # up: about 65 degrees, the mitten beside the crown's shoulder
    "wave_up": wave_arm(28, 13, [
        "      OOo",
        "     Olbbo",
        "    Obbbbmo",
        "    aObbmmo",
        "     Obbmo",
        "   aObbmso",
        "   Obbmmso",
        "   dmmmsso",
        "   dmssso",
        "   ddddo",
        "   ddRo",
        "   dRo"]),
    # straight up: the mitten highest; the crown leans a
    # pixel toward the arm here, and the rows above row 24 ride that lean,
    # so they are drawn a column to the left
    "wave_back": wave_arm(27, 10, [
        "      OOo",
        "     Olbbo",
        "    Obbbbmo",
        "    aObbmmo",
        "     Obbmo",
        "     Obmso",
        "     Obmso",
        "     Obmso",
        "    aObmso",
        "   aObbmso",
        "   Obbmmso",
        "   dmmmsso",
        "   dmssso",
        "   dddso",
    ]) + wave_arm(28, 24, [
        "   ddRo",
        "   dRo",
    ]),
    # out: about 40 degrees and on its way down, the mitten lower, nearer
    # the side
    "wave_out": wave_arm(28, 18, [
        "      aOOo",
        "    aOlbbmo",
        "   Obbbbbmo",
        "   Obbbmmso",
        "   dmmmsso",
        "   ddssso",
        "   dddso",
        "   ddRo",
        "   dRo"]),
}


def seal_pockets(cv, bg):
    """No scrap of background shut inside the figure: the saver would show
    the night through it.  Such a pocket takes the dark outline's colour."""
    seen = set()
    todo = [(x, y) for x in range(cv.w) for y in (0, cv.h - 1)] + \
           [(x, y) for y in range(cv.h) for x in (0, cv.w - 1)]
    while todo:
        x, y = todo.pop()
        if (x, y) in seen or cv.get(x, y) != bg:
            continue
        seen.add((x, y))
        todo += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    for y in range(cv.h):
        for x in range(cv.w):
            if cv.get(x, y) == bg and (x, y) not in seen:
                cv.put(x, y, "o")


def sprout_pose(code):
    """'up', 'flat' (squashed), or 'l1'/'r2'...: swayed that far left/right."""
    if code in ("up", "flat"):
        return dict(sprout=code, sway=0)
    flat = code.endswith("f")
    n = int(code[1]) * (-1 if code[0] == "l" else 1)
    return dict(sprout="flat" if flat else "up", sway=n)


def character_frames():
    P = Pose
    f = {"000": P(touch="rest")}
    # a wave, one happy face throughout: the near arm comes up from low on
    # the side and swings - up, straight up, down and nearer the side (it
    # comes to rest in the frame that follows); as it stands straight up the
    # crown leans a pixel toward it, and otherwise the body, the other arm,
    # the feet and the shadow hold still
    f["102"] = P(arm_r=None, eyes="happy", mouth="open", touch="rest", patch="wave_up", still_shadow=True)
    f["103"] = P(arm_r=None, lean=1, eyes="happy", mouth="open", touch="rest", patch="wave_back", still_shadow=True)
    f["104"] = P(arm_r=None, eyes="happy", mouth="open", touch="rest", patch="wave_out", still_shadow=True)
    # a big hop and a small one: crouch, launch, apex, fall, land squashed,
    # rebound; again smaller; a cheer and settle.  Never quite symmetric:
    # one arm leads, the crown leans, the sprout sways its own way.  One face
    # logic: eyes open for the take-off, happy while airborne and bouncing,
    # squeezed only on the two impacts, open again as it settles.
    hop = [
        # lift, squash, lean, eyes, mouth, arm_l, arm_r, feet, sprout
        (0, 1.5, 0, "open", "w", "low", "rest", "down", "up"),             # 202 crouch
        (0, 3.5, -1, "open", "w", "rest", "low", "down", "flat"),          # 203 wind-up
        (0, -3.0, 1, "open", "open", "up", "high", "down", "l1f"),         # 204 launch
        (6, -1.5, 1, "happy", "open", "high", "up", "tucked", "l1f"),      # 205 rising
        (9, -0.5, 0, "happy", "open", "half", "low", "tucked", "r1"),      # 206 apex
        (8, -0.5, -1, "happy", "open", "low", "half", "tucked", "up"),      # 207 turning
        (4, -2.0, -1, "happy", "open", "up", "half", "down", "r1"),        # 208 falling
        (0, 4.0, 0, "squeeze", "w", "low", "rest", "down", "flat"),        # 209 impact
        (0, -1.5, 1, "happy", "open", "out", "half", "down", "l1"),        # 210 rebound
        (0, 1.0, 0, "happy", "open", "rest", "low", "down", "up"),         # 211
        (0, 2.5, 1, "happy", "open", "low", "rest", "down", "flat"),       # 212 wind-up
        (0, -2.0, -1, "happy", "open", "high", "up", "down", "r1f"),       # 213 launch
        (5, 0.0, -1, "happy", "open", "half", "out", "tucked", "r1"),      # 214 apex
        (3, -1.0, 0, "happy", "open", "out", "half", "down", "up"),        # 215 falling
        (0, 3.0, 0, "squeeze", "w", "rest", "low", "down", "flat"),        # 216 landing
        (0, -1.0, 1, "happy", "open", "up", "high", "down", "l1"),         # 217 cheer
        (0, 0.0, 1, "happy", "open", "high", "up", "down", "l2"),          # 218
        (0, 0.5, 0, "open", "smile", "half", "out", "down", "l1"),         # 219
        (0, 0.0, 0, "open", "w", "rest", "low", "down", "up"),             # 220 settle
    ]
    assert len(hop) == 19
    for n, (lift, sq, lean, eyes, mouth, al, ar, feet, sprout) in enumerate(hop):
        f["%03d" % (202 + n)] = P(lift=lift, squash=sq, lean=lean, eyes=eyes, mouth=mouth,
                                  arm_l=al, arm_r=ar, feet=feet, **sprout_pose(sprout))
    # a blink is the resting frame with the lids down and nothing else moved
    f["302"] = P(eyes="closed", touch="rest")
    # a glance: the face and the sprout turn three pixels on a body that
    # keeps the resting frame's light; the eye on that side narrows over a
    # squeezed cheek and one arm lifts
    f["402"] = P(face_dx=-3, sprout_dx=-3, sway=-1, arm_l="low")
    f["403"] = P(face_dx=3, sprout_dx=3, sway=1, arm_r="low", patch="glance_right_crown")
    return f


FRAME_TITLES = {"000": "resting", "102": "wave: arm up", "103": "wave: arm straight up",
                "104": "wave: arm out and lower", "302": "blink", "402": "glance left",
                "403": "glance right"}


# --------------------------------------------------------------------------
# Icon


# the 16-colour icon has no in-between tones: a smaller lit cap, so the
# light is graded rather than one flat slab
ICON_BANDS = [(0.86, "l"), (0.72, "c"), (0.58, "b"), (0.32, "m"), (0.08, "s"), (-9, "d")]


def icon_32(rich):
    # a round head: the crown and sides step as the circle does, with no
    # long flat run on top or down either side
    build = Build(size=32, ground=30.5, rx=13.6, height=24.5, even=False,
                  bands=BODY_BANDS_RICH if rich else ICON_BANDS, background="_",
                  rim=False, soften=False, rich=rich, shadow=False, base=2.0)
    cv = draw_character(Pose(arm_l=None, arm_r=None, feet=None, specks=False), build)
    # the crown's top run is the circle's 8 pixels: take one off each end,
    # so the head rounds into its top instead of stopping flat
    top = next(y for y in range(cv.h) if any(cv.get(x, y) in "Ov" for x in range(cv.w)))
    run = [x for x in range(cv.w) if cv.get(x, top) in "Ov"]
    if len(run) > 6:
        for x, out in ((run[0], -1), (run[-1], 1)):
            cv.put(x, top, "_")
            cv.put(x, top + 1, cv.get(x + out, top + 1))   # the outline below, one further in
            if cv.get(x, top + 2) in "lc":                  # never the lightest against it
                cv.put(x, top + 2, "b")
    lines = cv.lines()
    if not rich:
        lines = [r.replace("u", "o") for r in lines]
    return lines


ICON_16 = [               # drawn by hand; too small to compose.  An oval 14
    "________________",   # wide, mirrored about its middle: 2x3 eyes lit in
    "______g__g______",   # one corner, a blush under each eye's outer edge
    "______gGGg______",   # with skin between it and both the outline and
    "_____OOGOOo_____",   # the small smile below, and a four-pixel sprout
    "___OObbbbbmoo___",
    "__Obbwlllbbmmo__",
    "__Obllllllbmso__",
    "_Oblwelllbwemso_",
    "_Obleellbbeemso_",
    "_Obbeebbbbeemso_",
    "_obppbbbbbmppso_",
    "__ombbrbbrmsdo__",
    "__ommmmrrssddo__",
    "___oosssdddoo___",
    "_____oooooo_____",
    "________________",
]

# --------------------------------------------------------------------------
# Output


def art_text(title, w, h, bpp, palette, lines):
    assert len(lines) == h and all(len(r) == w for r in lines), title
    out = ["# " + title, "size %dx%d" % (w, h), "bpp %d" % bpp, "palette"]
    for c, col, note in palette:
        out.append("  %s  %-7s  %s" % (c, col, note))
    out.append("pixels")
    out.extend(lines)
    return "\n".join(out) + "\n"


def main():
    ap = argparse.ArgumentParser(description="Compose the art/*.txt sources.")
    ap.add_argument("--out", default="art")
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)

    def emit(name, title, w, h, bpp, palette, lines):
        with open(os.path.join(args.out, name + ".txt"), "w", encoding="utf-8") as f:
            f.write(art_text(title, w, h, bpp, palette, lines))

    for code, pose in sorted(character_frames().items()):
        emit("IDB_BITMAP_TOKOPI_" + code,
             "もちぽて, %s" % FRAME_TITLES.get(code, "hop %d/19" % (int(code) - 201)),
             40, 40, 8, CHAR_PALETTE, draw_character(pose).lines())

    emit_props(emit)

    emit("icon_32x32_4bpp", "もちぽて icon, 32x32, 16 colours", 32, 32, 4,
         ICON_PALETTE, icon_32(False))
    emit("icon_16x16_4bpp", "もちぽて icon, 16x16, 16 colours", 16, 16, 4,
         ICON_PALETTE, ICON_16)
    emit("icon_32x32_8bpp", "もちぽて icon, 32x32, 256 colours", 32, 32, 8,
         ICON_PALETTE_RICH, icon_32(True))
    emit("pointer_32x32_8bpp", "pointer: star-tipped wand, hot spot (0,0)", 32, 32, 8,
         POINTER_PALETTE, pointer())


if __name__ == "__main__":
    main()
