// Endurance: a long run of the full scene and many repaints of the
// configuration dialog leave the process with as many GDI objects and as much
// private memory as before. Both measures are first shown to catch a leak.
#include <doctest/doctest.h>

#include <windows.h>
#include <psapi.h>

#include <string.h>

#include <vector>

#include "host/SaverHost.h"
#include "scene/Scene.h"
#include "settings/Settings.h"
#include "support/GdiCount.h"
#include "support/TestSupport.h"

namespace {

const int kSoakTicks = 100000;
const int kDialogRepaints = 1000;
const int kWarmUpTicks = 1000;
const int kWarmUpRepaints = 20;
const int kTicksPerPump = 100;        // the message queue's turn, as between timer ticks
const int kLeakTicks = 2000;
const SIZE_T kLeakBytesPerTick = 4096;
// Private memory may move by a few pages as heaps settle; a leak of one
// object per tick over a long run is far beyond this.
const SIZE_T kMemoryTolerance = 1024 * 1024;
const int kSoakWidth = 1024;
const int kSoakHeight = 768;
const char kSoakClass[] = "SoakSceneWindow";

// --- The two measures ------------------------------------------------------

// The process's private (commit-charge) bytes. Wine leaves PrivateUsage at 0
// but fills PagefileUsage, which Windows keeps equal to it.
SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&counters, sizeof counters);
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

struct Footprint {
    size_t gdiObjects;
    SIZE_T privateBytes;
};

Footprint TakeFootprint()
{
    Footprint footprint = { test::LiveGdiObjects(), PrivateBytes() };
    return footprint;
}

// The verdict the soak cases give: did the process grow between two footprints?
struct Growth {
    long long gdiObjects;
    long long privateBytes;
    bool grew() const { return gdiObjects > 0 || privateBytes > (long long)kMemoryTolerance; }
};

Growth GrowthBetween(const Footprint& before, const Footprint& after)
{
    Growth growth = { (long long)after.gdiObjects - (long long)before.gdiObjects,
                      (long long)after.privateBytes - (long long)before.privateBytes };
    return growth;
}

void Pump()
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// --- The scene on a real window, ticked by hand ---------------------------------

LRESULT CALLBACK QuietWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND)
        return 1;
    if (message == WM_PAINT) {
        ValidateRect(window, NULL);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct SoakScene {
    HWND window;

    SoakScene()
    {
        ResetSaverHostState();
        ResetSceneState();
        SaverHostState.instance = GetModuleHandleA(NULL);
        SaverSettings.displayInterval = 1;
        SaverSettings.bgmOn = 0;
        SaverSettings.clockShown = 1;
        SaverSettings.clockMode = 1;
        WNDCLASSA windowClass = {};
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = QuietWindowProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = kSoakClass;
        RegisterClassA(&windowClass);
        window = CreateWindowExA(WS_EX_TOPMOST, kSoakClass, "soak", WS_POPUP | WS_VISIBLE, 0, 0,
                                 kSoakWidth, kSoakHeight, NULL, NULL, GetModuleHandleA(NULL), NULL);
        test::PumpFor(50);
        SceneInit(window);
        KillTimer(window, kSceneTimerId);   // ticks come from the loop, not the timer
        SceneAssets.sceneTimer = 0;
        SceneEraseBackground(window);
    }

    ~SoakScene()
    {
        SceneRelease(window);
        DestroyWindow(window);
        test::PumpFor(20);
        ResetSceneState();
    }
};

// What a leaking build would add to every tick: a brush never deleted and a
// block of memory never freed.
std::vector<HBRUSH> leakedBrushes;
std::vector<char*> leakedBlocks;

void LeakOnce()
{
    leakedBrushes.push_back(CreateSolidBrush(RGB(1, 2, 3)));
    char* block = new char[kLeakBytesPerTick];
    memset(block, 0x5A, kLeakBytesPerTick);   // touched, so it is really in use
    leakedBlocks.push_back(block);
}

void ForgetLeaks()
{
    for (HBRUSH brush : leakedBrushes)
        DeleteObject(brush);
    for (char* block : leakedBlocks)
        delete[] block;
    leakedBrushes.clear();
    leakedBlocks.clear();
    leakedBrushes.shrink_to_fit();
    leakedBlocks.shrink_to_fit();
}

void RunTicks(HWND window, int ticks, bool leak)
{
    for (int tick = 1; tick <= ticks; ++tick) {
        SceneFrameStep(window);
        if (leak)
            LeakOnce();
        if (tick % kTicksPerPump == 0)
            Pump();
    }
    Pump();
}

// Ticks after a warm-up (first-use allocations of GDI and the heap are not growth).
Growth RunSoak(int ticks, bool leak)
{
    SoakScene scene;
    RunTicks(scene.window, kWarmUpTicks, false);
    leakedBrushes.reserve(leak ? ticks : 0);
    leakedBlocks.reserve(leak ? ticks : 0);
    Footprint before = TakeFootprint();
    RunTicks(scene.window, ticks, leak);
    Footprint after = TakeFootprint();
    return GrowthBetween(before, after);
}

// --- The configuration dialog, modeless --------------------------------------------

HWND OpenDialog()
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    RegisterConfigDialogClasses(instance);
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(kConfigDialogId), NULL,
                                     ConfigDialogProc, 0);
    if (dialog) {
        ShowWindow(dialog, SW_SHOW);
        UpdateWindow(dialog);
        test::PumpFor(50);
    }
    return dialog;
}

