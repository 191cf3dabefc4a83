#include "scene/SceneMath.h"

namespace {
const int kSequenceMask = 3;
const int kChannelBase = 128;
const int kChannelSpan = 128;
const int kBlueShift = 16;
const int kGreenShift = 8;
const int kShadeWindow = 9;       // sub-bands that climb before the shade wraps
const int kShadeOffset = 10;
const int kShadeStep = 17;
const int kLevelMask = 0xFF;
const int kLinesPerThickness = 50;
const int kHoursPerHalfDay = 12;
const int kTwelveHourRightEdge = 242;
const int kTwentyFourHourRightEdge = 226;
const int kTwelveHourEraseWidth = 245;
const int kTwentyFourHourEraseWidth = 229;
const int kDecimal = 10;
const uint64_t kFileTimeUnitsPerSecond = 10000000u;
const int64_t kSecondsFrom1601To1970 = 11644473600;
} // namespace

int64_t CalendarSecondsFromFileTime(uint64_t fileTimeUnits)
{
    return (int64_t)(fileTimeUnits / kFileTimeUnitsPerSecond) - kSecondsFrom1601To1970;
}

uint32_t SeedFromCalendarSeconds(int64_t calendarSeconds)
{
    return (uint32_t)(uint64_t)calendarSeconds;
}

int NextSequenceFrame(int frame, int frameCount, bool* sequenceEnded)
{
    int next = frame + 1;
    *sequenceEnded = next >= frameCount;
    return *sequenceEnded ? 0 : next;
}

int SequenceFromDraw(int draw)
{
    return draw & kSequenceMask;
}

int CentredAnchor(int clientSize, int spriteSize)
{
    return clientSize / 2 - spriteSize / 2;
}

int NextStarFrame(int starFrame, bool* restarted)
{
    int next = starFrame + 1;
    *restarted = next >= kStarFrames;
    return *restarted ? 0 : next;
}

int StarColumn(int draw, int clientWidth)
{
    if (clientWidth == 0)
        return 0;
    return draw % clientWidth;
}

int StarChannel(int draw)
{
    return kChannelBase + draw % kChannelSpan;
}

uint32_t StarColourFromDraws(int blueDraw, int greenDraw, int redDraw)
{
    return ((uint32_t)StarChannel(blueDraw) << kBlueShift) |
           ((uint32_t)StarChannel(greenDraw) << kGreenShift) |
           (uint32_t)StarChannel(redDraw);
}

int NextMoonX(int moonX, int clientRight)
{
    int next = moonX + 1;
    return next > clientRight ? kMoonReentryX : next;
}

int NextBandPhase(int phase)
{
    int next = phase + 1;
    return next == kBandPhaseCount ? 0 : next;
}

int ShadeBandLevel(int subBand, int phase)
{
    int v;
    if (phase > subBand)
        v = subBand - phase - 1;
    else if (subBand > phase + kShadeWindow)
        v = subBand + phase + kShadeWindow;
    else
        v = subBand - phase - kShadeOffset;
    // The low byte of the two's-complement product: unsigned arithmetic keeps
    // a negative v well defined.
    return (int)(((unsigned)v * (unsigned)kShadeStep) & kLevelMask);
}

int ShadeBandLineCount(int thickness)
{
    return thickness / kLinesPerThickness + 1;
}

bool IsTwelveHourLayout(int clockMode)
{
    return clockMode == kClockTwelveHourMode;
}

int ClockEraseWidth(int clockMode)
{
    return IsTwelveHourLayout(clockMode) ? kTwelveHourEraseWidth : kTwentyFourHourEraseWidth;
}

int ClockRightEdgeOffset(int clockMode)
{
    return IsTwelveHourLayout(clockMode) ? kTwelveHourRightEdge : kTwentyFourHourRightEdge;
}

int ClockBounceDirection(int clockX, int direction, int clientLeft, int clientRight)
{
    if (clockX <= clientLeft)
        direction = 1;
    if (clockX + kClockBounceWidth >= clientRight)
        direction = -1;
    return direction;
}

namespace {
const int kTwoDigitRange = 100;

// Two decimal digits with a leading zero; a value outside 0-99 (only a
// replaced clock could give one) is folded in so every digit indexes a tile.
void PutTwoDigits(int value, int* digits)
{
    value = (value % kTwoDigitRange + kTwoDigitRange) % kTwoDigitRange;
    digits[0] = value / kDecimal;
    digits[1] = value % kDecimal;
}
} // namespace

ClockFace MakeClockFace(int hour, int minute, int second, int millisecond, int clockMode)
{
    ClockFace face = {};
    face.twelveHour = IsTwelveHourLayout(clockMode);
    face.separatorsLit = millisecond >= kClockLitFromMillisecond;
    int shownHour = hour;
    if (face.twelveHour) {
        face.pm = hour >= kHoursPerHalfDay;
        shownHour = face.pm ? hour - kHoursPerHalfDay : hour;
        if (shownHour == 0)
            shownHour = kHoursPerHalfDay;
    }
    PutTwoDigits(shownHour, &face.digits[0]);
    PutTwoDigits(minute, &face.digits[2]);
    PutTwoDigits(second, &face.digits[4]);
    return face;
}
