// The built saver as its own program, ended by real input: key presses and
// cursor moves made here travel through Wine's input queue to the saver's
// window. Run on the NT family (Wine's own) and on the 9x family (Wine's
// AppDefaults "win98" for the saver's name), with the stand-in password
// libraries copied beside a copy of the saver.
#include "host/ClosingSupport.h"

namespace {

using closing::PasswordSetting;

const DWORD kStartTimeoutMs = 20000;
const DWORD kCloseTimeoutMs = 10000;
const DWORD kStillRunningMs = 1500;
const int kAnchorX = 300;
const int kAnchorY = 300;

// The saver's full-screen window, once it has taken the foreground.
HWND WaitForForegroundSaver(test::ScrProcess& process)
{
    HWND saver = test::WaitForWindow(process.info.dwProcessId, kSaverClassName, kFullScreenTitle,
                                     kStartTimeoutMs);
    if (saver == NULL)
        return NULL;
    test::PumpUntil([saver] { return GetForegroundWindow() == saver; }, kStartTimeoutMs);
    return GetForegroundWindow() == saver ? saver : NULL;
}

std::string Decimal(HWND window)
{
    return std::to_string((unsigned long long)(ULONG_PTR)window);
}

std::string ReadProvider()
{
    char bytes[64] = {};
    DWORD size = sizeof bytes - 1;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, standin::kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::string();
    RegQueryValueExA(key, standin::kChangeProvider, NULL, NULL, (BYTE*)bytes, &size);
    RegCloseKey(key);
    return std::string(bytes, size);
}

} // namespace

TEST_CASE("on the NT family a key press or a mouse move ends the saver; small jitter does not")
{
    PasswordSetting setting;
    setting.SetNumber(1);
    standin::Clear();
    // The stand-in PASSWORD.CPL lies beside the saver: on this family it is never loaded.
    std::string folder = closing::PrepareRunFolder("nt", { "password" });

    SUBCASE("a key press")
    {
        test::ScrProcess saver = closing::StartSaverIn(folder, "/s");
        REQUIRE(saver.started);
        REQUIRE(WaitForForegroundSaver(saver) != NULL);
        HWND window = test::FindProcessWindow(saver.info.dwProcessId, kSaverClassName, kFullScreenTitle);
        DWORD pressed = GetTickCount();
        closing::PressKey(VK_SHIFT);
        CHECK(test::PumpUntil([window] { return !IsWindow(window); }, kCloseTimeoutMs));
        DWORD closed = GetTickCount();
        CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0);
        MESSAGE("window gone " << closed - pressed << " ms, process ended " << GetTickCount() - pressed
                               << " ms after the key press");
        test::EndScr(saver);
    }
    SUBCASE("a mouse move, after jitter within 4 pixels")
    {
        CHECK(test::PlaceCursor(kAnchorX, kAnchorY));
        test::ScrProcess saver = closing::StartSaverIn(folder, "/s");
        REQUIRE(saver.started);
        REQUIRE(WaitForForegroundSaver(saver) != NULL);
        const POINT jitter[] = { { 2, 0 }, { 0, 2 }, { 2, 2 }, { -2, 0 }, { -1, -3 }, { 0, 0 } };
        for (const POINT& offset : jitter) {
            CHECK(test::PlaceCursor(kAnchorX + offset.x, kAnchorY + offset.y));
            test::PumpFor(100);
        }
        CHECK(test::WaitForExit(saver, kStillRunningMs) == STILL_ACTIVE);
        DWORD moved = GetTickCount();
        CHECK(test::PlaceCursor(kAnchorX + 6, kAnchorY));
        CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0);
        MESSAGE("ended " << GetTickCount() - moved << " ms after the move");
        test::EndScr(saver);
    }
    CHECK(standin::ReadNumber(standin::kPasswordLoads) == 0);
    CHECK(standin::ReadNumber(standin::kVerifyCalls) == 0);
    standin::Clear();
}

