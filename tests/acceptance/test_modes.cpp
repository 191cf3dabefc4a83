// Every mode of the command line, as Windows starts the saver, with its exit
// code. (The command-line table itself is covered in depth by the start-up tests.)
#include "acceptance/AcceptanceSupport.h"

using namespace acceptance;

TEST_CASE("each mode of the command line ends with its exit code")
{
    CleanIni ini;

    SUBCASE("/s: full screen until closed, then 0")
    {
        test::ScrProcess saver = test::StartScr("/s");
        test::ScopedScr guard(saver);
        HWND window = WaitForFullScreen(saver);
        REQUIRE(window != NULL);
        PostMessageA(window, WM_CLOSE, 0, 0);
        CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0u);
    }
    SUBCASE("/p and /l: a preview inside the named window, then 0")
    {
        for (const char* letter : { "/p ", "/l " }) {
            CAPTURE(letter);
            HWND host = test::CreateHostWindow(152, 112, "Display Properties");
            test::ScrProcess saver = test::StartScr(letter + Decimal(host));
            test::ScopedScr guard(saver);
            HWND preview = NULL;
            test::PumpUntil([&] { return (preview = FindWindowExA(host, NULL, kSaverClass, kPreviewTitle)) != NULL; },
                            kStartTimeoutMs);
            REQUIRE(preview != NULL);
            // The preview ends with its parent, as when the control panel closes.
            DestroyWindow(host);
            CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0u);
        }
    }
    SUBCASE("no switch and /c: the settings dialog; OK gives 1, Cancel 0")
    {
        test::ScrProcess plain = test::StartScr("");
        test::ScopedScr plainGuard(plain);
        HWND dialog = WaitForDialog(plain);
        REQUIRE(dialog != NULL);
        CHECK(GetWindow(dialog, GW_OWNER) == NULL);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        CHECK(test::WaitForExit(plain, kCloseTimeoutMs) == 1u);

        HWND owner = test::CreateHostWindow(300, 200, "Display Properties");
        test::ScrProcess owned = test::StartScr("/c:" + Decimal(owner));
        test::ScopedScr ownedGuard(owned);
        dialog = WaitForDialog(owned);
        REQUIRE(dialog != NULL);
        CHECK(GetWindow(dialog, GW_OWNER) == owner);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        CHECK(test::WaitForExit(owned, kCloseTimeoutMs) == 0u);
        DestroyWindow(owner);
    }
    SUBCASE("an unknown switch, a preview without a window, and the 9x-only password mode end with -1")
    {
        for (const char* arguments : { "/x", "/p", "/p 0", "/a 1234" }) {
            CAPTURE(arguments);
            CHECK(test::RunScr(arguments) == kExitInvalid);
        }
        // None of them showed a window.
        CHECK(test::FindProcessWindow(0, kSaverClass, NULL) == NULL);
    }
}
