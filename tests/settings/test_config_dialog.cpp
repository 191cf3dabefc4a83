// The configuration dialog shown modally through ShowConfigDialog and worked
// from a second thread like a user: what it shows for the INI file, what OK
// writes to the file, the range warning, Cancel/Esc/close and the Tab order.
#include <doctest/doctest.h>

#include <string>

#include "settings/DialogSupport.h"

using namespace dialogtest;

namespace {

const char kDefaultTitle[] = "もちぽて.mid";

std::string IniFile(const std::string& interval, const std::string& bgmOn, const std::string& title,
                    const std::string& clockShown, const std::string& clockMode)
{
    return std::string("[表示間隔]\r\nインターバル(*100msec)=") + interval +
           "\r\n[ＢＧＭ]\r\nＢＧＭあり=" + bgmOn + "\r\nＢＧＭタイトル=" + title +
           "\r\n[時刻表示]\r\n時刻表示の有無=" + clockShown + "\r\n時刻表示のモード=" + clockMode + "\r\n";
}

bool Checked(HWND dialog, int controlId)
{
    return IsDlgButtonChecked(dialog, controlId) == BST_CHECKED;
}

bool Enabled(HWND dialog, int controlId)
{
    return IsWindowEnabled(GetDlgItem(dialog, controlId)) != FALSE;
}

void SetInterval(HWND dialog, const std::string& text)
{
    SetDlgItemTextA(dialog, IDC_INTERVAL, text.c_str());
}

// A click on a button of the dialog; posted, so that a message box that it
// raises does not hold up the calling thread.
void Click(HWND dialog, int controlId)
{
    PostMessageA(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0);
}

// A key as the dialog manager sees it when the focused control gets it.
void PressKey(HWND dialog, WPARAM key)
{
    DWORD thread = GetWindowThreadProcessId(dialog, NULL);
    HWND focus = FocusOfThread(thread);
    PostMessageA(focus ? focus : dialog, WM_KEYDOWN, key, 0);
    PostMessageA(focus ? focus : dialog, WM_KEYUP, key, 0);
}

// A synchronous click for controls that raise nothing modal.
void ClickNow(HWND dialog, int controlId)
{
    SendDlgItemMessageA(dialog, controlId, BM_CLICK, 0, 0);
}

struct OkRun {
    INT_PTR result;
    bool stuck;
    SeenBox box;
};

// Opens the dialog, lets `change` work the controls, clicks OK and answers the
// warning if one comes.
OkRun RunAndPressOk(const std::function<void(HWND)>& change)
{
    OkRun run = {};
    run.result = RunConfigDialog(
        NULL,
        [&](HWND dialog) {
            change(dialog);
            Click(dialog, IDOK);
            run.box = DismissBoxWhileOpen(dialog, dialog);
        },
        &run.stuck);
    return run;
}

// The caption that a message box without a caption of its own gets.
std::string DefaultMessageBoxCaption()
{
    std::string caption;
    Worker reader([&] { caption = DismissBoxWhileOpen(NULL, NULL).title; });
    MessageBoxA(NULL, "caption probe", NULL, MB_OK);
    reader.Join();
    return caption;
}

} // namespace

TEST_CASE("The dialog opens with the settings of the INI file")
{
    SUBCASE("No file: the defaults")
    {
        test::RemoveIni();
        bool stuck = true;
        INT_PTR result = RunConfigDialog(
            NULL,
            [](HWND dialog) {
                CHECK(ControlText(dialog, IDC_INTERVAL) == "5");
                CHECK(Checked(dialog, IDC_BGM_ON));
                CHECK(Checked(dialog, IDC_CLOCK_SHOWN));
                CHECK_FALSE(Checked(dialog, IDC_CLOCK_HIDDEN));
                CHECK(Checked(dialog, IDC_CLOCK_12H));
                CHECK_FALSE(Checked(dialog, IDC_CLOCK_24H));
                CHECK(Enabled(dialog, IDC_CLOCK_12H));
                CHECK(Enabled(dialog, IDC_CLOCK_24H));
                Click(dialog, IDCANCEL);
            },
            &stuck);
        CHECK_FALSE(stuck);
        CHECK(result == FALSE);
        CHECK_FALSE(test::FileExists(test::WindowsIniPath()));
    }
    SUBCASE("Interval 500, no music, clock hidden, mode 3")
    {
        WriteIni(IniFile("500", "0", kDefaultTitle, "0", "3"));
        RunConfigDialog(NULL, [](HWND dialog) {
            CHECK(ControlText(dialog, IDC_INTERVAL) == "500");
            CHECK_FALSE(Checked(dialog, IDC_BGM_ON));
            CHECK_FALSE(Checked(dialog, IDC_CLOCK_SHOWN));
            CHECK(Checked(dialog, IDC_CLOCK_HIDDEN));
            CHECK_FALSE(Checked(dialog, IDC_CLOCK_12H));
            CHECK(Checked(dialog, IDC_CLOCK_24H));
            CHECK_FALSE(Enabled(dialog, IDC_CLOCK_12H));
            CHECK_FALSE(Enabled(dialog, IDC_CLOCK_24H));
            Click(dialog, IDCANCEL);
        });
    }
}

