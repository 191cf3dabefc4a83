// The clock panel on a real window, at chosen times: the tiles it shows in both
// layouts, the blinking separators, the erase, and the bounce between the edges.
#include <doctest/doctest.h>

#include "SceneTestSupport.h"

#include <stdio.h>
#include <string>

using namespace scenetest;

namespace {

const COLORREF kBlack = RGB(0, 0, 0);
const int kPanelRow = 768 - 100;

ClockReading fakeNow;

void ReadFakeClock(ClockReading* reading)
{
    *reading = fakeNow;
}

void SetClock(int hour, int minute, int second, int millisecond)
{
    fakeNow.hour = hour;
    fakeNow.minute = minute;
    fakeNow.second = second;
    fakeNow.millisecond = millisecond;
    ReadSceneClock = ReadFakeClock;
}

std::string DigitArt(int digit)
{
    char name[32];
    snprintf(name, sizeof(name), "IDB_BITMAP_CLOCK_N_%d", digit);
    return name;
}

// Pixels of one tile at (x, row) that differ from its picture; a tile at a
// negative x is not drawn, so it is not looked at.
int TileMismatches(HWND window, int x, const char* art)
{
    return x < 0 ? 0 : OpaqueMismatches(window, x, kPanelRow, art);
}

// Tiles that differ from the panel expected at x: digits, separators, sign, edges.
int PanelMismatches(HWND window, int x, const int (&digits)[6], bool lit, int signArt /* -1 none */)
{
    const int digitOffsets[6] = { 2, 34, 82, 114, 162, 194 };
    const char* separator = lit ? "IDB_BITMAP_CLOCK_D_1" : "IDB_BITMAP_CLOCK_D_0";
    int bad = TileMismatches(window, x, "IDB_BITMAP_CLOCK_L");
    for (int i = 0; i < 6; ++i)
        bad += TileMismatches(window, x + digitOffsets[i], DigitArt(digits[i]).c_str());
    bad += TileMismatches(window, x + 66, separator);
    bad += TileMismatches(window, x + 146, separator);
    if (signArt >= 0) {
        bad += TileMismatches(window, x + 226, signArt ? "IDB_BITMAP_CLOCK_PM" : "IDB_BITMAP_CLOCK_AM");
        bad += TileMismatches(window, x + 242, "IDB_BITMAP_CLOCK_R");
    } else {
        bad += TileMismatches(window, x + 226, "IDB_BITMAP_CLOCK_R");
    }
    return bad;
}

struct TimeCase {
    int hour, minute, second;
    int twelve[6];
    int pm;
    int twentyFour[6];
};

const TimeCase kTimes[] = {
    { 0, 30, 5, { 1, 2, 3, 0, 0, 5 }, 0, { 0, 0, 3, 0, 0, 5 } },
    { 12, 0, 0, { 1, 2, 0, 0, 0, 0 }, 1, { 1, 2, 0, 0, 0, 0 } },
    { 13, 5, 9, { 0, 1, 0, 5, 0, 9 }, 1, { 1, 3, 0, 5, 0, 9 } },
    { 9, 59, 59, { 0, 9, 5, 9, 5, 9 }, 0, { 0, 9, 5, 9, 5, 9 } },
};

} // namespace

TEST_CASE("00:30:05, 12:00:00, 13:05:09 and 09:59:59 in the 12-hour layout (mode 1) and the 24-hour one (0, 2, 3)")
{
    for (int mode : { 1, 0, 2, 3 }) {
        CAPTURE(mode);
        SceneRun run(1024, 768, 1, mode);
        // The 24-hour panel: hours unchanged, no sign, right edge at 226.
        const int width = mode == 1 ? 244 : 228;
        int x = 1;
        for (const TimeCase& time : kTimes) {
            CAPTURE(time.hour);
            SetClock(time.hour, time.minute, time.second, 0);
            ClockPanelStep(run.window);
            ++x;
            CHECK(ClockPanel.clockX == x);
            CHECK(PanelMismatches(run.window, x, mode == 1 ? time.twelve : time.twentyFour, false,
                                  mode == 1 ? time.pm : -1) == 0);
            // One pixel moved: the column it left is black again, and nothing beyond the panel.
            CHECK(AllPixels(run.window, x - 1, kPanelRow, 1, 33, kBlack));
            CHECK(AllPixels(run.window, x + width, kPanelRow, 40, 33, kBlack));
            CHECK(AllPixels(run.window, x, kPanelRow + 32, width, 1, kBlack));
        }
    }
}

TEST_CASE("separators: 499 ms dim, 500 ms lit, read afresh on every tick")
{
    SceneRun run(1024, 768, 1, 1);
    const int digits[6] = { 1, 2, 3, 0, 0, 5 };
    SetClock(0, 30, 5, 499);
    ClockPanelStep(run.window);
    CHECK(PanelMismatches(run.window, 2, digits, false, 0) == 0);
    SetClock(0, 30, 5, 500);
    ClockPanelStep(run.window);
    CHECK(PanelMismatches(run.window, 3, digits, true, 0) == 0);
    SetClock(0, 30, 6, 0);
    ClockPanelStep(run.window);
    const int next[6] = { 1, 2, 3, 0, 0, 6 };
    CHECK(PanelMismatches(run.window, 4, next, false, 0) == 0);
}

