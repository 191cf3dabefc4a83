// The scene's arithmetic on plain values: sequences, star, moon, band shades,
// clock digits and the panel's bounce.
#include <doctest/doctest.h>

#include "SceneTestSupport.h"
#include "scene/SceneMath.h"

#include <vector>

TEST_CASE("a sequence runs to its last frame, then starts again at frame 0 and asks for a draw")
{
    bool ended = true;
    CHECK(NextSequenceFrame(0, 5, &ended) == 1);
    CHECK_FALSE(ended);
    CHECK(NextSequenceFrame(3, 5, &ended) == 4);
    CHECK_FALSE(ended);
    CHECK(NextSequenceFrame(4, 5, &ended) == 0);
    CHECK(ended);
    // Every value 0-3 can come from the draw's two low bits.
    CHECK(SequenceFromDraw(29356) == 0);
    CHECK(SequenceFromDraw(23281) == 1);
    CHECK(SequenceFromDraw(29358) == 2);
    CHECK(SequenceFromDraw(32767) == 3);
}

TEST_CASE("anchors centre the sprite with halvings that truncate toward zero")
{
    CHECK(CentredAnchor(1024, 40) == 492);
    CHECK(CentredAnchor(768, 40) + kCharacterDrop == 414);
    CHECK(CentredAnchor(152, 40) == 56);
    CHECK(CentredAnchor(112, 40) == 36);
    CHECK(CentredAnchor(41, 40) == 0);
    CHECK(CentredAnchor(39, 40) == -1);
    CHECK(CentredAnchor(0, 40) == -20);
}

TEST_CASE("the star cycles three frames and restarts at a column inside the width")
{
    bool restarted = true;
    CHECK(NextStarFrame(0, &restarted) == 1);
    CHECK_FALSE(restarted);
    CHECK(NextStarFrame(1, &restarted) == 2);
    CHECK_FALSE(restarted);
    CHECK(NextStarFrame(2, &restarted) == 0);
    CHECK(restarted);

    CHECK(StarColumn(26500, 1024) == 900);
    CHECK(StarColumn(1023, 1024) == 1023);
    CHECK(StarColumn(32767, 1) == 0);
    // A zero-wide window has no column to choose from: the star takes column 0.
    CHECK(StarColumn(26500, 0) == 0);
    CHECK(StarColumn(0, 0) == 0);
}

TEST_CASE("star colours are bright: every channel 128-255, first draw blue, last red")
{
    CHECK(StarChannel(0) == 128);
    CHECK(StarChannel(127) == 255);
    CHECK(StarChannel(128) == 128);
    CHECK(StarChannel(32767) == 255);
    // Draws 41, 18467, 6334 give blue 169, green 163, red 190.
    CHECK(StarColourFromDraws(41, 18467, 6334) == 0x00A9A3BEu);
}

TEST_CASE("the moon walks right to the client's right edge, then re-enters at -64")
{
    CHECK(NextMoonX(0, 1024) == 1);
    CHECK(NextMoonX(1023, 1024) == 1024);
    CHECK(NextMoonX(1024, 1024) == -64);
    CHECK(NextMoonX(-64, 1024) == -63);
    // One lap is right + 65 ticks.
    int x = 0;
    int ticks = 0;
    do {
        x = NextMoonX(x, 100);
        ++ticks;
    } while (x != 0);
    CHECK(ticks == 165);
}

TEST_CASE("band phase counts 0 to 19 and wraps")
{
    CHECK(NextBandPhase(0) == 1);
    CHECK(NextBandPhase(18) == 19);
    CHECK(NextBandPhase(19) == 0);
}

TEST_CASE("the band's twelve sub-bands have 1,1,1,1,1,1,2,3,6,11,21,41 lines, 90 in all")
{
    std::vector<int> counts;
    int thickness = 1;
    int y = 0;
    do {
        counts.push_back(ShadeBandLineCount(thickness));
        y += counts.back();
        thickness *= 2;
    } while (y <= kBandTopOffset - kBandContinueOffset);
    CHECK(counts == std::vector<int>{ 1, 1, 1, 1, 1, 1, 2, 3, 6, 11, 21, 41 });
    CHECK(y == 90);
    CHECK((int)counts.size() == kBandSubBands);
}

TEST_CASE("band shade levels follow the table for phases 0, 1, 10, 15, 16 and 19")
{
    for (const scenetest::BandLevelRow& row : scenetest::kBandLevelRows)
        for (int k = 1; k <= 12; ++k) {
            CAPTURE(row.phase);
            CAPTURE(k);
            CHECK(ShadeBandLevel(k, row.phase) == row.levels[k - 1]);
        }
}

namespace {
struct Shown {
    int digits[6];
    bool pm;
    bool twelveHour;
};

Shown Face(int hour, int minute, int second, int clockMode)
{
    ClockFace face = MakeClockFace(hour, minute, second, 0, clockMode);
    Shown shown = {};
    for (int i = 0; i < 6; ++i)
        shown.digits[i] = face.digits[i];
    shown.pm = face.pm;
    shown.twelveHour = face.twelveHour;
    return shown;
}

bool Same(const Shown& shown, std::vector<int> digits)
{
    for (int i = 0; i < 6; ++i)
        if (shown.digits[i] != digits[i])
            return false;
    return true;
}
} // namespace

