// preview-host: plays the Display control panel's part for a look at the
// preview. It shows a small monitor whose screen is a 152 x 112 window and
// runs the saver's preview mode ("/p <that window>") inside it.
//
// The control panel starts the saver as a process of its own. Wine 8 does not
// draw child windows that belong to another process, so by default the host
// runs the same SaverMain in its own process, where the preview shows; with
// --process it starts "もちぽて.scr /p <window>" from its folder instead.
// Closing the host closes the preview with it.
#include <stdio.h>
#include <string.h>

#include "host/SaverHost.h"

namespace {

const int kScreenWidth = 152;
const int kScreenHeight = 112;
const int kBezel = 14;
const int kStandHeight = 26;
const COLORREF kBezelColour = RGB(200, 200, 196);
const COLORREF kStandColour = RGB(160, 160, 156);
const char kHostClass[] = "MochipotePreviewHost";
const char kScreenClass[] = "MochipotePreviewScreen";

PROCESS_INFORMATION saver;

void FillColour(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    RECT rect = { left, top, right, bottom };
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

// The monitor around the screen: bezel, neck and foot.
void PaintMonitor(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    FillColour(dc, 0, 0, client.right, client.bottom, GetSysColor(COLOR_BTNFACE));
    int left = (client.right - kScreenWidth) / 2 - kBezel;
    FillColour(dc, left, kBezel, left + kScreenWidth + 2 * kBezel, 3 * kBezel + kScreenHeight, kBezelColour);
    int middle = client.right / 2;
    int neckTop = 3 * kBezel + kScreenHeight;
    FillColour(dc, middle - 12, neckTop, middle + 12, neckTop + kStandHeight / 2, kStandColour);
    FillColour(dc, middle - 40, neckTop + kStandHeight / 2, middle + 40, neckTop + kStandHeight, kStandColour);
    EndPaint(window, &paint);
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintMonitor(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool StartSaver(HWND screen)
{
    char folder[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, folder, MAX_PATH);
    while (length > 0 && folder[length - 1] != '\\' && folder[length - 1] != '/')
        --length;
    folder[length] = 0;
    char program[MAX_PATH + 32];
    snprintf(program, sizeof program, "%sもちぽて.scr", folder);
    char commandLine[MAX_PATH + 64];
    snprintf(commandLine, sizeof commandLine, "\"%s\" /p %lu", program, (unsigned long)(UINT_PTR)screen);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessA(program, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &saver) != 0;
}

void RegisterClasses(HINSTANCE instance)
{
    WNDCLASSA host = {};
    host.lpfnWndProc = HostProc;
    host.hInstance = instance;
    host.hCursor = LoadCursorA(NULL, IDC_ARROW);
    host.lpszClassName = kHostClass;
    RegisterClassA(&host);
    WNDCLASSA screen = {};
    screen.lpfnWndProc = DefWindowProcA;
    screen.hInstance = instance;
    screen.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    screen.lpszClassName = kScreenClass;
    RegisterClassA(&screen);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    const bool ownProcess = strstr(commandLine, "--process") != NULL;
    RegisterClasses(instance);
    const int clientWidth = kScreenWidth + 2 * kBezel + 80;
    const int clientHeight = kScreenHeight + 4 * kBezel + kStandHeight;
    RECT frame = { 0, 0, clientWidth, clientHeight };
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
    AdjustWindowRect(&frame, style, FALSE);
    HWND host = CreateWindowExA(0, kHostClass, "もちぽて - プレビュー", style, 40, 40, frame.right - frame.left,
                                frame.bottom - frame.top, NULL, NULL, instance, NULL);
    HWND screen = CreateWindowExA(0, kScreenClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                  (clientWidth - kScreenWidth) / 2, 2 * kBezel, kScreenWidth, kScreenHeight, host,
                                  NULL, instance, NULL);
    if (!ownProcess) {
        // The saver's loop serves the host's windows too; the host's
        // WM_DESTROY ends it.
        char arguments[32];
        snprintf(arguments, sizeof arguments, "/p %lu", (unsigned long)(UINT_PTR)screen);
        return SaverMain(instance, NULL, arguments, SW_SHOWDEFAULT);
    }
    if (!StartSaver(screen))
        return 1;
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    WaitForSingleObject(saver.hProcess, 5000);
    return 0;
}
