#include <doctest/doctest.h>

#include "host/ClosingSupport.h"
#include "support/TestSupport.h"

namespace {

DWORD RunProbe(const char* argument)
{
    std::string program = test::ExeDirectory() + "\\guard_probe.exe";
    std::string line = "\"" + program + "\" " + argument;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    REQUIRE(CreateProcessA(program.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info));
    HANDLE handle = info.hProcess;
    test::PumpUntil([handle] { return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0; }, 30000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(handle, &code);
    if (code == STILL_ACTIVE)
        TerminateProcess(handle, 1);
    CloseHandle(info.hThread);
    CloseHandle(handle);
    return code;
}

} // namespace

TEST_CASE("a fault inside a running mode ends the process with -1, and on the 9x family tells the system no saver runs")
{
    CHECK(RunProbe("fault") == 0xFFFFFFFFu);

    // Wine reports the 9x family to the probe by its name; the system's flag
    // stands as a password-protected saver would have left it.
    closing::SavedRegistryValue win98("Software\\Wine\\AppDefaults\\guard_probe.exe", "Version");
    win98.SetText("win98");
    closing::SetSystemSaverRunning(TRUE);
    CHECK(RunProbe("flag") == 41u);
    CHECK(RunProbe("fault") == 0xFFFFFFFFu);
    CHECK(RunProbe("flag") == 40u);
    closing::SetSystemSaverRunning(FALSE);
}

TEST_CASE("without a fault the mode's own exit code comes back through SaverMain")
{
    // The preview closes normally: SaverMain returns 0, the probe adds 40.
    CHECK(RunProbe("calm") == 40u);
}
