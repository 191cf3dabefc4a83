// Password verification and change in this process. The 9x family is set in
// the host's record (Wine reports it only to a program named before it
// starts; the saver's own runs on the 9x family are in test_close_on_input).
// The verification library is the stand-in PASSWORD.CPL, found through the
// DLL search path; "ScreenSaveUsePassword" is the real registry value.
#include "host/ClosingSupport.h"

namespace {

using closing::PasswordSetting;
using closing::RunSaver;
using closing::SaverWindow;

// Early after the system's start: less than 200 ms from 0xFFFFFFFF + 1.
const DWORD kStartTick = 100;

// The 9x family, the stand-in library on the path, counts cleared, and the
// system's saver-running flag off.
void StartWin9x(const char* library = "password")
{
    closing::ResetHost();
    standin::Clear();
    SaverHostState.onWin9x = 1;
    closing::UsePasswordLibraryFrom(library);
    closing::SetSystemSaverRunning(FALSE);
}

void Finish()
{
    UnloadPasswordVerifier();
    closing::ResetHost();
    closing::SetSystemSaverRunning(FALSE);
    standin::Clear();
}

bool PasswordLibraryInProcess()
{
    return GetModuleHandleA("PASSWORD.CPL") != NULL;
}

DWORD VerifyCalls()
{
    return standin::ReadNumber(standin::kVerifyCalls);
}

// The password dialog stays up for a second before it answers.
const DWORD kDialogMs = 1000;
void TakeTime(HWND)
{
    closing::FakeNow() += kDialogMs;
}

// --- What the stand-in's hook sees inside a verification ------------------------

struct InsideVerification {
    BOOL checking;
    LRESULT nestedClose;
    DWORD callsDuringNestedClose;
    bool closePostedByInput;
    bool cursorKeptDuringCheck;
    int markedTimersLeft;
};
InsideVerification inside;
const WPARAM kMarkedTimer = 777;

void LookInside(HWND window)
{
    inside.checking = SaverHostState.checkingPassword;
    // A close that arrives now is refused without asking again.
    inside.nestedClose = SendMessageA(window, WM_CLOSE, 0, 0);
    inside.callsDuringNestedClose = VerifyCalls();
    // Input does not close and the cursor is left alone while the library asks.
    SendMessageA(window, WM_KEYDOWN, VK_SHIFT, 0);
    SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    MSG message;
    inside.closePostedByInput = PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
    HCURSOR arrow = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    SetCursor(arrow);
    SendMessageA(window, WM_SETCURSOR, (WPARAM)window, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    inside.cursorKeptDuringCheck = GetCursor() == arrow;
    // Timer messages queued before the verification: two were taken away.
    inside.markedTimersLeft = 0;
    while (PeekMessageA(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE))
        if (message.wParam == kMarkedTimer)
            ++inside.markedTimersLeft;
}

} // namespace

TEST_CASE("the password setting decides whether the verification library is loaded")
{
    PasswordSetting setting;

    SUBCASE("in force: the library is held and the system is told a saver runs")
    {
        StartWin9x();
        setting.SetNumber(1);
        LoadPasswordVerifier();
        CHECK(SaverHostState.passwordLibrary != NULL);
        CHECK(SaverHostState.passwordLibrary == GetModuleHandleA("PASSWORD.CPL"));
        CHECK(SaverHostState.verifyPassword != NULL);
        CHECK(closing::SystemSaverRunning());
        CHECK(standin::ReadNumber(standin::kPasswordLoads) == 1);

        // Loading again lets go of the first library before taking it anew.
        LoadPasswordVerifier();
        CHECK(standin::ReadNumber(standin::kPasswordLoads) == 2);
        UnloadPasswordVerifier();
        CHECK_FALSE(PasswordLibraryInProcess());
        CHECK(SaverHostState.passwordLibrary == NULL);
        CHECK(SaverHostState.verifyPassword == NULL);
        CHECK_FALSE(closing::SystemSaverRunning());

        // The full-screen saver holds the library while it runs and lets it go after.
        RunSaver(NULL, [](SaverWindow&) {
            CHECK(PasswordLibraryInProcess());
            CHECK(closing::SystemSaverRunning());
        });
        CHECK(standin::ReadNumber(standin::kPasswordLoads) == 3);
        CHECK_FALSE(PasswordLibraryInProcess());
        CHECK_FALSE(closing::SystemSaverRunning());

        // A preview never asks for the password: nothing is loaded, the system is not told.
        HWND host = test::CreateHostWindow(152, 112);
        RunSaver(host, [](SaverWindow& preview) {
            CHECK_FALSE(PasswordLibraryInProcess());
            CHECK_FALSE(closing::SystemSaverRunning());
            // The AutoPlay query closes it all the same, and lets AutoPlay go on.
            CHECK(preview.Send(RegisterWindowMessageA("QueryCancelAutoPlay")) == 0);
            CHECK(preview.TakeClose());
        });
        DestroyWindow(host);
        CHECK(standin::ReadNumber(standin::kPasswordLoads) == 3);
        Finish();
    }

    SUBCASE("any nonzero value of at most 4 bytes counts")
    {
        StartWin9x();
        const BYTE oneByte[] = { 0x02 };
        setting.Set(REG_BINARY, oneByte, sizeof oneByte);
        LoadPasswordVerifier();
        CHECK(SaverHostState.verifyPassword != NULL);
        Finish();
    }

    struct Off {
        const char* name;
        void (*apply)(PasswordSetting&);
    };
    const Off offs[] = {
        { "0", [](PasswordSetting& s) { s.SetNumber(0); } },
        { "absent", [](PasswordSetting& s) { s.Remove(); } },
        { "a string longer than 4 bytes", [](PasswordSetting& s) { s.SetText("12345"); } },
    };
    SUBCASE("0, absent or too long: no password, the first close goes through")
    {
        for (const Off& off : offs) {
            CAPTURE(off.name);
            StartWin9x();
            off.apply(setting);
            RunSaver(NULL, [](SaverWindow& saver) {
                CHECK(SaverHostState.passwordLibrary == NULL);
                CHECK(SaverHostState.verifyPassword == NULL);
                CHECK(standin::ReadNumber(standin::kPasswordLoads) == 0);
                CHECK_FALSE(closing::SystemSaverRunning());
                saver.Send(WM_CLOSE);
                CHECK_FALSE(IsWindow(saver.window));
                CHECK(SaverHostState.closing == 1);
            });
            CHECK(VerifyCalls() == 0);
            CHECK_FALSE(closing::SystemSaverRunning());
            Finish();
        }
    }
}

TEST_CASE("a password library that cannot verify is not kept")
{
    PasswordSetting setting;
    setting.SetNumber(1);

    SUBCASE("present without VerifyScreenSavePwd: freed at once, the system flag untouched")
    {
        StartWin9x("password-bare");
        closing::SetSystemSaverRunning(TRUE);
        LoadPasswordVerifier();
        CHECK(standin::ReadNumber(standin::kPasswordLoads) == 1);
        CHECK_FALSE(PasswordLibraryInProcess());
        CHECK(SaverHostState.passwordLibrary == NULL);
        CHECK(SaverHostState.verifyPassword == NULL);
        CHECK(closing::SystemSaverRunning());
        closing::SetSystemSaverRunning(FALSE);
    }
    SUBCASE("not found at all")
    {
        StartWin9x(NULL);
        LoadPasswordVerifier();
        CHECK(SaverHostState.passwordLibrary == NULL);
        CHECK(SaverHostState.verifyPassword == NULL);
        CHECK_FALSE(closing::SystemSaverRunning());
    }
    RunSaver(NULL, [](SaverWindow& saver) {
        saver.Send(WM_CLOSE);
        CHECK_FALSE(IsWindow(saver.window));
    });
    Finish();
}

TEST_CASE("closes are verified by the library, at least 200 ms after its last answer, across the counter's wrap")
{
    PasswordSetting setting;
    setting.SetNumber(1);
    StartWin9x();
    SaverTickCount = closing::FakeTickCount;
    closing::FakeNow() = kStartTick;
    standin::WriteNumber(standin::kVerifyAnswer, 0);

    CHECK(test::PlaceCursor(400, 300));
    RunSaver(NULL, [](SaverWindow& saver) {
        CHECK(SaverHostState.verifyPassword != NULL);
        CHECK(closing::SetVerifyHook(TakeTime));

        // The first close is asked about; the library sees the saver window.
        CHECK(test::PlaceCursor(420, 310));
        SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_ARROW));
        CHECK(saver.Send(WM_CLOSE) == 0);
        CHECK(VerifyCalls() == 1);
        CHECK(standin::ReadHandle(standin::kVerifyWindow) == (ULONGLONG)(ULONG_PTR)saver.window);
        // Refused: the saver runs on, measures movement from here, hides the cursor again.
        CHECK(IsWindow(saver.window));
        CHECK(SaverHostState.closing == 0);
        CHECK(SaverHostState.checkingPassword == 0);
        CHECK(SaverHostState.anchorCursorPos.x == 420);
        CHECK(SaverHostState.anchorCursorPos.y == 310);
        CHECK(GetCursor() == NULL);

        // The dialog was up for a second: the spacing counts from its answer,
        // 199 ms after it is too soon, 200 ms is not.
        const DWORD answered = kStartTick + kDialogMs;
        closing::FakeNow() = answered + 199;
        saver.Send(WM_CLOSE);
        CHECK(VerifyCalls() == 1);
        closing::SetVerifyHook(NULL);
        closing::FakeNow() = answered + 200;
        saver.Send(WM_CLOSE);
        CHECK(VerifyCalls() == 2);
        CHECK(IsWindow(saver.window));

        // Across the wrap of the tick counter: 48 ms after, before the wrap,
        // and 144 ms after, past it, are too soon.
        closing::FakeNow() = 0xFFFFFFC0;
        saver.Send(WM_CLOSE);
        CHECK(VerifyCalls() == 3);
        for (DWORD soon : { 0xFFFFFFF0u, 0x50u }) {
            closing::FakeNow() = soon;
            saver.Send(WM_CLOSE);
        }
        CHECK(VerifyCalls() == 3);
        closing::FakeNow() = 0x100;             // 320 ms after
        saver.Send(WM_CLOSE);
        CHECK(VerifyCalls() == 4);

        // Any nonzero answer grants the close and is kept as it came.
        standin::WriteNumber(standin::kVerifyAnswer, 5);
        closing::FakeNow() = 0x1000;
        saver.Send(WM_CLOSE);
        CHECK(VerifyCalls() == 5);
        CHECK(SaverHostState.closing == 5);
        CHECK_FALSE(IsWindow(saver.window));
    });
    Finish();
}

