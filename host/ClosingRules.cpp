#include "host/SaverHost.h"

LRESULT CALLBACK DefSaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN || message == WM_LBUTTONDOWN)
        if (!SaverHostState.isPreview)
            PostMessageA(window, WM_CLOSE, 0, 0);
    return DefWindowProcA(window, message, wParam, lParam);
}
