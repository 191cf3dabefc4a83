// SceneInit, SceneRelease and SceneEraseBackground on a real window: the
// pictures it loads, the boxes it shows for missing ones, the save surfaces,
// the frame timer and the random seed; and the scene in the saver's own window.
#include <doctest/doctest.h>

#include "support/GdiCount.h"
#include "host/ClosingSupport.h"
#include "host/SaverHost.h"
#include "scene/Scene.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

#include <time.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

const int kMessageTextId = 0xFFFF;   // the static that holds a message box's text
const char kLoadFailedText[] = "ピットマップのロードに失敗しました！";
const char kCaption[] = "もちぽて";
const int kRestingFrameCount = 9;
const int kClockPieceCount = 16;
const DWORD kFirstTickWaitMs = 10000;   // the fixture's period is 100 ms
const DWORD kTimerPollMs = 20;
const int kTimedTicks = 3;
const DWORD kTimedTicksAtLeastMs = 250;   // three periods of 100 ms, less the timer's slack

// What one message box showed.
struct SeenBox {
    std::string text;
    std::string caption;
    HWND owner;
    bool onlyOk;
    bool errorIcon;
};

BOOL CALLBACK FindErrorIcon(HWND child, LPARAM found)
{
    char className[32];
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        (HICON)SendMessageA(child, STM_GETICON, 0, 0) == LoadIconA(NULL, IDI_HAND))
        *(bool*)found = true;
    return TRUE;
}

// Watches this process from a second thread while the test thread sits in the
// modal boxes: notes each box and presses its OK.
class MessageBoxWatcher {
public:
    MessageBoxWatcher() : stop_(false), thread_([this] { Run(); }) {}
    ~MessageBoxWatcher() { Stop(); }

    std::vector<SeenBox> Stop()
    {
        if (thread_.joinable()) {
            stop_ = true;
            thread_.join();
        }
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

private:
    void Run()
    {
        while (!stop_) {
            HWND box = test::FindMessageBox(GetCurrentProcessId());
            if (!box) {
                Sleep(5);
                continue;
            }
            // Found as soon as it exists; its text is set before it shows.
            for (int wait = 0; wait < 2000 && IsWindow(box) && !IsWindowVisible(box); ++wait)
                Sleep(5);
            SeenBox seen;
            seen.text = test::WindowText(GetDlgItem(box, kMessageTextId));
            seen.caption = test::WindowText(box);
            seen.owner = GetWindow(box, GW_OWNER);
            seen.onlyOk = GetDlgItem(box, IDOK) != NULL && GetDlgItem(box, IDCANCEL) == NULL;
            seen.errorIcon = false;
            EnumChildWindows(box, FindErrorIcon, (LPARAM)&seen.errorIcon);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                seen_.push_back(seen);
            }
            test::DismissMessageBox(box);
            for (int wait = 0; wait < 2000 && IsWindow(box); ++wait)
                Sleep(5);
        }
    }

    std::atomic<bool> stop_;
    std::mutex mutex_;
    std::vector<SeenBox> seen_;
    std::thread thread_;
};

// A fresh scene over a test window: the module the pictures come from and the
// two settings that SceneInit reads.
struct SceneFixture {
    HWND window;

    SceneFixture(HINSTANCE pictures, BYTE clockShown, int displayInterval, int width = 200, int height = 150)
    {
        ResetSceneState();
        SaverHostState.instance = pictures;
        SaverSettings.clockShown = clockShown;
        SaverSettings.displayInterval = displayInterval;
        window = test::CreateHostWindow(width, height, "Scene Assets");
    }
    // The window's own GDI objects (its DC, caption font and the like) come
    // with its first use; counted after that, only the scene's remain.
    size_t LiveObjectsBeforeScene()
    {
        ReleaseDC(window, GetDC(window));
        return test::LiveGdiObjects();
    }
    ~SceneFixture()
    {
        DestroyWindow(window);
        test::PumpFor(20);
        ResetSceneState();
    }
};

