// Stands in for the 9x family's PASSWORD.CPL. Built twice: with the
// verification procedure, and bare (STANDIN_BARE) to show a library that
// lacks it. The answer comes from the registry; loads and calls are counted
// there. In the test's own process a hook may run inside the verification,
// where the real library would show its dialog and dispatch messages.
#include "StandInRecord.h"

typedef void (*VerifyHook)(HWND window);
static VerifyHook verifyHook = NULL;

extern "C" __declspec(dllexport) void SetVerifyHook(VerifyHook hook)
{
    verifyHook = hook;
}

#ifndef STANDIN_BARE
extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window)
{
    standin::Increment(standin::kVerifyCalls);
    standin::WriteHandle(standin::kVerifyWindow, window);
    if (verifyHook != NULL)
        verifyHook(window);
    return (BOOL)standin::ReadNumber(standin::kVerifyAnswer, 1);
}
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        standin::Increment(standin::kPasswordLoads);
    return TRUE;
}
