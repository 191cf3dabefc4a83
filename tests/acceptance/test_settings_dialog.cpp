// The settings dialog used with the mouse and the keyboard, and the settings
// file it leaves behind.
#include "acceptance/AcceptanceSupport.h"

using namespace acceptance;

namespace {

const int kOk = 1;
const int kCancel = 2;
const int kMusic = 1000;
const int kInterval = 1002;
const int kClockHidden = 1013;
const int kClockShown = 1014;
const int k12Hour = 1011;
const int k24Hour = 1012;

// Texts and check marks of another process's controls, asked through messages.
std::string ControlText(HWND dialog, int id)
{
    char text[256] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG,
                        kCloseTimeoutMs, &length);
    return std::string(text, length);
}

bool Checked(HWND dialog, int id)
{
    DWORD_PTR state = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kCloseTimeoutMs, &state);
    return state == BST_CHECKED;
}

bool Enabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != 0;
}

void Click(HWND dialog, int id)
{
    CHECK(test::ClickCentre(GetDlgItem(dialog, id)));
}

// Waits until the control shows the state a click should have given it.
bool WaitUntil(const std::function<bool()>& condition)
{
    return test::PumpUntil(condition, kCloseTimeoutMs);
}

// Replaces the interval's text by typing, as a person would.
void TypeInterval(HWND dialog, const char* digits)
{
    Click(dialog, kInterval);
    WaitUntil([&] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info) &&
               info.hwndFocus == GetDlgItem(dialog, kInterval);
    });
    PressKey(VK_END);
    for (int i = 0; i < 8; ++i)
        PressKey(VK_BACK);
    TypeText(digits);
    WaitUntil([&] { return ControlText(dialog, kInterval) == digits; });
}

// A visible dialog-class window of the process other than the settings
// dialog: the message box it shows.
struct OtherDialogQuery {
    DWORD processId;
    HWND dialog;
    HWND found;
};

