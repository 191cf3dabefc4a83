// Measures what a tick of the scene costs against the usual full-frame way of
// drawing a saver, how long the saver takes to show its first frame, and how
// big the saver file is. Run by tools/bench under Wine on a 1920x1080 display.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/SaverHost.h"
#include "scene/Scene.h"
#include "scene/SceneMath.h"
#include "settings/Settings.h"

namespace {

const int kWarmUpTicks = 100;
const int kMeasuredTicks = 3000;
const int kBreakdownCalls = 500;
const int kPreviewWidth = 152;
const int kPreviewHeight = 112;
const int kStartRuns = 3;
const DWORD kStartTimeoutMs = 30000;
const int kBuildBits = (int)sizeof(void*) * 8;   // this program and the saver beside it: 32 or 64
const double kShortestPeriodUs = 100000.0;   // the 100 ms frame period
const double kGoalRatio = 20.0;              // wanted: full-frame tick / scene tick
const char kBenchClass[] = "SceneBenchWindow";
const char kSaverClass[] = "WindowsScreenSaverClass";
const char kSaverFile[] = "もちぽて.scr";
const char kShippedSaverFile[] = "shipped\\もちぽて.scr";
const char kIniName[] = "もちぽて.ini";
const char kFirstFrameArt[] = "IDB_BITMAP_TOKOPI_102";   // the first tick's character frame
const DWORD kInkAndNotMask = 0x00220326;                 // DSna: destination AND NOT source

// --- Timing ----------------------------------------------------------------------

double CounterUs(LONGLONG ticks)
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    return (double)ticks * 1e6 / (double)frequency.QuadPart;
}

LONGLONG Now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

struct Summary {
    double medianUs;
    double p99Us;
};

Summary Summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    size_t n = samples.size();
    Summary summary = { samples[n / 2], samples[(n * 99 + 99) / 100 - 1] };
    return summary;
}

// Gives the system its turn after a tick, as the saver's message loop does when
// it waits for the next timer message: Wine copies what was drawn on the window
// to the display then.
void Present()
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

template <typename Step>
Summary TimeTicks(Step step, bool present, int ticks = kMeasuredTicks)
{
    for (int i = 0; i < kWarmUpTicks; ++i) {
        step();
        Present();
    }
    std::vector<double> samples;
    samples.reserve(ticks);
    for (int i = 0; i < ticks; ++i) {
        LONGLONG start = Now();
        step();
        if (present)
            Present();
        samples.push_back(CounterUs(Now() - start));
        if (!present)
            Present();
    }
    return Summarise(samples);
}

// --- Windows -----------------------------------------------------------------------

LRESULT CALLBACK QuietWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Everything on the window is drawn by the code under test.
    if (message == WM_ERASEBKGND)
        return 1;
    if (message == WM_PAINT) {
        ValidateRect(window, NULL);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateBenchWindow(int width, int height, HWND parent)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = QuietWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.lpszClassName = kBenchClass;
    RegisterClassA(&windowClass);
    DWORD style = parent ? (WS_CHILD | WS_VISIBLE) : (WS_POPUP | WS_VISIBLE);
    HWND window = CreateWindowExA(parent ? 0 : WS_EX_TOPMOST, kBenchClass, "bench", style, 0, 0,
                                  width, height, parent, NULL, GetModuleHandleA(NULL), NULL);
    Present();
    return window;
}

// Settings as a user with the clock shown in the 12-hour layout has them.
void UseBenchSettings()
{
    ResetSaverHostState();
    ResetSceneState();
    SaverHostState.instance = GetModuleHandleA(NULL);
    SaverSettings.displayInterval = 1;
    SaverSettings.bgmOn = 0;
    SaverSettings.clockShown = 1;
    SaverSettings.clockMode = 1;
}

// The scene on a window, driven by hand: no frame timer.
void StartScene(HWND window)
{
    SceneInit(window);
    KillTimer(window, kSceneTimerId);
    SceneAssets.sceneTimer = 0;
    SceneEraseBackground(window);
}

// --- The full-frame baseline ---------------------------------------------------------
// What most savers do: every tick the whole scene is drawn again into an
// off-screen frame (black, moon, star, character, clock, band) with masks made
// once in advance, and the whole frame is copied to the window.

struct MaskedSprite {
    HBITMAP mask;    // monochrome: 1 where transparent
    HBITMAP ink;     // the picture with black where transparent
};

