// Stands in for MPR.DLL (loaded in its place through a native override).
// Built twice: with PwdChangePasswordA, which records its four arguments, and
// bare (STANDIN_BARE), a library without that procedure.
#include "StandInRecord.h"
#include "host/SaverHost.h"

#include <type_traits>

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
// The saver calls this procedure through its own pointer type, taken from
// GetProcAddress; written here as the system's library exports it, the two
// must agree, calling convention included (on 32-bit Windows a mismatch
// unbalances the stack on every call).
static_assert(std::is_same<decltype(&PwdChangePasswordA), PwdChangePasswordProc>::value,
              "the saver's PwdChangePasswordProc must match the library's PwdChangePasswordA");
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        standin::Increment(standin::kMprLoads);
    return TRUE;
}
