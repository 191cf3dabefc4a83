// What a person sees: the full-screen night scene and the preview, read back
// from the screen's pixels after a few frames.
#include "acceptance/AcceptanceSupport.h"

using namespace acceptance;

namespace {

const COLORREF kFrameBlue = RGB(0, 0, 255);
const COLORREF kDigitGreen = RGB(0, 255, 0);
// The clock panel starts at x = 1 and moves one pixel a frame; these columns
// stay inside it for the first 30 frames.
const int kPanelProbeLeft = 40;
const int kPanelProbeRight = 240;
// The moon starts at x = 0 and moves one pixel a frame.
const int kMoonProbeRight = 200;

bool IsBright(COLORREF colour)
{
    // The star's tint has every channel from 128 up.
    return GetRValue(colour) >= 128 && GetGValue(colour) >= 128 && GetBValue(colour) >= 128;
}

int CountBright(const ScreenShot& shot, int left, int top, int right, int bottom)
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += IsBright(shot.At(x, y));
    return count;
}

bool RowIs(const ScreenShot& shot, int y, int left, int right, COLORREF colour)
{
    for (int x = left; x < right; ++x)
        if (shot.At(x, y) != colour)
            return false;
    return true;
}

int CountColour(const ScreenShot& shot, int left, int top, int right, int bottom, COLORREF colour)
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += shot.At(x, y) == colour;
    return count;
}

bool BandShown(const ScreenShot& shot, const SceneLayout& layout)
{
    const int columns[] = { 0, layout.width / 4, layout.width / 2, layout.width * 3 / 4, layout.width - 1 };
    for (int y = layout.bandTop; y < layout.bandBottom; ++y)
        for (int x : columns)
            if (!IsPureBlueShade(shot.At(x, y)))
                return false;
    return true;
}

bool ClockShown(const ScreenShot& shot, const SceneLayout& layout)
{
    return RowIs(shot, layout.clockTop, kPanelProbeLeft, kPanelProbeRight, kFrameBlue) &&
           CountColour(shot, kPanelProbeLeft, layout.clockTop + 2, kPanelProbeRight, layout.clockTop + 30,
                       kDigitGreen) > 0;
}

bool MoonShown(const ScreenShot& shot, const SceneLayout& layout)
{
    return shot.CountLit(0, layout.moonTop, kMoonProbeRight, layout.moonBottom) > 64;
}

} // namespace

TEST_CASE("full screen: character, band, moon, star and clock where they belong")
{
    CleanIni ini;
    test::ScrProcess saver = test::StartScr("/s");
    test::ScopedScr guard(saver);
    HWND window = WaitForFullScreen(saver);
    REQUIRE(window != NULL);
    RECT client;
    GetClientRect(window, &client);
    SceneLayout layout(client.right, client.bottom);

    ScreenShot shot = WaitForScreen([&](const ScreenShot& s) {
        return CharacterShown(s, layout.characterX, layout.characterY) && BandShown(s, layout) &&
               MoonShown(s, layout) && ClockShown(s, layout);
    });

    // The character, 40 x 40, 50 pixels below the centre; black around it.
    CHECK(CharacterShown(shot, layout.characterX, layout.characterY));
    CHECK(shot.AllBlack(layout.characterX - 20, layout.characterY + 40, layout.characterX + 60,
                        layout.characterY + 60));
    CHECK(shot.AllBlack(layout.characterX - 20, layout.bandBottom, layout.characterX + 60, layout.characterY));

    // The band: 90 rows of blue from 100 above the character to 11 above it,
    // across the whole width, black just above and below.
    CHECK(BandShown(shot, layout));
    CHECK(layout.bandBottom - layout.bandTop == 90);
    CHECK(shot.AllBlack(0, layout.bandTop - 1, layout.width, layout.bandTop));
    CHECK(shot.AllBlack(0, layout.bandBottom, layout.width, layout.bandBottom + 1));

    // The moon near the left edge, its top at y = 50, black above and below.
    CHECK(MoonShown(shot, layout));
    CHECK(shot.AllBlack(0, 40, kMoonProbeRight, layout.moonTop));
    CHECK(shot.AllBlack(0, layout.moonBottom, kMoonProbeRight, layout.moonBottom + 20));

    // The clock panel's top row 100 above the bottom edge: blue frame rows
    // above and below, green figures inside, black above it.
    CHECK(ClockShown(shot, layout));
    CHECK(RowIs(shot, layout.clockTop + 1, kPanelProbeLeft, kPanelProbeRight, kFrameBlue));
    CHECK(RowIs(shot, layout.clockTop + 30, kPanelProbeLeft, kPanelProbeRight, kFrameBlue));
    CHECK(RowIs(shot, layout.clockTop + 31, kPanelProbeLeft, kPanelProbeRight, kFrameBlue));
    CHECK(shot.AllBlack(0, layout.clockTop - 10, layout.width, layout.clockTop));
    CHECK(shot.AllBlack(0, layout.clockTop + 33, layout.width, layout.height));

    // The shooting star on the top edge, in a bright colour: shown two frames
    // out of three, so wait for one of them.
    ScreenShot starShot = WaitForScreen([&](const ScreenShot& s) { return CountBright(s, 0, 0, layout.width, 40) > 0; });
    CHECK(CountBright(starShot, 0, 0, layout.width, 40) > 0);
    CHECK(starShot.AllBlack(0, 40, layout.width, layout.moonTop));

    PostMessageA(window, WM_CLOSE, 0, 0);
    CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0u);
}

