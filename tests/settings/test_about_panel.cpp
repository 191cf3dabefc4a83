#include <doctest/doctest.h>
#include "settings/DialogSupport.h"
#include <stdio.h>
TEST_CASE("probe")
{
    using namespace dialogtest;
    const GdiHandleEntry* t = GdiHandleTable();
    printf("table %p pid %lu\n", (void*)t, GetCurrentProcessId());
    HFONT f = CreateFontA(12,0,0,0,0,0,0,0,0,0,0,0,0,"Arial");
    size_t idx = ((UINT_PTR)f & 0xFFFF);
    printf("font %p idx %zu\n", (void*)f, idx);
    for (size_t i = idx; i < idx+1 && t; ++i) printf("entry obj %llx pid %u cnt %u uniq %x type %x flags %x\n", t[i].kernelObject, t[i].ownerProcessId, t[i].ownerCount, t[i].unique, t[i].type, t[i].flags);
    printf("fonts %zu all %zu guires %lu\n", CountGdiObjects(kGdiFontType), CountGdiObjects(), GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    HFONT many[100]; for (auto& m : many) m = CreateFontA(12,0,0,0,0,0,0,0,0,0,0,0,0,"Arial");
    printf("fonts %zu all %zu guires %lu\n", CountGdiObjects(kGdiFontType), CountGdiObjects(), GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    for (auto& m : many) DeleteObject(m);
    printf("fonts %zu all %zu\n", CountGdiObjects(kGdiFontType), CountGdiObjects());
}
