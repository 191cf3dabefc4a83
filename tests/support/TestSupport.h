// Helpers for tests that drive real windows and the built saver under Wine.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

namespace test {

// Folders and files. Paths are Windows paths in the ANSI code page (932).
std::string ExeDirectory();
std::string ScrPath();
std::string WindowsIniPath();
void RemoveIni();
bool FileExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Runs the message queue of this thread until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);
void PumpFor(DWORD milliseconds);
// Moves the real cursor and waits until GetCursorPos reports the new place:
// the display answers asynchronously, so a read straight after may be stale.
// False when the cursor never got there.
[[nodiscard]] bool PlaceCursor(int x, int y);
// A real left click at a screen point of the primary screen, or at the centre
// of a window of any process. Both button events carry the point themselves,
// so the click lands there even if the shared cursor is moved meanwhile.
// False when the cursor never got there.
[[nodiscard]] bool ClickAt(int x, int y);
[[nodiscard]] bool ClickCentre(HWND window);

// The built saver as a child process.
struct ScrProcess {
    PROCESS_INFORMATION info;
    bool started;
};
// Starts `"<saver path>" <arguments>`; commandLine, when given, is used whole instead.
ScrProcess StartScr(const std::string& arguments, const char* commandLine = 0,
                    const char* extraEnvironment = 0);
// The exit code, or STILL_ACTIVE when the process is still running after timeoutMs.
// Pumps this thread's messages while it waits (a preview parent must answer).
DWORD WaitForExit(ScrProcess& process, DWORD timeoutMs);
// Ends the process if it still runs and closes its handles.
void EndScr(ScrProcess& process);
// Ends the process when it goes out of scope, so a failed check leaves no saver
// running (a leftover would also keep ctest waiting on its output pipe).
struct ScopedScr {
    ScrProcess& process;
    explicit ScopedScr(ScrProcess& owned) : process(owned) {}
    ~ScopedScr() { EndScr(process); }
    ScopedScr(const ScopedScr&) = delete;
    ScopedScr& operator=(const ScopedScr&) = delete;
};
// Starts the saver and returns its exit code (STILL_ACTIVE if it had to be ended).
DWORD RunScr(const std::string& arguments, DWORD timeoutMs = 20000);

// A top-level window of the given process (any process when 0) with this class and title.
HWND FindProcessWindow(DWORD processId, const char* className, const char* title);
HWND WaitForWindow(DWORD processId, const char* className, const char* title, DWORD timeoutMs);

// A plain visible window owned by this thread, for hosting previews and owning dialogs.
HWND CreateHostWindow(int clientWidth, int clientHeight, const char* title = "Test Host");

// What a person sees: one pixel of the screen.
COLORREF ScreenPixel(int x, int y);

// Message boxes (dialog class #32770) of a process: their text, and a click on their button.
std::string WindowText(HWND window);
HWND FindMessageBox(DWORD processId);
void DismissMessageBox(HWND box);

} // namespace test
