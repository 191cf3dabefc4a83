// Where the stand-ins for the system's password libraries keep what they were
// asked, so that a test in another process can set their answers and read
// their calls: values under one key of the current user's registry.
#pragma once
#include <windows.h>

namespace standin {

const char kKey[] = "Software\\MochipoteTests\\StandIns";

// PASSWORD.CPL
const char kPasswordLoads[] = "PasswordLoads";      // DWORD, one per load into a process
const char kVerifyAnswer[] = "VerifyAnswer";        // DWORD, the answer VerifyScreenSavePwd gives (1 when absent)
const char kVerifyCalls[] = "VerifyCalls";          // DWORD, one per call
const char kVerifyWindow[] = "VerifyWindow";        // QWORD, the window of the last call

// MPR.DLL
const char kMprLoads[] = "MprLoads";                // DWORD
const char kChangeCalls[] = "ChangeCalls";          // DWORD
const char kChangeProvider[] = "ChangeProvider";    // REG_BINARY, the provider name's bytes
const char kChangeOwner[] = "ChangeOwner";          // QWORD
const char kChangeFlags[] = "ChangeFlags";          // DWORD, the third argument
const char kChangeReserved[] = "ChangeReserved";    // DWORD, the fourth argument

inline DWORD ReadNumber(const char* name, DWORD fallback = 0)
{
    DWORD value = fallback;
    DWORD size = sizeof(value);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return fallback;
    if (RegQueryValueExA(key, name, NULL, NULL, (BYTE*)&value, &size) != ERROR_SUCCESS)
        value = fallback;
    RegCloseKey(key);
    return value;
}

inline void WriteValue(const char* name, DWORD type, const void* bytes, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, (const BYTE*)bytes, size);
    RegCloseKey(key);
}

inline void WriteNumber(const char* name, DWORD value)
{
    WriteValue(name, REG_DWORD, &value, sizeof(value));
}

inline void WriteHandle(const char* name, const void* handle)
{
    ULONGLONG value = (ULONGLONG)(ULONG_PTR)handle;
    WriteValue(name, REG_QWORD, &value, sizeof(value));
}

inline ULONGLONG ReadHandle(const char* name)
{
    ULONGLONG value = 0;
    DWORD size = sizeof(value);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    RegQueryValueExA(key, name, NULL, NULL, (BYTE*)&value, &size);
    RegCloseKey(key);
    return value;
}

inline void Increment(const char* name)
{
    WriteNumber(name, ReadNumber(name) + 1);
}

// Forgets every answer and count.
inline void Clear()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
}

} // namespace standin
