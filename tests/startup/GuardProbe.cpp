// guard_probe fault|calm|flag: runs a saver mode through SaverMain in this process.
// "fault" hands SaverMain an argument text that cannot be read, so the fault
// happens in the mode's own code (window procedures are no use for this: the
// system swallows exceptions raised inside them). "calm" shows a preview in a
// window of its own and closes it. "flag" reads the system's saver-running
// flag afresh (a process keeps the value it read first) and ends with 40 + it.
#include <stdio.h>
#include <string.h>

#include "host/SaverHost.h"

namespace {

const UINT kCloseMessage = WM_APP + 7;
const SIZE_T kReservedBytes = 4096;

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kCloseMessage) {
        HWND preview = FindWindowExA(window, NULL, kSaverClassName, kPreviewTitle);
        PostMessageA(preview, WM_CLOSE, 0, 0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateProbeWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ProbeWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "GuardProbe";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "GuardProbe", "Guard Probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 150,
                           NULL, NULL, GetModuleHandleA(NULL), NULL);
}

int RunCalmPreview()
{
    HWND probe = CreateProbeWindow();
    PostMessageA(probe, kCloseMessage, 0, 0);
    char arguments[64];
    snprintf(arguments, sizeof arguments, "/p %lu", (unsigned long)(UINT_PTR)probe);
    return SaverMain(GetModuleHandleA(NULL), NULL, arguments, SW_SHOWDEFAULT);
}

int RunFaultingMode()
{
    // Address space that is reserved but never committed: any read faults.
    char* unreadable = (char*)VirtualAlloc(NULL, kReservedBytes, MEM_RESERVE, PAGE_NOACCESS);
    return SaverMain(GetModuleHandleA(NULL), NULL, unreadable, SW_SHOWDEFAULT);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && strcmp(argv[1], "flag") == 0) {
        BOOL running = FALSE;
        SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
        return 40 + (running ? 1 : 0);
    }
    bool faultWanted = argc > 1 && strcmp(argv[1], "fault") == 0;
    SetErrorMode(SEM_NOGPFAULTERRORBOX);
    int exitCode = faultWanted ? RunFaultingMode() : RunCalmPreview();
    printf("SaverMain returned %d\n", exitCode);
    return 40 + exitCode;   // tells a normal return apart from ExitProcess(-1)
}