std::vector<HBITMAP> CharacterHandles()
{
    std::vector<HBITMAP> handles;
    for (int s = 0; s < kSequenceCount; ++s)
        for (int f = 0; f < characterSequences[s].frameCount; ++f)
            handles.push_back(SceneAssets.characterFrames[s][f]);
    return handles;
}

std::vector<HBITMAP> ClockHandles()
{
    std::vector<HBITMAP> handles = { SceneAssets.clockLeftBitmap, SceneAssets.clockRightBitmap,
                                     SceneAssets.clockColonBitmaps[0], SceneAssets.clockColonBitmaps[1],
                                     SceneAssets.clockAmPmBitmaps[0], SceneAssets.clockAmPmBitmaps[1] };
    for (HBITMAP digit : SceneAssets.clockDigitBitmaps)
        handles.push_back(digit);
    return handles;
}

std::vector<HBITMAP> AllPictureHandles()
{
    std::vector<HBITMAP> handles = CharacterHandles();
    for (HBITMAP star : SceneAssets.starBitmaps)
        handles.push_back(star);
    handles.push_back(SceneAssets.moonBitmap);
    for (HBITMAP piece : ClockHandles())
        handles.push_back(piece);
    return handles;
}

bool SizeIs(const BITMAP& info, int width, int height)
{
    return info.bmWidth == width && info.bmHeight == height;
}

bool IsZero(const BITMAP& info)
{
    BITMAP zero = {};
    return memcmp(&info, &zero, sizeof zero) == 0;
}

BITMAP InfoOf(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    return info;
}

bool IsLiveBitmap(HBITMAP bitmap)
{
    return GetObjectType(bitmap) == OBJ_BITMAP;
}

// The pictures that lack the resting frame and every clock piece.
HINSTANCE LoadPartialArt()
{
    return LoadLibraryA((test::ExeDirectory() + "\\scene_partial_art.dll").c_str());
}

// Runs SceneInit and returns the boxes it showed.
std::vector<SeenBox> InitWatchingBoxes(HWND window)
{
    MessageBoxWatcher watcher;
    SceneInit(window);
    return watcher.Stop();
}

} // namespace

