// The scene's arithmetic on plain values: how the sequences, the star, the moon,
// the shade band and the clock panel move from one tick to the next. No Win32
// calls here, so each rule can be checked by itself.
#pragma once
#include <stdint.h>

// --- Character ---------------------------------------------------------------
// The frame after `frame` in a sequence of `frameCount` frames, or 0 when the
// sequence has run out (then *sequenceEnded is set and a new sequence is drawn).
int NextSequenceFrame(int frame, int frameCount, bool* sequenceEnded);
// The sequence a random draw picks: its two low bits.
int SequenceFromDraw(int draw);

// Top-left corner that centres a sprite of `spriteSize` in `clientSize`,
// halvings truncated toward zero.
int CentredAnchor(int clientSize, int spriteSize);
// The full-screen character stands this far below the centre.
const int kCharacterDrop = 50;

// --- Star ----------------------------------------------------------------------
const int kStarFrames = 3;
int NextStarFrame(int starFrame, bool* restarted);
// The column a draw gives on a client `clientWidth` wide. A width of 0 (a
// degenerate window) has no column to pick from: the star then takes column 0.
int StarColumn(int draw, int clientWidth);
// One colour channel from a draw: 128 to 255, so the star stays bright.
int StarChannel(int draw);
// COLORREF of the three channel draws, taken in the order blue, green, red.
uint32_t StarColourFromDraws(int blueDraw, int greenDraw, int redDraw);

// --- Moon ----------------------------------------------------------------------
const int kMoonStartY = 50;
const int kMoonReentryX = -64;   // just off the left edge: the moon is 64 wide
int NextMoonX(int moonX, int clientRight);

// --- Shade band ----------------------------------------------------------------
const int kBandPhaseCount = 20;
const int kBandTopOffset = 100;      // first row, above the character's anchor
const int kBandContinueOffset = 50;  // a new sub-band starts only down to this row
const int kBandSubBands = 12;        // what the doubling thickness always gives
int NextBandPhase(int phase);
// Blue level (0-255) of sub-band `subBand` (1-based) at `phase`.
int ShadeBandLevel(int subBand, int phase);
// Lines drawn for a sub-band whose thickness counter is `thickness`.
int ShadeBandLineCount(int thickness);

// --- Calendar time and the random seed ------------------------------------------
// Whole seconds since 1970-01-01 00:00 UTC of a system time given in 100 ns
// units since 1601-01-01 (a FILETIME); earlier times give negative seconds.
int64_t CalendarSecondsFromFileTime(uint64_t fileTimeUnits);
// The generator's seed for a calendar time: its low 32 bits. Before 2038 this is
// the 32-bit calendar time itself; after it the seed still changes every second.
uint32_t SeedFromCalendarSeconds(int64_t calendarSeconds);

// --- Clock panel ---------------------------------------------------------------
const int kClockPanelRise = 100;       // panel top row above the client bottom
const int kClockBounceWidth = 244;     // right-hand bounce bound in both layouts
const int kClockTwelveHourMode = 1;    // clockMode value of the 12-hour layout
const int kClockLitFromMillisecond = 500;

bool IsTwelveHourLayout(int clockMode);
// Width of the black rectangle that wipes the old panel (one more than the panel).
int ClockEraseWidth(int clockMode);
const int kClockEraseHeight = 33;

// The direction after the two bounce tests; the right-hand one is tested
// second and wins when both hold.
int ClockBounceDirection(int clockX, int direction, int clientLeft, int clientRight);

// What the panel shows for one reading of the clock.
const int kClockFaceDigits = 6;
struct ClockFace {
    int digits[kClockFaceDigits];      // hour tens, hour units, minute tens, minute units, second tens, second units
    bool separatorsLit;
    bool twelveHour;
    bool pm;            // meaningful in the 12-hour layout only
};
ClockFace MakeClockFace(int hour, int minute, int second, int millisecond, int clockMode);

// Tile offsets from the panel's left edge.
const int kClockLeftEdgeOffset = 0;
const int kClockDigitOffsets[kClockFaceDigits] = { 2, 34, 82, 114, 162, 194 };
const int kClockSeparatorOffsets[2] = { 66, 146 };
const int kClockSignOffset = 226;
int ClockRightEdgeOffset(int clockMode);
