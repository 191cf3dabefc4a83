// Background music as the saver plays it: the real saver window in this
// process with the MCI traffic recorded, then Wine's own sequencer, then the
// built saver as a separate process.
#include <doctest/doctest.h>

#include <vector>

#include "music/MciRecorder.h"
#include "music/SaverMusicSupport.h"

namespace {

const DWORD kWaitMs = 15000;

// MCI's modes are answered as resource numbers; playing is this one.
const DWORD_PTR kModePlaying = MCI_MODE_PLAY;

DWORD_PTR DeviceMode(MCIDEVICEID device)
{
    MCI_STATUS_PARMS status = mci::Zeroed<MCI_STATUS_PARMS>();
    status.dwItem = MCI_STATUS_MODE;
    if (mciSendCommandA(device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, (DWORD_PTR)&status) != 0)
        return 0;
    return LOWORD(status.dwReturn);
}

} // namespace

TEST_CASE("With music off the saver sends no MCI command, not even for a notice")
{
    mci::Recorder recorder;
    music::UseMusicSettings(0, music::kShippedTune);
    music::InProcessSaver saver;
    CHECK(recorder.Calls().empty());
    saver.Notify(MCI_NOTIFY_SUCCESSFUL, 1);
    saver.Notify(MCI_NOTIFY_FAILURE, 1);
    CHECK(recorder.Calls().empty());
    test::RemoveIni();
}

TEST_CASE("A preview plays no music, whatever the settings say")
{
    mci::Recorder recorder;
    music::UseMusicSettings(1, music::kShippedTune);
    HWND host = test::CreateHostWindow(152, 112);
    {
        music::InProcessSaver saver(host);
        CHECK(recorder.Calls().empty());
        saver.Notify(MCI_NOTIFY_SUCCESSFUL, 1);
        saver.Notify(MCI_NOTIFY_FAILURE, 1);
        CHECK(recorder.Calls().empty());
    }
    DestroyWindow(host);
    test::RemoveIni();
}

TEST_CASE("A title that names no file leaves the saver running without music")
{
    mci::Recorder recorder;
    music::UseMusicSettings(1, "どこにもない曲.mid");
    music::InProcessSaver saver;
    CHECK(recorder.Calls().empty());
    CHECK(IsWindow(saver.window));
    test::RemoveIni();
}

TEST_CASE("Full screen with music on plays the tune from the program's folder and replays it")
{
    mci::Recorder recorder;
    music::UseMusicSettings(1, music::kShippedTune);
    // A decoy in the current folder: the program's own folder is searched first.
    std::string elsewhere = music::TempFolder("music_current_folder");
    music::CurrentFolder current(elsewhere);
    test::WriteFileBytes(elsewhere + "\\" + music::kShippedTune, "MThd");

    {
        music::InProcessSaver saver;
        std::vector<mci::Call>& calls = recorder.Calls();
        REQUIRE(mci::Stream(calls) == "open 0; play 1");
        CHECK(calls[0].flags == mci::kOpenFlags);
        CHECK(calls[0].element == music::BesideProgram(music::kShippedTune));
        CHECK(calls[1].block == mci::PlayBlock(saver.window));
        recorder.Clear();

        // The tune came to its end: from the start again.
        saver.Notify(MCI_NOTIFY_SUCCESSFUL, 1);
        CHECK(mci::Stream(calls) == "stop 1; seek 1; play 1");
        recorder.Clear();

        // The stop cut the old play short; another device's notice is not ours.
        saver.Notify(MCI_NOTIFY_ABORTED, 1);
        saver.Notify(MCI_NOTIFY_FAILURE, 2);
        CHECK(calls.empty());

        // Destroying the window leaves the device to the end of the process.
        saver.Destroy();
        CHECK(calls.empty());
    }
    {
        // A second window in the same process starts afresh on the same player.
        music::InProcessSaver saver;
        std::vector<mci::Call>& calls = recorder.Calls();
        REQUIRE(mci::Stream(calls) == "stop 1; close 1; open 0; play 1");
        CHECK(calls[3].block == mci::PlayBlock(saver.window));
        recorder.Clear();

        // A playback error closes the device for good.
        saver.Notify(MCI_NOTIFY_FAILURE, 1);
        CHECK(mci::Stream(calls) == "close 1");
        recorder.Clear();
        saver.Notify(MCI_NOTIFY_SUCCESSFUL, 1);
        CHECK(calls.empty());
    }
    DeleteFileA((elsewhere + "\\" + music::kShippedTune).c_str());
    test::RemoveIni();
}