TEST_CASE("SceneInit loads the whole catalogue and SceneRelease gives it all back")
{
    SceneFixture fixture(GetModuleHandleA(NULL), 1, 1);
    size_t objectsBefore = fixture.LiveObjectsBeforeScene();
    characterSave.captured = starSave.captured = moonSave.captured = 1;

    uint32_t secondsBefore = (uint32_t)time(NULL);
    std::vector<SeenBox> boxes = InitWatchingBoxes(fixture.window);
    uint32_t secondsAfter = (uint32_t)time(NULL);
    CHECK(boxes.empty());

    // Every entry its own handle, the resting frame nine times over.
    std::vector<HBITMAP> pictures = AllPictureHandles();
    CHECK(pictures.size() == size_t(34 + 3 + 1 + kClockPieceCount));
    CHECK(std::set<HBITMAP>(pictures.begin(), pictures.end()).size() == pictures.size());
    for (HBITMAP picture : pictures)
        CHECK(IsLiveBitmap(picture));
    for (int s = 0; s < kSequenceCount; ++s)
        for (int f = characterSequences[s].frameCount; f < kMaxSequenceFrames; ++f)
            CHECK(SceneAssets.characterFrames[s][f] == NULL);

    CHECK(SizeIs(SceneAssets.characterInfo, 40, 40));
    CHECK(SizeIs(SceneAssets.starInfo, 40, 40));
    CHECK(SizeIs(SceneAssets.moonInfo, 64, 64));
    CHECK(SizeIs(SceneAssets.clockLeftInfo, 2, 32));
    CHECK(SizeIs(SceneAssets.clockRightInfo, 2, 32));
    CHECK(SizeIs(SceneAssets.clockColonInfo, 16, 32));
    CHECK(SizeIs(SceneAssets.clockAmPmInfo, 16, 32));
    CHECK(SizeIs(SceneAssets.clockDigitInfo, 32, 32));

    RECT client;
    GetClientRect(fixture.window, &client);
    CHECK(EqualRect(&client, &SceneAssets.clientRect));
    CHECK(client.right == 200);

    // The save surfaces, sized from the records, with nothing captured yet.
    CHECK(SizeIs(InfoOf(characterSave.surface), 40, 40));
    CHECK(SizeIs(InfoOf(starSave.surface), 40, 40));
    CHECK(SizeIs(InfoOf(moonSave.surface), 64, 64));
    CHECK(characterSave.captured == 0);
    CHECK(starSave.captured == 0);
    CHECK(moonSave.captured == 0);

    // The frame timer posts WM_TIMER 100 to the window, once per interval of
    // 100 ms: three more ticks after the first take at least that long (a
    // slow machine only makes them later).
    CHECK(SceneAssets.sceneTimer != 0);
    // Only WM_TIMER is taken from the queue: a general pump would dispatch the
    // tick before it could be seen.
    DWORD firstTick = 0;
    for (int tick = 0; tick <= kTimedTicks; ++tick) {
        MSG message = {};
        bool ticked = false;
        DWORD waitStart = GetTickCount();
        while (!ticked && GetTickCount() - waitStart < kFirstTickWaitMs) {
            ticked = PeekMessageA(&message, fixture.window, WM_TIMER, WM_TIMER, PM_REMOVE) != 0;
            if (!ticked)
                MsgWaitForMultipleObjects(0, NULL, FALSE, kTimerPollMs, QS_TIMER);
        }
        CHECK(ticked);
        CHECK(message.wParam == kSceneTimerId);
        if (tick == 0)
            firstTick = GetTickCount();
    }
    CHECK(GetTickCount() - firstTick >= kTimedTicksAtLeastMs);

    // Seeded with the calendar time in seconds.
    uint32_t state = SceneRandomState();
    CHECK(state >= secondsBefore);
    CHECK(state <= secondsAfter);

    std::vector<HBITMAP> surfaces = { characterSave.surface, starSave.surface, moonSave.surface };
    SceneRelease(fixture.window);
    for (HBITMAP picture : pictures)
        CHECK_FALSE(IsLiveBitmap(picture));
    for (HBITMAP surface : surfaces)
        CHECK_FALSE(IsLiveBitmap(surface));
    CHECK_FALSE(KillTimer(fixture.window, kSceneTimerId));   // already gone
    CHECK(test::LiveGdiObjects() == objectsBefore);
}

TEST_CASE("With the clock hidden no clock piece is loaded, and everything else is")
{
    SceneFixture fixture(GetModuleHandleA(NULL), 0, 5);
    size_t objectsBefore = fixture.LiveObjectsBeforeScene();
    CHECK(InitWatchingBoxes(fixture.window).empty());

    for (HBITMAP piece : ClockHandles())
        CHECK(piece == NULL);
    CHECK(IsZero(SceneAssets.clockLeftInfo));
    CHECK(IsZero(SceneAssets.clockRightInfo));
    CHECK(IsZero(SceneAssets.clockColonInfo));
    CHECK(IsZero(SceneAssets.clockAmPmInfo));
    CHECK(IsZero(SceneAssets.clockDigitInfo));

    for (HBITMAP frame : CharacterHandles())
        CHECK(IsLiveBitmap(frame));
    for (HBITMAP star : SceneAssets.starBitmaps)
        CHECK(IsLiveBitmap(star));
    CHECK(IsLiveBitmap(SceneAssets.moonBitmap));
    CHECK(SizeIs(SceneAssets.moonInfo, 64, 64));
    CHECK(SizeIs(InfoOf(characterSave.surface), 40, 40));
    CHECK(SizeIs(InfoOf(starSave.surface), 40, 40));
    CHECK(SizeIs(InfoOf(moonSave.surface), 64, 64));

    SceneRelease(fixture.window);
    CHECK(test::LiveGdiObjects() == objectsBefore);
}

