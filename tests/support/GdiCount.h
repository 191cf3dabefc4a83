// Counting this process's live GDI objects, to show that drawing calls and
// dialogs give back every DC, brush, font and bitmap they make.
#pragma once
#include <windows.h>
#include <winternl.h>

namespace test {

// GetGuiResources answers 0 under Wine, so the count comes from the GDI handle
// table that the PEB names, which Windows and Wine both map into the process.
// A live entry has a nonzero type. Windows shares the table between processes
// and marks each entry with its owner's id; Wine keeps one table per process
// and leaves the owner 0. Stock objects (owner 0 on Windows) never change, so
// counting owner 0 too still shows every object a call makes.
struct GdiHandleEntry {
    ULONG64 kernelObject;
    USHORT ownerProcessId;
    USHORT ownerCount;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    ULONG64 userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle table entries are 24 bytes");

const UCHAR kGdiFontType = 0x0A;
const size_t kGdiHandleSlots = 0x10000;
#ifdef _WIN64
const size_t kPebGdiTableOffset = 0xF8;
#else
const size_t kPebGdiTableOffset = 0x94;
#endif

inline const GdiHandleEntry* GdiHandleTable()
{
    // The PEB's address from ntdll (reading it through the TEB trips a false
    // -Warray-bounds in the toolchain's segment intrinsics).
    typedef LONG(WINAPI * QueryProcessProc)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    QueryProcessProc query =
        (QueryProcessProc)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, NULL) != 0)
        return NULL;
    BYTE* peb = (BYTE*)basic.PebBaseAddress;
    return *(const GdiHandleEntry**)(peb + kPebGdiTableOffset);
}

// Live GDI objects of this process, of one type (0 = every type).
inline size_t LiveGdiObjects(UCHAR type = 0)
{
    const GdiHandleEntry* table = GdiHandleTable();
    if (!table)
        return 0;
    USHORT processId = (USHORT)GetCurrentProcessId();
    size_t count = 0;
    for (size_t slot = 0; slot < kGdiHandleSlots; ++slot) {
        const GdiHandleEntry& entry = table[slot];
        bool ours = entry.ownerProcessId == processId || entry.ownerProcessId == 0;
        if (entry.type && ours && (type == 0 || entry.type == type))
            ++count;
    }
    return count;
}

} // namespace test