TEST_CASE("while the library verifies, the saver holds back its rules and refuses further closes")
{
    PasswordSetting setting;
    setting.SetNumber(1);
    StartWin9x();
    standin::WriteNumber(standin::kVerifyAnswer, 0);
    RunSaver(NULL, [](SaverWindow& saver) {
        CHECK(closing::SetVerifyHook(LookInside));
        for (int i = 0; i < 3; ++i)
            PostMessageA(saver.window, WM_TIMER, kMarkedTimer, 0);
        inside = InsideVerification();
        saver.Send(WM_CLOSE);

        CHECK(VerifyCalls() == 1);
        CHECK(inside.checking);
        CHECK(inside.nestedClose == 0);
        CHECK(inside.callsDuringNestedClose == 1);
        CHECK_FALSE(inside.closePostedByInput);
        CHECK(inside.cursorKeptDuringCheck);
        CHECK(inside.markedTimersLeft == 1);
        CHECK(SaverHostState.checkingPassword == 0);
        CHECK(IsWindow(saver.window));

        // With a password in force the AutoPlay query closes and asks the shell to cancel.
        CHECK(saver.Send(SaverHostState.autoPlayMessage) == 1);
        CHECK(saver.TakeClose());
        closing::SetVerifyHook(NULL);
    });
    Finish();
}

