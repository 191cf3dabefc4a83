// A person ends the saver: a key press, or moving the mouse. And Windows
// starting it a second time while it runs.
#include "acceptance/AcceptanceSupport.h"

using namespace acceptance;

namespace {
const int kAnchorX = 300;
const int kAnchorY = 300;
} // namespace

TEST_CASE("a key press ends the full-screen saver with 0")
{
    CleanIni ini;
    for (WORD key : { (WORD)VK_SPACE, (WORD)'A', (WORD)VK_SHIFT }) {
        CAPTURE(key);
        test::ScrProcess saver = test::StartScr("/s");
        test::ScopedScr guard(saver);
        HWND window = WaitForForegroundSaver(saver);
        REQUIRE(window != NULL);
        PressKey(key);
        CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0u);
        CHECK_FALSE(IsWindow(window));
    }
}

TEST_CASE("moving the mouse ends the saver; a nudge of a few pixels does not")
{
    CleanIni ini;
    CHECK(test::PlaceCursor(kAnchorX, kAnchorY));
    test::ScrProcess saver = test::StartScr("/s");
    test::ScopedScr guard(saver);
    HWND window = WaitForForegroundSaver(saver);
    REQUIRE(window != NULL);

    CHECK(test::PlaceCursor(kAnchorX + 2, kAnchorY + 2));
    CHECK(test::WaitForExit(saver, kStillRunningMs) == STILL_ACTIVE);

    CHECK(test::PlaceCursor(kAnchorX + 40, kAnchorY + 30));
    CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0u);
}

TEST_CASE("a mouse click ends the saver")
{
    CleanIni ini;
    CHECK(test::PlaceCursor(kAnchorX, kAnchorY));
    test::ScrProcess saver = test::StartScr("/s");
    test::ScopedScr guard(saver);
    REQUIRE(WaitForForegroundSaver(saver) != NULL);
    CHECK(test::ClickAt(kAnchorX, kAnchorY));
    CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0u);
}

TEST_CASE("a second start while the saver runs hands over to the first and ends with 0")
{
    CleanIni ini;
    test::ScrProcess first = test::StartScr("/s");
    test::ScopedScr firstGuard(first);
    HWND window = WaitForForegroundSaver(first);
    REQUIRE(window != NULL);

    CHECK(test::RunScr("/s") == 0u);
    CHECK(WaitForSingleObject(first.info.hProcess, 0) == WAIT_TIMEOUT);
    CHECK(test::FindProcessWindow(0, kSaverClass, kFullScreenTitle) == window);

    // The first one still answers to a person.
    test::PumpUntil([window] { return GetForegroundWindow() == window; }, kStartTimeoutMs);
    PressKey(VK_SPACE);
    CHECK(test::WaitForExit(first, kCloseTimeoutMs) == 0u);
}