MaskedSprite MakeMaskedSprite(HDC reference, HBITMAP picture, const BITMAP& info, COLORREF key,
                              COLORREF tint)
{
    MaskedSprite sprite;
    int w = info.bmWidth, h = info.bmHeight;
    sprite.mask = CreateBitmap(w, h, 1, 1, NULL);
    sprite.ink = CreateCompatibleBitmap(reference, w, h);
    HDC source = CreateCompatibleDC(reference);
    HDC mask = CreateCompatibleDC(reference);
    HDC ink = CreateCompatibleDC(reference);
    HGDIOBJ oldSource = SelectObject(source, picture);
    HGDIOBJ oldMask = SelectObject(mask, sprite.mask);
    HGDIOBJ oldInk = SelectObject(ink, sprite.ink);
    SetBkColor(source, key);
    BitBlt(mask, 0, 0, w, h, source, 0, 0, SRCCOPY);
    BitBlt(ink, 0, 0, w, h, source, 0, 0, SRCCOPY);
    if (tint != CLR_INVALID) {
        HBRUSH brush = CreateSolidBrush(tint);
        RECT all = { 0, 0, w, h };
        HDC tintDc = CreateCompatibleDC(reference);
        HBITMAP tintBitmap = CreateCompatibleBitmap(reference, w, h);
        HGDIOBJ oldTint = SelectObject(tintDc, tintBitmap);
        FillRect(tintDc, &all, brush);
        BitBlt(ink, 0, 0, w, h, tintDc, 0, 0, SRCPAINT);
        SelectObject(tintDc, oldTint);
        DeleteObject(tintBitmap);
        DeleteDC(tintDc);
        DeleteObject(brush);
    }
    BitBlt(ink, 0, 0, w, h, mask, 0, 0, kInkAndNotMask);   // black where transparent
    SelectObject(source, oldSource);
    SelectObject(mask, oldMask);
    SelectObject(ink, oldInk);
    DeleteDC(source);
    DeleteDC(mask);
    DeleteDC(ink);
    return sprite;
}

void FreeMaskedSprite(MaskedSprite& sprite)
{
    DeleteObject(sprite.mask);
    DeleteObject(sprite.ink);
    sprite.mask = sprite.ink = NULL;
}

struct Baseline {
    HWND window;
    int width, height;
    HDC frameDc;
    HBITMAP frameBitmap;
    HGDIOBJ oldFrame;
    HDC pieceDc;
    MaskedSprite character[kSequenceCount][kMaxSequenceFrames];
    MaskedSprite stars[kStarFrameCount];
    MaskedSprite moon;
    COLORREF starColour;
    int sequence, frame, starFrame, starX, moonX, clockX, clockDirection, bandPhase;
};

void BuildStars(Baseline& b, HDC reference)
{
    for (int i = 0; i < kStarFrameCount; ++i) {
        FreeMaskedSprite(b.stars[i]);
        b.stars[i] = MakeMaskedSprite(reference, SceneAssets.starBitmaps[i], SceneAssets.starInfo,
                                      kStarKey, b.starColour);
    }
}

void StartBaseline(Baseline& b, HWND window)
{
    b = Baseline();
    b.window = window;
    b.width = SceneAssets.clientRect.right;
    b.height = SceneAssets.clientRect.bottom;
    HDC dc = GetDC(window);
    b.frameDc = CreateCompatibleDC(dc);
    b.frameBitmap = CreateCompatibleBitmap(dc, b.width, b.height);
    b.oldFrame = SelectObject(b.frameDc, b.frameBitmap);
    b.pieceDc = CreateCompatibleDC(dc);
    for (int s = 0; s < kSequenceCount; ++s)
        for (int f = 0; f < characterSequences[s].frameCount; ++f)
            b.character[s][f] = MakeMaskedSprite(dc, SceneAssets.characterFrames[s][f],
                                                 SceneAssets.characterInfo, kCharacterKey, CLR_INVALID);
    b.moon = MakeMaskedSprite(dc, SceneAssets.moonBitmap, SceneAssets.moonInfo, kMoonKey, CLR_INVALID);
    b.starColour = RGB(200, 160, 255);
    BuildStars(b, dc);
    ReleaseDC(window, dc);
    b.clockX = 1;
    b.clockDirection = 1;
}