TEST_CASE("on 1024 pixels the 12-hour panel swings between 0 and 780, touching both edges")
{
    SceneRun run(1024, 768, 1, 1);
    SetClock(13, 5, 9, 0);
    const int digits[6] = { 0, 1, 0, 5, 0, 9 };
    int previous = ClockPanel.clockX;
    for (int tick = 0; tick < 779; ++tick) {
        ClockPanelStep(run.window);
        CHECK(ClockPanel.clockX - previous == 1);
        previous = ClockPanel.clockX;
    }
    CHECK(ClockPanel.clockX == 780);
    CHECK(PanelMismatches(run.window, 780, digits, false, 1) == 0);
    CHECK(AllPixels(run.window, 0, kPanelRow, 780, 33, kBlack));
    for (int tick = 0; tick < 780; ++tick) {
        ClockPanelStep(run.window);
        CHECK(ClockPanel.clockX - previous == -1);
        previous = ClockPanel.clockX;
    }
    CHECK(ClockPanel.clockX == 0);
    CHECK(PanelMismatches(run.window, 0, digits, false, 1) == 0);
    CHECK(AllPixels(run.window, 244, kPanelRow, 1024 - 244, 33, kBlack));
    ClockPanelStep(run.window);
    CHECK(ClockPanel.clockX == 1);
}

TEST_CASE("a window of 244 pixels or less: the panel walks left and stays at its right edge")
{
    // The right-hand bounce test wins while x + 244 >= right; one pixel further
    // the left-hand one turns the panel, so it settles alternating between
    // right - 245 and right - 244, never coming back into full view.
    const int digits[6] = { 0, 9, 5, 9, 5, 9 };
    for (int width : { 244, 120 }) {
        CAPTURE(width);
        SceneRun run(width, 768, 1, 1);
        SetClock(9, 59, 59, 0);
        ClockPanelStep(run.window);
        CHECK(ClockPanel.clockX == 0);
        for (int tick = 0; tick < 300; ++tick) {
            ClockPanelStep(run.window);
            CHECK(ClockPanel.clockX <= 0);
        }
        // 301 ticks: an odd count past the turn leaves it one pixel further left.
        int settled = ClockPanel.clockX;
        CHECK((settled == width - 245 || settled == width - 244));
        CHECK(PanelMismatches(run.window, settled, digits, false, 0) == 0);
        ClockPanelStep(run.window);
        CHECK(ClockPanel.clockX == (settled == width - 245 ? width - 244 : width - 245));
        CHECK(PanelMismatches(run.window, ClockPanel.clockX, digits, false, 0) == 0);
        // The tiles pushed past the left edge are not drawn: black up to the first one shown.
        int firstShown = ClockPanel.clockX;
        const int offsets[] = { 0, 2, 34, 66, 82, 114, 146, 162, 194, 226, 242 };
        for (int offset : offsets)
            if (ClockPanel.clockX + offset >= 0) {
                firstShown = ClockPanel.clockX + offset;
                break;
            }
        if (firstShown > 0)
            CHECK(AllPixels(run.window, 0, kPanelRow, firstShown, 33, kBlack));
    }
}

TEST_CASE("at exactly 245 pixels the panel swings between 0 and 1")
{
    SceneRun run(245, 768, 1, 1);
    SetClock(12, 0, 0, 0);
    const int digits[6] = { 1, 2, 0, 0, 0, 0 };
    for (int tick = 0; tick < 6; ++tick) {
        ClockPanelStep(run.window);
        int want = tick % 2 == 0 ? 0 : 1;
        CHECK(ClockPanel.clockX == want);
        CHECK(PanelMismatches(run.window, want, digits, false, 1) == 0);
    }
}

namespace {
ULONGLONG MillisecondsOf(const FILETIME& time)
{
    return (((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime) / 10000;
}
} // namespace

TEST_CASE("the system clock reader gives the local time and the system time's millisecond")
{
    ResetClockPanel();
    REQUIRE(ReadSceneClock != NULL);
    // The tests run in a zone far from UTC: the two clocks differ by hours.
    SYSTEMTIME utc, local;
    GetSystemTime(&utc);
    GetLocalTime(&local);
    CHECK(utc.wHour != local.wHour);

    SYSTEMTIME before;
    GetLocalTime(&before);
    ClockReading now = {};
    ReadSceneClock(&now);
    SYSTEMTIME after;
    GetLocalTime(&after);
    CHECK((now.hour == before.wHour || now.hour == after.wHour));
    CHECK((now.minute == before.wMinute || now.minute == after.wMinute));
    CHECK((now.second == before.wSecond || now.second == after.wSecond));

    // The millisecond lies between those of the system time read around it.
    for (int reading = 0; reading < 5; ++reading) {
        FILETIME first, last;
        GetSystemTimeAsFileTime(&first);
        ReadSceneClock(&now);
        GetSystemTimeAsFileTime(&last);
        ULONGLONG from = MillisecondsOf(first), to = MillisecondsOf(last);
        CAPTURE(now.millisecond);
        CHECK((ULONGLONG)((now.millisecond - (int)(from % 1000) + 1000) % 1000) <= to - from);
        Sleep(3);
    }
}
