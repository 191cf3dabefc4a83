// The screen-saver host: entry, modes, the saver window and its closing rules.
#pragma once
#include <windows.h>
#include <imm.h>

typedef HIMC(WINAPI* ImmAssociateContextProc)(HWND window, HIMC context);
typedef BOOL(WINAPI* VerifyScreenSavePwdProc)(HWND window);
typedef DWORD(WINAPI* PwdChangePasswordProc)(LPCSTR provider, HWND owner, DWORD reserved1, DWORD reserved2);

// The host's process-wide record. One GUI thread touches it.
struct SaverHostRecord {
    HINSTANCE instance;
    BOOL onWin9x;
    HWND mainWindow;
    BOOL isPreview;
    UINT autoPlayMessage;
    HMODULE imeLibrary;
    ImmAssociateContextProc imeAssociateContext;
    HIMC savedInputContext;
    POINT anchorCursorPos;
    DWORD moveThreshold;
    BYTE acLineStatus;
    LONG closing;
    BOOL checkingPassword;
    HMODULE passwordLibrary;
    VerifyScreenSavePwdProc verifyPassword;
    DWORD lastCheckTick;
};

extern SaverHostRecord SaverHostState;

// Puts the record back to its start values (tests run several windows in one process).
void ResetSaverHostState();

// Entry and modes.
void SaverStartup();
int WINAPI SaverMain(HINSTANCE instance, HINSTANCE previousInstance, char* argumentText, int showCommand);
INT_PTR ShowConfigDialog(HWND owner);

// Saver window and message loop.
int RunSaverWindow(HWND parent);
LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Closing rules: the last procedure of the chain before DefWindowProcA.
LRESULT CALLBACK DefSaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Password verification and change (they act on the 9x family only).
void SetSaverRunning(BOOL running);
void LoadPasswordVerifier();
void UnloadPasswordVerifier();
LRESULT VerifyBeforeClose(HWND window);
void ChangeSaverPassword(HWND owner);

// The tick counter that spaces verifications; GetTickCount unless a test replaces it.
typedef DWORD(WINAPI* TickCountSource)(void);
extern TickCountSource SaverTickCount;

extern const char kSaverClassName[];
extern const char kFullScreenTitle[];
extern const char kPreviewTitle[];