// --- The NT family: nothing of this is touched -------------------------------------

namespace {

struct SystemCallCounts {
    int registry, libraries, parameters;
};
SystemCallCounts counts;

typedef LONG(WINAPI* RegOpenKeyProc)(HKEY, LPCSTR, PHKEY);
typedef LONG(WINAPI* RegQueryValueExProc)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
typedef HMODULE(WINAPI* LoadLibraryProc)(LPCSTR);
typedef BOOL(WINAPI* SystemParametersInfoProc)(UINT, UINT, PVOID, UINT);
RegOpenKeyProc realRegOpenKey;
RegQueryValueExProc realRegQueryValueEx;
LoadLibraryProc realLoadLibrary;
SystemParametersInfoProc realSystemParametersInfo;

LONG WINAPI CountRegOpenKey(HKEY key, LPCSTR name, PHKEY result)
{
    ++counts.registry;
    return realRegOpenKey(key, name, result);
}
LONG WINAPI CountRegQueryValueEx(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size)
{
    ++counts.registry;
    return realRegQueryValueEx(key, name, reserved, type, data, size);
}
HMODULE WINAPI CountLoadLibrary(LPCSTR name)
{
    ++counts.libraries;
    return realLoadLibrary(name);
}
BOOL WINAPI CountSystemParametersInfo(UINT action, UINT parameter, PVOID data, UINT flags)
{
    ++counts.parameters;
    return realSystemParametersInfo(action, parameter, data, flags);
}

// Every operation of password handling, and a close and a verification
// request sent to a full-screen window, with the counters watching.
void CountPasswordWorkIn(SaverWindow& saver, HWND owner)
{
    closing::ImportCounter open("ADVAPI32.dll", "RegOpenKeyA", (void*)CountRegOpenKey, (void**)&realRegOpenKey);
    closing::ImportCounter query("ADVAPI32.dll", "RegQueryValueExA", (void*)CountRegQueryValueEx,
                                 (void**)&realRegQueryValueEx);
    closing::ImportCounter load("KERNEL32.dll", "LoadLibraryA", (void*)CountLoadLibrary, (void**)&realLoadLibrary);
    closing::ImportCounter parameters("USER32.dll", "SystemParametersInfoA", (void*)CountSystemParametersInfo,
                                      (void**)&realSystemParametersInfo);
    CHECK(open.Installed());
    CHECK(query.Installed());
    CHECK(load.Installed());
    CHECK(parameters.Installed());
    counts = SystemCallCounts();
    SetSaverRunning(TRUE);
    LoadPasswordVerifier();
    saver.Send(WM_APP);
    saver.Send(WM_CLOSE);
    UnloadPasswordVerifier();
    SetSaverRunning(FALSE);
    ChangeSaverPassword(owner);
}

SystemCallCounts CountPasswordWork()
{
    static HWND owner;
    owner = test::CreateHostWindow(100, 100);
    counts = SystemCallCounts();
    RunSaver(NULL, [](SaverWindow& saver) { CountPasswordWorkIn(saver, owner); });
    SystemCallCounts seen = counts;
    DestroyWindow(owner);
    return seen;
}

} // namespace

