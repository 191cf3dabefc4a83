#!/usr/bin/env python3
"""Turns a text score (see music/README.md) into a Standard MIDI File.

    python3 tools/midigen.py music/tune.score OUT.mid

The score is checked bar by bar: every bar must be exactly as long as the
time signature says, every track must have the same number of bars, and ties
must land on the same pitch.  Velocities are shaped from the track's base
("v=NN", moved gradually by the hairpins "<" and ">"), its accents per beat
("beats", "offbeat") and per note ("!" accents, "@NN" sets one note outright);
a shaped velocity that leaves 1..127 is refused too.  Any problem stops the run
with a message of the form "FILE:LINE: what is wrong" and exit status 1.

After writing, the file is read back by an independent little reader that
checks the chunk structure, the End of Track events and the note pairing, so
a broken writer is caught here rather than by the player.

Python 3 standard library only.
"""

import re
import struct
import sys


class ScoreError(Exception):
    def __init__(self, line, message):
        super().__init__(message)
        self.line = line
        self.message = message


# ---------------------------------------------------------------------------
# Score parsing

NOTE_BASE = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}
NOTE_RE = re.compile(r"^([A-G])(#|b)?(-?\d)$")
# a duration: /1 /2 /4 /8 /16 /32, then optional "." (dotted) or "t" (triplet)
DUR_RE = re.compile(r"^/(1|2|4|8|16|32)(\.|t)?$")
# how a note is struck, written after its duration: "!" accented, "@NN" exactly NN
STRIKE_RE = re.compile(r"^(.*?)(!|@(\d*))?$")
ACCENT = 12             # what "!" adds to the velocity
MAX_OFFSET = 40         # largest beat or offbeat accent, either way
TOKEN_RE = re.compile(r"\[[^\]]*\][^\s\[]*|\S+")

# Key signatures for the key meta event: name -> (sharps(+)/flats(-), minor)
KEYS = {}
for _i, (_maj, _min) in enumerate(
        [("Cb", "Ab"), ("Gb", "Eb"), ("Db", "Bb"), ("Ab", "F"), ("Eb", "C"),
         ("Bb", "G"), ("F", "D"), ("C", "A"), ("G", "E"), ("D", "B"),
         ("A", "F#"), ("E", "C#"), ("B", "G#"), ("F#", "D#"), ("C#", "A#")]):
    KEYS[_maj + " major"] = (_i - 7, 0)
    KEYS[_min + " minor"] = (_i - 7, 1)

TRACK_KEYS = {
    # key: (lowest, highest)
    "channel": (1, 16),
    "program": (1, 128),
    "volume": (0, 127),
    "pan": (0, 127),
    "reverb": (0, 127),
    "chorus": (0, 127),
    "velocity": (1, 127),
}


class Track:
    def __init__(self, name, line):
        self.name = name
        self.line = line
        self.settings = {"velocity": 80, "pan": 64}
        self.beats = None       # velocity added on each beat of the bar
        self.offbeat = 0        # velocity added to notes struck between beats
        # list of (line, [events]); while parsing an event is a Note or a Mark,
        # after shape_velocities it is (pitches, ticks, tie, velocity)
        self.bars = []


class Note:
    """A note, chord or rest as written; its velocity is worked out later."""
    def __init__(self, pitches, ticks, tie, strike, line):
        self.pitches = pitches
        self.ticks = ticks
        self.tie = tie
        self.strike = strike    # None, "!" or a fixed velocity
        self.line = line


class Mark:
    """A dynamic sign between notes: "v=NN" or a hairpin "<" / ">"."""
    ticks = 0

    def __init__(self, kind, value, line):
        self.kind = kind        # "v", "<" or ">"
        self.value = value
        self.line = line


class Score:
    def __init__(self):
        self.tempo = None       # beats (quarter notes) per minute
        self.ppq = 480
        self.time_sig = None    # (numerator, denominator)
        self.key = None         # (sf, minor) or None
        self.title = None
        self.tracks = []

    def bar_ticks(self):
        num, den = self.time_sig
        return self.ppq * 4 * num // den


