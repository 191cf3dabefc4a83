// The process entry: the run-time start-up calls WinMain, which hands over at once.
#include "host/CommandLine.h"
#include "host/SaverHost.h"

namespace {

const char* CharNextAnsi(const char* text)
{
    return CharNextA(text);
}

int StartupShowCommand()
{
    STARTUPINFOA startup;
    startup.dwFlags = 0;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

} // namespace

void SaverStartup()
{
    char* arguments = (char*)SkipProgramName(GetCommandLineA(), CharNextAnsi);
    int showCommand = StartupShowCommand();
    // Straight to ExitProcess: the run-time's own exit processing never runs.
    ExitProcess((UINT)SaverMain(GetModuleHandleA(NULL), NULL, arguments, showCommand));
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    SaverStartup();
    return 0;
}
