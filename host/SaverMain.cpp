#include "host/CommandLine.h"
#include "host/SaverHost.h"

#include <commctrl.h>

#include "settings/Settings.h"

namespace {

const int kExitInvalid = -1;
const DWORD kOsVersionInfoSize = 148;

// --- The exception guard ------------------------------------------------
// GCC has no __try/__except. While a mode runs, the guard is the process's
// top-level exception filter, which the system consults for any exception
// that nothing else handles. It hands the exception to the system's own
// UnhandledExceptionFilter (error reporting, debugger) and, when that answers
// EXCEPTION_EXECUTE_HANDLER, tells the system that no saver runs any more and
// ends the process with -1, the exit code SaverMain gives a caught fault.

LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = NULL;

LONG WINAPI SaverGuardFilter(EXCEPTION_POINTERS* pointers)
{
    // The system's filter calls the top-level one first: step aside for it.
    SetUnhandledExceptionFilter(previousFilter);
    LONG answer = UnhandledExceptionFilter(pointers);
    if (answer == EXCEPTION_EXECUTE_HANDLER) {
        SetSaverRunning(FALSE);
        ExitProcess((UINT)kExitInvalid);
    }
    return answer;
}

void EnterExceptionGuard()
{
    previousFilter = SetUnhandledExceptionFilter(SaverGuardFilter);
}

void LeaveExceptionGuard()
{
    SetUnhandledExceptionFilter(previousFilter);
}

// --- Modes ------------------------------------------------------------------

HWND WindowFromNumber(uint32_t number)
{
    return (HWND)(UINT_PTR)number;
}

// A named window when it exists, otherwise the foreground window.
HWND OwnerOrForeground(uint32_t number)
{
    HWND owner = WindowFromNumber(number);
    if (number == 0 || !IsWindow(owner))
        return GetForegroundWindow();
    return owner;
}

int RunPreview(uint32_t number)
{
    HWND parent = WindowFromNumber(number);
    if (number == 0 || !IsWindow(parent))
        return kExitInvalid;
    return RunSaverWindow(parent);
}

int RunChangePassword(uint32_t number)
{
    if (!SaverHostState.onWin9x)
        return kExitInvalid;
    ChangeSaverPassword(OwnerOrForeground(number));
    return 0;
}

int RunSaverMode(const char* argumentText)
{
    SaverSwitch choice = InterpretSaverSwitch(argumentText);
    switch (choice.mode) {
    case SaverModeConfigure:
        return (int)ShowConfigDialog(NULL);
    case SaverModeConfigureOwned:
        return (int)ShowConfigDialog(OwnerOrForeground(choice.handle));
    case SaverModeFullScreen:
        return RunSaverWindow(NULL);
    case SaverModePreview:
        return RunPreview(choice.handle);
    case SaverModeChangePassword:
        return RunChangePassword(choice.handle);
    default:
        return kExitInvalid;
    }
}

BOOL QueryWin9xFamily()
{
    OSVERSIONINFOA version;
    version.dwOSVersionInfoSize = kOsVersionInfoSize;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

} // namespace

int WINAPI SaverMain(HINSTANCE instance, HINSTANCE, char* argumentText, int)
{
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_TAB_CLASSES;
    InitCommonControlsEx(&controls);

    SaverHostState.instance = instance;
    SaverHostState.onWin9x = QueryWin9xFamily();

    EnterExceptionGuard();
    int exitCode = RunSaverMode(argumentText);
    LeaveExceptionGuard();
    return exitCode;
}

INT_PTR ShowConfigDialog(HWND owner)
{
    if (!RegisterConfigDialogClasses(SaverHostState.instance))
        return 0;
    return DialogBoxParamA(SaverHostState.instance, MAKEINTRESOURCEA(kConfigDialogId), owner,
                           ConfigDialogProc, 0);
}
