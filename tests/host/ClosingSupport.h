// Helpers for the closing-rule and password tests: saver windows run in this
// process, the registry values the host and Wine read, the stand-in password
// libraries, copies of the saver run beside chosen stand-ins, and an import
// counter that watches which system calls this program makes.
#pragma once
#include <doctest/doctest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "host/SaverHost.h"
#include "music/MidiPlayer.h"
#include "scene/Scene.h"
#include "standins/StandInRecord.h"
#include "support/TestSupport.h"

namespace closing {

// --- Registry values, put back as they were -----------------------------------

// One value of the current user's registry, restored (or removed) on destruction.
class SavedRegistryValue {
public:
    SavedRegistryValue(const char* subkey, const char* name) : subkey_(subkey), name_(name)
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            DWORD size = 0;
            if (RegQueryValueExA(key, name, NULL, &type_, NULL, &size) == ERROR_SUCCESS) {
                bytes_.resize(size);
                existed_ = RegQueryValueExA(key, name, NULL, &type_, bytes_.data(), &size) == ERROR_SUCCESS;
            }
            RegCloseKey(key);
        }
    }
    ~SavedRegistryValue()
    {
        if (existed_)
            Set(type_, bytes_.data(), (DWORD)bytes_.size());
        else
            Remove();
    }
    void Set(DWORD type, const void* bytes, DWORD size)
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, subkey_.c_str(), 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) ==
            ERROR_SUCCESS) {
            RegSetValueExA(key, name_.c_str(), 0, type, (const BYTE*)bytes, size);
            RegCloseKey(key);
        }
    }
    void SetNumber(DWORD value) { Set(REG_DWORD, &value, sizeof(value)); }
    void SetText(const char* text) { Set(REG_SZ, text, (DWORD)lstrlenA(text) + 1); }
    void Remove()
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey_.c_str(), 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, name_.c_str());
            RegCloseKey(key);
        }
    }

private:
    std::string subkey_, name_;
    DWORD type_ = 0;
    std::vector<BYTE> bytes_;
    bool existed_ = false;
};

// "ScreenSaveUsePassword", the value that says whether a password is in force.
class PasswordSetting : public SavedRegistryValue {
public:
    PasswordSetting() : SavedRegistryValue("Control Panel\\Desktop", "ScreenSaveUsePassword") {}
};

// Wine reports the 9x family (4.10, platform 1) to a program named in
// AppDefaults with Version "win98"; the saver's name is given in code page 932.
class Win98ForSaver : public SavedRegistryValue {
public:
    Win98ForSaver() : SavedRegistryValue("Software\\Wine\\AppDefaults\\もちぽて.scr", "Version")
    {
        SetText("win98");
    }
};

// The system's saver-running flag, read back.
inline BOOL SystemSaverRunning()
{
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running;
}

inline void SetSystemSaverRunning(BOOL running)
{
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running, &previous, 0);
}

// --- Stand-in libraries ---------------------------------------------------------

inline std::string StandInFolder(const char* variant)
{
    return test::ExeDirectory() + "\\standins\\" + variant;
}

// Lets LoadLibraryA find the stand-in PASSWORD.CPL of one folder (or none).
inline void UsePasswordLibraryFrom(const char* variant)
{
    typedef BOOL(WINAPI * SetDllDirectoryProc)(LPCSTR);
    static SetDllDirectoryProc setDirectory =
        (SetDllDirectoryProc)GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "SetDllDirectoryA");
    std::string folder = variant ? StandInFolder(variant) : std::string();
    setDirectory(variant ? folder.c_str() : NULL);
}

// The stand-in's in-process hook, run inside VerifyScreenSavePwd.
typedef void (*VerifyHook)(HWND window);
inline bool SetVerifyHook(VerifyHook hook)
{
    HMODULE library = GetModuleHandleA("PASSWORD.CPL");
    if (library == NULL)
        return false;
    typedef void (*SetHookProc)(VerifyHook);
    SetHookProc set = (SetHookProc)GetProcAddress(library, "SetVerifyHook");
    if (set == NULL)
        return false;
    set(hook);
    return true;
}

// --- Saver windows in this process ----------------------------------------------

// The tick counter the host reads, moved by hand.
inline DWORD& FakeNow()
{
    static DWORD now = 0;
    return now;
}
inline DWORD WINAPI FakeTickCount()
{
    return FakeNow();
}

// An MCI without a sequencer: the music is not what these tests are about.
inline MCIERROR WINAPI NoSequencer(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR)
{
    return MCIERR_DEVICE_NOT_INSTALLED;
}

// Host and scene start values, the real tick counter, no stand-ins on the
// path, and no music.
inline void ResetHost()
{
    ResetSaverHostState();
    ResetSceneState();
    SaverHostState.instance = GetModuleHandleA(NULL);
    SaverTickCount = GetTickCount;
    UsePasswordLibraryFrom(NULL);
    SendMciCommand = NoSequencer;
}

// The running saver window, seen from inside its own message loop.
class SaverWindow {
public:
    explicit SaverWindow(HWND shown) : window(shown) {}

    // Runs the queue for a while, keeping back the closes posted to the window.
    // A quit (the window went away) is put back for the saver's own loop.
    int Settle(DWORD milliseconds = 150)
    {
        int closes = 0;
        DWORD start = GetTickCount();
        while (GetTickCount() - start < milliseconds) {
            MSG message;
            while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    PostQuitMessage((int)message.wParam);
                    return closes;
                }
                if (message.message == WM_CLOSE && message.hwnd == window) {
                    ++closes;
                    continue;
                }
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
        }
        return closes;
    }

    // Whether closes were posted since the last look; takes them off the queue.
    bool TakeClose()
    {
        bool posted = false;
        MSG message;
        while (PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE))
            posted = true;
        return posted;
    }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageA(window, message, wParam, lParam);
    }

    HWND window;
};