void StopBaseline(Baseline& b)
{
    for (int s = 0; s < kSequenceCount; ++s)
        for (int f = 0; f < characterSequences[s].frameCount; ++f)
            FreeMaskedSprite(b.character[s][f]);
    for (MaskedSprite& star : b.stars)
        FreeMaskedSprite(star);
    FreeMaskedSprite(b.moon);
    SelectObject(b.frameDc, b.oldFrame);
    DeleteObject(b.frameBitmap);
    DeleteDC(b.frameDc);
    DeleteDC(b.pieceDc);
}

void DrawMasked(Baseline& b, const MaskedSprite& sprite, int x, int y, const BITMAP& info)
{
    HGDIOBJ old = SelectObject(b.pieceDc, sprite.mask);
    BitBlt(b.frameDc, x, y, info.bmWidth, info.bmHeight, b.pieceDc, 0, 0, SRCAND);
    SelectObject(b.pieceDc, sprite.ink);
    BitBlt(b.frameDc, x, y, info.bmWidth, info.bmHeight, b.pieceDc, 0, 0, SRCPAINT);
    SelectObject(b.pieceDc, old);
}

void DrawPiece(Baseline& b, HBITMAP piece, int x, int y, const BITMAP& info)
{
    HGDIOBJ old = SelectObject(b.pieceDc, piece);
    BitBlt(b.frameDc, x, y, info.bmWidth, info.bmHeight, b.pieceDc, 0, 0, SRCCOPY);
    SelectObject(b.pieceDc, old);
}

void DrawBaselineClock(Baseline& b, int y)
{
    SYSTEMTIME local;
    GetLocalTime(&local);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG hundredNs = ((ULONGLONG)now.dwHighDateTime << 32) | now.dwLowDateTime;
    ClockFace face = MakeClockFace(local.wHour, local.wMinute, local.wSecond,
                                   (int)(hundredNs / 10000 % 1000), SaverSettings.clockMode);
    const SceneAssetsRecord& a = SceneAssets;
    b.clockDirection = ClockBounceDirection(b.clockX, b.clockDirection, 0, b.width);
    b.clockX += b.clockDirection;
    int x = b.clockX;
    DrawPiece(b, a.clockLeftBitmap, x + kClockLeftEdgeOffset, y, a.clockLeftInfo);
    for (int i = 0; i < kClockFaceDigits; ++i)
        DrawPiece(b, a.clockDigitBitmaps[face.digits[i]], x + kClockDigitOffsets[i], y, a.clockDigitInfo);
    for (int offset : kClockSeparatorOffsets)
        DrawPiece(b, a.clockColonBitmaps[face.separatorsLit ? 1 : 0], x + offset, y, a.clockColonInfo);
    if (face.twelveHour)
        DrawPiece(b, a.clockAmPmBitmaps[face.pm ? 1 : 0], x + kClockSignOffset, y, a.clockAmPmInfo);
    DrawPiece(b, a.clockRightBitmap, x + ClockRightEdgeOffset(SaverSettings.clockMode), y,
              a.clockRightInfo);
}

void DrawBaselineBand(Baseline& b, int anchorY)
{
    int y = anchorY - kBandTopOffset;
    int thickness = 1;
    for (int subBand = 1; subBand <= kBandSubBands; ++subBand, thickness *= 2) {
        HPEN pen = CreatePen(PS_SOLID, 0, RGB(0, 0, ShadeBandLevel(subBand, b.bandPhase)));
        HGDIOBJ old = SelectObject(b.frameDc, pen);
        for (int line = ShadeBandLineCount(thickness); line > 0; --line, ++y) {
            MoveToEx(b.frameDc, 0, y, NULL);
            LineTo(b.frameDc, b.width, y);
        }
        SelectObject(b.frameDc, old);
        DeleteObject(pen);
    }
    b.bandPhase = NextBandPhase(b.bandPhase);
}

void BaselineTick(Baseline& b)
{
    const SceneAssetsRecord& a = SceneAssets;
    bool ended = false;
    b.frame = NextSequenceFrame(b.frame, characterSequences[b.sequence].frameCount, &ended);
    if (ended)
        b.sequence = SequenceFromDraw(DrawSceneRandom());
    bool restarted = false;
    b.starFrame = NextStarFrame(b.starFrame, &restarted);
    if (restarted) {
        b.starX = StarColumn(DrawSceneRandom(), b.width);
        b.starColour = RandomStarColour();
        HDC dc = GetDC(b.window);
        BuildStars(b, dc);
        ReleaseDC(b.window, dc);
    }
    b.moonX = NextMoonX(b.moonX, b.width);
    int anchorX = CentredAnchor(b.width, a.characterInfo.bmWidth);
    int anchorY = CentredAnchor(b.height, a.characterInfo.bmHeight) + kCharacterDrop;

    PatBlt(b.frameDc, 0, 0, b.width, b.height, BLACKNESS);
    DrawMasked(b, b.moon, b.moonX, kMoonStartY, a.moonInfo);
    DrawMasked(b, b.stars[b.starFrame], b.starX, 0, a.starInfo);
    DrawMasked(b, b.character[b.sequence][b.frame], anchorX, anchorY, a.characterInfo);
    DrawBaselineClock(b, b.height - kClockPanelRise);
    DrawBaselineBand(b, anchorY);

    HDC dc = GetDC(b.window);
    BitBlt(dc, 0, 0, b.width, b.height, b.frameDc, 0, 0, SRCCOPY);
    ReleaseDC(b.window, dc);
}

