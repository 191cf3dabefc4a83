// The random seed that SceneInit takes from the calendar time: the low 32 bits
// of the seconds since 1970, from a 64-bit reading of the system time, so that
// every start after 2038 still gets a seed of its own.
#include <doctest/doctest.h>

#include "SceneTestSupport.h"
#include "scene/SceneMath.h"

#include <time.h>

#include <set>

using namespace scenetest;

namespace {

const uint64_t kFileTimeUnitsPerSecond = 10000000u;
const int64_t kSecondsFrom1601To1970 = 11644473600;

// Calendar dates (UTC) and their seconds since 1970.
struct CalendarDate {
    WORD year, month, day, hour, minute, second;
    int64_t seconds;
};
const CalendarDate kDates[] = {
    { 2026, 12, 7, 12, 0, 0, 1796644800 },
    { 2038, 1, 19, 3, 14, 7, 2147483647 },    // the last second a signed 32-bit count holds
    { 2038, 1, 19, 3, 14, 8, 2147483648 },
    { 2040, 1, 1, 0, 0, 0, 2208988800 },
    { 2040, 1, 1, 0, 0, 1, 2208988801 },
    { 2106, 2, 7, 6, 28, 16, 4294967296 },    // the low 32 bits start again at 0
    { 2106, 2, 7, 6, 28, 17, 4294967297 },
};

ClockReading fakeNow;

void ReadFakeClock(ClockReading* reading)
{
    *reading = fakeNow;
}

uint64_t FileTimeOf(const CalendarDate& date)
{
    SYSTEMTIME system = {};
    system.wYear = date.year;
    system.wMonth = date.month;
    system.wDay = date.day;
    system.wHour = date.hour;
    system.wMinute = date.minute;
    system.wSecond = date.second;
    FILETIME file = {};
    REQUIRE(SystemTimeToFileTime(&system, &file));
    return ((uint64_t)file.dwHighDateTime << 32) | file.dwLowDateTime;
}

// The generator's state right after SceneInit on a fresh window, with the
// clock reading the given calendar seconds.
uint32_t SeedAtStart(int64_t calendarSeconds)
{
    ResetSaverHostState();
    ResetSceneState();
    SaverHostState.instance = GetModuleHandleA(NULL);
    SaverSettings.displayInterval = 5;
    SaverSettings.bgmOn = 0;
    SaverSettings.clockShown = 1;
    SaverSettings.clockMode = 1;
    fakeNow = ClockReading();
    fakeNow.hour = 12;
    fakeNow.calendarSeconds = calendarSeconds;
    ReadSceneClock = ReadFakeClock;

    HWND window = CreateSceneWindow(120, 80);
    SceneInit(window);
    uint32_t seed = SceneRandomState();
    SceneRelease(window);
    DestroyWindow(window);
    ResetSceneState();
    return seed;
}

} // namespace

TEST_CASE("the calendar seconds of a system time, and the seed they give")
{
    for (const CalendarDate& date : kDates) {
        CAPTURE(date.year);
        CAPTURE(date.seconds);
        CHECK(CalendarSecondsFromFileTime(FileTimeOf(date)) == date.seconds);
        CHECK(SeedFromCalendarSeconds(date.seconds) == (uint32_t)(date.seconds & 0xFFFFFFFF));
    }
    // Whole seconds: the 100 ns units within a second do not count.
    uint64_t epoch = (uint64_t)kSecondsFrom1601To1970 * kFileTimeUnitsPerSecond;
    CHECK(CalendarSecondsFromFileTime(epoch) == 0);
    CHECK(CalendarSecondsFromFileTime(epoch + kFileTimeUnitsPerSecond - 1) == 0);
    CHECK(CalendarSecondsFromFileTime(epoch + kFileTimeUnitsPerSecond) == 1);
    // Before 2038 the seed is the 32-bit calendar time itself.
    CHECK(SeedFromCalendarSeconds(1796644800) == 1796644800u);
    CHECK(SeedFromCalendarSeconds(2147483647) == 0x7FFFFFFFu);
    CHECK(SeedFromCalendarSeconds(2147483648) == 0x80000000u);
    CHECK(SeedFromCalendarSeconds(4294967297) == 1u);
}

TEST_CASE("the system clock reads the calendar seconds that time() gives")
{
    ResetClockPanel();
    time_t before = time(NULL);
    ClockReading now = ReadCurrentClock();
    time_t after = time(NULL);
    CHECK(now.calendarSeconds >= (int64_t)before);
    CHECK(now.calendarSeconds <= (int64_t)after);
}

TEST_CASE("every start, before and after 2038, seeds the generator from its own calendar second")
{
    std::set<uint32_t> seeds;
    for (const CalendarDate& date : kDates) {
        CAPTURE(date.year);
        CAPTURE(date.seconds);
        uint32_t seed = SeedAtStart(date.seconds);
        CHECK(seed == (uint32_t)(date.seconds & 0xFFFFFFFF));
        seeds.insert(seed);
    }
    CHECK(seeds.size() == sizeof kDates / sizeof kDates[0]);
}
