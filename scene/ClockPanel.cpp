#include "scene/Scene.h"
#include "scene/SceneMath.h"
#include "settings/Settings.h"

namespace {

const int kClockStartX = 1;
const int kClockStartDirection = 1;
const ULONGLONG kFileTimeUnitsPerMillisecond = 10000;
const ULONGLONG kMillisecondsPerSecond = 1000;
const int kFileTimeHighShift = 32;

// The local wall-clock time, and the millisecond part and calendar seconds of
// the system time (GetLocalTime's own milliseconds are not used). The system
// time is a 64-bit count, so the seconds go on past 2038.
void ReadSystemClock(ClockReading* reading)
{
    SYSTEMTIME local;
    GetLocalTime(&local);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG units = ((ULONGLONG)now.dwHighDateTime << kFileTimeHighShift) | now.dwLowDateTime;
    reading->hour = local.wHour;
    reading->minute = local.wMinute;
    reading->second = local.wSecond;
    reading->millisecond = (int)(units / kFileTimeUnitsPerMillisecond % kMillisecondsPerSecond);
    reading->calendarSeconds = CalendarSecondsFromFileTime(units);
}

int PanelRow()
{
    return SceneAssets.clientRect.bottom - kClockPanelRise;
}

void EraseOldPanel(HDC dc, int row)
{
    RECT old = { ClockPanel.clockX, row,
                 ClockPanel.clockX + ClockEraseWidth(SaverSettings.clockMode),
                 row + kClockEraseHeight };
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &old, black);
    DeleteObject(black);
}

// Left edge, hours, separator, minutes, separator, seconds, the sign in the
// 12-hour layout, right edge: the order the tiles overlap in.
void DrawPanel(HDC dc, int x, int row, const ClockFace& face)
{
    const SceneAssetsRecord& a = SceneAssets;
    HBITMAP separator = a.clockColonBitmaps[face.separatorsLit ? 1 : 0];

    BlitOpaque(x + kClockLeftEdgeOffset, row, dc, a.clockLeftBitmap, a.clockLeftInfo);
    for (int i = 0; i < kClockFaceDigits; ++i) {
        BlitOpaque(x + kClockDigitOffsets[i], row, dc, a.clockDigitBitmaps[face.digits[i]],
                   a.clockDigitInfo);
        // A separator follows the hours and the minutes.
        bool afterPair = i == 1 || i == 3;
        if (afterPair)
            BlitOpaque(x + kClockSeparatorOffsets[i / 2], row, dc, separator, a.clockColonInfo);
    }
    if (face.twelveHour)
        BlitOpaque(x + kClockSignOffset, row, dc, a.clockAmPmBitmaps[face.pm ? 1 : 0],
                   a.clockAmPmInfo);
    BlitOpaque(x + ClockRightEdgeOffset(SaverSettings.clockMode), row, dc, a.clockRightBitmap,
               a.clockRightInfo);
}

} // namespace

ClockPanelRecord ClockPanel = { kClockStartX, kClockStartDirection };
ClockSource ReadSceneClock = ReadSystemClock;

ClockReading ReadCurrentClock()
{
    ClockReading reading = {};
    ClockSource source = ReadSceneClock != NULL ? ReadSceneClock : ReadSystemClock;
    source(&reading);
    return reading;
}

void ClockPanelStep(HWND window)
{
    ClockPanel.clockDirection = ClockBounceDirection(ClockPanel.clockX, ClockPanel.clockDirection,
                                                     SceneAssets.clientRect.left,
                                                     SceneAssets.clientRect.right);
    int x = ClockPanel.clockX + ClockPanel.clockDirection;
    int row = PanelRow();

    HDC dc = GetDC(window);
    EraseOldPanel(dc, row);
    ClockReading now = ReadCurrentClock();
    ClockFace face = MakeClockFace(now.hour, now.minute, now.second, now.millisecond,
                                   SaverSettings.clockMode);
    DrawPanel(dc, x, row, face);
    ReleaseDC(window, dc);

    ClockPanel.clockX = x;
}

void ResetClockPanel()
{
    ClockPanel.clockX = kClockStartX;
    ClockPanel.clockDirection = kClockStartDirection;
    ReadSceneClock = ReadSystemClock;
}