TEST_CASE("Each picture that fails to load shows one box, and loading goes on")
{
    HINSTANCE partial = LoadPartialArt();
    REQUIRE(partial != NULL);

    // The library has no clock pieces either: with the clock hidden they are
    // not asked for, so only the nine places of the resting frame fail.
    {
        SceneFixture fixture(partial, 0, 5);
        std::vector<SeenBox> boxes = InitWatchingBoxes(fixture.window);
        CHECK(boxes.size() == size_t(kRestingFrameCount));
        for (const SeenBox& box : boxes) {
            CHECK(box.text == kLoadFailedText);
            CHECK(box.caption == kCaption);
            CHECK(box.owner == fixture.window);
            CHECK(box.onlyOk);
            CHECK(box.errorIcon);
        }
        // The places of the resting frame stay empty; every other frame is there.
        for (int s = 0; s < kSequenceCount; ++s)
            for (int f = 0; f < characterSequences[s].frameCount; ++f) {
                bool resting = std::string(characterSequences[s].frameNames[f]) == "IDB_BITMAP_TOKOPI_000";
                CHECK((SceneAssets.characterFrames[s][f] == NULL) == resting);
            }
        CHECK(IsZero(SceneAssets.characterInfo));   // its record comes from the first frame
        CHECK(SizeIs(SceneAssets.starInfo, 40, 40));
        CHECK(IsLiveBitmap(SceneAssets.moonBitmap));
        CHECK(SceneAssets.sceneTimer != 0);
        SceneRelease(fixture.window);
    }

    FreeLibrary(partial);
}

TEST_CASE("The frame timer counts tenths of a second in unsigned 32-bit arithmetic")
{
    CHECK(SceneTimerPeriod(1) == 100u);
    CHECK(SceneTimerPeriod(5) == 500u);
    CHECK(SceneTimerPeriod(128) == 12800u);
    CHECK(SceneTimerPeriod(0) == 0u);
    // Hand-edited values beyond the dialog's range wrap as SetTimer's UINT does.
    CHECK(SceneTimerPeriod(42949673) == 4u);
    CHECK(SceneTimerPeriod(2147483647) == 4294967196u);
    CHECK(SceneTimerPeriod(-1) == 4294967196u);
    CHECK(SceneTimerPeriod(-2147483647 - 1) == 0u);

    // Such a value still gives a running timer, and a clean release.
    SceneFixture fixture(GetModuleHandleA(NULL), 0, 2147483647);
    CHECK(InitWatchingBoxes(fixture.window).empty());
    CHECK(SceneAssets.sceneTimer != 0);
    SceneRelease(fixture.window);
    CHECK_FALSE(KillTimer(fixture.window, kSceneTimerId));
}

TEST_CASE("The generator draws the known sequence for a seed and stays at 1 until seeded")
{
    ResetSceneState();
    CHECK(SceneRandomState() == 1u);
    CHECK(DrawSceneRandom() == 41);
    CHECK(DrawSceneRandom() == 18467);
    CHECK(DrawSceneRandom() == 6334);
    CHECK(DrawSceneRandom() == 26500);

    SeedSceneRandom(0);
    CHECK(DrawSceneRandom() == 38);
    CHECK(DrawSceneRandom() == 7719);
    CHECK(DrawSceneRandom() == 21238);
    CHECK(DrawSceneRandom() == 2437);

    SeedSceneRandom(20240101u);
    CHECK(DrawSceneRandom() == 2635);
    CHECK(DrawSceneRandom() == 22204);
    ResetSceneState();
}

