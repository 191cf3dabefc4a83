// Stands in for the 9x family's PASSWORD.CPL. Built twice: with the
// verification procedure, and bare (STANDIN_BARE) to show a library that
// lacks it. The answer comes from the registry; loads and calls are counted
// there. In the test's own process a hook may run inside the verification,
// where the real library would show its dialog and dispatch messages.
#include "StandInRecord.h"
#include "host/SaverHost.h"

#include <type_traits>

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
// The saver calls this procedure through its own pointer type, taken from
// GetProcAddress; written here as the system's library exports it, the two
// must agree, calling convention included (on 32-bit Windows a mismatch
// unbalances the stack on every call).
static_assert(std::is_same<decltype(&VerifyScreenSavePwd), VerifyScreenSavePwdProc>::value,
              "the saver's VerifyScreenSavePwdProc must match the library's VerifyScreenSavePwd");
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        standin::Increment(standin::kPasswordLoads);
    return TRUE;
}