def parse_pitch(text, line):
    m = NOTE_RE.match(text)
    if not m:
        raise ScoreError(line, "not a note: %r (write e.g. C4, F#3, Bb5)" % text)
    letter, accidental, octave = m.groups()
    value = NOTE_BASE[letter] + (12 * (int(octave) + 1))
    if accidental == "#":
        value += 1
    elif accidental == "b":
        value -= 1
    if not 0 <= value <= 127:
        raise ScoreError(line, "note %s is outside the MIDI range" % text)
    return value


def parse_duration(text, ppq, line):
    m = DUR_RE.match(text)
    if not m:
        raise ScoreError(line, "bad duration %r (write /4, /8, /2., /8t ...)" % text)
    division, modifier = int(m.group(1)), m.group(2)
    whole = ppq * 4
    if whole % division:
        raise ScoreError(line, "duration %s does not fit ppq %d" % (text, ppq))
    ticks = whole // division
    if modifier == ".":
        if ticks % 2:
            raise ScoreError(line, "dotted %s does not fit ppq %d" % (text, ppq))
        ticks += ticks // 2
    elif modifier == "t":
        if (ticks * 2) % 3:
            raise ScoreError(line, "triplet %s does not fit ppq %d" % (text, ppq))
        ticks = ticks * 2 // 3
    return ticks


def parse_event(token, score, track, line):
    """One token of a bar: a note, a rest or a chord."""
    tie = token.endswith("~")
    if tie:
        token = token[:-1]
    token, mark, fixed = STRIKE_RE.match(token).groups()
    strike = None
    if mark == "!":
        strike = "!"
    elif mark:
        if not fixed or not 1 <= int(fixed) <= 127:
            raise ScoreError(line, "'@' needs a velocity within 1..127, e.g. C5/4@70")
        strike = int(fixed)
    if token.startswith("["):
        close = token.find("]")
        if close < 0:
            raise ScoreError(line, "chord without ']': %r" % token)
        names = token[1:close].split()
        if not names:
            raise ScoreError(line, "empty chord")
        pitches = [parse_pitch(n.rstrip("~"), line) for n in names]
        if len(set(pitches)) != len(pitches):
            raise ScoreError(line, "chord has the same note twice: %r" % token)
        # [C3 A3 F4~]: only the marked notes are held into the next event
        held = {p for n, p in zip(names, pitches) if n.endswith("~")}
        if held and tie:
            raise ScoreError(line, "tie the whole chord or some of its notes, not both: %r" % token)
        tie = tie or bool(held)
        rest = token[close + 1:]
    else:
        slash = token.find("/")
        if slash <= 0:
            raise ScoreError(line, "%r needs a duration, e.g. %s/4" % (token, token))
        head, rest = token[:slash], token[slash:]
        if head in ("r", "R"):
            if tie:
                raise ScoreError(line, "a rest cannot be tied")
            if strike is not None:
                raise ScoreError(line, "a rest cannot be accented")
            pitches = []
        else:
            pitches = [parse_pitch(head, line)]
    ticks = parse_duration(rest, score.ppq, line)
    if not tie:
        tied = frozenset()
    elif token.startswith("[") and held:
        tied = frozenset(held)
    else:
        tied = frozenset(pitches)
    return Note(pitches, ticks, tied, strike, line)


def parse_bar_text(text, score, track, line):
    events = []
    for token in TOKEN_RE.findall(text):
        m = re.match(r"^v=(\d+)$", token)
        if m:
            value = int(m.group(1))
            if not 1 <= value <= 127:
                raise ScoreError(line, "velocity %d is not within 1..127" % value)
            events.append(Mark("v", value, line))
            continue
        if token in ("<", ">"):
            events.append(Mark(token, None, line))
            continue
        events.append(parse_event(token, score, track, line))
    return events


