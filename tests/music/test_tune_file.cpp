// Reads もちぽて.mid (generated from music/tune.score at build time) back byte by
// byte and checks that it is a complete, well-formed Standard MIDI File that
// loops cleanly: every chunk length exact, every track closed by End of Track
// at the same tick, that tick a whole number of bars, every note released, and
// a playing time between 30 and 120 seconds.
#include <doctest/doctest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what); }

// The tune sits next to the test program; the build runs us from that folder,
// but fall back to the program's own folder in case we are started elsewhere.
Bytes load_tune() {
    const char* name = "もちぽて.mid";
    FILE* f = std::fopen(name, "rb");
    if (!f) {
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        size_t cut = 0;
        for (DWORD i = 0; i < n; ++i) {          // Shift-JIS aware: skip trail bytes
            if (IsDBCSLeadByte(static_cast<BYTE>(path[i]))) ++i;
            else if (path[i] == '\\' || path[i] == '/') cut = i + 1;
        }
        f = std::fopen((std::string(path, cut) + name).c_str(), "rb");
    }
    Bytes data;
    if (!f) return data;
    unsigned char buf[4096];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + got);
    std::fclose(f);
    return data;
}

// Reads big-endian numbers and variable-length quantities from [pos, end).
class Reader {
public:
    Reader(const Bytes& d, size_t pos, size_t end) : d_(d), pos_(pos), end_(end) {}
    bool done() const { return pos_ == end_; }
    size_t pos() const { return pos_; }
    unsigned byte() {
        if (pos_ >= end_) fail("data runs past the end of its chunk");
        return d_[pos_++];
    }
    uint32_t be(int n) {
        uint32_t v = 0;
        while (n-- > 0) v = (v << 8) | byte();
        return v;
    }
    uint32_t vlq() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            unsigned b = byte();
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return v;
        }
        fail("variable-length number longer than 4 bytes");
    }
    void skip(uint32_t n) {
        if (n > end_ - pos_) fail("data runs past the end of its chunk");
        pos_ += n;
    }

private:
    const Bytes& d_;
    size_t pos_, end_;
};

struct Tune {
    uint32_t division = 0;
    std::vector<uint32_t> track_ends;                     // tick of each End of Track
    std::vector<std::pair<uint32_t, uint32_t>> tempos;    // tick, microseconds per quarter
    std::vector<std::pair<uint32_t, uint32_t>> bars;      // tick, ticks per bar from there on
    int notes = 0;
};

void parse_track(Reader& r, Tune& tune) {
    uint32_t tick = 0;
    unsigned status = 0;                 // 0: no running status in effect
    std::map<unsigned, int> sounding;    // channel * 128 + key -> notes held
    for (;;) {
        if (r.done()) fail("track has no End of Track");
        tick += r.vlq();
        unsigned b = r.byte();
        if (b == 0xFF) {                 // meta event
            unsigned type = r.byte();
            uint32_t len = r.vlq();
            if (type == 0x2F) {
                if (len != 0) fail("End of Track with data");
                if (!r.done()) fail("chunk goes on after its End of Track");
                break;
            } else if (type == 0x51) {
                if (len != 3) fail("tempo event of the wrong size");
                tune.tempos.push_back(std::make_pair(tick, r.be(3)));
            } else if (type == 0x58) {
                if (len != 4) fail("time signature of the wrong size");
                uint32_t num = r.byte(), shift = r.byte();
                r.skip(2);
                uint32_t whole = tune.division * 4 * num;
                if (num == 0 || shift > 6 || whole % (1u << shift)) fail("odd time signature");
                tune.bars.push_back(std::make_pair(tick, whole >> shift));
            } else {
                r.skip(len);
            }
            status = 0;
        } else if (b == 0xF0 || b == 0xF7) {   // sysex
            r.skip(r.vlq());
            status = 0;
        } else {                               // channel message, maybe running status
            unsigned first;
            if (b & 0x80) {
                if (b >= 0xF0) fail("system message inside a track");
                status = b;
                first = r.byte();
            } else {
                if (!status) fail("data byte without a status");
                first = b;
            }
            unsigned kind = status & 0xF0;
            unsigned second = (kind == 0xC0 || kind == 0xD0) ? 0 : r.byte();
            if ((first | second) & 0x80) fail("status byte where data was expected");
            unsigned key = (status & 0x0F) * 128 + first;
            if (kind == 0x90 && second > 0) {
                ++sounding[key];
                ++tune.notes;
            } else if (kind == 0x80 || kind == 0x90) {
                if (sounding[key] == 0) fail("note-off without a note-on");
                --sounding[key];
            }
        }
    }
    for (const auto& s : sounding)
        if (s.second != 0) fail("a note is still sounding at End of Track");
    tune.track_ends.push_back(tick);
}

