#include "settings/Settings.h"

BOOL RegisterConfigDialogClasses(HINSTANCE) { return TRUE; }

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam) == IDOK);
        return TRUE;
    }
    return FALSE;
}
void InitConfigDialog(HWND) {}
void UpdateClockModeEnabling(HWND) {}
void ReadConfigDialog(HWND) {}
