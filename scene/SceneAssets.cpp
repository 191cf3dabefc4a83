#include "host/SaverHost.h"
#include "scene/Scene.h"
#include "scene/SceneMath.h"
#include "settings/Settings.h"

namespace {

const char kRest[] = "IDB_BITMAP_TOKOPI_000";

const char* const kSequence0[] = {
    kRest, "IDB_BITMAP_TOKOPI_102", "IDB_BITMAP_TOKOPI_103", "IDB_BITMAP_TOKOPI_104", kRest,
};
const char* const kSequence1[] = {
    kRest,
    "IDB_BITMAP_TOKOPI_202", "IDB_BITMAP_TOKOPI_203", "IDB_BITMAP_TOKOPI_204",
    "IDB_BITMAP_TOKOPI_205", "IDB_BITMAP_TOKOPI_206", "IDB_BITMAP_TOKOPI_207",
    "IDB_BITMAP_TOKOPI_208", "IDB_BITMAP_TOKOPI_209", "IDB_BITMAP_TOKOPI_210",
    "IDB_BITMAP_TOKOPI_211", "IDB_BITMAP_TOKOPI_212", "IDB_BITMAP_TOKOPI_213",
    "IDB_BITMAP_TOKOPI_214", "IDB_BITMAP_TOKOPI_215", "IDB_BITMAP_TOKOPI_216",
    "IDB_BITMAP_TOKOPI_217", "IDB_BITMAP_TOKOPI_218", "IDB_BITMAP_TOKOPI_219",
    "IDB_BITMAP_TOKOPI_220",
    kRest,
};
const char* const kSequence2[] = { kRest, "IDB_BITMAP_TOKOPI_302", kRest };
const char* const kSequence3[] = { kRest, "IDB_BITMAP_TOKOPI_402", kRest, "IDB_BITMAP_TOKOPI_403", kRest };

template <int N>
constexpr CharacterSequence Sequence(const char* const (&names)[N])
{
    static_assert(N <= kMaxSequenceFrames, "a sequence has at most kMaxSequenceFrames frames");
    return CharacterSequence{ names, N };
}

const char* const kStarNames[kStarFrameCount] = {
    "IDB_BITMAP_STAR_00", "IDB_BITMAP_STAR_01", "IDB_BITMAP_STAR_02",
};
const char kMoonName[] = "IDB_BITMAP_MOON";
const char* const kClockColonNames[2] = { "IDB_BITMAP_CLOCK_D_0", "IDB_BITMAP_CLOCK_D_1" };
const char* const kClockAmPmNames[2] = { "IDB_BITMAP_CLOCK_AM", "IDB_BITMAP_CLOCK_PM" };
const char* const kClockDigitNames[kClockDigitCount] = {
    "IDB_BITMAP_CLOCK_N_0", "IDB_BITMAP_CLOCK_N_1", "IDB_BITMAP_CLOCK_N_2", "IDB_BITMAP_CLOCK_N_3",
    "IDB_BITMAP_CLOCK_N_4", "IDB_BITMAP_CLOCK_N_5", "IDB_BITMAP_CLOCK_N_6", "IDB_BITMAP_CLOCK_N_7",
    "IDB_BITMAP_CLOCK_N_8", "IDB_BITMAP_CLOCK_N_9",
};

const char kLoadFailedText[] = "ピットマップのロードに失敗しました！";
const char kLoadFailedCaption[] = "もちぽて";

// The setting counts tenths of a second.
const uint32_t kMillisecondsPerIntervalUnit = 100;

// One picture of the catalogue; a failure is reported and loading goes on.
HBITMAP LoadSceneBitmap(HWND window, const char* name)
{
    HBITMAP bitmap = LoadBitmapA(SaverHostState.instance, name);
    if (bitmap == NULL)
        MessageBoxA(window, kLoadFailedText, kLoadFailedCaption, MB_OK | MB_ICONERROR);
    return bitmap;
}

void LoadGroup(HWND window, HBITMAP* bitmaps, const char* const* names, int count)
{
    for (int i = 0; i < count; ++i)
        bitmaps[i] = LoadSceneBitmap(window, names[i]);
}

void LoadClockPieces(HWND window)
{
    SceneAssets.clockLeftBitmap = LoadSceneBitmap(window, "IDB_BITMAP_CLOCK_L");
    SceneAssets.clockRightBitmap = LoadSceneBitmap(window, "IDB_BITMAP_CLOCK_R");
    LoadGroup(window, SceneAssets.clockColonBitmaps, kClockColonNames, 2);
    LoadGroup(window, SceneAssets.clockAmPmBitmaps, kClockAmPmNames, 2);
    LoadGroup(window, SceneAssets.clockDigitBitmaps, kClockDigitNames, kClockDigitCount);
}

void TakeSize(HBITMAP bitmap, BITMAP* info)
{
    GetObjectA(bitmap, sizeof(BITMAP), info);
}

HBITMAP CreateSurface(HDC dc, const BITMAP& info)
{
    return CreateCompatibleBitmap(dc, info.bmWidth, info.bmHeight);
}

void DeleteBitmap(HBITMAP* bitmap)
{
    if (*bitmap != NULL)
        DeleteObject(*bitmap);
    *bitmap = NULL;
}

void DeleteGroup(HBITMAP* bitmaps, int count)
{
    for (int i = 0; i < count; ++i)
        DeleteBitmap(&bitmaps[i]);
}

} // namespace

