// Helpers for the configuration-dialog tests: the dialog itself, the message
// boxes it raises, the INI file it writes and a count of the process's live
// GDI objects.
#pragma once
#include <windows.h>
#include <winternl.h>

#include <functional>
#include <string>

#include "resources/resource_ids.h"
#include "host/SaverHost.h"
#include "settings/Settings.h"
#include "support/GdiCount.h"
#include "support/TestSupport.h"

namespace dialogtest {

const char kDialogTitle[] = "もちぽて設定";
const char kDialogClass[] = "#32770";
const char kIniName[] = "もちぽて.ini";
const DWORD kWaitMs = 10000;
const int kMessageBoxTextId = 0xFFFF;   // the static that holds a message box's text
const int kMessageBoxIconId = 0x440;    // the static that holds a message box's icon

// A second thread for one piece of work (the toolchain's std::thread is not
// available with every MinGW thread model).
class Worker {
public:
    explicit Worker(const std::function<void()>& work) : work_(work)
    {
        handle_ = CreateThread(NULL, 0, Start, this, 0, NULL);
    }
    ~Worker() { Join(); }
    void Join()
    {
        if (handle_) {
            WaitForSingleObject(handle_, INFINITE);
            CloseHandle(handle_);
            handle_ = NULL;
        }
    }

private:
    static DWORD WINAPI Start(void* self)
    {
        ((Worker*)self)->work_();
        return 0;
    }
    std::function<void()> work_;
    HANDLE handle_;
};

inline bool IsUnderlined(HFONT font)
{
    LOGFONTA description;
    return font && GetObjectA(font, sizeof description, &description) && description.lfUnderline;
}

inline HFONT ControlFont(HWND dialog, int controlId)
{
    return (HFONT)SendDlgItemMessageA(dialog, controlId, WM_GETFONT, 0, 0);
}

// The real dialog, modeless, owned by `owner`, shown and painted once.
inline HWND OpenConfigDialog(HWND owner = NULL)
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_CONFIG), owner,
                                     ConfigDialogProc, 0);
    if (!dialog)
        return NULL;
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
    test::PumpUntil([dialog] { return IsUnderlined(ControlFont(dialog, IDC_ABOUT_EMAIL)); }, kWaitMs);
    test::PumpFor(50);
    return dialog;
}

// OK or Cancel the way a click does it: the button's own BN_CLICKED.
inline void PressButton(HWND dialog, int controlId)
{
    SendDlgItemMessageA(dialog, controlId, BM_CLICK, 0, 0);
}

// WM_GETTEXT, which the system also carries to a control of another process.
inline std::string ControlText(HWND dialog, int controlId)
{
    char text[256] = "";
    LRESULT length = SendDlgItemMessageA(dialog, controlId, WM_GETTEXT, sizeof text, (LPARAM)text);
    return std::string(text, length > 0 ? (size_t)length : 0);
}

// A dialog-class window of the process owned by `owner`.
struct OwnedQuery {
    DWORD processId;
    HWND owner;
    HWND found;
};

inline BOOL CALLBACK MatchOwnedDialog(HWND window, LPARAM data)
{
    OwnedQuery* query = (OwnedQuery*)data;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (processId == query->processId && lstrcmpA(className, kDialogClass) == 0 &&
        GetWindow(window, GW_OWNER) == query->owner && IsWindowVisible(window)) {
        query->found = window;
        return FALSE;
    }
    return TRUE;
}

inline HWND FindOwnedDialog(DWORD processId, HWND owner)
{
    OwnedQuery query = { processId, owner, NULL };
    EnumWindows(MatchOwnedDialog, (LPARAM)&query);
    return query.found;
}

// What a message box showed before it was dismissed.
struct SeenBox {
    HWND box;
    HWND owner;
    std::string title;
    std::string text;
    HICON icon;
    bool okShown;
    bool cancelShown;
};

inline SeenBox ReadBox(HWND box)
{
    SeenBox seen = {};
    seen.box = box;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.title = test::WindowText(box);
    seen.text = test::WindowText(GetDlgItem(box, kMessageBoxTextId));
    seen.icon = (HICON)SendDlgItemMessageA(box, kMessageBoxIconId, STM_GETICON, 0, 0);
    HWND ok = GetDlgItem(box, IDOK);
    HWND cancel = GetDlgItem(box, IDCANCEL);
    seen.okShown = ok && IsWindowVisible(ok);
    seen.cancelShown = cancel && IsWindowVisible(cancel);
    return seen;
}