TEST_CASE("12-hour clock: 00 shows 12 AM, 12 shows 12 PM, 13 shows 01 PM")
{
    Shown a = Face(0, 30, 5, 1);
    CHECK(Same(a, { 1, 2, 3, 0, 0, 5 }));
    CHECK_FALSE(a.pm);
    Shown b = Face(12, 0, 0, 1);
    CHECK(Same(b, { 1, 2, 0, 0, 0, 0 }));
    CHECK(b.pm);
    Shown c = Face(13, 5, 9, 1);
    CHECK(Same(c, { 0, 1, 0, 5, 0, 9 }));
    CHECK(c.pm);
    Shown d = Face(9, 59, 59, 1);
    CHECK(Same(d, { 0, 9, 5, 9, 5, 9 }));
    CHECK_FALSE(d.pm);
    Shown e = Face(23, 0, 0, 1);
    CHECK(Same(e, { 1, 1, 0, 0, 0, 0 }));
    CHECK(e.pm);
    CHECK(a.twelveHour);
}

TEST_CASE("any clockMode other than 1 shows the hour unchanged with no sign")
{
    for (int mode : { 0, 2, 3, -1 }) {
        CAPTURE(mode);
        CHECK_FALSE(Face(0, 30, 5, mode).twelveHour);
        CHECK(Same(Face(0, 30, 5, mode), { 0, 0, 3, 0, 0, 5 }));
        CHECK(Same(Face(12, 0, 0, mode), { 1, 2, 0, 0, 0, 0 }));
        CHECK(Same(Face(13, 5, 9, mode), { 1, 3, 0, 5, 0, 9 }));
        CHECK(Same(Face(9, 59, 59, mode), { 0, 9, 5, 9, 5, 9 }));
        CHECK(ClockEraseWidth(mode) == 229);
        CHECK(ClockRightEdgeOffset(mode) == 226);
    }
    CHECK(ClockEraseWidth(1) == 245);
    CHECK(ClockRightEdgeOffset(1) == 242);
}

TEST_CASE("separators light from 500 ms on")
{
    CHECK_FALSE(MakeClockFace(1, 2, 3, 0, 1).separatorsLit);
    CHECK_FALSE(MakeClockFace(1, 2, 3, 499, 1).separatorsLit);
    CHECK(MakeClockFace(1, 2, 3, 500, 1).separatorsLit);
    CHECK(MakeClockFace(1, 2, 3, 999, 0).separatorsLit);
}

TEST_CASE("a clock reading out of range still gives digits 0-9")
{
    for (int value : { -1, 99, 100, 12345, -2147483647 }) {
        ClockFace face = MakeClockFace(value, value, value, value, 1);
        for (int digit : face.digits) {
            CHECK(digit >= 0);
            CHECK(digit <= 9);
        }
    }
}

namespace {
// Positions the panel is drawn at over `ticks` ticks from its start (x 1, moving right).
std::vector<int> PanelPath(int clientRight, int ticks)
{
    std::vector<int> path;
    int x = 1;
    int direction = 1;
    for (int i = 0; i < ticks; ++i) {
        direction = ClockBounceDirection(x, direction, 0, clientRight);
        x += direction;
        path.push_back(x);
    }
    return path;
}
} // namespace

TEST_CASE("on 1024 pixels the panel swings between 0 and 780, one pixel per tick")
{
    std::vector<int> path = PanelPath(1024, 3000);
    int lowest = 1 << 30, highest = -(1 << 30);
    for (size_t i = 0; i < path.size(); ++i) {
        lowest = path[i] < lowest ? path[i] : lowest;
        highest = path[i] > highest ? path[i] : highest;
        int previous = i == 0 ? 1 : path[i - 1];
        CHECK((path[i] - previous == 1 || path[i] - previous == -1));
    }
    CHECK(lowest == 0);
    CHECK(highest == 780);
    CHECK(path[0] == 2);
    CHECK(path[778] == 780);   // the 779th tick reaches the right end
    CHECK(path[779] == 779);   // and the next one turns back
}

TEST_CASE("a window of 244 pixels or less sends the panel left until its right end meets the edge")
{
    // The right-hand test holds while x + 244 >= right and wins over the left-hand
    // one, so the panel walks left past the left edge. One step beyond x = right - 244
    // it no longer holds, the left-hand test turns the panel, and it then
    // alternates between right - 245 and right - 244 for good, never coming back.
    for (int right : { 244, 120, 0 }) {
        CAPTURE(right);
        std::vector<int> path = PanelPath(right, 600);
        const int bottom = right - 245;
        const int reach = -bottom;   // the tick index at which it gets there
        for (int i = 0; i < (int)path.size(); ++i) {
            CAPTURE(i);
            int want = i <= reach ? -i : ((i - reach) % 2 == 1 ? bottom + 1 : bottom);
            CHECK(path[i] == want);
        }
    }
}

TEST_CASE("at exactly 245 pixels the panel swings between 0 and 1")
{
    std::vector<int> path = PanelPath(245, 8);
    CHECK(path == std::vector<int>{ 0, 1, 0, 1, 0, 1, 0, 1 });
}

TEST_CASE("the right-hand bounce test wins when both hold")
{
    CHECK(ClockBounceDirection(0, -1, 0, 100) == -1);
    CHECK(ClockBounceDirection(0, -1, 0, 1024) == 1);
    CHECK(ClockBounceDirection(780, 1, 0, 1024) == -1);
    CHECK(ClockBounceDirection(779, 1, 0, 1024) == 1);
}
