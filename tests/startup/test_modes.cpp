// The saver's modes end to end: the built .scr started with a command line,
// its windows found by class and title, its real exit code.
#include <doctest/doctest.h>
#include <stdio.h>

#include <vector>

#include "support/TestSupport.h"

namespace {

const DWORD kExitInvalid = 0xFFFFFFFFu;
const DWORD kStartTimeoutMs = 20000;
const char kSaverClass[] = "WindowsScreenSaverClass";
const char kDialogTitle[] = "もちぽて設定";

std::string Number(unsigned long long value)
{
    char text[32];
    snprintf(text, sizeof text, "%llu", value);
    return text;
}

std::string HandleText(HWND window)
{
    return Number((unsigned long long)(UINT_PTR)window);
}

// Closes a saver window the way the system would and returns the exit code.
DWORD CloseAndWait(test::ScrProcess& process, HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = test::WaitForExit(process, kStartTimeoutMs);
    test::EndScr(process);
    return code;
}

// The full-screen window of a process, once it is shown.
HWND WaitForFullScreen(test::ScrProcess& process)
{
    HWND window = test::WaitForWindow(process.info.dwProcessId, kSaverClass, "Screen Saver", kStartTimeoutMs);
    test::PumpUntil([window] { return window == NULL || IsWindowVisible(window); }, kStartTimeoutMs);
    return window;
}

// The preview child of a parent window, once it is shown.
HWND WaitForPreview(HWND parent)
{
    HWND preview = NULL;
    test::PumpUntil([&] {
        preview = FindWindowExA(parent, NULL, kSaverClass, "Preview");
        return preview != NULL && IsWindowVisible(preview);
    }, kStartTimeoutMs);
    return preview;
}

// A host window that records what reaches it, as the control panel's would.
struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Received> received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HELP || message == WM_CONTEXTMENU) {
        received.push_back({ message, wParam, lParam });
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A shown top-level window of a class of this program (registered at first use).
HWND CreateOwnWindow(const char* className, WNDPROC procedure, const char* title, int width, int height,
                     DWORD style)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(GRAY_BRUSH);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, className, title, style | WS_VISIBLE, 20, 20, width, height, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    test::PumpFor(50);
    return window;
}

HWND CreateRecordingHost(int width, int height, DWORD style)
{
    return CreateOwnWindow("RecordingHost", RecordingProc, "Display Properties", width, height, style);
}

// What a window of another process answers; kNoAnswer when it does not.
const DWORD_PTR kNoAnswer = 0xBAD;
DWORD_PTR Answer(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &answer))
        return kNoAnswer;
    return answer;
}

RECT ClientRectOnScreen(HWND window)
{
    RECT rect;
    GetClientRect(window, &rect);
    MapWindowPoints(window, NULL, (POINT*)&rect, 2);
    return rect;
}

} // namespace

TEST_CASE("switches that name no mode, or no usable window, end with -1")
{
    const char* arguments[] = { "/x", "/?", "/\ts", "/1", "/p:1234", "/p", "/p 0", "/l 0", "/a 1234" };
    for (const char* argument : arguments) {
        std::string shown = argument;
        CAPTURE(shown);
        CHECK(test::RunScr(argument) == kExitInvalid);
    }
    // A number that names no window.
    CHECK(test::RunScr("/p 4") == kExitInvalid);
}

