// The installer, run silently as an administrator would: it puts the saver and
// its tune into the system folder, offers to make it the current screen saver,
// registers its uninstaller, and the uninstaller takes everything away again.
//
// Built for 32-bit Windows, the test runs the shipped installer itself. Built
// for 64-bit Windows (for machines that cannot run 32-bit code), it runs the
// 64-bit flavour that tools/release --test-installer makes from the same
// script: it holds the 64-bit saver and installs into the 64-bit system
// folder. Either way the test sees the system folder its installer writes to.
#include "acceptance/AcceptanceSupport.h"

using namespace acceptance;

namespace {

const DWORD kInstallTimeoutMs = 60000;
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\もちぽて";
const char kRecordKey[] = "Software\\もちぽて";
const char kDesktopKey[] = "Control Panel\\Desktop";
const char kSaverValue[] = "SCRNSAVE.EXE";
const char kActiveValue[] = "ScreenSaveActive";
const char kOtherSaver[] = "C:\\windows\\system32\\other.scr";

std::string SystemFolder()
{
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder, length);
}

// The folder the saver really lies in, as the desktop names it: for a 32-bit
// program on 64-bit Windows the system folder is SysWOW64 behind redirection.
std::string RealSystemFolder()
{
    BOOL wow64 = FALSE;
    char folder[MAX_PATH];
    if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) {
        UINT length = GetSystemWow64DirectoryA(folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            return std::string(folder, length);
    }
    return SystemFolder();
}

std::string TestInstaller()
{
#ifdef _WIN64
    return test::ExeDirectory() + "\\release-check\\mochipote-test-amd64-setup.exe";
#else
    return test::ExeDirectory() + "\\release-check\\mochipote-1.0.3.1-setup.exe";
#endif
}