// From a thread other than the box's: waits until either a message box owned
// by `owner` appears in this process (it is read, then its OK button pressed)
// or `until` is gone. `box` of the result is NULL when no box came.
inline SeenBox DismissBoxWhileOpen(HWND owner, HWND until)
{
    SeenBox seen = {};
    DWORD start = GetTickCount();
    while (GetTickCount() - start < kWaitMs && (!until || IsWindow(until))) {
        HWND box = FindOwnedDialog(GetCurrentProcessId(), owner);
        if (box && box != until) {
            Sleep(50);   // let the box finish its WM_INITDIALOG
            seen = ReadBox(box);
            test::DismissMessageBox(box);
            return seen;
        }
        Sleep(10);
    }
    return seen;
}

// The focused window of another thread (GetFocus answers only for its own).
inline HWND FocusOfThread(DWORD threadId)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : NULL;
}

// Shows the dialog the way the configuration mode does (ShowConfigDialog, a
// modal DialogBoxParamA) on a second thread, while `script` works it from this
// thread as a user would. The assertions stay on this thread: doctest's
// per-thread records do not survive thread exit cleanly under MinGW. The
// script must end the dialog; if it has not after kWaitMs, the dialog is
// cancelled and `stuck` says so. Returns the dialog's result.
inline INT_PTR RunConfigDialog(HWND owner, const std::function<void(HWND)>& script, bool* stuck = 0)
{
    SaverHostState.instance = GetModuleHandleA(NULL);
    INT_PTR result = -2;
    bool timedOut = false;
    Worker shower([&] { result = ShowConfigDialog(owner); });

    DWORD processId = GetCurrentProcessId();
    HWND dialog = NULL;
    test::PumpUntil([&] {
        dialog = test::FindProcessWindow(processId, kDialogClass, kDialogTitle);
        return dialog && IsWindowVisible(dialog);
    }, kWaitMs);
    if (dialog && IsWindowVisible(dialog)) {
        script(dialog);
        HWND shown = dialog;
        test::PumpUntil([shown] { return !IsWindow(shown); }, kWaitMs);
    }
    if (!dialog || IsWindow(dialog)) {
        // End whatever is still up so that the test cannot hang.
        timedOut = true;
        HWND other = dialog ? dialog : test::FindProcessWindow(processId, kDialogClass, NULL);
        HWND box = other ? FindOwnedDialog(processId, other) : NULL;
        if (box)
            test::DismissMessageBox(box);
        if (other)
            PostMessageA(other, WM_COMMAND, IDCANCEL, 0);
    }
    shower.Join();
    if (stuck)
        *stuck = timedOut;
    return result;
}

// --- The INI file ------------------------------------------------------------

inline void WriteIni(const std::string& bytes)
{
    test::RemoveIni();
    test::WriteFileBytes(test::WindowsIniPath(), bytes);
}

// The value of section/key as the file's bytes hold it; `found` tells whether
// the key is there at all.
inline std::string IniValue(const std::string& section, const std::string& key, bool* found = 0)
{
    // The profile functions may hold the file back; flush them first.
    WritePrivateProfileStringA(NULL, NULL, NULL, kIniName);
    std::string bytes = test::ReadFileBytes(test::WindowsIniPath());
    std::string current;
    size_t start = 0;
    if (found)
        *found = false;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == '[' && line.back() == ']') {
            current = line.substr(1, line.size() - 2);
            continue;
        }
        size_t equals = line.find('=');
        if (current == section && equals != std::string::npos && line.substr(0, equals) == key) {
            if (found)
                *found = true;
            return line.substr(equals + 1);
        }
    }
    return std::string();
}

const char kIntervalSection[] = "表示間隔";
const char kIntervalKey[] = "インターバル(*100msec)";
const char kBgmSection[] = "ＢＧＭ";
const char kBgmOnKey[] = "ＢＧＭあり";
const char kBgmTitleKey[] = "ＢＧＭタイトル";
const char kClockSection[] = "時刻表示";
const char kClockShownKey[] = "時刻表示の有無";
const char kClockModeKey[] = "時刻表示のモード";

} // namespace dialogtest