TEST_CASE("OK writes an interval from 1 to 128 and the other settings")
{
    struct Entry {
        const char* typed;
        const char* stored;
    };
    const Entry entries[] = {
        { "1", "1" },
        { "128", "128" },
        { "  12", "12" },           // leading blanks, as atoi takes them
        { "+7", "7" },
        { "0042", "42" },
        { "64abc", "64" },          // stops at the first non-digit
        { "0000000000000000000000000000064", "64" },   // 31 characters: all read
    };
    for (const Entry& entry : entries) {
        CAPTURE(entry.typed);
        WriteIni(IniFile("9", "1", "曲.mid", "1", "1"));
        OkRun run = RunAndPressOk([&](HWND dialog) {
            SetInterval(dialog, entry.typed);
            ClickNow(dialog, IDC_BGM_ON);          // music off
            ClickNow(dialog, IDC_CLOCK_24H);
        });
        CHECK_FALSE(run.stuck);
        CHECK(run.box.box == NULL);
        CHECK(run.result == TRUE);
        CHECK(IniValue(kIntervalSection, kIntervalKey) == entry.stored);
        CHECK(IniValue(kBgmSection, kBgmOnKey) == "0");
        CHECK(IniValue(kBgmSection, kBgmTitleKey) == "曲.mid");
        CHECK(IniValue(kClockSection, kClockShownKey) == "1");
        CHECK(IniValue(kClockSection, kClockModeKey) == "2");
    }
}

TEST_CASE("OK with the defaults and no file writes all five keys")
{
    test::RemoveIni();
    OkRun run = RunAndPressOk([](HWND) {});
    CHECK(run.result == TRUE);
    CHECK(IniValue(kIntervalSection, kIntervalKey) == "5");
    CHECK(IniValue(kBgmSection, kBgmOnKey) == "1");
    CHECK(IniValue(kBgmSection, kBgmTitleKey) == kDefaultTitle);
    CHECK(IniValue(kClockSection, kClockShownKey) == "1");
    CHECK(IniValue(kClockSection, kClockModeKey) == "1");
}

TEST_CASE("An interval outside 1 to 128 warns and keeps the interval the dialog opened with")
{
    std::string defaultCaption = DefaultMessageBoxCaption();
    REQUIRE_FALSE(defaultCaption.empty());
    HICON exclamation = LoadIconA(NULL, IDI_EXCLAMATION);

    const char* const typed[] = {
        "0", "129", "", "abc", "-5", "99999999999999999999",
        "0000000000000000000000000000000064",   // only the first 31 characters count: 0
    };
    for (const char* text : typed) {
        CAPTURE(text);
        WriteIni(IniFile("7", "1", kDefaultTitle, "1", "1"));
        HWND shownDialog = NULL;
        OkRun run = RunAndPressOk([&](HWND dialog) {
            shownDialog = dialog;
            SetInterval(dialog, text);
            ClickNow(dialog, IDC_BGM_ON);
            ClickNow(dialog, IDC_CLOCK_HIDDEN);
        });
        CHECK_FALSE(run.stuck);
        REQUIRE(run.box.box != NULL);
        CHECK(run.box.owner == shownDialog);
        CHECK(run.box.text == "表示間隔範囲エラー(1～128)");
        CHECK(run.box.title == defaultCaption);
        CHECK(run.box.icon == exclamation);
        CHECK(run.box.okShown);
        CHECK_FALSE(run.box.cancelShown);
        // The OK handling goes on after the warning.
        CHECK(run.result == TRUE);
        CHECK(IniValue(kIntervalSection, kIntervalKey) == "7");
        CHECK(IniValue(kBgmSection, kBgmOnKey) == "0");
        CHECK(IniValue(kClockSection, kClockShownKey) == "0");
        CHECK(IniValue(kClockSection, kClockModeKey) == "1");
    }
}

TEST_CASE("A file interval of 500 or -3 is shown, warned about at OK and written back")
{
    for (const char* interval : { "500", "-3" }) {
        CAPTURE(interval);
        WriteIni(IniFile(interval, "1", kDefaultTitle, "1", "1"));
        std::string shown;
        OkRun run = RunAndPressOk([&](HWND dialog) { shown = ControlText(dialog, IDC_INTERVAL); });
        CHECK(shown == interval);
        CHECK(run.box.text == "表示間隔範囲エラー(1～128)");
        CHECK(run.result == TRUE);
        CHECK(IniValue(kIntervalSection, kIntervalKey) == interval);
    }
}