// A string value of the registry, or "<none>" when it is missing.
const char kNone[] = "<none>";
std::string ReadText(HKEY root, const char* subkey, const char* name)
{
    char text[1024] = {};
    DWORD size = sizeof text - 1;
    DWORD type = 0;
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return kNone;
    LONG result = RegQueryValueExA(key, name, NULL, &type, (BYTE*)text, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return kNone;
    return std::string(text);
}

bool KeyExists(HKEY root, const char* subkey)
{
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void WriteText(HKEY root, const char* subkey, const char* name, const std::string& value)
{
    HKEY key;
    if (RegCreateKeyExA(root, subkey, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    if (value == kNone)
        RegDeleteValueA(key, name);
    else
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
    RegCloseKey(key);
}

// The long form of a path, so that an 8.3 value compares with the real name.
std::string LongPath(const std::string& path)
{
    char buffer[MAX_PATH] = {};
    DWORD length = GetLongPathNameA(path.c_str(), buffer, MAX_PATH);
    return length ? std::string(buffer, length) : path;
}

// Any program by its whole command line, as the shell would start it.
test::ScrProcess StartProgram(const std::string& commandLine)
{
    test::ScrProcess process = {};
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string line = commandLine;
    process.started =
        CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process.info) != 0;
    return process;
}

DWORD RunProgram(const std::string& commandLine)
{
    test::ScrProcess process = StartProgram(commandLine);
    DWORD code = test::WaitForExit(process, kInstallTimeoutMs);
    test::EndScr(process);
    return code;
}

// Leaves the machine as it was, whatever the test did.
struct InstallCleanup {
    std::string saver, active;
    InstallCleanup()
        : saver(ReadText(HKEY_CURRENT_USER, kDesktopKey, kSaverValue)),
          active(ReadText(HKEY_CURRENT_USER, kDesktopKey, kActiveValue))
    {
    }
    ~InstallCleanup()
    {
        DeleteFileA((SystemFolder() + "\\もちぽて.scr").c_str());
        DeleteFileA((SystemFolder() + "\\もちぽて.mid").c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, kRecordKey);
        WriteText(HKEY_CURRENT_USER, kDesktopKey, kSaverValue, saver);
        WriteText(HKEY_CURRENT_USER, kDesktopKey, kActiveValue, active);
        test::RemoveIni();
    }
};

} // namespace

TEST_CASE("silent install, the saver runs from the system folder, silent uninstall")
{
    InstallCleanup cleanup;
    REQUIRE(test::FileExists(TestInstaller()));
    const std::string scr = SystemFolder() + "\\もちぽて.scr";
    const std::string tune = SystemFolder() + "\\もちぽて.mid";
    // The user's own screen saver before ours.
    WriteText(HKEY_CURRENT_USER, kDesktopKey, kSaverValue, kOtherSaver);
    WriteText(HKEY_CURRENT_USER, kDesktopKey, kActiveValue, "0");

    // Silent, not asked to make it current: files and uninstall entry only.
    CHECK(RunProgram("\"" + TestInstaller() + "\" /S") == 0u);
    CHECK(test::ReadFileBytes(scr) == test::ReadFileBytes(test::ScrPath()));
    CHECK(test::ReadFileBytes(tune) == test::ReadFileBytes(test::ExeDirectory() + "\\もちぽて.mid"));
    CHECK(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName") == "もちぽて");
    CHECK(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion") == "1.0.3.1");
    const std::string uninstall = ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
    REQUIRE(uninstall != kNone);
    const std::string installFolder = ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation");
    CHECK(test::FileExists(installFolder + "\\uninstall.exe"));
    CHECK(test::FileExists(installFolder + "\\readme-ja.txt"));
    CHECK(test::FileExists(installFolder + "\\readme-en.txt"));
    CHECK(ReadText(HKEY_CURRENT_USER, kDesktopKey, kSaverValue) == kOtherSaver);
    CHECK(ReadText(HKEY_CURRENT_USER, kDesktopKey, kActiveValue) == "0");

    // Again with /ACTIVE=1: now it is the current screen saver.
    CHECK(RunProgram("\"" + TestInstaller() + "\" /S /ACTIVE=1") == 0u);
    const std::string current = ReadText(HKEY_CURRENT_USER, kDesktopKey, kSaverValue);
    CHECK(lstrcmpiA(LongPath(current).c_str(), (RealSystemFolder() + "\\もちぽて.scr").c_str()) == 0);
    CHECK(ReadText(HKEY_CURRENT_USER, kDesktopKey, kActiveValue) == "1");

    // Windows starts the saver from that value with /s; a key ends it.
    {
        test::ScrProcess saver = StartProgram(current + " /s");
        test::ScopedScr guard(saver);
        REQUIRE(saver.started);
        HWND window = WaitForForegroundSaver(saver);
        REQUIRE(window != NULL);
        RECT client;
        GetClientRect(window, &client);
        SceneLayout layout(client.right, client.bottom);
        ScreenShot shot = WaitForScreen(
            [&](const ScreenShot& s) { return CharacterShown(s, layout.characterX, layout.characterY); });
        CHECK(CharacterShown(shot, layout.characterX, layout.characterY));
        PressKey(VK_SPACE);
        CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0u);
    }

    // The settings file the saver's dialog writes goes with the uninstall.
    test::WriteFileBytes(test::WindowsIniPath(), "[表示間隔]\r\nインターバル(*100msec)=5\r\n");

    // Uninstall as Add/Remove Programs does, silently. The uninstaller copies
    // itself to the temporary folder and finishes from there.
    CHECK(RunProgram(uninstall + " /S") == 0u);
    CHECK(test::PumpUntil([&] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); }, kInstallTimeoutMs));
    CHECK(test::PumpUntil([&] { return !test::FileExists(installFolder); }, kInstallTimeoutMs));
    CHECK_FALSE(test::FileExists(scr));
    CHECK_FALSE(test::FileExists(tune));
    CHECK_FALSE(test::FileExists(test::WindowsIniPath()));
    CHECK_FALSE(KeyExists(HKEY_CURRENT_USER, kRecordKey));
    // The user's own choice is back.
    CHECK(ReadText(HKEY_CURRENT_USER, kDesktopKey, kSaverValue) == kOtherSaver);
    CHECK(ReadText(HKEY_CURRENT_USER, kDesktopKey, kActiveValue) == "0");
}

TEST_CASE("uninstalling when there was no screen saver before clears the setting")
{
    InstallCleanup cleanup;
    REQUIRE(test::FileExists(TestInstaller()));
    WriteText(HKEY_CURRENT_USER, kDesktopKey, kSaverValue, kNone);
    WriteText(HKEY_CURRENT_USER, kDesktopKey, kActiveValue, kNone);

    CHECK(RunProgram("\"" + TestInstaller() + "\" /S /ACTIVE=1") == 0u);
    CHECK(ReadText(HKEY_CURRENT_USER, kDesktopKey, kSaverValue) != kNone);
    CHECK(ReadText(HKEY_CURRENT_USER, kDesktopKey, kActiveValue) == "1");

    const std::string uninstall = ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
    REQUIRE(uninstall != kNone);
    CHECK(RunProgram(uninstall + " /S") == 0u);
    CHECK(test::PumpUntil([&] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); }, kInstallTimeoutMs));
    CHECK(ReadText(HKEY_CURRENT_USER, kDesktopKey, kSaverValue) == kNone);
    CHECK(ReadText(HKEY_CURRENT_USER, kDesktopKey, kActiveValue) == "0");
    CHECK_FALSE(test::FileExists(SystemFolder() + "\\もちぽて.scr"));
}