void Repaint(HWND dialog, int times)
{
    for (int i = 0; i < times; ++i) {
        InvalidateRect(dialog, NULL, TRUE);
        UpdateWindow(dialog);
        Pump();
    }
}

void CloseDialog(HWND dialog)
{
    DestroyWindow(dialog);
    test::PumpFor(50);
}

} // namespace

TEST_CASE("the GDI count and the private memory catch a build that leaks on every tick")
{
    Growth growth = RunSoak(kLeakTicks, true);
    MESSAGE("deliberate leak over ", kLeakTicks, " ticks: GDI objects +", growth.gdiObjects,
            ", private bytes +", growth.privateBytes);
    CHECK(growth.grew());
    CHECK(growth.gdiObjects >= kLeakTicks);
    CHECK(growth.privateBytes > (long long)kMemoryTolerance);
    ForgetLeaks();
}

TEST_CASE("100,000 ticks of the full scene with the clock leave the process as it was")
{
    DWORD start = GetTickCount();
    Growth growth = RunSoak(kSoakTicks, false);
    MESSAGE(kSoakTicks, " ticks in ", GetTickCount() - start, " ms: GDI objects ",
            growth.gdiObjects, ", private bytes ", growth.privateBytes);
    CHECK(growth.gdiObjects == 0);
    CHECK(growth.privateBytes <= (long long)kMemoryTolerance);
}

TEST_CASE("1,000 repaints of the configuration dialog leave the process as it was")
{
    // A first dialog loads what the dialog manager and the fonts keep for the
    // process; it is not growth.
    HWND first = OpenDialog();
    REQUIRE(first != NULL);
    Repaint(first, kWarmUpRepaints);
    CloseDialog(first);
    Footprint beforeOpen = TakeFootprint();

    HWND dialog = OpenDialog();
    REQUIRE(dialog != NULL);
    Repaint(dialog, kWarmUpRepaints);
    Footprint beforeRepaints = TakeFootprint();
    DWORD start = GetTickCount();
    Repaint(dialog, kDialogRepaints);
    DWORD elapsed = GetTickCount() - start;
    Growth painting = GrowthBetween(beforeRepaints, TakeFootprint());
    CloseDialog(dialog);
    Growth wholeLife = GrowthBetween(beforeOpen, TakeFootprint());

    MESSAGE(kDialogRepaints, " repaints in ", elapsed, " ms: GDI objects ", painting.gdiObjects,
            ", private bytes ", painting.privateBytes, "; open to close: GDI objects ",
            wholeLife.gdiObjects, ", private bytes ", wholeLife.privateBytes);
    CHECK(painting.gdiObjects == 0);
    CHECK(painting.privateBytes <= (long long)kMemoryTolerance);
    CHECK(wholeLife.gdiObjects == 0);
    CHECK(wholeLife.privateBytes <= (long long)kMemoryTolerance);
}
