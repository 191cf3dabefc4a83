#include "host/SaverHost.h"

// On the 9x family the system holds the screen-saver password: the host asks
// the system's password library whether a close may proceed, and hands the
// change-password mode to MPR.DLL. Elsewhere none of this touches anything.

TickCountSource SaverTickCount = GetTickCount;

namespace {

const char kDesktopKey[] = "Control Panel\\Desktop";
const char kUsePasswordValue[] = "ScreenSaveUsePassword";
const char kPasswordLibrary[] = "PASSWORD.CPL";
const char kVerifyProcedure[] = "VerifyScreenSavePwd";
const char kChangeLibrary[] = "MPR.DLL";
const char kChangeProcedure[] = "PwdChangePasswordA";
const char kChangeProvider[] = "SCRSAVE";

const UINT kVerifyRequest = WM_APP;
const DWORD kVerifySpacingMs = 200;
const DWORD kNoCheckYet = 0xFFFFFFFF;
// Timer ticks queued before the check would otherwise draw a frame under the
// library's dialog; two are removed, one at a time.
const int kTimerMessagesDropped = 2;

// Whether "ScreenSaveUsePassword" is in force. At most 4 bytes are read; a
// longer value fails the query and counts as no password.
bool PasswordInForce(HKEY desktop)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    LONG status = RegQueryValueExA(desktop, kUsePasswordValue, NULL, NULL, (BYTE*)&value, &size);
    return status == ERROR_SUCCESS && value != 0;
}

void LoadVerifierLibrary()
{
    SaverHostRecord& host = SaverHostState;
    host.passwordLibrary = LoadLibraryA(kPasswordLibrary);
    if (host.passwordLibrary == NULL)
        return;
    host.verifyPassword = (VerifyScreenSavePwdProc)GetProcAddress(host.passwordLibrary, kVerifyProcedure);
    if (host.verifyPassword != NULL)
        SetSaverRunning(TRUE);
    else
        UnloadPasswordVerifier();
}

void DropPendingTimerMessages(HWND window)
{
    for (int i = 0; i < kTimerMessagesDropped; ++i) {
        MSG message;
        PeekMessageA(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    }
}

} // namespace

void SetSaverRunning(BOOL running)
{
    if (!SaverHostState.onWin9x)
        return;
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running, &previous, 0);
}

void LoadPasswordVerifier()
{
    if (!SaverHostState.onWin9x)
        return;
    if (SaverHostState.passwordLibrary != NULL)
        UnloadPasswordVerifier();

    HKEY desktop;
    if (RegOpenKeyA(HKEY_CURRENT_USER, kDesktopKey, &desktop) != ERROR_SUCCESS)
        return;
    if (PasswordInForce(desktop))
        LoadVerifierLibrary();
    RegCloseKey(desktop);
}

void UnloadPasswordVerifier()
{
    SaverHostRecord& host = SaverHostState;
    if (!host.onWin9x || host.passwordLibrary == NULL)
        return;
    FreeLibrary(host.passwordLibrary);
    host.passwordLibrary = NULL;
    if (host.verifyPassword != NULL) {
        host.verifyPassword = NULL;
        SetSaverRunning(FALSE);
    }
}

LRESULT VerifyBeforeClose(HWND window)
{
    SaverHostRecord& host = SaverHostState;
    // A close that arrives while the library is asking is refused at once.
    if (host.checkingPassword)
        return 0;
    if (host.verifyPassword == NULL) {
        host.closing = 1;
        return 1;
    }
    // Unsigned difference: the spacing holds across the counter's wrap.
    DWORD now = SaverTickCount();
    if (host.lastCheckTick != kNoCheckYet && now - host.lastCheckTick < kVerifySpacingMs)
        return 0;

    host.checkingPassword = 1;
    DropPendingTimerMessages(window);
    // Sent, not called: the request travels the whole procedure chain.
    host.closing = (LONG)SendMessageA(window, kVerifyRequest, 0, 0);
    host.checkingPassword = 0;
    if (!host.closing)
        SetCursor(NULL);
    host.lastCheckTick = SaverTickCount();
    return host.closing;
}

void ChangeSaverPassword(HWND owner)
{
    if (!SaverHostState.onWin9x)
        return;
    HMODULE library = LoadLibraryA(kChangeLibrary);
    if (library == NULL)
        return;
    PwdChangePasswordProc change = (PwdChangePasswordProc)GetProcAddress(library, kChangeProcedure);
    if (change != NULL)
        change(kChangeProvider, owner, 0, 0);
    FreeLibrary(library);
}
