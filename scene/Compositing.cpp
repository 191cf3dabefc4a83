#include "scene/Scene.h"

SavedBackground characterSave;
SavedBackground starSave;
SavedBackground moonSave;

void BlitOpaque(int, int, HDC, HBITMAP, BITMAP) {}
void BlitCharacter(int, int, HDC, HBITMAP, BITMAP, COLORREF, int, int) {}
void BlitTintedStar(int, int, HDC, HBITMAP, BITMAP, COLORREF, COLORREF, int, int) {}
void BlitMoon(int, int, HDC, HBITMAP, BITMAP, COLORREF, int, int) {}

void FillSolid(HDC dc, COLORREF colour, RECT rect)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void ResetSavedBackgrounds()
{
    characterSave = SavedBackground();
    starSave = SavedBackground();
    moonSave = SavedBackground();
}