TEST_CASE("表示なし disables the 12/24 choice and keeps its check marks")
{
    WriteIni(IniFile("5", "1", kDefaultTitle, "1", "1"));
    OkRun run = RunAndPressOk([](HWND dialog) {
        ClickNow(dialog, IDC_CLOCK_24H);
        ClickNow(dialog, IDC_CLOCK_HIDDEN);
        CHECK_FALSE(Enabled(dialog, IDC_CLOCK_12H));
        CHECK_FALSE(Enabled(dialog, IDC_CLOCK_24H));
        CHECK(Checked(dialog, IDC_CLOCK_24H));
        CHECK_FALSE(Checked(dialog, IDC_CLOCK_12H));

        ClickNow(dialog, IDC_CLOCK_SHOWN);
        CHECK(Enabled(dialog, IDC_CLOCK_12H));
        CHECK(Enabled(dialog, IDC_CLOCK_24H));
        CHECK(Checked(dialog, IDC_CLOCK_24H));

        ClickNow(dialog, IDC_CLOCK_HIDDEN);
    });
    CHECK(run.result == TRUE);
    CHECK(IniValue(kClockSection, kClockShownKey) == "0");
    CHECK(IniValue(kClockSection, kClockModeKey) == "2");
}

TEST_CASE("A clock mode of 3 opens as 24時間 and OK writes 2")
{
    WriteIni(IniFile("5", "1", kDefaultTitle, "1", "3"));
    OkRun run = RunAndPressOk([](HWND dialog) { CHECK(Checked(dialog, IDC_CLOCK_24H)); });
    CHECK(run.result == TRUE);
    CHECK(IniValue(kClockSection, kClockModeKey) == "2");
}

TEST_CASE("Cancel, Esc and the close button write nothing after changes")
{
    const std::string before = IniFile("9", "1", kDefaultTitle, "1", "1");
    std::function<void(HWND)> endings[] = {
        [](HWND dialog) { Click(dialog, IDCANCEL); },
        [](HWND dialog) { PressKey(dialog, VK_ESCAPE); },
        [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (int fileThere = 0; fileThere < 2; ++fileThere) {
        for (auto& end : endings) {
            if (fileThere)
                WriteIni(before);
            else
                test::RemoveIni();
            bool stuck = true;
            INT_PTR result = RunConfigDialog(
                NULL,
                [&](HWND dialog) {
                    SetInterval(dialog, "100");
                    ClickNow(dialog, IDC_BGM_ON);
                    ClickNow(dialog, IDC_CLOCK_HIDDEN);
                    end(dialog);
                },
                &stuck);
            CHECK_FALSE(stuck);
            CHECK(result == FALSE);
            WritePrivateProfileStringA(NULL, NULL, NULL, kIniName);
            if (fileThere)
                CHECK(test::ReadFileBytes(test::WindowsIniPath()) == before);
            else
                CHECK_FALSE(test::FileExists(test::WindowsIniPath()));
        }
    }
}

TEST_CASE("Enter is OK")
{
    test::RemoveIni();
    INT_PTR result = RunConfigDialog(NULL, [](HWND dialog) {
        SetInterval(dialog, "33");
        PressKey(dialog, VK_RETURN);
    });
    CHECK(result == TRUE);
    CHECK(IniValue(kIntervalSection, kIntervalKey) == "33");
}

TEST_CASE("Tab moves through OK, Cancel, the check box and the edit, never a radio button")
{
    test::RemoveIni();
    // The dialog manager gives OK the focus already at creation, before any activation.
    HWND unshown = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_CONFIG), NULL, ConfigDialogProc, 0);
    CHECK(GetFocus() == GetDlgItem(unshown, IDOK));
    DestroyWindow(unshown);
    RunConfigDialog(NULL, [](HWND dialog) {
        DWORD thread = GetWindowThreadProcessId(dialog, NULL);
        CHECK(FocusOfThread(thread) == GetDlgItem(dialog, IDOK));
        auto cycle = [&] {
            HWND focus = FocusOfThread(thread);
            const int expected[] = { IDCANCEL, IDC_BGM_ON, IDC_INTERVAL, IDOK, IDCANCEL };
            for (int controlId : expected) {
                HWND before = focus;
                PressKey(dialog, VK_TAB);
                DWORD start = GetTickCount();
                while ((focus = FocusOfThread(thread)) == before && GetTickCount() - start < kWaitMs)
                    Sleep(10);
                CHECK(GetDlgCtrlID(focus) == controlId);
            }
        };
        cycle();
        // Also after the radio buttons were chosen with the mouse.
        ClickNow(dialog, IDC_CLOCK_24H);
        ClickNow(dialog, IDC_CLOCK_HIDDEN);
        SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, IDOK), TRUE);
        cycle();
        Click(dialog, IDCANCEL);
    });
}
