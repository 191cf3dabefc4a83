#include "host/SaverHost.h"

TickCountSource SaverTickCount = GetTickCount;

void SetSaverRunning(BOOL) {}
void LoadPasswordVerifier() {}
void UnloadPasswordVerifier() {}
LRESULT VerifyBeforeClose(HWND) { return 1; }
void ChangeSaverPassword(HWND) {}