TEST_CASE("every spelling of s runs one full-screen window over the whole desktop")
{
    const char* arguments[] = { "/s", "-S", "s", "//--s", "/s /p 1234" };
    for (const char* argument : arguments) {
        std::string shown = argument;
        CAPTURE(shown);
        test::ScrProcess process = test::StartScr(argument);
        test::ScopedScr processGuard(process);
        HWND window = WaitForFullScreen(process);
        REQUIRE(window != NULL);
        RECT rect;
        GetWindowRect(window, &rect);
        CHECK(rect.left == GetSystemMetrics(SM_XVIRTUALSCREEN));
        CHECK(rect.top == GetSystemMetrics(SM_YVIRTUALSCREEN));
        CHECK(rect.right - rect.left == GetSystemMetrics(SM_CXVIRTUALSCREEN));
        CHECK(rect.bottom - rect.top == GetSystemMetrics(SM_CYVIRTUALSCREEN));
        CHECK((GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
        CHECK((DWORD)GetWindowLongA(window, GWL_STYLE) == (WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
        CHECK(CloseAndWait(process, window) == 0u);
    }
}

TEST_CASE("a second full-screen start hands over to the first and ends with 0")
{
    // Only the full-screen title counts: a window of the class titled otherwise is no saver.
    HWND twin = CreateOwnWindow(kSaverClass, DefWindowProcA, "Preview", 200, 100, WS_OVERLAPPEDWINDOW);
    test::ScrProcess first = test::StartScr("/s");
    test::ScopedScr firstGuard(first);
    HWND window = WaitForFullScreen(first);
    REQUIRE(window != NULL);
    CHECK(test::RunScr("/s") == 0u);
    CHECK(WaitForSingleObject(first.info.hProcess, 0) == WAIT_TIMEOUT);
    CHECK(test::FindProcessWindow(0, kSaverClass, "Screen Saver") == window);
    CHECK(CloseAndWait(first, window) == 0u);
    DestroyWindow(twin);
}

TEST_CASE("the quote rule of the program name decides what follows it")
{
    std::string quoted = "\"" + test::ScrPath() + "\"/s";
    test::ScrProcess fullScreen = test::StartScr("", quoted.c_str());
    test::ScopedScr fullScreenGuard(fullScreen);
    HWND window = WaitForFullScreen(fullScreen);
    REQUIRE(window != NULL);
    CHECK(CloseAndWait(fullScreen, window) == 0u);

    // Unquoted, "/s" is part of the name: no switch, so the dialog, with no
    // owner even when a window is in front.
    HWND front = test::CreateHostWindow(200, 100, "In Front");
    SetForegroundWindow(front);
    test::PumpUntil([front] { return GetForegroundWindow() == front; }, kStartTimeoutMs);
    std::string unquoted = test::ScrPath() + "/s";
    test::ScrProcess dialog = test::StartScr("", unquoted.c_str());
    test::ScopedScr dialogGuard(dialog);
    HWND box = test::WaitForWindow(dialog.info.dwProcessId, "#32770", kDialogTitle, kStartTimeoutMs);
    REQUIRE(box != NULL);
    CHECK(GetWindow(box, GW_OWNER) == NULL);
    PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    CHECK(test::WaitForExit(dialog, kStartTimeoutMs) == 0u);
    test::EndScr(dialog);
    DestroyWindow(front);
}

TEST_CASE("preview: a child filling the named window, by every spelling of the switch")
{
    HWND host = CreateRecordingHost(200, 160, WS_OVERLAPPEDWINDOW);
    RECT hostClient = ClientRectOnScreen(host);
    const unsigned long long handle = (UINT_PTR)host;
    const std::string arguments[] = {
        "/p " + Number(handle), "/p" + Number(handle), "/l " + Number(handle), "/P   " + Number(handle),
        // Eleven digits and more wrap modulo 2^32 before the window is checked.
        "/p " + Number((handle & 0xFFFFFFFFull) + 3ull * 4294967296ull),
    };
    for (const std::string& argument : arguments) {
        CAPTURE(argument);
        test::ScrProcess process = test::StartScr(argument);
        test::ScopedScr processGuard(process);
        HWND preview = WaitForPreview(host);
        REQUIRE(preview != NULL);
        CHECK(GetParent(preview) == host);
        RECT rect = ClientRectOnScreen(preview);
        CHECK(rect.left == hostClient.left);
        CHECK(rect.top == hostClient.top);
        CHECK(rect.right == hostClient.right);
        CHECK(rect.bottom == hostClient.bottom);
        CHECK((DWORD)GetWindowLongA(preview, GWL_STYLE) == (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN));
        CHECK(CloseAndWait(process, preview) == 0u);
    }
    DestroyWindow(host);
}

TEST_CASE("preview in a 0 x 0 window still runs its loop")
{
    HWND host = CreateRecordingHost(0, 0, WS_POPUP);
    test::ScrProcess process = test::StartScr("/p " + HandleText(host));
    test::ScopedScr processGuard(process);
    HWND preview = WaitForPreview(host);
    REQUIRE(preview != NULL);
    RECT rect;
    GetClientRect(preview, &rect);
    CHECK(rect.right == 0);
    CHECK(rect.bottom == 0);
    // Still answering: the loop runs.
    CHECK(Answer(preview, WM_NULL) == 0);
    CHECK(CloseAndWait(process, preview) == 0u);
    DestroyWindow(host);
}

TEST_CASE("full screen, the title never changes and the system may not switch windows or start another saver")
{
    test::ScrProcess process = test::StartScr("/s");
    test::ScopedScr processGuard(process);
    HWND window = WaitForFullScreen(process);
    REQUIRE(window != NULL);
    CHECK(Answer(window, WM_SETTEXT, 0, (LPARAM) "Renamed") == 0);
    CHECK(test::WindowText(window) == "Screen Saver");
    for (WPARAM command : { SC_SCREENSAVE, SC_NEXTWINDOW, SC_PREVWINDOW })
        CHECK(Answer(window, WM_SYSCOMMAND, command) == 0);
    CHECK(WaitForSingleObject(process.info.hProcess, 200) == WAIT_TIMEOUT);
    CHECK(CloseAndWait(process, window) == 0u);
}

TEST_CASE("preview: help and context menus go to the parent, other system commands to the default")
{
    HWND host = CreateRecordingHost(200, 160, WS_OVERLAPPEDWINDOW);
    test::ScrProcess process = test::StartScr("/p " + HandleText(host));
    test::ScopedScr processGuard(process);
    HWND preview = WaitForPreview(host);
    REQUIRE(preview != NULL);

    received.clear();
    CHECK(Answer(preview, WM_CONTEXTMENU, (WPARAM)preview, MAKELPARAM(30, 40)) == 1);
    test::PumpUntil([] { return !received.empty(); }, 5000);
    REQUIRE(received.size() == 1);
    CHECK(received[0].message == WM_CONTEXTMENU);
    CHECK(received[0].wParam == (WPARAM)host);
    CHECK(received[0].lParam == MAKELPARAM(30, 40));

    // WM_HELP is answered 1 as well. Its LPARAM points into the preview's own
    // memory, so the system does not carry the posted copy to another process.
    HELPINFO help = {};
    help.cbSize = sizeof(help);
    help.iContextType = HELPINFO_WINDOW;
    CHECK(Answer(preview, WM_HELP, 0, (LPARAM)&help) == 1);

    // A system command that the preview does not withhold reaches the default,
    // which closes the window.
    PostMessageA(preview, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK(test::WaitForExit(process, kStartTimeoutMs) == 0u);
    test::EndScr(process);
    DestroyWindow(host);
}
