// The configuration dialog (template 2003): fills its controls from
// SaverSettings, takes them back on OK and saves them; Cancel changes nothing.
#include "settings/Settings.h"

#include <limits.h>
#include <stdio.h>

#include "resources/resource_ids.h"

// The about panel keeps an underlined font on each link control; the dialog
// hands them back when it goes away (AboutPanel.cpp).
void ReleaseAboutFonts(HWND dialog);

namespace {

const int kIntervalTextSize = 32;   // the edit is read back as at most 31 characters
const int kIntervalMin = 1;
const int kIntervalMax = 128;
const int kClockMode12 = 1;
const int kClockMode24 = 2;
const char kIntervalRangeWarning[] = "表示間隔範囲エラー(1～128)";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Decimal text to a number as atoi reads it: leading blanks, an optional sign,
// then digits up to the first other character; no digits give 0. Values past
// the int range stop growing instead of overflowing (all of them are out of
// the accepted range anyway).
int ParseIntervalText(const char* text)
{
    while (IsBlank(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (value <= INT_MAX)
            value = value * 10 + (*text - '0');
    }
    if (value > INT_MAX)
        value = INT_MAX;
    return (int)(negative ? -value : value);
}

bool IsIntervalInRange(int interval)
{
    return interval >= kIntervalMin && interval <= kIntervalMax;
}

void CheckButton(HWND dialog, int controlId, bool checked)
{
    CheckDlgButton(dialog, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool IsButtonChecked(HWND dialog, int controlId)
{
    return IsDlgButtonChecked(dialog, controlId) != BST_UNCHECKED;
}

// Checking a radio button gives it WS_TABSTOP (the button control does that
// itself), which would put the checked ones into the Tab order. The Tab key
// is meant to cycle through OK, Cancel, the check box and the edit only.
void KeepRadiosOutOfTabOrder(HWND dialog)
{
    const int radios[] = { IDC_CLOCK_HIDDEN, IDC_CLOCK_SHOWN, IDC_CLOCK_12H, IDC_CLOCK_24H };
    for (int controlId : radios) {
        HWND radio = GetDlgItem(dialog, controlId);
        LONG_PTR style = GetWindowLongPtrA(radio, GWL_STYLE);
        if (radio && (style & WS_TABSTOP))
            SetWindowLongPtrA(radio, GWL_STYLE, style & ~(LONG_PTR)WS_TABSTOP);
    }
}

void OnConfigOk(HWND dialog)
{
    ReadConfigDialog(dialog);
    WriteSaverSettings();
    EndDialog(dialog, TRUE);
}

} // namespace

BOOL RegisterConfigDialogClasses(HINSTANCE)
{
    // The template uses only system classes.
    return TRUE;
}

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        ReadSaverSettings();
        InitConfigDialog(dialog);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(dialog, &paint);
        PaintAboutPanel(dialog);
        EndPaint(dialog, &paint);
        return TRUE;
    }
    case WM_SETCURSOR:
        SetDialogCursor();
        return TRUE;
    case WM_DESTROY:
        // Not consumed: the dialog manager goes on with its own clean-up.
        ReleaseAboutFonts(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            OnConfigOk(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, FALSE);
            return TRUE;
        case IDC_CLOCK_HIDDEN:
        case IDC_CLOCK_SHOWN:
            KeepRadiosOutOfTabOrder(dialog);
            UpdateClockModeEnabling(dialog);
            return TRUE;
        case IDC_CLOCK_12H:
        case IDC_CLOCK_24H:
            KeepRadiosOutOfTabOrder(dialog);
            return FALSE;
        case IDC_ABOUT_HOMEPAGE:
        case IDC_ABOUT_EMAIL:
            return OnAboutLinkCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

void InitConfigDialog(HWND dialog)
{
    char text[kIntervalTextSize];
    snprintf(text, sizeof text, "%d", SaverSettings.displayInterval);
    SetDlgItemTextA(dialog, IDC_INTERVAL, text);

    CheckButton(dialog, IDC_BGM_ON, SaverSettings.bgmOn == 1);

    bool shown = SaverSettings.clockShown == 1;
    CheckButton(dialog, IDC_CLOCK_SHOWN, shown);
    CheckButton(dialog, IDC_CLOCK_HIDDEN, !shown);

    bool twelveHour = SaverSettings.clockMode == kClockMode12;
    CheckButton(dialog, IDC_CLOCK_12H, twelveHour);
    CheckButton(dialog, IDC_CLOCK_24H, !twelveHour);

    UpdateClockModeEnabling(dialog);
    KeepRadiosOutOfTabOrder(dialog);
}

void UpdateClockModeEnabling(HWND dialog)
{
    // Only the enabling changes; the 12/24 check marks stay for the next time.
    BOOL enable = IsDlgButtonChecked(dialog, IDC_CLOCK_SHOWN) == BST_CHECKED;
    EnableWindow(GetDlgItem(dialog, IDC_CLOCK_12H), enable);
    EnableWindow(GetDlgItem(dialog, IDC_CLOCK_24H), enable);
}

void ReadConfigDialog(HWND dialog)
{
    char text[kIntervalTextSize] = "";
    GetDlgItemTextA(dialog, IDC_INTERVAL, text, sizeof text);
    int interval = ParseIntervalText(text);
    if (IsIntervalInRange(interval))
        SaverSettings.displayInterval = interval;
    else
        MessageBoxA(dialog, kIntervalRangeWarning, NULL, MB_OK | MB_ICONEXCLAMATION);

    // The rest is taken whether or not the interval was accepted.
    SaverSettings.bgmOn = IsButtonChecked(dialog, IDC_BGM_ON) ? 1 : 0;
    SaverSettings.clockShown = IsButtonChecked(dialog, IDC_CLOCK_SHOWN) ? 1 : 0;
    SaverSettings.clockMode = IsButtonChecked(dialog, IDC_CLOCK_12H) ? kClockMode12 : kClockMode24;
}