def parse_offsets(text, count, line, keyword):
    """Signed velocity offsets such as "+8 -4 +2"; exactly COUNT of them."""
    words = text.split()
    if len(words) != count or not all(re.match(r"^[+-]?\d+$", w) for w in words):
        example = " ".join(["+6"] + ["-2"] * (count - 1))
        raise ScoreError(line, "%s needs %d signed whole number(s), e.g. %s %s"
                         % (keyword, count, keyword, example))
    values = [int(w) for w in words]
    for v in values:
        if abs(v) > MAX_OFFSET:
            raise ScoreError(line, "%s %+d is beyond +-%d" % (keyword, v, MAX_OFFSET))
    return values


def shape_velocities(score, track):
    """Works out every struck note's velocity and leaves plain tuples in track.bars.

    The base velocity is the last "v=NN"; between a hairpin and the next
    "v=NN" it moves in a straight line with the time at which notes are
    struck.  The beat accent (or the offbeat one) is added, then "!"; "@NN"
    replaces the lot.
    """
    beat = score.ppq * 4 // score.time_sig[1]
    bar = score.bar_ticks()
    beats = track.beats or [0] * score.time_sig[0]
    base = track.settings["velocity"]
    tick = 0
    hairpin = None          # (mark, tick, base) while a hairpin is open
    waiting = []            # [(note, tick)] struck since the hairpin opened
    shaped = {}             # id(note) -> base velocity

    def close(target, line):
        mark, start, value = hairpin
        if mark.kind == "<" and target <= value or mark.kind == ">" and target >= value:
            raise ScoreError(mark.line, "hairpin %s goes from %d to %d: it must %s"
                             % (mark.kind, value, target, "rise" if mark.kind == "<" else "fall"))
        if tick == start:
            raise ScoreError(mark.line, "hairpin %s ends where it starts" % mark.kind)
        for note, at in waiting:
            shaped[id(note)] = value + (target - value) * (at - start) / (tick - start)

    for _line, events in track.bars:
        for e in events:
            if isinstance(e, Mark):
                if e.kind == "v":
                    if hairpin:
                        close(e.value, e.line)
                        hairpin, waiting = None, []
                    base = e.value
                elif hairpin:
                    raise ScoreError(e.line, "hairpin %s opened before the one on line %d reached its v=NN"
                                     % (e.kind, hairpin[0].line))
                else:
                    hairpin = (e, tick, base)
                continue
            if hairpin:
                waiting.append((e, tick))
            else:
                shaped[id(e)] = base
            tick += e.ticks
    if hairpin:
        raise ScoreError(hairpin[0].line, "hairpin %s in track '%s' never reaches a v=NN"
                         % (hairpin[0].kind, track.name))

    tick = 0
    for i, (line, events) in enumerate(track.bars):
        out = []
        for e in events:
            if isinstance(e, Mark):
                continue
            if isinstance(e.strike, int):
                velocity = e.strike
            else:
                in_bar = tick % bar
                accent = beats[in_bar // beat] if in_bar % beat == 0 else track.offbeat
                velocity = int(round(shaped[id(e)])) + accent + (ACCENT if e.strike == "!" else 0)
                if e.pitches and not 1 <= velocity <= 127:
                    raise ScoreError(e.line, "a note in track '%s' comes to velocity %d, outside 1..127"
                                     % (track.name, velocity))
            out.append((e.pitches, e.ticks, e.tie, velocity))
            tick += e.ticks
        track.bars[i] = (line, out)


def parse_score(text):
    score = Score()
    track = None
    for number, raw in enumerate(text.splitlines(), start=1):
        # '#' opens a comment only at the start of a word, so F#4 stays a note
        content = re.sub(r"(^|\s)#.*$", "", raw).strip()
        if not content:
            continue
        words = content.split(None, 1)
        keyword = words[0].lower()
        value = words[1].strip() if len(words) > 1 else ""

        if keyword == "track":
            if not value:
                raise ScoreError(number, "a track needs a name")
            if score.tempo is None or score.time_sig is None:
                raise ScoreError(number, "write 'tempo' and 'time' before the first track")
            track = Track(value, number)
            score.tracks.append(track)
            continue

        if track is None:
            if keyword == "tempo":
                try:
                    score.tempo = float(value)
                except ValueError:
                    raise ScoreError(number, "tempo must be a number of beats per minute")
                if not 10 <= score.tempo <= 400:
                    raise ScoreError(number, "tempo %s is not within 10..400" % value)
            elif keyword == "ppq":
                if not value.isdigit() or not 24 <= int(value) <= 32767:
                    raise ScoreError(number, "ppq must be a whole number within 24..32767")
                score.ppq = int(value)
            elif keyword == "time":
                m = re.match(r"^(\d+)\s*/\s*(1|2|4|8|16|32)$", value)
                if not m or not 1 <= int(m.group(1)) <= 32:
                    raise ScoreError(number, "time signature must look like 3/4")
                score.time_sig = (int(m.group(1)), int(m.group(2)))
            elif keyword == "key":
                name = " ".join(value.split())
                name = name[0].upper() + name[1:] if name else name
                if name not in KEYS:
                    raise ScoreError(number, "unknown key %r (write e.g. 'F major', 'D minor')" % value)
                score.key = KEYS[name]
            elif keyword == "title":
                score.title = value
            else:
                raise ScoreError(number, "unknown header line %r" % keyword)
            continue

        if keyword in ("beats", "offbeat"):
            if track.bars:
                raise ScoreError(number, "%s must come before the track's notes" % keyword)
            if keyword == "beats":
                track.beats = parse_offsets(value, score.time_sig[0], number, keyword)
            else:
                track.offbeat = parse_offsets(value, 1, number, keyword)[0]
            continue

        if keyword in TRACK_KEYS:
            if not value.isdigit():
                raise ScoreError(number, "%s needs a whole number" % keyword)
            low, high = TRACK_KEYS[keyword]
            if not low <= int(value) <= high:
                raise ScoreError(number, "%s %s is not within %d..%d" % (keyword, value, low, high))
            if track.bars:
                raise ScoreError(number, "%s must come before the track's notes" % keyword)
            track.settings[keyword] = int(value)
            continue

        # Anything else is music: bars separated by '|'.  A bar never spans lines.
        for piece in content.split("|"):
            if not piece.strip():
                continue
            events = parse_bar_text(piece, score, track, number)
            length = sum(e.ticks for e in events)
            if length != score.bar_ticks():
                raise ScoreError(number, "bar %d of track '%s' lasts %d ticks, a bar of %d/%d is %d"
                                 % (len(track.bars) + 1, track.name, length,
                                    score.time_sig[0], score.time_sig[1], score.bar_ticks()))
            track.bars.append((number, events))

    if score.tempo is None or score.time_sig is None:
        raise ScoreError(len(text.splitlines()), "the score needs 'tempo' and 'time' lines")
    if not score.tracks:
        raise ScoreError(len(text.splitlines()), "the score has no tracks")
    for t in score.tracks:
        if "channel" not in t.settings or "program" not in t.settings:
            raise ScoreError(t.line, "track '%s' needs 'channel' and 'program'" % t.name)
        if not t.bars:
            raise ScoreError(t.line, "track '%s' has no bars" % t.name)
    first = score.tracks[0]
    for t in score.tracks[1:]:
        if len(t.bars) != len(first.bars):
            raise ScoreError(t.line, "track '%s' has %d bars, track '%s' has %d: "
                             "all tracks must loop at the same point"
                             % (t.name, len(t.bars), first.name, len(first.bars)))
    channels = {}
    for t in score.tracks:
        c = t.settings["channel"]
        if c in channels:
            raise ScoreError(t.line, "tracks '%s' and '%s' share channel %d"
                             % (channels[c], t.name, c))
        channels[c] = t.name
    for t in score.tracks:
        shape_velocities(score, t)
    return score


# ---------------------------------------------------------------------------
# Turning tracks into timed MIDI messages

def track_messages(score, track):
    """Returns (end_tick, [(tick, order, bytes)]) for one instrument track."""
    ch = track.settings["channel"] - 1
    s = track.settings
    msgs = [(0, 0, bytes([0xC0 | ch, s["program"] - 1]))]
    for cc, key in ((7, "volume"), (10, "pan"), (91, "reverb"), (93, "chorus")):
        if key in s:
            msgs.append((0, 0, bytes([0xB0 | ch, cc, s[key]])))

    tick = 0
    held = {}       # pitch -> line of the tie that keeps it sounding
    for line, events in track.bars:
        for pitches, ticks, tie, velocity in events:
            for p in list(held):
                if p not in pitches:
                    raise ScoreError(held[p], "a tie (~) in track '%s' is not followed by the same note"
                                     % track.name)
            for p in pitches:
                if p not in held:
                    msgs.append((tick, 2, bytes([0x90 | ch, p, velocity])))
            end = tick + ticks
            new_held = {}
            for p in pitches:
                if p in tie:
                    new_held[p] = line
                else:
                    # note-offs sort before note-ons at the same tick
                    msgs.append((end, 1, bytes([0x80 | ch, p, 0x40])))
            held = new_held
            tick = end
    if held:
        raise ScoreError(min(held.values()),
                         "track '%s' ends on a tie: the loop would leave a note hanging" % track.name)
    return tick, msgs


# ---------------------------------------------------------------------------
# Writing

def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def meta(kind, data):
    return bytes([0xFF, kind]) + vlq(len(data)) + data


def chunk(events, end_tick):
    """events: (tick, order, bytes); writes deltas, running status and End of Track."""
    body = bytearray()
    now = 0
    status = None
    for tick, _order, data in sorted(events, key=lambda e: (e[0], e[1])):
        body += vlq(tick - now)
        now = tick
        if data[0] < 0xF0 and data[0] == status:
            body += data[1:]              # running status
        else:
            body += data
            status = data[0] if data[0] < 0xF0 else None
    body += vlq(end_tick - now) + meta(0x2F, b"")
    return b"MTrk" + struct.pack(">I", len(body)) + bytes(body)


def build_midi(score):
    loop = len(score.tracks[0].bars) * score.bar_ticks()
    num, den = score.time_sig
    tempo_us = int(round(60_000_000 / score.tempo))
    conductor = [(0, 0, meta(0x03, (score.title or "tempo").encode("utf-8"))),
                 (0, 0, meta(0x58, bytes([num, den.bit_length() - 1, 24, 8]))),
                 (0, 0, meta(0x51, tempo_us.to_bytes(3, "big")))]
    if score.key:
        conductor.append((0, 0, meta(0x59, struct.pack(">bB", *score.key))))
    chunks = [chunk(conductor, loop)]
    for t in score.tracks:
        end, msgs = track_messages(score, t)
        assert end == loop
        msgs.insert(0, (0, 0, meta(0x03, t.name.encode("utf-8"))))
        chunks.append(chunk(msgs, loop))
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(chunks), score.ppq)
    return header + b"".join(chunks)