const CharacterSequence characterSequences[kSequenceCount] = {
    Sequence(kSequence0), Sequence(kSequence1), Sequence(kSequence2), Sequence(kSequence3),
};

SceneAssetsRecord SceneAssets;

// The interval comes unchecked from a hand-editable file; the product is taken
// in unsigned 32-bit arithmetic (what SetTimer receives) so any value is defined.
UINT SceneTimerPeriod(int displayInterval)
{
    return (UINT)((uint32_t)displayInterval * kMillisecondsPerIntervalUnit);
}

void SceneInit(HWND window)
{
    GetClientRect(window, &SceneAssets.clientRect);

    for (int sequence = 0; sequence < kSequenceCount; ++sequence) {
        const CharacterSequence& entry = characterSequences[sequence];
        LoadGroup(window, SceneAssets.characterFrames[sequence], entry.frameNames, entry.frameCount);
    }
    LoadGroup(window, SceneAssets.starBitmaps, kStarNames, kStarFrameCount);
    SceneAssets.moonBitmap = LoadSceneBitmap(window, kMoonName);
    if (SaverSettings.clockShown == 1)
        LoadClockPieces(window);

    TakeSize(SceneAssets.characterFrames[0][0], &SceneAssets.characterInfo);
    TakeSize(SceneAssets.starBitmaps[0], &SceneAssets.starInfo);
    TakeSize(SceneAssets.moonBitmap, &SceneAssets.moonInfo);
    if (SaverSettings.clockShown == 1) {
        TakeSize(SceneAssets.clockLeftBitmap, &SceneAssets.clockLeftInfo);
        TakeSize(SceneAssets.clockRightBitmap, &SceneAssets.clockRightInfo);
        TakeSize(SceneAssets.clockColonBitmaps[0], &SceneAssets.clockColonInfo);
        TakeSize(SceneAssets.clockAmPmBitmaps[0], &SceneAssets.clockAmPmInfo);
        TakeSize(SceneAssets.clockDigitBitmaps[0], &SceneAssets.clockDigitInfo);
    }

    characterSave.captured = 0;
    starSave.captured = 0;
    moonSave.captured = 0;

    HDC dc = GetDC(window);
    characterSave.surface = CreateSurface(dc, SceneAssets.characterInfo);
    starSave.surface = CreateSurface(dc, SceneAssets.starInfo);
    moonSave.surface = CreateSurface(dc, SceneAssets.moonInfo);
    ReleaseDC(window, dc);

    SceneAssets.sceneTimer =
        (WORD)SetTimer(window, kSceneTimerId, SceneTimerPeriod(SaverSettings.displayInterval), NULL);

    // The 64-bit system time, not the run-time library's 32-bit time(), which
    // answers -1 from 2038 on and would give every start the same seed.
    SeedSceneRandom(SeedFromCalendarSeconds(ReadCurrentClock().calendarSeconds));
}

void SceneRelease(HWND window)
{
    for (int sequence = 0; sequence < kSequenceCount; ++sequence)
        DeleteGroup(SceneAssets.characterFrames[sequence], characterSequences[sequence].frameCount);
    DeleteGroup(SceneAssets.starBitmaps, kStarFrameCount);
    DeleteBitmap(&SceneAssets.moonBitmap);
    if (SaverSettings.clockShown == 1) {
        DeleteBitmap(&SceneAssets.clockLeftBitmap);
        DeleteBitmap(&SceneAssets.clockRightBitmap);
        DeleteGroup(SceneAssets.clockColonBitmaps, 2);
        DeleteGroup(SceneAssets.clockDigitBitmaps, kClockDigitCount);
        DeleteGroup(SceneAssets.clockAmPmBitmaps, 2);
    }
    if (SceneAssets.sceneTimer != 0)
        KillTimer(window, kSceneTimerId);
    DeleteBitmap(&characterSave.surface);
    DeleteBitmap(&starSave.surface);
    DeleteBitmap(&moonSave.surface);
}

// The DC that comes with WM_ERASEBKGND is not used: the window's own DC is.
LRESULT SceneEraseBackground(HWND window)
{
    HDC dc = GetDC(window);
    FillSolid(dc, RGB(0, 0, 0), SceneAssets.clientRect);
    ReleaseDC(window, dc);
    return 1;
}

void ResetSceneAssets()
{
    SceneAssets = SceneAssetsRecord();
}
