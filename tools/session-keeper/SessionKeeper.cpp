// Holds Wine's desktop open for a whole test session.
//
// Wine closes a desktop about a second after the last program using it ends,
// and the next program to start opens a new one, whose size (and so the
// cursor's clip rectangle) is set a moment after that program is already
// running. A test that moves the cursor in that moment finds the cursor held
// at (0, 0). Kept alive from the start of a session to its end, this program
// keeps one desktop for every test.
//
//   session_keeper.exe READY_FILE
// It waits until the desktop has its size and the cursor can be placed, then
// creates READY_FILE and sleeps until the session's Wine server ends it.
#include <windows.h>

namespace {

const DWORD kPollMs = 50;
const DWORD kReadyTimeoutMs = 60000;

bool DesktopReady()
{
    RECT desktop = {};
    RECT clip = {};
    if (!GetWindowRect(GetDesktopWindow(), &desktop) || !GetClipCursor(&clip))
        return false;
    if (desktop.right <= desktop.left || clip.right <= clip.left || clip.bottom <= clip.top)
        return false;
    // The cursor goes where it is put, and comes back to the centre.
    int x = (clip.left + clip.right) / 2;
    int y = (clip.top + clip.bottom) / 2;
    POINT now = {};
    SetCursorPos(x + 1, y + 1);
    if (!GetCursorPos(&now) || now.x != x + 1 || now.y != y + 1)
        return false;
    SetCursorPos(x, y);
    return GetCursorPos(&now) && now.x == x && now.y == y;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    DWORD start = GetTickCount();
    while (!DesktopReady()) {
        if (GetTickCount() - start >= kReadyTimeoutMs)
            return 1;
        Sleep(kPollMs);
    }
    if (commandLine != NULL && *commandLine != 0) {
        HANDLE ready = CreateFileA(commandLine, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (ready != INVALID_HANDLE_VALUE)
            CloseHandle(ready);
    }
    for (;;)
        Sleep(INFINITE);
}
