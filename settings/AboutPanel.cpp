#include "settings/Settings.h"

#include <shellapi.h>

ShellOpenProc OpenLinkTarget = ShellExecuteA;

void PaintAboutPanel(HWND) {}
void PaintAboutItem(HWND, int, UINT, BOOL) {}
void SetDialogCursor() {}
BOOL OnAboutLinkCommand(HWND, int, int) { return FALSE; }