// What a test does while the saver runs. No REQUIRE inside: it runs under the
// system's message dispatch, which an exception must not cross.
typedef std::function<void(SaverWindow&)> SaverScript;

namespace detail {
inline SaverScript& PendingScript()
{
    static SaverScript script;
    return script;
}

inline void CALLBACK StartScript(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(NULL, timer);
    SaverScript script = PendingScript();
    PendingScript() = nullptr;
    if (!script)
        return;
    SaverWindow saver(SaverHostState.mainWindow);
    saver.Settle();
    script(saver);
    if (IsWindow(saver.window))
        DestroyWindow(saver.window);
}
} // namespace detail

// Runs the product's RunSaverWindow (full screen when parent is NULL, else a
// preview in parent) with `script` called from inside its message loop once
// the window is up; the window is destroyed when the script returns, if it
// is still there. Returns what RunSaverWindow returns.
inline int RunSaver(HWND parent, const SaverScript& script)
{
    detail::PendingScript() = script;
    UINT_PTR timer = SetTimer(NULL, 0, 0, detail::StartScript);
    int exitCode = RunSaverWindow(parent);
    KillTimer(NULL, timer);
    bool ran = !detail::PendingScript();
    detail::PendingScript() = nullptr;
    CHECK_MESSAGE(ran, "the saver window never ran its loop");
    // The class goes with the run, so that the next run registers it afresh.
    UnregisterClassA(kSaverClassName, SaverHostState.instance);
    return exitCode;
}

// --- The saver as its own program ---------------------------------------------

// A folder under the build holding a copy of the saver and the named
// stand-in libraries ("password", "mpr-bare", ...), all copied fresh.
inline std::string PrepareRunFolder(const char* name, const std::vector<std::string>& standIns)
{
    std::string runs = test::ExeDirectory() + "\\closing-runs";
    std::string folder = runs + "\\" + name;
    CreateDirectoryA(runs.c_str(), NULL);
    CreateDirectoryA(folder.c_str(), NULL);
    DeleteFileA((folder + "\\PASSWORD.CPL").c_str());
    DeleteFileA((folder + "\\MPR.DLL").c_str());
    CopyFileA(test::ScrPath().c_str(), (folder + "\\もちぽて.scr").c_str(), FALSE);
    for (const std::string& variant : standIns) {
        bool password = variant.compare(0, 8, "password") == 0;
        std::string file = password ? "\\PASSWORD.CPL" : "\\MPR.DLL";
        CopyFileA((StandInFolder(variant.c_str()) + file).c_str(), (folder + file).c_str(), FALSE);
    }
    return folder;
}

// Starts the saver copy of a run folder, in that folder.
inline test::ScrProcess StartSaverIn(const std::string& folder, const std::string& arguments)
{
    std::string path = folder + "\\もちぽて.scr";
    std::string line = "\"" + path + "\" " + arguments;
    test::ScrProcess process = {};
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    process.started = CreateProcessA(path.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, folder.c_str(),
                                     &startup, &process.info) != 0;
    return process;
}

// Wine's own per-program choice of MPR.DLL: "native" takes the one in the
// program's folder instead of Wine's, "" disables it (no MPR.DLL at all).
class MprForSaver : public SavedRegistryValue {
public:
    explicit MprForSaver(const char* order)
        : SavedRegistryValue("Software\\Wine\\AppDefaults\\もちぽて.scr\\DllOverrides", "mpr")
    {
        SetText(order);
    }
};

// --- Real input, through the display server ---------------------------------------

inline void PressKey(WORD key)
{
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

// --- Import counter -----------------------------------------------------------------

// Replaces this program's import-table entry for one system function with a
// counting pass-through, and puts it back on destruction. The product's code
// is linked into the test program, so its calls go through the same table.
class ImportCounter {
public:
    ImportCounter(const char* dll, const char* function, void* counting, void** original)
    {
        BYTE* base = (BYTE*)GetModuleHandleA(NULL);
        IMAGE_NT_HEADERS* headers = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
        IMAGE_DATA_DIRECTORY imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        IMAGE_IMPORT_DESCRIPTOR* descriptor = (IMAGE_IMPORT_DESCRIPTOR*)(base + imports.VirtualAddress);
        for (; descriptor->Name != 0; ++descriptor) {
            if (lstrcmpiA((const char*)(base + descriptor->Name), dll) != 0)
                continue;
            IMAGE_THUNK_DATA* names = (IMAGE_THUNK_DATA*)(base + descriptor->OriginalFirstThunk);
            IMAGE_THUNK_DATA* slots = (IMAGE_THUNK_DATA*)(base + descriptor->FirstThunk);
            for (; names->u1.AddressOfData != 0; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                    continue;
                IMAGE_IMPORT_BY_NAME* byName = (IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData);
                if (lstrcmpA((const char*)byName->Name, function) != 0)
                    continue;
                slot_ = (void**)&slots->u1.Function;
                saved_ = *slot_;
                *original = saved_;
                Write(counting);
                return;
            }
        }
    }
    ~ImportCounter()
    {
        if (slot_)
            Write(saved_);
    }
    bool Installed() const { return slot_ != NULL; }

private:
    void Write(void* value)
    {
        DWORD protection;
        VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &protection);
        *slot_ = value;
        VirtualProtect(slot_, sizeof(void*), protection, &protection);
    }
    void** slot_ = NULL;
    void* saved_ = NULL;
};

} // namespace closing
