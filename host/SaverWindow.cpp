#include "host/SaverHost.h"
#include "scene/Scene.h"

#include <type_traits>

const char kSaverClassName[] = "WindowsScreenSaverClass";
const char kFullScreenTitle[] = "Screen Saver";
const char kPreviewTitle[] = "Preview";

namespace {

const UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
// No icon group has this number (the program's own is 102): the class gets none.
const int kClassIconId = 100;
const DWORD kFullScreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
const DWORD kPreviewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
const BYTE kNoAcLineStatus = 255;

struct WindowPlacement {
    int x, y, width, height;
};

// The whole virtual desktop, or the screen's clip box where the system has
// no virtual-screen metrics.
WindowPlacement FullScreenPlacement()
{
    WindowPlacement place = {
        GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
        GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)
    };
    if (place.width == 0 || place.height == 0) {
        RECT clip;
        HDC screen = GetDC(NULL);
        GetClipBox(screen, &clip);
        ReleaseDC(NULL, screen);
        place.x = clip.left;
        place.y = clip.top;
        place.width = clip.right - clip.left;
        place.height = clip.bottom - clip.top;
    }
    return place;
}

// A second full-screen start hands over to the saver already running.
BOOL BringRunningSaverForward()
{
    HWND running = FindWindowA(kSaverClassName, kFullScreenTitle);
    if (running == NULL || !IsWindow(running))
        return FALSE;
    SetForegroundWindow(running);
    return TRUE;
}

BYTE CurrentAcLineStatus()
{
    SYSTEM_POWER_STATUS power;
    return GetSystemPowerStatus(&power) ? power.ACLineStatus : kNoAcLineStatus;
}

int RunMessageLoop()
{
    MSG message;
    message.wParam = 0;
    while (GetMessageA(&message, NULL, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}

LRESULT ForwardToScene(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SceneWindowProc(window, message, wParam, lParam);
}

// The procedure comes from GetProcAddress, so only this check ties our pointer
// type to the system's declaration: on 32-bit Windows a calling convention
// that differs would unbalance the stack on every call.
static_assert(std::is_same<decltype(&ImmAssociateContext), ImmAssociateContextProc>::value,
              "ImmAssociateContextProc must match the system's ImmAssociateContext");

// Creation: detach the input-method context, anchor the mouse, hide the cursor.
void OnSaverCreate(HWND window)
{
    SaverHostRecord& host = SaverHostState;
    host.imeLibrary = GetModuleHandleA("IMM32.DLL");
    if (host.imeLibrary != NULL) {
        host.imeAssociateContext =
            (ImmAssociateContextProc)GetProcAddress(host.imeLibrary, "ImmAssociateContext");
        if (host.imeAssociateContext != NULL)
            host.savedInputContext = host.imeAssociateContext(window, NULL);
    }
    GetCursorPos(&host.anchorCursorPos);
    if (!host.isPreview)
        SetCursor(NULL);
}

void OnSaverDestroy(HWND window)
{
    SaverHostRecord& host = SaverHostState;
    if (host.imeLibrary != NULL && host.imeAssociateContext != NULL && host.savedInputContext != NULL)
        host.imeAssociateContext(window, host.savedInputContext);
    PostQuitMessage(0);
}

// In preview, help and context menus belong to the control panel's window.
LRESULT PassToPreviewParent(HWND window, UINT message, LPARAM lParam)
{
    HWND parent = GetParent(window);
    if (parent != NULL && IsWindow(parent))
        PostMessageA(parent, message, (WPARAM)parent, lParam);
    return 1;
}

bool IsSwitchingCommand(WPARAM command)
{
    return command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE;
}

} // namespace

int RunSaverWindow(HWND parent)
{
    SaverHostRecord& host = SaverHostState;
    WNDCLASSA windowClass;
    windowClass.style = kClassStyle;
    windowClass.lpfnWndProc = SaverClassProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = host.instance;
    windowClass.hIcon = LoadIconA(host.instance, MAKEINTRESOURCEA(kClassIconId));
    windowClass.hCursor = NULL;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszMenuName = NULL;
    windowClass.lpszClassName = kSaverClassName;

    WindowPlacement place;
    DWORD exStyle, style;
    const char* title;
    if (parent != NULL) {
        RECT client;
        GetClientRect(parent, &client);
        place.x = 0;
        place.y = 0;
        place.width = client.right;
        place.height = client.bottom;
        exStyle = 0;
        style = kPreviewStyle;
        title = kPreviewTitle;
        host.isPreview = 1;
    } else {
        place = FullScreenPlacement();
        if (BringRunningSaverForward())
            return 0;
        host.acLineStatus = CurrentAcLineStatus();
        LoadPasswordVerifier();
        exStyle = WS_EX_TOPMOST;
        style = kFullScreenStyle;
        title = kFullScreenTitle;
    }

    host.autoPlayMessage = host.onWin9x ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;

    if (RegisterClassA(&windowClass))
        host.mainWindow = CreateWindowExA(exStyle, kSaverClassName, title, style, place.x, place.y,
                                          place.width, place.height, parent, NULL, host.instance, NULL);

    int exitCode = 0;
    if (host.mainWindow != NULL) {
        if (parent == NULL)
            SetForegroundWindow(host.mainWindow);
        exitCode = RunMessageLoop();
    }
    UnloadPasswordVerifier();
    return exitCode;
}

LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const SaverHostRecord& host = SaverHostState;
    switch (message) {
    case WM_CREATE:
        OnSaverCreate(window);
        break;

    case WM_DESTROY:
        OnSaverDestroy(window);
        break;

    // The title never changes.
    case WM_SETTEXT:
        return 0;

    case WM_PAINT:
        if (host.closing)
            return DefWindowProcA(window, message, wParam, lParam);
        if (!host.isPreview)
            SetCursor(NULL);
        break;

    case WM_HELP:
    case WM_CONTEXTMENU:
        if (host.isPreview)
            return PassToPreviewParent(window, message, lParam);
        break;

    // Once a close is granted, input no longer reaches the scene.
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (host.closing)
            return DefWindowProcA(window, message, wParam, lParam);
        break;

    // Full screen, the system may not switch away nor start another saver.
    case WM_SYSCOMMAND:
        if (!host.isPreview && IsSwitchingCommand(wParam))
            return 0;
        break;

    // No frame is drawn once a close is granted.
    case WM_TIMER:
        if (host.closing)
            return 0;
        Sleep(0);
        break;
    }
    return ForwardToScene(window, message, wParam, lParam);
}