// The preview's baseline: the character alone, redrawn into a whole small frame.
void PreviewBaselineTick(Baseline& b)
{
    const SceneAssetsRecord& a = SceneAssets;
    bool ended = false;
    b.frame = NextSequenceFrame(b.frame, characterSequences[b.sequence].frameCount, &ended);
    if (ended)
        b.sequence = SequenceFromDraw(DrawSceneRandom());
    PatBlt(b.frameDc, 0, 0, b.width, b.height, BLACKNESS);
    DrawMasked(b, b.character[b.sequence][b.frame], CentredAnchor(b.width, a.characterInfo.bmWidth),
               CentredAnchor(b.height, a.characterInfo.bmHeight), a.characterInfo);
    HDC dc = GetDC(b.window);
    BitBlt(dc, 0, 0, b.width, b.height, b.frameDc, 0, 0, SRCCOPY);
    ReleaseDC(b.window, dc);
}

// --- Reporting ------------------------------------------------------------------------

void PrintPair(const char* what, Summary scene, Summary baseline)
{
    printf("%s\n", what);
    printf("  scene tick       median %9.1f us   p99 %9.1f us\n", scene.medianUs, scene.p99Us);
    printf("  full-frame tick  median %9.1f us   p99 %9.1f us\n", baseline.medianUs, baseline.p99Us);
    printf("  ratio (full-frame / scene)  median %.1fx   p99 %.1fx\n",
           baseline.medianUs / scene.medianUs, baseline.p99Us / scene.p99Us);
}

// Where a scene tick's time goes: each drawing call of a tick on its own.
void BreakDownTick(HWND window)
{
    const SceneAssetsRecord& a = SceneAssets;
    const SceneAnimationRecord& s = SceneAnimation;
    HDC dc = GetDC(window);
    Summary character = TimeTicks([&] {
        BlitCharacter(s.anchorX, s.anchorY, dc, a.characterFrames[0][0], a.characterInfo,
                      kCharacterKey, s.anchorX, s.anchorY);
    }, true, kBreakdownCalls);
    Summary star = TimeTicks([&] {
        BlitTintedStar(s.starX, 0, dc, a.starBitmaps[0], a.starInfo, s.starColour, kStarKey, s.starX, 0);
    }, true, kBreakdownCalls);
    Summary moon = TimeTicks([&] {
        BlitMoon(s.moonX, s.moonY, dc, a.moonBitmap, a.moonInfo, kMoonKey, s.moonX, s.moonY);
    }, true, kBreakdownCalls);
    Summary clock = TimeTicks([&] { ClockPanelStep(window); }, true, kBreakdownCalls);
    Summary band = TimeTicks([&] { DrawShadeBand(dc); }, true, kBreakdownCalls);
    ReleaseDC(window, dc);
    printf("- one call of each drawing step (with the queue's turn), %d calls, median / p99 in us\n", kBreakdownCalls);
    printf("  BlitCharacter %.1f / %.1f, BlitTintedStar %.1f / %.1f, BlitMoon %.1f / %.1f,\n"
           "  ClockPanelStep %.1f / %.1f, DrawShadeBand %.1f / %.1f\n",
           character.medianUs, character.p99Us, star.medianUs, star.p99Us, moon.medianUs, moon.p99Us,
           clock.medianUs, clock.p99Us, band.medianUs, band.p99Us);
}