Tune parse_smf(const Bytes& d) {
    Tune tune;
    Reader r(d, 0, d.size());
    if (r.be(4) != 0x4D546864) fail("no MThd chunk");     // "MThd"
    if (r.be(4) != 6) fail("MThd length is not 6");
    if (r.be(2) != 1) fail("not format 1");
    uint32_t declared = r.be(2);
    tune.division = r.be(2);
    if (tune.division == 0 || (tune.division & 0x8000)) fail("division is not ticks per quarter");
    uint32_t chunks = 0;
    while (!r.done()) {                                      // the file must end right after a chunk
        if (r.be(4) != 0x4D54726B) fail("a chunk that is not MTrk");  // "MTrk"
        uint32_t len = r.be(4);
        if (len > d.size() - r.pos()) fail("track chunk runs past the end of the file");
        Reader track(d, r.pos(), r.pos() + len);
        parse_track(track, tune);
        r.skip(len);
        ++chunks;
    }
    if (chunks != declared) fail("MThd track count differs from the MTrk chunks present");
    std::stable_sort(tune.tempos.begin(), tune.tempos.end());
    std::stable_sort(tune.bars.begin(), tune.bars.end());
    return tune;
}

uint32_t tempo_at(const Tune& t, uint32_t tick) {
    uint32_t tempo = 500000;                                 // the SMF default, 120 bpm
    for (const auto& e : t.tempos)
        if (e.first <= tick) tempo = e.second;
    return tempo;
}

double seconds_until(const Tune& t, uint32_t end) {
    double us = 0;
    uint32_t from = 0, tempo = 500000;
    for (const auto& e : t.tempos) {
        if (e.first >= end) break;
        us += double(e.first - from) * tempo;
        from = e.first;
        tempo = e.second;
    }
    us += double(end - from) * tempo;
    return us / t.division / 1e6;
}

bool whole_bars(const Tune& t, uint32_t end) {
    uint32_t from = 0, bar = t.division * 4;                 // 4/4 until told otherwise
    for (const auto& e : t.bars) {
        if (e.first > end) break;
        if ((e.first - from) % bar) return false;
        from = e.first;
        bar = e.second;
    }
    return (end - from) % bar == 0;
}

}  // namespace

TEST_CASE("the tune is a complete SMF that loops on a bar line") {
    Bytes data = load_tune();
    REQUIRE_MESSAGE(!data.empty(), "もちぽて.mid is missing next to the test program");

    Tune tune;
    try {
        tune = parse_smf(data);
    } catch (const std::exception& e) {
        FAIL("もちぽて.mid does not parse: " << std::string(e.what()));
    }

    REQUIRE(tune.track_ends.size() >= 2);                    // tempo track + instruments
    CHECK(tune.notes > 0);
    REQUIRE(tune.tempos.size() >= 1);
    CHECK(tune.tempos.front().first == 0);
    REQUIRE(tune.bars.size() >= 1);
    CHECK(tune.bars.front().first == 0);

    const uint32_t loop = tune.track_ends.front();
    for (uint32_t end : tune.track_ends) CHECK(end == loop);
    CHECK(loop > 0);
    CHECK(whole_bars(tune, loop));
    CHECK(tempo_at(tune, loop) == tempo_at(tune, 0));        // no tempo jump at the seam

    double seconds = seconds_until(tune, loop);
    INFO("loop length " << seconds << " s");
    CHECK(seconds >= 30.0);
    CHECK(seconds <= 120.0);
}

TEST_CASE("the reader itself notices damaged files") {
    Bytes good = load_tune();
    REQUIRE(good.size() > 22);
    CHECK_NOTHROW(parse_smf(good));

    Bytes cut(good.begin(), good.end() - 1);                 // last End of Track lost its last byte
    CHECK_THROWS(parse_smf(cut));

    Bytes extra = good;
    extra.push_back(0);                                      // stray byte after the last chunk
    CHECK_THROWS(parse_smf(extra));

    Bytes longer = good;
    longer[21] = static_cast<unsigned char>(longer[21] + 1); // first MTrk claims one byte more
    CHECK_THROWS(parse_smf(longer));

    Bytes overcounted = good;
    overcounted[11] = static_cast<unsigned char>(overcounted[11] + 1);   // MThd counts a track too many
    CHECK_THROWS(parse_smf(overcounted));
}
