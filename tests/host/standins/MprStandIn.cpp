// Stands in for MPR.DLL (loaded in its place through a native override).
// Built twice: with PwdChangePasswordA, which records its four arguments, and
// bare (STANDIN_BARE), a library without that procedure.
#include "StandInRecord.h"

#ifndef STANDIN_BARE
extern "C" __declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND owner, DWORD flags,
                                                                  DWORD reserved)
{
    standin::Increment(standin::kChangeCalls);
    standin::WriteValue(standin::kChangeProvider, REG_BINARY, provider, provider ? lstrlenA(provider) : 0);
    standin::WriteHandle(standin::kChangeOwner, owner);
    standin::WriteNumber(standin::kChangeFlags, flags);
    standin::WriteNumber(standin::kChangeReserved, reserved);
    return 0;
}
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        standin::Increment(standin::kMprLoads);
    return TRUE;
}