TEST_CASE("on the NT family no registry read, library load or system flag happens")
{
    PasswordSetting setting;
    setting.SetNumber(1);

    // The counters see the work on the 9x family...
    StartWin9x();
    SystemCallCounts win9x = CountPasswordWork();
    CHECK(win9x.registry >= 2);
    CHECK(win9x.libraries >= 2);
    CHECK(win9x.parameters >= 2);
    CHECK(standin::ReadNumber(standin::kPasswordLoads) == 2);
    Finish();

    // ...and none of it on the NT family, with a password in force and the
    // library within reach.
    StartWin9x();
    SaverHostState.onWin9x = 0;
    closing::SetSystemSaverRunning(TRUE);
    SystemCallCounts nt = CountPasswordWork();
    CHECK(nt.registry == 0);
    CHECK(nt.libraries == 0);
    CHECK(nt.parameters == 0);
    CHECK(standin::ReadNumber(standin::kPasswordLoads) == 0);
    CHECK(VerifyCalls() == 0);
    CHECK_FALSE(PasswordLibraryInProcess());
    CHECK(closing::SystemSaverRunning());
    Finish();
}

namespace {
// A system that leaves bytes in the buffer when a value is too long for it.
LONG WINAPI TooLongValueLeftInBuffer(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE data, LPDWORD size)
{
    if (data)
        memset(data, '1', *size);
    *size = 6;
    return ERROR_MORE_DATA;
}
} // namespace

TEST_CASE("a password setting too long to read counts as none, whatever the failed read left in the buffer")
{
    StartWin9x();
    closing::ImportCounter query("ADVAPI32.dll", "RegQueryValueExA", (void*)TooLongValueLeftInBuffer,
                                 (void**)&realRegQueryValueEx);
    REQUIRE(query.Installed());
    LoadPasswordVerifier();
    CHECK(SaverHostState.verifyPassword == NULL);
    Finish();
}
