// Counting this process's live GDI objects, to show that drawing calls give
// back every DC, brush and bitmap they make.
#pragma once
#include <windows.h>
#include <winternl.h>

namespace scenetest {

// GetGuiResources answers 0 under Wine, so the count comes from the process's
// GDI handle table, which Windows and Wine both map into the process and name
// in the PEB. A live entry has a nonzero type. Windows shares the table between
// processes and marks each entry with its owner's id; Wine keeps one table per
// process and leaves the owner 0. Stock objects (owner 0 on Windows) never
// change, so counting owner 0 too still shows every object a call makes.
struct GdiHandleEntry {
    ULONG64 kernelObject;
    USHORT ownerProcessId;
    USHORT ownerCount;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    ULONG64 userPointer;
};

#ifdef _WIN64
static_assert(sizeof(GdiHandleEntry) == 24, "64-bit GDI handle entries are 24 bytes");
const size_t kPebGdiTableOffset = 0xF8;
#else
const size_t kPebGdiTableOffset = 0x94;
#endif
const size_t kGdiHandleSlots = 0x10000;

inline size_t LiveGdiObjects()
{
    BYTE* peb = (BYTE*)NtCurrentTeb()->ProcessEnvironmentBlock;
    const GdiHandleEntry* table = *(const GdiHandleEntry**)(peb + kPebGdiTableOffset);
    if (!table)
        return 0;
    USHORT processId = (USHORT)GetCurrentProcessId();
    size_t count = 0;
    for (size_t slot = 0; slot < kGdiHandleSlots; ++slot)
        if (table[slot].type && (table[slot].ownerProcessId == processId || table[slot].ownerProcessId == 0))
            ++count;
    return count;
}

} // namespace scenetest
