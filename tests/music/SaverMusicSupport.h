// Helpers for the music tests that run the saver: its window in this process,
// the music settings in the INI file, and the test tune beside the programs.
#pragma once
#include <doctest/doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "host/SaverHost.h"
#include "scene/Scene.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace music {

// One second long; written by the build beside the test programs.
const char kTestTune[] = "もちぽて試験曲.mid";
const char kShippedTune[] = "もちぽて.mid";

inline std::string BesideProgram(const char* name)
{
    return test::ExeDirectory() + "\\" + name;
}

// The music settings as the user's INI file holds them, and in the record for
// a store that reads only part of the file.
inline void UseMusicSettings(int bgmOn, const char* title)
{
    test::RemoveIni();
    const char* ini = "もちぽて.ini";
    WritePrivateProfileStringA("ＢＧＭ", "ＢＧＭあり", bgmOn ? "1" : "0", ini);
    WritePrivateProfileStringA("ＢＧＭ", "ＢＧＭタイトル", title, ini);
    WritePrivateProfileStringA(NULL, NULL, NULL, ini);
    SaverSettings.bgmOn = (BYTE)bgmOn;
    lstrcpynA(SaverSettings.bgmTitle, title, kBgmTitleSize);
}

// Runs this thread's queue until the condition holds, holding back closes that
// the closing rules post to the saver window and noting the MCI notices it gets.
template <class Condition>
bool PumpSaverUntil(HWND saver, std::vector<WPARAM>& notices, Condition condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            if (message.hwnd == saver && message.message == WM_CLOSE)
                continue;
            if (message.hwnd == saver && message.message == MM_MCINOTIFY)
                notices.push_back(message.wParam);
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
}

// A saver window of the real class and chain in this process: full screen
// when parent is NULL, else a preview inside parent.
class InProcessSaver {
public:
    explicit InProcessSaver(HWND parent = NULL)
    {
        ResetSaverHostState();
        ResetSceneState();
        SaverHostRecord& host = SaverHostState;
        host.instance = GetModuleHandleA(NULL);
        WNDCLASSA windowClass = {};
        windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
        windowClass.lpfnWndProc = SaverClassProc;
        windowClass.hInstance = host.instance;
        windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
        windowClass.lpszClassName = kSaverClassName;
        RegisterClassA(&windowClass);
        if (parent != NULL) {
            RECT client;
            GetClientRect(parent, &client);
            host.isPreview = 1;
            window = CreateWindowExA(0, kSaverClassName, kPreviewTitle, WS_CHILD | WS_VISIBLE, 0, 0,
                                     client.right, client.bottom, parent, NULL, host.instance, NULL);
        } else {
            window = CreateWindowExA(WS_EX_TOPMOST, kSaverClassName, kFullScreenTitle, WS_POPUP | WS_VISIBLE,
                                     0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                     NULL, NULL, host.instance, NULL);
        }
        host.mainWindow = window;
        REQUIRE(window != NULL);
    }
    ~InProcessSaver()
    {
        Destroy();
        UnregisterClassA(kSaverClassName, SaverHostState.instance);
    }
    void Destroy()
    {
        if (IsWindow(window))
            DestroyWindow(window);
        // WM_DESTROY posted the quit message; it is not ours to act on.
        MSG message;
        while (PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    // What MCI posts when the play command ends.
    void Notify(WPARAM flags, LPARAM device) { SendMessageA(window, MM_MCINOTIFY, flags, device); }

    HWND window;
};

// The current folder, moved elsewhere for one test and put back after it.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder)
    {
        GetCurrentDirectoryA(MAX_PATH, saved_);
        CreateDirectoryA(folder.c_str(), NULL);
        SetCurrentDirectoryA(folder.c_str());
    }
    ~CurrentFolder() { SetCurrentDirectoryA(saved_); }

private:
    char saved_[MAX_PATH];
};

inline std::string TempFolder(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name;
}

// Another process holds the file open against writing (the sequencer reads it
// with writers denied while its device is open).
inline bool LockedAgainstWriting(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return false;
}

} // namespace music