void MeasureFullScreen()
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    UseBenchSettings();
    HWND window = CreateBenchWindow(width, height, NULL);
    StartScene(window);
    SeedSceneRandom(1);
    printf("Full screen: %dx%d window, 12-hour clock shown, %d ticks after %d warm-up ticks\n",
           width, height, kMeasuredTicks, kWarmUpTicks);

    Summary sceneDrawn = TimeTicks([&] { SceneFrameStep(window); }, false);
    Summary scenePresented = TimeTicks([&] { SceneFrameStep(window); }, true);
    Baseline baseline;
    StartBaseline(baseline, window);
    Summary baselineDrawn = TimeTicks([&] { BaselineTick(baseline); }, false);
    Summary baselinePresented = TimeTicks([&] { BaselineTick(baseline); }, true);
    StopBaseline(baseline);

    PrintPair("- drawing only", sceneDrawn, baselineDrawn);
    PrintPair("- drawing and showing (the message queue's turn after each tick)", scenePresented,
              baselinePresented);
    printf("  scene tick as a share of the 100 ms period: median %.3f%%  p99 %.3f%%\n",
           scenePresented.medianUs * 100.0 / kShortestPeriodUs,
           scenePresented.p99Us * 100.0 / kShortestPeriodUs);
    double ratio = baselinePresented.medianUs / scenePresented.medianUs;
    printf("  goal: a tick at least %.0fx cheaper than the full frame: %s (%.1fx)\n", kGoalRatio,
           ratio >= kGoalRatio ? "met" : "NOT met", ratio);
    printf("  goal: a tick under 1%% of 100 ms (%.0f us): %s (median %.0f us)\n",
           kShortestPeriodUs / 100.0, scenePresented.medianUs < kShortestPeriodUs / 100.0 ? "met" : "NOT met",
           scenePresented.medianUs);
    BreakDownTick(window);

    SceneRelease(window);
    DestroyWindow(window);
    Present();
}

void MeasurePreview()
{
    UseBenchSettings();
    SaverSettings.clockShown = 0;
    RECT frame = { 0, 0, kPreviewWidth, kPreviewHeight };
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND host = CreateWindowExA(0, "STATIC", "Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                                100, frame.right - frame.left + 40, frame.bottom - frame.top + 40,
                                NULL, NULL, GetModuleHandleA(NULL), NULL);
    HWND window = CreateBenchWindow(kPreviewWidth, kPreviewHeight, host);
    previewMode = 1;
    StartScene(window);
    SeedSceneRandom(1);
    printf("Preview: %dx%d child window, %d ticks after %d warm-up ticks\n", kPreviewWidth,
           kPreviewHeight, kMeasuredTicks, kWarmUpTicks);
    Summary sceneDrawn = TimeTicks([&] { ScenePreviewStep(window); }, false);
    Summary scenePresented = TimeTicks([&] { ScenePreviewStep(window); }, true);
    Baseline baseline;
    StartBaseline(baseline, window);
    Summary baselineDrawn = TimeTicks([&] { PreviewBaselineTick(baseline); }, false);
    Summary baselinePresented = TimeTicks([&] { PreviewBaselineTick(baseline); }, true);
    StopBaseline(baseline);
    PrintPair("- drawing only", sceneDrawn, baselineDrawn);
    PrintPair("- drawing and showing", scenePresented, baselinePresented);

    SceneRelease(window);
    DestroyWindow(window);
    DestroyWindow(host);
    Present();
    ResetSceneState();
}

// --- Start-up: process start to the first frame on the screen --------------------------

struct ScreenPatch {
    int width, height;
    std::vector<DWORD> pixels;   // 0x00RRGGBB
};

ScreenPatch ReadPatch(HDC source, int x, int y, int width, int height)
{
    ScreenPatch patch = { width, height, std::vector<DWORD>((size_t)width * height) };
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = NULL;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    memcpy(patch.pixels.data(), bits, patch.pixels.size() * sizeof(DWORD));
    SelectObject(memory, old);
    DeleteObject(section);
    DeleteDC(memory);
    return patch;
}

ScreenPatch ReadArtPatch(const char* name)
{
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(NULL), name);
    BITMAP info = {};
    GetObjectA(bitmap, sizeof(info), &info);
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    ScreenPatch patch = ReadPatch(memory, 0, 0, info.bmWidth, info.bmHeight);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    DeleteObject(bitmap);
    return patch;
}

const DWORD kKeyBlue = 0x0000FF;   // the character's transparent colour as a DIB pixel