# ---------------------------------------------------------------------------
# Reading back, to check what was written

class MidiError(Exception):
    pass


def read_vlq(data, pos, end):
    value = 0
    for _ in range(4):
        if pos >= end:
            raise MidiError("variable-length number runs past the chunk")
        b = data[pos]
        pos += 1
        value = (value << 7) | (b & 0x7F)
        if not b & 0x80:
            return value, pos
    raise MidiError("variable-length number longer than 4 bytes")


def check_midi(data):
    """Parses a whole SMF; returns a summary dict or raises MidiError."""
    if data[:4] != b"MThd" or len(data) < 14:
        raise MidiError("no MThd header")
    length, fmt, ntracks, division = struct.unpack(">IHHH", data[4:14])
    if length != 6 or fmt != 1 or division & 0x8000 or division == 0:
        raise MidiError("unexpected header: length %d format %d division %d" % (length, fmt, division))
    pos = 14
    ends = []
    tempos = []
    time_sigs = []
    for index in range(ntracks):
        if data[pos:pos + 4] != b"MTrk":
            raise MidiError("track %d: no MTrk chunk" % index)
        (size,) = struct.unpack(">I", data[pos + 4:pos + 8])
        pos += 8
        end = pos + size
        if end > len(data):
            raise MidiError("track %d: chunk runs past the end of the file" % index)
        tick = 0
        status = None
        sounding = {}
        finished = False
        while pos < end:
            if finished:
                raise MidiError("track %d: data after End of Track" % index)
            delta, pos = read_vlq(data, pos, end)
            tick += delta
            if pos >= end:
                raise MidiError("track %d: event missing after delta" % index)
            b = data[pos]
            if b == 0xFF:
                kind = data[pos + 1]
                n, pos = read_vlq(data, pos + 2, end)
                payload = data[pos:pos + n]
                pos += n
                if kind == 0x2F:
                    finished = True
                elif kind == 0x51:
                    tempos.append((tick, int.from_bytes(payload, "big")))
                elif kind == 0x58:
                    time_sigs.append((tick, payload[0], 1 << payload[1]))
                status = None
            elif b in (0xF0, 0xF7):
                n, pos = read_vlq(data, pos + 1, end)
                pos += n
                status = None
            else:
                if b & 0x80:
                    status = b
                    pos += 1
                elif status is None:
                    raise MidiError("track %d: running status without a status" % index)
                size_of = 1 if status & 0xF0 in (0xC0, 0xD0) else 2
                args = data[pos:pos + size_of]
                pos += size_of
                kind, ch = status & 0xF0, status & 0x0F
                if kind == 0x90 and args[1] > 0:
                    if (ch, args[0]) in sounding:
                        raise MidiError("track %d: note %d struck twice at tick %d" % (index, args[0], tick))
                    sounding[(ch, args[0])] = tick
                elif kind == 0x80 or (kind == 0x90 and args[1] == 0):
                    if (ch, args[0]) not in sounding:
                        raise MidiError("track %d: note-off without note-on at tick %d" % (index, tick))
                    del sounding[(ch, args[0])]
        if pos != end:
            raise MidiError("track %d: last event runs past the chunk" % index)
        if not finished:
            raise MidiError("track %d: no End of Track" % index)
        if sounding:
            raise MidiError("track %d: %d note(s) never released" % (index, len(sounding)))
        ends.append(tick)
    if pos != len(data):
        raise MidiError("%d stray bytes after the last track" % (len(data) - pos))
    if len(set(ends)) != 1:
        raise MidiError("tracks end at different ticks: %s" % ends)
    if len(tempos) != 1 or tempos[0][0] != 0 or len(time_sigs) != 1 or time_sigs[0][0] != 0:
        raise MidiError("expected exactly one tempo and one time signature, at tick 0")
    _, num, den = time_sigs[0]
    bar = division * 4 * num // den
    if ends[0] % bar:
        raise MidiError("loop point %d is not a whole number of bars" % ends[0])
    return {"tracks": ntracks, "ticks": ends[0], "bars": ends[0] // bar,
            "seconds": ends[0] / division * tempos[0][1] / 1e6}


# ---------------------------------------------------------------------------

def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: python3 tools/midigen.py SCORE OUT.mid\n")
        return 2
    source, target = argv[1], argv[2]
    try:
        with open(source, encoding="utf-8") as f:
            text = f.read()
    except OSError as e:
        sys.stderr.write("%s: %s\n" % (source, e.strerror))
        return 1
    try:
        score = parse_score(text)
        data = build_midi(score)
    except ScoreError as e:
        sys.stderr.write("%s:%d: %s\n" % (source, e.line, e.message))
        return 1
    try:
        info = check_midi(data)
    except (MidiError, IndexError, struct.error) as e:
        sys.stderr.write("%s: internal error, the MIDI written does not read back: %s\n" % (target, e))
        return 1
    with open(target, "wb") as f:
        f.write(data)
    print("%s: %d tracks, %d bars, %.1f s per loop" % (target, info["tracks"], info["bars"], info["seconds"]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