TEST_CASE("SceneEraseBackground paints the rectangle taken at SceneInit black")
{
    SceneFixture fixture(GetModuleHandleA(NULL), 0, 5, 120, 80);
    CHECK(InitWatchingBoxes(fixture.window).empty());
    KillTimer(fixture.window, kSceneTimerId);   // no frames in this test

    // The window grows afterwards; the rectangle stays the one of SceneInit.
    RECT frame = { 0, 0, 200, 150 };
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(fixture.window, NULL, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    test::PumpFor(100);
    HDC dc = GetDC(fixture.window);
    RECT client = { 0, 0, 200, 150 };
    HBRUSH white = (HBRUSH)GetStockObject(WHITE_BRUSH);
    FillRect(dc, &client, white);

    CHECK(SceneEraseBackground(fixture.window) == 1);
    CHECK(GetPixel(dc, 0, 0) == RGB(0, 0, 0));
    CHECK(GetPixel(dc, 119, 79) == RGB(0, 0, 0));
    CHECK(GetPixel(dc, 60, 40) == RGB(0, 0, 0));
    CHECK(GetPixel(dc, 120, 10) == RGB(255, 255, 255));
    CHECK(GetPixel(dc, 10, 80) == RGB(255, 255, 255));
    CHECK(GetPixel(dc, 199, 149) == RGB(255, 255, 255));
    ReleaseDC(fixture.window, dc);
    SceneRelease(fixture.window);
}

TEST_CASE("The saver starts on a black screen without a single box")
{
    test::RemoveIni();
    // No music: the test is about the pictures.
    WritePrivateProfileStringA("ＢＧＭ", "ＢＧＭあり", "0", "もちぽて.ini");
    WritePrivateProfileStringA(NULL, NULL, NULL, "もちぽて.ini");

    test::ScrProcess saver = test::StartScr("/s");
    REQUIRE(saver.started);
    HWND window = test::WaitForWindow(saver.info.dwProcessId, "WindowsScreenSaverClass", "Screen Saver", 20000);
    REQUIRE(window != NULL);
    int height = GetSystemMetrics(SM_CYSCREEN);
    // Bottom left is away from the character, star, moon, band and clock.
    bool black = test::PumpUntil([&] { return test::ScreenPixel(2, height - 3) == RGB(0, 0, 0); }, 10000);
    CHECK(black);
    test::PumpFor(300);
    CHECK(test::FindMessageBox(saver.info.dwProcessId) == NULL);
    test::EndScr(saver);
    test::RemoveIni();
}

namespace {
// Each window reads the file afresh, before it builds the scene: the record is
// emptied first, so only that reading can give a 24-hour clock every 0.3 s.
void ExpectSettingsReadForWindow()
{
    CHECK(SaverSettings.displayInterval == 3);
    CHECK(SaverSettings.clockMode == 2);
    CHECK(IsLiveBitmap(SceneAssets.clockLeftBitmap));
}
} // namespace

TEST_CASE("In the saver's own window the scene reads the settings, erases only that window and gives everything back")
{
    test::RemoveIni();
    WritePrivateProfileStringA("表示間隔", "インターバル(*100msec)", "3", "もちぽて.ini");
    WritePrivateProfileStringA("時刻表示", "時刻表示のモード", "2", "もちぽて.ini");
    WritePrivateProfileStringA(NULL, NULL, NULL, "もちぽて.ini");
    closing::ResetHost();
    // The first run makes what the window class and its DC keep for the process.
    closing::RunSaver(NULL, [](closing::SaverWindow&) {});
    size_t objectsBefore = test::LiveGdiObjects();
    SaverSettings = SaverSettingsRecord();
    closing::RunSaver(NULL, [](closing::SaverWindow& saver) {
        CHECK_FALSE(previewMode);
        ExpectSettingsReadForWindow();
        // A DC handed over with WM_ERASEBKGND keeps its pixels: the scene paints
        // its own window black, and the default procedure never sees the message.
        HDC windowDc = GetDC(saver.window);
        HDC memory = CreateCompatibleDC(windowDc);
        HBITMAP white = CreateCompatibleBitmap(windowDc, 8, 8);
        HGDIOBJ previous = SelectObject(memory, white);
        PatBlt(memory, 0, 0, 8, 8, WHITENESS);
        CHECK(saver.Send(WM_ERASEBKGND, (WPARAM)memory) == 1);
        CHECK(GetPixel(memory, 4, 4) == RGB(255, 255, 255));
        CHECK(GetPixel(windowDc, 2, 2) == RGB(0, 0, 0));
        SelectObject(memory, previous);
        DeleteObject(white);
        DeleteDC(memory);
        ReleaseDC(saver.window, windowDc);
    });
    CHECK(test::LiveGdiObjects() == objectsBefore);

    // A preview is its own process and reads the file for itself too.
    HWND host = test::CreateHostWindow(152, 112);
    SaverSettings = SaverSettingsRecord();
    closing::RunSaver(host, [](closing::SaverWindow&) {
        CHECK(previewMode);
        ExpectSettingsReadForWindow();
    });
    DestroyWindow(host);
    test::RemoveIni();
}
