// The night scene: assets, compositing primitives, frame steps, window procedure.
#pragma once
#include <windows.h>
#include <stdint.h>

// --- The process-wide pseudo-random generator -----------------------------
// state = state * 214013 + 2531011 (mod 2^32); a draw is (state >> 16) & 0x7FFF.
void SeedSceneRandom(uint32_t seed);
int DrawSceneRandom();
uint32_t SceneRandomState();

// --- Bitmap catalogue and scene assets ------------------------------------
const int kSequenceCount = 4;
const int kMaxSequenceFrames = 21;
const int kStarFrameCount = 3;
const int kClockDigitCount = 10;

struct CharacterSequence {
    const char* const* frameNames;   // resource names in playing order
    int frameCount;
};
extern const CharacterSequence characterSequences[kSequenceCount];

struct SceneAssetsRecord {
    HBITMAP characterFrames[kSequenceCount][kMaxSequenceFrames];
    HBITMAP starBitmaps[kStarFrameCount];
    HBITMAP moonBitmap;
    HBITMAP clockLeftBitmap;
    HBITMAP clockRightBitmap;
    HBITMAP clockColonBitmaps[2];
    HBITMAP clockAmPmBitmaps[2];
    HBITMAP clockDigitBitmaps[kClockDigitCount];
    BITMAP characterInfo;
    BITMAP starInfo;
    BITMAP moonInfo;
    BITMAP clockLeftInfo;
    BITMAP clockRightInfo;
    BITMAP clockColonInfo;
    BITMAP clockAmPmInfo;
    BITMAP clockDigitInfo;
    RECT clientRect;
    WORD sceneTimer;                 // SetTimer's answer; nonzero while the frame timer runs
};
extern SceneAssetsRecord SceneAssets;

const UINT kSceneTimerId = 100;
// The frame timer's period in ms for a settings interval (tenths of a second).
UINT SceneTimerPeriod(int displayInterval);

void SceneInit(HWND window);
void SceneRelease(HWND window);
LRESULT SceneEraseBackground(HWND window);

// --- Compositing primitives -------------------------------------------------
struct SavedBackground {
    BYTE captured;                   // the surface holds saved screen pixels
    HBITMAP surface;
};
extern SavedBackground characterSave;
extern SavedBackground starSave;
extern SavedBackground moonSave;

const COLORREF kCharacterKey = RGB(0, 0, 255);
const COLORREF kStarKey = RGB(255, 255, 255);
const COLORREF kMoonKey = RGB(0, 0, 0);

void BlitOpaque(int x, int y, HDC dc, HBITMAP bitmap, BITMAP info);
void BlitCharacter(int x, int y, HDC dc, HBITMAP bitmap, BITMAP info, COLORREF key,
                   int previousX, int previousY);
void BlitTintedStar(int x, int y, HDC dc, HBITMAP bitmap, BITMAP info, COLORREF tint,
                    COLORREF key, int previousX, int previousY);
void BlitMoon(int x, int y, HDC dc, HBITMAP bitmap, BITMAP info, COLORREF key,
              int previousX, int previousY);
void FillSolid(HDC dc, COLORREF colour, RECT rect);

// --- Full-screen frame step -------------------------------------------------
struct SceneAnimationRecord {
    int sequence;
    int frame;
    bool anchorSet;
    int anchorX, anchorY;
    int starFrame;
    int starX, starY;
    bool starColourSet;
    COLORREF starColour;
    int moonX, moonY;
    int bandPhase;
};
extern SceneAnimationRecord SceneAnimation;

void SceneFrameStep(HWND window);
COLORREF RandomStarColour();
void DrawShadeBand(HDC dc);

// --- Clock panel ------------------------------------------------------------
struct ClockPanelRecord {
    int clockX;
    int clockDirection;
};
extern ClockPanelRecord ClockPanel;

void ClockPanelStep(HWND window);

// The local time with its millisecond part, and the calendar time; the system
// clock unless a test replaces it.
struct ClockReading {
    int hour, minute, second;        // local time
    int millisecond;                 // 0-999, of the system time
    int64_t calendarSeconds;         // whole seconds since 1970-01-01 00:00 UTC
};
typedef void (*ClockSource)(ClockReading* reading);
extern ClockSource ReadSceneClock;
// One reading from the current source.
ClockReading ReadCurrentClock();

// --- Preview frame step -----------------------------------------------------
struct PreviewAnimationRecord {
    int sequence;
    int frame;
    bool anchorSet;
    int anchorX, anchorY;
};
extern PreviewAnimationRecord PreviewAnimation;

void ScenePreviewStep(HWND window);

// --- Scene window procedure ---------------------------------------------------
extern BOOL previewMode;
LRESULT CALLBACK SceneWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Start values again, for tests that run several windows in one process.
// Each record's own file puts it back; ResetSceneState does them all.
void ResetSceneAssets();
void ResetSavedBackgrounds();
void ResetSceneAnimation();
void ResetClockPanel();
void ResetPreviewAnimation();
void ResetSceneState();
