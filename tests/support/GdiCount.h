// Counting this process's live GDI objects, to show that drawing calls and
// dialogs give back every DC, brush, font and bitmap they make.
#pragma once
#include <windows.h>

namespace test {

// GetGuiResources answers 0 under Wine, and the GDI handle table is not
// published to 32-bit processes there (the PEB's pointer stays null), so the
// count asks GDI itself about every handle slot. A GDI handle is a slot index
// in its low word and a reuse counter in its high word; Wine looks a handle
// whose high word is 0 up by its slot alone, so GetObjectType on each bare
// index names the type of the object living in that slot, in 32-bit and
// 64-bit processes alike. Stock objects are counted too; they never change.
const DWORD kGdiFontType = OBJ_FONT;
const ULONG_PTR kGdiHandleSlots = 0x10000;

// Live GDI objects of this process, of one type (0 = every type).
inline size_t LiveGdiObjects(DWORD type = 0)
{
    size_t count = 0;
    for (ULONG_PTR slot = 1; slot < kGdiHandleSlots; ++slot) {
        DWORD found = GetObjectType((HGDIOBJ)slot);
        if (found != 0 && (type == 0 || found == type))
            ++count;
    }
    return count;
}

} // namespace test