TEST_CASE("full screen with the clock hidden shows no panel")
{
    CleanIni ini;
    WriteIni("[時刻表示]\r\n時刻表示の有無=0\r\n");
    test::ScrProcess saver = test::StartScr("/s");
    test::ScopedScr guard(saver);
    HWND window = WaitForFullScreen(saver);
    REQUIRE(window != NULL);
    RECT client;
    GetClientRect(window, &client);
    SceneLayout layout(client.right, client.bottom);

    ScreenShot shot = WaitForScreen([&](const ScreenShot& s) {
        return CharacterShown(s, layout.characterX, layout.characterY) && BandShown(s, layout) &&
               MoonShown(s, layout);
    });
    CHECK(BandShown(shot, layout));
    CHECK(shot.AllBlack(0, layout.clockTop - 10, layout.width, layout.height));

    PostMessageA(window, WM_CLOSE, 0, 0);
    CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0u);
}

TEST_CASE("preview: the character alone, at the plain centre of the preview window")
{
    // Wine 8 does not draw a child window that belongs to another process, so
    // the pixels are read from the build's stand-in for the Display control
    // panel, which runs the same saver code in its own process and gives it
    // its 152 x 112 screen window with "/p". (test_modes runs the .scr's own
    // preview inside a window of this process.)
    CleanIni ini;
    const std::string host = test::ExeDirectory() + "\\preview-host.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string line = "\"" + host + "\"";
    test::ScrProcess process = {};
    process.started =
        CreateProcessA(host.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process.info) != 0;
    REQUIRE(process.started);
    test::ScopedScr guard(process);

    HWND monitor = test::WaitForWindow(process.info.dwProcessId, "MochipotePreviewHost", NULL, kStartTimeoutMs);
    REQUIRE(monitor != NULL);
    HWND screen = NULL, preview = NULL;
    test::PumpUntil([&] {
        screen = FindWindowExA(monitor, NULL, "MochipotePreviewScreen", NULL);
        return screen != NULL && (preview = FindWindowExA(screen, NULL, kSaverClass, kPreviewTitle)) != NULL;
    }, kStartTimeoutMs);
    REQUIRE(screen != NULL);
    REQUIRE(preview != NULL);
    RECT client;
    GetClientRect(preview, &client);
    CHECK(client.right == 152);
    CHECK(client.bottom == 112);
    POINT origin = { 0, 0 };
    ClientToScreen(preview, &origin);
    const int width = client.right, height = client.bottom;
    const int x = origin.x + width / 2 - 20, y = origin.y + height / 2 - 20;

    auto characterAlone = [&](const ScreenShot& s) {
        return CharacterShown(s, x, y) && s.AllBlack(origin.x, origin.y, origin.x + width, y) &&
               s.AllBlack(origin.x, y + 40, origin.x + width, origin.y + height) && s.AllBlack(origin.x, y, x, y + 40) &&
               s.AllBlack(x + 40, y, origin.x + width, y + 40);
    };
    ScreenShot shot = WaitForScreen(characterAlone);
    // The character in its 40 x 40 cell at the centre; black everywhere else
    // in the preview: no band, star, moon or clock.
    CHECK(CharacterShown(shot, x, y));
    CHECK(shot.AllBlack(origin.x, origin.y, origin.x + width, y));
    CHECK(shot.AllBlack(origin.x, y + 40, origin.x + width, origin.y + height));
    CHECK(shot.AllBlack(origin.x, y, x, y + 40));
    CHECK(shot.AllBlack(x + 40, y, origin.x + width, y + 40));

    PostMessageA(monitor, WM_CLOSE, 0, 0);
    CHECK(test::WaitForExit(process, kCloseTimeoutMs) == 0u);
}
