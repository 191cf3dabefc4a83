// The user's settings, their INI file, and the configuration dialog.
#pragma once
#include <windows.h>

const int kBgmTitleSize = 260;

// The five settings, read when a saver window is created and by the dialog.
struct SaverSettingsRecord {
    int displayInterval;            // frame period in units of 100 ms
    BYTE bgmOn;                     // 0 or 1
    char bgmTitle[kBgmTitleSize];   // MIDI file name, as written in the INI file
    BYTE clockShown;                // 0 or 1
    int clockMode;                  // 1 = 12-hour clock, anything else 24-hour
};

extern SaverSettingsRecord SaverSettings;

void ReadSaverSettings();
void WriteSaverSettings();

// The configuration dialog (template 2003).
const int kConfigDialogId = 2003;
BOOL RegisterConfigDialogClasses(HINSTANCE instance);
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void InitConfigDialog(HWND dialog);
void UpdateClockModeEnabling(HWND dialog);
void ReadConfigDialog(HWND dialog);

// The about panel at the top of the dialog.
void PaintAboutPanel(HWND dialog);
void PaintAboutItem(HWND dialog, int controlId, UINT stringId, BOOL isLink);
void SetDialogCursor();
BOOL OnAboutLinkCommand(HWND dialog, int controlId, int notificationCode);

// Opens a link; ShellExecuteA unless a test replaces it.
typedef HINSTANCE(WINAPI* ShellOpenProc)(HWND owner, LPCSTR verb, LPCSTR target,
                                         LPCSTR parameters, LPCSTR directory, INT showCommand);
extern ShellOpenProc OpenLinkTarget;
