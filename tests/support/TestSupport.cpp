#include "support/TestSupport.h"

#include <stdio.h>

namespace test {

namespace {
const char kSaverFileName[] = "もちぽて.scr";
const char kIniFileName[] = "もちぽて.ini";
const DWORD kPollMs = 10;
} // namespace

std::string ExeDirectory()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string text(path, length);
    size_t slash = text.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : text.substr(0, slash);
}

std::string ScrPath()
{
    return ExeDirectory() + "\\" + kSaverFileName;
}

std::string WindowsIniPath()
{
    char folder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder, length) + "\\" + kIniFileName;
}

void RemoveIni()
{
    // The profile functions cache files; flush before removing.
    WritePrivateProfileStringA(NULL, NULL, NULL, kIniFileName);
    DeleteFileA(WindowsIniPath().c_str());
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, count);
    fclose(file);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, kPollMs, QS_ALLINPUT);
    }
}

void PumpFor(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

bool PlaceCursor(int x, int y)
{
    const DWORD kCursorWaitMs = 3000;
    DWORD start = GetTickCount();
    for (;;) {
        // Set again on every round: a motion event from the display that was
        // already under way may have moved it back.
        SetCursorPos(x, y);
        POINT now;
        if (GetCursorPos(&now) && now.x == x && now.y == y)
            return true;
        if (GetTickCount() - start >= kCursorWaitMs)
            return false;
        Sleep(kPollMs);
    }
}

// Under Wine each process turns the pointer events of the display (one comes
// for every placing of the cursor) into cursor moves only when it gets round
// to them, sometimes tens of milliseconds late: a saver process may move the
// cursor back to where an earlier click was aimed after PlaceCursor has seen
// it arrive. A button event without a point of its own would land there.
bool ClickAt(int x, int y)
{
    bool placed = PlaceCursor(x, y);
    // Absolute points are 0 to 65535 across the primary screen; rounded up,
    // they map back to exactly this pixel.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = (x * 65536 + width - 1) / width;
        input.mi.dy = (y * 65536 + height - 1) / height;
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    }
    inputs[0].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    return SendInput(2, inputs, sizeof(INPUT)) == 2 && placed;
}

bool ClickCentre(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return ClickAt((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

ScrProcess StartScr(const std::string& arguments, const char* commandLine, const char* extraEnvironment)
{
    ScrProcess process = {};
    std::string line = commandLine ? std::string(commandLine) : "\"" + ScrPath() + "\" " + arguments;
    std::string environment;
    if (extraEnvironment) {
        // The current environment plus NAME=VALUE lines separated by '\n'.
        char* block = GetEnvironmentStringsA();
        for (char* entry = block; *entry; entry += strlen(entry) + 1)
            environment.append(entry).push_back('\0');
        FreeEnvironmentStringsA(block);
        std::string extra(extraEnvironment);
        size_t start = 0;
        while (start < extra.size()) {
            size_t end = extra.find('\n', start);
            if (end == std::string::npos)
                end = extra.size();
            environment.append(extra, start, end - start).push_back('\0');
            start = end + 1;
        }
        environment.push_back('\0');
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    std::string mutableLine = line;
    process.started = CreateProcessA(ScrPath().c_str(), &mutableLine[0], NULL, NULL, FALSE, 0,
                                     extraEnvironment ? &environment[0] : NULL, NULL, &startup,
                                     &process.info) != 0;
    return process;
}

DWORD WaitForExit(ScrProcess& process, DWORD timeoutMs)
{
    if (!process.started)
        return (DWORD)-2;
    HANDLE handle = process.info.hProcess;
    PumpUntil([handle] { return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0; }, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(handle, &code);
    return code;
}

void EndScr(ScrProcess& process)
{
    if (!process.started)
        return;
    if (WaitForSingleObject(process.info.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process.info.hProcess, 1);
        WaitForSingleObject(process.info.hProcess, 5000);
    }
    CloseHandle(process.info.hThread);
    CloseHandle(process.info.hProcess);
    process.started = false;
}

DWORD RunScr(const std::string& arguments, DWORD timeoutMs)
{
    ScrProcess process = StartScr(arguments);
    DWORD code = WaitForExit(process, timeoutMs);
    EndScr(process);
    return code;
}

namespace {
struct WindowQuery {
    DWORD processId;
    const char* className;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data)
{
    WindowQuery* query = (WindowQuery*)data;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (query->processId && owner != query->processId)
        return TRUE;
    char text[256];
    if (query->className) {
        GetClassNameA(window, text, sizeof text);
        if (lstrcmpA(text, query->className) != 0)
            return TRUE;
    }
    if (query->title) {
        GetWindowTextA(window, text, sizeof text);
        if (lstrcmpA(text, query->title) != 0)
            return TRUE;
    }
    query->found = window;
    return FALSE;
}
} // namespace

HWND FindProcessWindow(DWORD processId, const char* className, const char* title)
{
    WindowQuery query = { processId, className, title, NULL };
    EnumWindows(MatchWindow, (LPARAM)&query);
    return query.found;
}

HWND WaitForWindow(DWORD processId, const char* className, const char* title, DWORD timeoutMs)
{
    HWND found = NULL;
    DWORD start = GetTickCount();
    PumpUntil([&] { return (found = FindProcessWindow(processId, className, title)) != NULL; }, timeoutMs);
    // A window can be found as soon as it exists, while its creation messages
    // are still running; a probe started then can race them (a write-access
    // test of a file the window is about to open makes that open fail). The
    // empty message returns only once the window's thread takes messages again.
    if (found != NULL) {
        DWORD elapsed = GetTickCount() - start;
        DWORD left = elapsed < timeoutMs ? timeoutMs - elapsed : 1;
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(found, WM_NULL, 0, 0, SMTO_NORMAL, left, &ignored);
    }
    return found;
}

namespace {
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}
} // namespace

HWND CreateHostWindow(int clientWidth, int clientHeight, const char* title)
{
    static ATOM hostClass = 0;
    if (!hostClass) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = HostWindowProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.hbrBackground = (HBRUSH)GetStockObject(GRAY_BRUSH);
        windowClass.lpszClassName = "MochipoteTestHost";
        hostClass = RegisterClassA(&windowClass);
    }
    RECT frame = { 0, 0, clientWidth, clientHeight };
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowExA(0, "MochipoteTestHost", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                  frame.right - frame.left, frame.bottom - frame.top, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    PumpFor(50);
    return window;
}

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(NULL);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(NULL, screen);
    return colour;
}

std::string WindowText(HWND window)
{
    char text[1024];
    int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

HWND FindMessageBox(DWORD processId)
{
    return FindProcessWindow(processId, "#32770", NULL);
}

void DismissMessageBox(HWND box)
{
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

} // namespace test
