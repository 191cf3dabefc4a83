#include "scene/Scene.h"

// The scene has no back buffer: every primitive draws straight onto the DC it
// is given, and the masked ones keep the screen under their sprite in a slot so
// the next call can wipe the old place before drawing the new one.

SavedBackground characterSave;
SavedBackground starSave;
SavedBackground moonSave;

namespace {

// How one member of the masked family differs from the others.
struct MaskedBlitOptions {
    SavedBackground* slot;
    bool tinted;          // black sprite pixels take the tint colour
    COLORREF tint;
    bool recapture;       // refresh the slot at every new place, not only the first
    bool skipNegativeX;   // a sprite left of the window is not drawn at all
};

// Restores the slot at the previous place and saves what lies under the new one.
// Only the first call captures without restoring.
void SaveAndRestore(HDC dc, HDC saveDc, int x, int y, int width, int height,
                    int previousX, int previousY, const MaskedBlitOptions& options)
{
    if (!options.slot->captured) {
        BitBlt(saveDc, 0, 0, width, height, dc, x, y, SRCCOPY);
        options.slot->captured = 1;
        return;
    }
    BitBlt(dc, previousX, previousY, width, height, saveDc, 0, 0, SRCCOPY);
    if (options.recapture)
        BitBlt(saveDc, 0, 0, width, height, dc, x, y, SRCCOPY);
}

// Paints the tint bitmap in the tint colour, framed by the default one-pixel black pen.
void PaintTint(HDC tintDc, COLORREF tint, int width, int height)
{
    HBRUSH brush = CreateSolidBrush(tint);
    HGDIOBJ previousBrush = SelectObject(tintDc, brush);
    Rectangle(tintDc, 0, 0, width, height);
    SelectObject(tintDc, previousBrush);
    DeleteObject(brush);
}

void MaskedBlit(int x, int y, HDC dc, HBITMAP bitmap, const BITMAP& info, COLORREF key,
                int previousX, int previousY, const MaskedBlitOptions& options)
{
    if (options.skipNegativeX && x < 0)
        return;
    const int width = info.bmWidth;
    const int height = info.bmHeight;

    HDC spriteDc = CreateCompatibleDC(dc);
    HDC workDc = CreateCompatibleDC(dc);
    HDC maskDc = CreateCompatibleDC(dc);
    HDC backDc = CreateCompatibleDC(dc);
    HDC saveDc = CreateCompatibleDC(dc);
    HDC tintDc = options.tinted ? CreateCompatibleDC(dc) : NULL;

    HBITMAP workBitmap = CreateCompatibleBitmap(dc, width, height);
    HBITMAP backBitmap = CreateCompatibleBitmap(dc, width, height);
    HBITMAP tintBitmap = options.tinted ? CreateCompatibleBitmap(dc, width, height) : NULL;
    HBITMAP maskBitmap = CreateBitmap(width, height, 1, 1, NULL);

    HGDIOBJ oldSprite = SelectObject(spriteDc, bitmap);
    HGDIOBJ oldWork = SelectObject(workDc, workBitmap);
    HGDIOBJ oldMask = SelectObject(maskDc, maskBitmap);
    HGDIOBJ oldBack = SelectObject(backDc, backBitmap);
    HGDIOBJ oldSave = SelectObject(saveDc, options.slot->surface);
    HGDIOBJ oldTint = options.tinted ? SelectObject(tintDc, tintBitmap) : NULL;

    SaveAndRestore(dc, saveDc, x, y, width, height, previousX, previousY, options);

    if (options.tinted)
        PaintTint(tintDc, options.tint, width, height);
    BitBlt(workDc, 0, 0, width, height, spriteDc, 0, 0, SRCCOPY);
    if (options.tinted)
        BitBlt(workDc, 0, 0, width, height, tintDc, 0, 0, SRCPAINT);

    // The scene under the new place, without the sprite's old picture.
    BitBlt(backDc, 0, 0, width, height, dc, x, y, SRCCOPY);

    // Mask: 1 where the untinted sprite shows the key colour.
    SetBkColor(spriteDc, key);
    BitBlt(maskDc, 0, 0, width, height, spriteDc, 0, 0, SRCCOPY);
    BitBlt(backDc, 0, 0, width, height, maskDc, 0, 0, SRCAND);
    BitBlt(maskDc, 0, 0, width, height, NULL, 0, 0, DSTINVERT);
    BitBlt(workDc, 0, 0, width, height, maskDc, 0, 0, SRCAND);
    BitBlt(workDc, 0, 0, width, height, backDc, 0, 0, SRCPAINT);

    // One copy, so the sprite never shows half drawn.
    BitBlt(dc, x, y, width, height, workDc, 0, 0, SRCCOPY);

    SelectObject(spriteDc, oldSprite);
    SelectObject(workDc, oldWork);
    SelectObject(maskDc, oldMask);
    SelectObject(backDc, oldBack);
    SelectObject(saveDc, oldSave);
    if (options.tinted)
        SelectObject(tintDc, oldTint);

    DeleteObject(workBitmap);
    DeleteObject(maskBitmap);
    DeleteObject(backBitmap);
    if (tintBitmap)
        DeleteObject(tintBitmap);

    DeleteDC(spriteDc);
    DeleteDC(workDc);
    DeleteDC(maskDc);
    DeleteDC(backDc);
    DeleteDC(saveDc);
    if (tintDc)
        DeleteDC(tintDc);
}

} // namespace

void BlitOpaque(int x, int y, HDC dc, HBITMAP bitmap, BITMAP info)
{
    if (x < 0)
        return;
    HDC sourceDc = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(sourceDc, bitmap);
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, sourceDc, 0, 0, SRCCOPY);
    SelectObject(sourceDc, previous);
    DeleteDC(sourceDc);
}

void BlitCharacter(int x, int y, HDC dc, HBITMAP bitmap, BITMAP info, COLORREF key,
                   int previousX, int previousY)
{
    const MaskedBlitOptions options = { &characterSave, false, 0, false, true };
    MaskedBlit(x, y, dc, bitmap, info, key, previousX, previousY, options);
}

void BlitTintedStar(int x, int y, HDC dc, HBITMAP bitmap, BITMAP info, COLORREF tint,
                    COLORREF key, int previousX, int previousY)
{
    const MaskedBlitOptions options = { &starSave, true, tint, true, true };
    MaskedBlit(x, y, dc, bitmap, info, key, previousX, previousY, options);
}

// The moon drifts in from the left edge, so it is drawn at any x.
void BlitMoon(int x, int y, HDC dc, HBITMAP bitmap, BITMAP info, COLORREF key,
              int previousX, int previousY)
{
    const MaskedBlitOptions options = { &moonSave, false, 0, false, false };
    MaskedBlit(x, y, dc, bitmap, info, key, previousX, previousY, options);
}

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