TEST_CASE("on the 9x family the password library decides whether a key press ends the saver")
{
    closing::Win98ForSaver win98;
    PasswordSetting setting;
    standin::Clear();
    std::string folder = closing::PrepareRunFolder("win98", { "password" });

    SUBCASE("password in force: a refusal keeps the saver, a later acceptance ends it")
    {
        setting.SetNumber(1);
        standin::WriteNumber(standin::kVerifyAnswer, 0);
        test::ScrProcess saver = closing::StartSaverIn(folder, "/s");
        REQUIRE(saver.started);
        HWND window = WaitForForegroundSaver(saver);
        REQUIRE(window != NULL);
        CHECK(standin::ReadNumber(standin::kPasswordLoads) == 1);

        closing::PressKey(VK_SHIFT);
        CHECK(test::PumpUntil([] { return standin::ReadNumber(standin::kVerifyCalls) == 1; }, kCloseTimeoutMs));
        CHECK(standin::ReadHandle(standin::kVerifyWindow) == (ULONGLONG)(ULONG_PTR)window);
        CHECK(test::WaitForExit(saver, kStillRunningMs) == STILL_ACTIVE);

        // Behind another window (its close, if it comes, is refused as well),
        // until the system's second start hands over and brings it back.
        HWND front = test::CreateHostWindow(200, 100, "In Front");
        SetForegroundWindow(front);
        CHECK(test::PumpUntil([front] { return GetForegroundWindow() == front; }, kCloseTimeoutMs));
        test::ScrProcess second = closing::StartSaverIn(folder, "/s");
        CHECK(test::WaitForExit(second, kCloseTimeoutMs) == 0);
        test::EndScr(second);
        CHECK(test::PumpUntil([window] { return GetForegroundWindow() == window; }, kCloseTimeoutMs));
        DestroyWindow(front);

        // The acceptance, asked for by key presses posted to it (the display's
        // keyboard focus may still be with the window that was in front) until
        // one comes outside the spacing of the refusals.
        DWORD refused = standin::ReadNumber(standin::kVerifyCalls);
        standin::WriteNumber(standin::kVerifyAnswer, 1);
        HANDLE process = saver.info.hProcess;
        CHECK(test::PumpUntil([window, process] {
            PostMessageA(window, WM_KEYDOWN, VK_SHIFT, 0);
            return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        }, kCloseTimeoutMs));
        CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0);
        CHECK(standin::ReadNumber(standin::kVerifyCalls) > refused);
        test::EndScr(saver);
    }
    SUBCASE("no password: the first key press ends it, nothing is loaded")
    {
        setting.SetNumber(0);
        test::ScrProcess saver = closing::StartSaverIn(folder, "/s");
        REQUIRE(saver.started);
        REQUIRE(WaitForForegroundSaver(saver) != NULL);
        closing::PressKey(VK_SHIFT);
        CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0);
        CHECK(standin::ReadNumber(standin::kPasswordLoads) == 0);
        CHECK(standin::ReadNumber(standin::kVerifyCalls) == 0);
        test::EndScr(saver);
    }
    standin::Clear();
}

TEST_CASE("the change-password mode hands the change to MPR.DLL on the 9x family only")
{
    standin::Clear();
    HWND owner = test::CreateHostWindow(200, 100, "Owner");
    REQUIRE(owner != NULL);
    std::string arguments = "/a " + Decimal(owner);

    SUBCASE("9x family, a library with PwdChangePasswordA: called with SCRSAVE, the owner, 0, 0")
    {
        closing::Win98ForSaver win98;
        closing::MprForSaver native("native");
        std::string folder = closing::PrepareRunFolder("mpr", { "mpr" });
        test::ScrProcess saver = closing::StartSaverIn(folder, arguments);
        CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0);
        test::EndScr(saver);
        CHECK(standin::ReadNumber(standin::kMprLoads) == 1);
        CHECK(standin::ReadNumber(standin::kChangeCalls) == 1);
        CHECK(ReadProvider() == "SCRSAVE");
        CHECK(standin::ReadHandle(standin::kChangeOwner) == (ULONGLONG)(ULONG_PTR)owner);
        CHECK(standin::ReadNumber(standin::kChangeFlags, 99) == 0);
        CHECK(standin::ReadNumber(standin::kChangeReserved, 99) == 0);
    }
    SUBCASE("9x family, a library without PwdChangePasswordA: nothing happens, exit code 0")
    {
        closing::Win98ForSaver win98;
        closing::MprForSaver native("native");
        std::string folder = closing::PrepareRunFolder("mpr-bare", { "mpr-bare" });
        test::ScrProcess saver = closing::StartSaverIn(folder, arguments);
        CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0);
        test::EndScr(saver);
        CHECK(standin::ReadNumber(standin::kMprLoads) == 1);
        CHECK(standin::ReadNumber(standin::kChangeCalls) == 0);
    }
    SUBCASE("9x family, Wine's own MPR.DLL, and none at all: exit code 0")
    {
        closing::Win98ForSaver win98;
        std::string folder = closing::PrepareRunFolder("mpr-wine", {});
        test::ScrProcess own = closing::StartSaverIn(folder, arguments);
        CHECK(test::WaitForExit(own, kCloseTimeoutMs) == 0);
        test::EndScr(own);
        closing::MprForSaver disabled("");
        test::ScrProcess none = closing::StartSaverIn(folder, arguments);
        CHECK(test::WaitForExit(none, kCloseTimeoutMs) == 0);
        test::EndScr(none);
    }
    SUBCASE("NT family: exit code -1 and nothing loaded")
    {
        closing::MprForSaver native("native");
        std::string folder = closing::PrepareRunFolder("mpr-nt", { "mpr" });
        test::ScrProcess saver = closing::StartSaverIn(folder, arguments);
        CHECK(test::WaitForExit(saver, kCloseTimeoutMs) == 0xFFFFFFFF);
        test::EndScr(saver);
        CHECK(standin::ReadNumber(standin::kMprLoads) == 0);
        CHECK(standin::ReadNumber(standin::kChangeCalls) == 0);
    }
    DestroyWindow(owner);
    standin::Clear();
}