// Without a MIDI output port (no sound device here) Wine's sequencer opens the
// file and accepts the play, but never reaches the end nor notifies it.
TEST_CASE("Wine's sequencer opens the test tune and takes every command of a replay")
{
    mci::Recorder recorder(true);
    music::UseMusicSettings(1, music::kTestTune);
    std::string tune = music::BesideProgram(music::kTestTune);
    REQUIRE(test::FileExists(tune));

    music::InProcessSaver saver;
    std::vector<mci::Call>& calls = recorder.Calls();
    REQUIRE(mci::Stream(calls) == "open 0; play 1");
    CHECK(calls[0].answer == 0);
    CHECK(calls[0].element == tune);
    CHECK(calls[1].answer == 0);
    CHECK(DeviceMode(1) == kModePlaying);
    CHECK(music::LockedAgainstWriting(tune));
    recorder.Clear();

    // The replay: every command is answered without error, the device plays on,
    // and the play it cut short comes back ABORTED, which the player lets be.
    std::vector<WPARAM> notices;
    saver.Notify(MCI_NOTIFY_SUCCESSFUL, 1);
    REQUIRE(mci::Stream(calls) == "stop 1; seek 1; play 1");
    for (const mci::Call& call : calls)
        CHECK(call.answer == 0);
    recorder.Clear();
    bool aborted = music::PumpSaverUntil(saver.window, notices, [&] { return !notices.empty(); }, kWaitMs);
    REQUIRE(aborted);
    CHECK(notices[0] == MCI_NOTIFY_ABORTED);
    CHECK(calls.empty());
    CHECK(DeviceMode(1) == kModePlaying);

    // A failure notice closes the real device and lets go of the file.
    saver.Notify(MCI_NOTIFY_FAILURE, 1);
    REQUIRE(mci::Stream(calls) == "close 1");
    CHECK(calls[0].answer == 0);
    CHECK_FALSE(music::LockedAgainstWriting(tune));
    test::RemoveIni();
}

TEST_CASE("The built saver opens the tune from its own folder and keeps it through a replay")
{
    music::UseMusicSettings(1, music::kTestTune);
    std::string tune = music::BesideProgram(music::kTestTune);
    REQUIRE(test::FileExists(tune));
    REQUIRE_FALSE(music::LockedAgainstWriting(tune));
    // Started from another folder: the saver finds the tune beside itself.
    music::CurrentFolder current(music::TempFolder("music_saver_folder"));

    test::ScrProcess saver = test::StartScr("/s");
    REQUIRE(saver.started);
    HWND window = test::WaitForWindow(saver.info.dwProcessId, kSaverClassName, kFullScreenTitle, kWaitMs);
    REQUIRE(window != NULL);
    bool locked = test::PumpUntil([&] { return music::LockedAgainstWriting(tune); }, kWaitMs);
    REQUIRE(WaitForSingleObject(saver.info.hProcess, 0) == WAIT_TIMEOUT);
    CHECK(locked);

    // The saver's only device is the first MCI device of its process.
    const LPARAM device = 1;
    DWORD_PTR result = 0;
    const UINT sendFlags = SMTO_NORMAL;
    SendMessageTimeoutA(window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, device, sendFlags, kWaitMs, &result);
    CHECK(music::LockedAgainstWriting(tune));
    SendMessageTimeoutA(window, MM_MCINOTIFY, MCI_NOTIFY_FAILURE, device + 1, sendFlags, kWaitMs, &result);
    CHECK(music::LockedAgainstWriting(tune));
    SendMessageTimeoutA(window, MM_MCINOTIFY, MCI_NOTIFY_FAILURE, device, sendFlags, kWaitMs, &result);
    CHECK_FALSE(music::LockedAgainstWriting(tune));

    PostMessageA(window, WM_CLOSE, 0, 0);
    CHECK(test::WaitForExit(saver, kWaitMs) == 0);
    test::EndScr(saver);
    test::RemoveIni();
}
