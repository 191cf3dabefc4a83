// The built saver in configuration mode, end to end: "/c", "/c:HWND" and no
// argument show the dialog with the right owner; a mouse click on OK writes
// the INI file and ends the process with 1, a click on Cancel ends it with 0.
#include <doctest/doctest.h>

#include <stdio.h>
#include <string>

#include "settings/DialogSupport.h"

using namespace dialogtest;

namespace {

const DWORD kStartMs = 20000;
const DWORD kExitMs = 20000;

struct ShownDialog {
    test::ScrProcess process;
    HWND dialog;
};

ShownDialog StartConfigMode(const std::string& arguments)
{
    ShownDialog shown = {};
    shown.process = test::StartScr(arguments);
    if (shown.process.started)
        shown.dialog = test::WaitForWindow(shown.process.info.dwProcessId, kDialogClass, kDialogTitle, kStartMs);
    // Let the dialog finish its first paint before it is clicked.
    test::PumpUntil([&] { return shown.dialog && IsWindowVisible(shown.dialog); }, kStartMs);
    test::PumpFor(300);
    return shown;
}

// A real mouse click on a button of the dialog, then the process's exit code.
DWORD ClickAndWait(ShownDialog& shown, int buttonId)
{
    CHECK(test::ClickCentre(GetDlgItem(shown.dialog, buttonId)));
    DWORD code = test::WaitForExit(shown.process, kExitMs);
    test::EndScr(shown.process);
    return code;
}

std::string HandleNumber(HWND window)
{
    char text[32];
    snprintf(text, sizeof text, "%lu", (unsigned long)(UINT_PTR)window);
    return text;
}

void CheckDefaultsWritten()
{
    CHECK(IniValue(kIntervalSection, kIntervalKey) == "5");
    CHECK(IniValue(kBgmSection, kBgmOnKey) == "1");
    CHECK(IniValue(kBgmSection, kBgmTitleKey) == "もちぽて.mid");
    CHECK(IniValue(kClockSection, kClockShownKey) == "1");
    CHECK(IniValue(kClockSection, kClockModeKey) == "1");
}

} // namespace

TEST_CASE("No argument: the dialog has no owner; OK with the mouse writes the file and exits with 1")
{
    test::RemoveIni();
    ShownDialog shown = StartConfigMode("");
    REQUIRE(shown.dialog != NULL);
    CHECK(GetWindow(shown.dialog, GW_OWNER) == NULL);
    CHECK(ControlText(shown.dialog, IDC_INTERVAL) == "5");
    CHECK(ClickAndWait(shown, IDOK) == 1);
    CheckDefaultsWritten();
}

TEST_CASE("/c: owned by the foreground window; Cancel with the mouse writes nothing and exits with 0")
{
    test::RemoveIni();
    HWND host = test::CreateHostWindow(640, 480, "Foreground Host");
    SetForegroundWindow(host);
    test::PumpUntil([host] { return GetForegroundWindow() == host; }, kStartMs);
    REQUIRE(GetForegroundWindow() == host);

    ShownDialog shown = StartConfigMode("/c");
    REQUIRE(shown.dialog != NULL);
    CHECK(GetWindow(shown.dialog, GW_OWNER) == host);
    CHECK(ClickAndWait(shown, IDCANCEL) == 0);
    CHECK_FALSE(test::FileExists(test::WindowsIniPath()));
    DestroyWindow(host);
}

TEST_CASE("/c:HWND: owned by that window; OK with the mouse exits with 1")
{
    test::RemoveIni();
    HWND host = test::CreateHostWindow(640, 480, "Named Host");
    HWND other = test::CreateHostWindow(100, 100, "Foreground Other");
    SetForegroundWindow(other);
    test::PumpFor(100);

    ShownDialog shown = StartConfigMode("/c:" + HandleNumber(host));
    REQUIRE(shown.dialog != NULL);
    CHECK(GetWindow(shown.dialog, GW_OWNER) == host);
    CHECK(ClickAndWait(shown, IDOK) == 1);
    CheckDefaultsWritten();
    DestroyWindow(other);
    DestroyWindow(host);
}
