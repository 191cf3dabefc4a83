// The about panel at the top of the configuration dialog: the copyright and
// version lines, two links drawn blue and underlined, the program's cursor.
#include "settings/Settings.h"

#include <shellapi.h>
#include <stdio.h>

#include "resources/resource_ids.h"

ShellOpenProc OpenLinkTarget = ShellExecuteA;

void ReleaseAboutFonts(HWND dialog);

namespace {

const int kAboutTextSize = 100;      // string table entries hold at most 99 characters
const char kMailtoPrefix[] = "mailto:";
const COLORREF kLinkTextColour = RGB(0, 0, 255);
const WORD kStnClicked = 0;          // STN_CLICKED

// Each paint gives a link control a new underlined font. The font it replaces
// is the one the paint before made; the control remembers it in this property
// so that the paint (or the dialog's destruction) can delete it once the
// control no longer uses it. The dialog's own font is never recorded here.
const char kLinkFontProperty[] = "MochipoteLinkFont";

const int kLinkControls[] = { IDC_ABOUT_HOMEPAGE, IDC_ABOUT_EMAIL };

HINSTANCE ModuleInstance()
{
    return GetModuleHandleA(NULL);
}

// Gives the control an underlined copy of its current font and returns it.
HFONT GiveUnderlinedFont(HWND control)
{
    HFONT current = (HFONT)SendMessageA(control, WM_GETFONT, 0, 0);
    LOGFONTA description;
    if (!current || !GetObjectA(current, sizeof description, &description))
        GetObjectA(GetStockObject(SYSTEM_FONT), sizeof description, &description);   // no font set: the system font
    description.lfUnderline = 1;
    HFONT underlined = CreateFontIndirectA(&description);
    if (!underlined)
        return NULL;
    SendMessageA(control, WM_SETFONT, (WPARAM)underlined, FALSE);

    HFONT replaced = (HFONT)GetPropA(control, kLinkFontProperty);
    SetPropA(control, kLinkFontProperty, underlined);
    if (replaced && replaced != underlined)
        DeleteObject(replaced);
    return underlined;
}

// Draws the link text at once over the control, in blue on the button face.
void DrawLinkText(HWND control, HFONT font, const char* text)
{
    // SetDlgItemTextA has just repainted the control in its own colours and
    // left no update region; without one, BeginPaint would clip everything
    // away whenever the dialog's repaint did not reach the link itself.
    InvalidateRect(control, NULL, FALSE);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(control, &paint);
    if (dc) {
        HGDIOBJ previous = font ? SelectObject(dc, font) : NULL;
        SetTextColor(dc, kLinkTextColour);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetBkMode(dc, OPAQUE);
        TextOutA(dc, 0, 0, text, lstrlenA(text));
        // The font goes back out of the DC so that a later paint may delete it.
        if (previous)
            SelectObject(dc, previous);
    }
    EndPaint(control, &paint);
}

} // namespace

void PaintAboutPanel(HWND dialog)
{
    PaintAboutItem(dialog, IDC_ABOUT_COPYRIGHT, IDS_COPYRIGHT, FALSE);
    PaintAboutItem(dialog, IDC_ABOUT_VERSION, IDS_VERSION, FALSE);
    PaintAboutItem(dialog, IDC_ABOUT_HOMEPAGE, IDS_HOMEPAGE, TRUE);
    PaintAboutItem(dialog, IDC_ABOUT_EMAIL, IDS_EMAIL, TRUE);
}

void PaintAboutItem(HWND dialog, int controlId, UINT stringId, BOOL isLink)
{
    HWND control = GetDlgItem(dialog, controlId);
    if (!control)
        return;
    HFONT linkFont = isLink ? GiveUnderlinedFont(control) : NULL;

    char text[kAboutTextSize] = "";
    LoadStringA(ModuleInstance(), stringId, text, sizeof text);
    SetDlgItemTextA(dialog, controlId, text);

    if (isLink)
        DrawLinkText(control, linkFont, text);
}

void SetDialogCursor()
{
    SetCursor(LoadCursorA(ModuleInstance(), MAKEINTRESOURCEA(IDC_MOCHIPOTE_POINTER)));
}

BOOL OnAboutLinkCommand(HWND dialog, int controlId, int notificationCode)
{
    if (notificationCode != kStnClicked)
        return FALSE;
    char text[kAboutTextSize] = "";
    GetDlgItemTextA(dialog, controlId, text, sizeof text);

    char target[sizeof kMailtoPrefix + kAboutTextSize];
    if (controlId == IDC_ABOUT_EMAIL)
        snprintf(target, sizeof target, "%s%s", kMailtoPrefix, text);
    else
        snprintf(target, sizeof target, "%s", text);

    OpenLinkTarget(dialog, NULL, target, NULL, NULL, SW_SHOWNORMAL);
    return TRUE;
}

// The last underlined fonts: the controls go back to the dialog's font, which
// the dialog manager deletes itself, and ours are deleted.
void ReleaseAboutFonts(HWND dialog)
{
    HFONT dialogFont = (HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0);
    for (int controlId : kLinkControls) {
        HWND control = GetDlgItem(dialog, controlId);
        if (!control)
            continue;
        HFONT underlined = (HFONT)RemovePropA(control, kLinkFontProperty);
        if (!underlined)
            continue;
        if ((HFONT)SendMessageA(control, WM_GETFONT, 0, 0) == underlined)
            SendMessageA(control, WM_SETFONT, (WPARAM)dialogFont, FALSE);
        DeleteObject(underlined);
    }
}