BOOL CALLBACK FindOtherDialog(HWND window, LPARAM data)
{
    OtherDialogQuery* q = (OtherDialogQuery*)data;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (owner == q->processId && window != q->dialog && IsWindowVisible(window) &&
        lstrcmpA(name, kDialogClass) == 0) {
        q->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND OtherDialogOf(DWORD processId, HWND dialog)
{
    OtherDialogQuery query = { processId, dialog, NULL };
    EnumWindows(FindOtherDialog, (LPARAM)&query);
    return query.found;
}

std::vector<std::string> ExpectedIni(const char* interval, const char* music, const char* clockShown,
                                     const char* clockMode)
{
    return {
        "[表示間隔]",
        std::string("インターバル(*100msec)=") + interval,
        "[ＢＧＭ]",
        std::string("ＢＧＭあり=") + music,
        "ＢＧＭタイトル=もちぽて.mid",
        "[時刻表示]",
        std::string("時刻表示の有無=") + clockShown,
        std::string("時刻表示のモード=") + clockMode,
    };
}

} // namespace

TEST_CASE("the settings dialog, clicked and typed into, writes the settings file")
{
    CleanIni ini;

    // First visit: the defaults; hide the clock, music off, interval 12, OK.
    {
        test::ScrProcess config = test::StartScr("/c");
        test::ScopedScr guard(config);
        HWND dialog = WaitForDialog(config);
        REQUIRE(dialog != NULL);
        CHECK(ControlText(dialog, kInterval) == "5");
        CHECK(Checked(dialog, kMusic));
        CHECK(Checked(dialog, kClockShown));
        CHECK(Checked(dialog, k12Hour));
        CHECK(Enabled(dialog, k12Hour));

        Click(dialog, kClockHidden);
        CHECK(WaitUntil([&] { return Checked(dialog, kClockHidden); }));
        CHECK_FALSE(Checked(dialog, kClockShown));
        CHECK_FALSE(Enabled(dialog, k12Hour));
        CHECK_FALSE(Enabled(dialog, k24Hour));
        CHECK(Checked(dialog, k12Hour));  // disabled, but still chosen

        Click(dialog, kMusic);
        CHECK(WaitUntil([&] { return !Checked(dialog, kMusic); }));
        TypeInterval(dialog, "12");
        CHECK(ControlText(dialog, kInterval) == "12");

        Click(dialog, kOk);
        CHECK(test::WaitForExit(config, kCloseTimeoutMs) == 1u);
        CHECK(IniLines() == ExpectedIni("12", "0", "0", "1"));
        // Shift-JIS on disk: 表示間隔 is 95 5C 8E A6 8A D4 8A 75.
        CHECK(test::ReadFileBytes(test::WindowsIniPath()).find("[\x95\x5C\x8E\xA6\x8A\xD4\x8A\x75]") !=
              std::string::npos);
    }

    const std::string saved = test::ReadFileBytes(test::WindowsIniPath());

    // Second visit: the saved values come back; changes then Cancel write nothing.
    {
        test::ScrProcess config = test::StartScr("/c");
        test::ScopedScr guard(config);
        HWND dialog = WaitForDialog(config);
        REQUIRE(dialog != NULL);
        CHECK(ControlText(dialog, kInterval) == "12");
        CHECK_FALSE(Checked(dialog, kMusic));
        CHECK(Checked(dialog, kClockHidden));
        CHECK_FALSE(Enabled(dialog, k24Hour));

        Click(dialog, kClockShown);
        CHECK(WaitUntil([&] { return Enabled(dialog, k24Hour); }));
        Click(dialog, k24Hour);
        CHECK(WaitUntil([&] { return Checked(dialog, k24Hour); }));
        Click(dialog, kCancel);
        CHECK(test::WaitForExit(config, kCloseTimeoutMs) == 0u);
        CHECK(test::ReadFileBytes(test::WindowsIniPath()) == saved);
    }

    // Third visit: an interval out of range is refused with a warning, the
    // other choices are still saved.
    {
        test::ScrProcess config = test::StartScr("/c");
        test::ScopedScr guard(config);
        HWND dialog = WaitForDialog(config);
        REQUIRE(dialog != NULL);
        Click(dialog, kClockShown);
        CHECK(WaitUntil([&] { return Enabled(dialog, k24Hour); }));
        Click(dialog, k24Hour);
        CHECK(WaitUntil([&] { return Checked(dialog, k24Hour); }));
        TypeInterval(dialog, "129");
        Click(dialog, kOk);

        HWND box = NULL;
        WaitUntil([&] { return (box = OtherDialogOf(config.info.dwProcessId, dialog)) != NULL; });
        REQUIRE(box != NULL);
        // The box's text is a static control; its button says OK.
        HWND label = FindWindowExA(box, NULL, "Static", "表示間隔範囲エラー(1～128)");
        CHECK(label != NULL);
        HWND button = FindWindowExA(box, NULL, "Button", NULL);
        REQUIRE(button != NULL);
        CHECK(test::ClickCentre(button));

        CHECK(test::WaitForExit(config, kCloseTimeoutMs) == 1u);
        CHECK(IniLines() == ExpectedIni("12", "0", "1", "2"));
    }
}

TEST_CASE("the dialog shows the version and the product's name")
{
    CleanIni ini;
    test::ScrProcess config = test::StartScr("/c");
    test::ScopedScr guard(config);
    HWND dialog = WaitForDialog(config);
    REQUIRE(dialog != NULL);
    CHECK(WaitUntil([&] { return ControlText(dialog, 1008) == "0.3.1"; }));
    CHECK(FindWindowExA(dialog, NULL, "Static", "もちぽて") != NULL);
    PressKey(VK_ESCAPE);
    CHECK(test::WaitForExit(config, kCloseTimeoutMs) == 0u);
    CHECK_FALSE(test::FileExists(test::WindowsIniPath()));
}