// The character's first frame is on the screen: every opaque pixel matches.
bool ShowsFirstFrame(const ScreenPatch& art, int x, int y)
{
    HDC screen = GetDC(NULL);
    ScreenPatch shown = ReadPatch(screen, x, y, art.width, art.height);
    ReleaseDC(NULL, screen);
    for (size_t i = 0; i < art.pixels.size(); ++i) {
        DWORD want = art.pixels[i] & 0xFFFFFF;
        if (want != kKeyBlue && (shown.pixels[i] & 0xFFFFFF) != want)
            return false;
    }
    return true;
}

std::string IniPath()
{
    char folder[MAX_PATH] = "";
    GetWindowsDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\" + kIniName;
}

struct StartTimes {
    double windowMs;
    double frameMs;
};

bool TimeOneStart(const ScreenPatch& art, int x, int y, StartTimes* times)
{
    char commandLine[MAX_PATH + 8];
    snprintf(commandLine, sizeof commandLine, "\"%s\" /s", kSaverFile);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LONGLONG start = Now();
    if (!CreateProcessA(kSaverFile, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return false;
    times->windowMs = times->frameMs = -1;
    while (CounterUs(Now() - start) < kStartTimeoutMs * 1000.0) {
        if (times->windowMs < 0 && FindWindowA(kSaverClass, NULL))
            times->windowMs = CounterUs(Now() - start) / 1000.0;
        if (ShowsFirstFrame(art, x, y)) {
            times->frameMs = CounterUs(Now() - start) / 1000.0;
            break;
        }
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    // Let the saver's window leave the screen before the next start.
    DWORD until = GetTickCount() + 5000;
    while ((FindWindowA(kSaverClass, NULL) || ShowsFirstFrame(art, x, y)) && GetTickCount() < until)
        Sleep(10);
    return times->frameMs >= 0;
}

void MeasureStart(const char* label)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    ScreenPatch art = ReadArtPatch(kFirstFrameArt);
    int x = CentredAnchor(width, art.width);
    int y = CentredAnchor(height, art.height) + kCharacterDrop;
    std::vector<double> windows, frames;
    for (int run = 0; run < kStartRuns; ++run) {
        StartTimes times;
        if (TimeOneStart(art, x, y, &times)) {
            windows.push_back(times.windowMs);
            frames.push_back(times.frameMs);
        }
    }
    printf("Start-up of the %d-bit saver with /s, %s (%d runs)\n", kBuildBits, label, kStartRuns);
    if (frames.empty()) {
        printf("  the first frame never showed\n");
        return;
    }
    std::sort(windows.begin(), windows.end());
    std::sort(frames.begin(), frames.end());
    printf("  saver window found      median %7.1f ms  (min %.1f, max %.1f)\n",
           windows[windows.size() / 2], windows.front(), windows.back());
    printf("  first frame on screen   median %7.1f ms  (min %.1f, max %.1f)\n",
           frames[frames.size() / 2], frames.front(), frames.back());
}

void MeasureStarts()
{
    std::string ini = IniPath();
    DeleteFileA(ini.c_str());
    MeasureStart("default settings (500 ms frame period, music on, clock on)");
    // The first frame comes with the first timer tick: the shortest period too.
    UseBenchSettings();
    ReadSaverSettings();
    SaverSettings.displayInterval = 1;
    WriteSaverSettings();
    MeasureStart("frame period 100 ms, other settings default");
    SaverSettings.bgmOn = 0;
    WriteSaverSettings();
    MeasureStart("frame period 100 ms, music off");
    DeleteFileA(ini.c_str());
}

void ReportSize(const char* label, const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        printf("  %-34s not found (%s)\n", label, path);
        return;
    }
    double kb = (double)data.nFileSizeLow / 1024.0;
    printf("  %-34s %8lu bytes (%.1f KB) %s\n", label, data.nFileSizeLow, kb,
           kb < 300.0 ? "under 300 KB" : "OVER 300 KB");
}

} // namespace

int main()
{
    setvbuf(stdout, NULL, _IONBF, 0);
    printf("%d-bit build, screen %dx%d\n\n", kBuildBits, GetSystemMetrics(SM_CXSCREEN),
           GetSystemMetrics(SM_CYSCREEN));
    MeasureFullScreen();
    printf("\n");
    MeasurePreview();
    printf("\n");
    MeasureStarts();
    printf("\nSize of the saver file\n");
    // In the 32-bit tree the saver beside this program is the shipped file itself.
    if (kBuildBits == 32) {
        ReportSize("32-bit (the product)", kSaverFile);
    } else {
        ReportSize("32-bit (the product)", kShippedSaverFile);
        ReportSize("64-bit (the test build)", kSaverFile);
    }
    return 0;
}
