// The MIDI player's command stream, row by row, through a recording stand-in
// for the MCI entry point. The files it searches for are real.
#include <doctest/doctest.h>

#include "music/MciRecorder.h"
#include "support/TestSupport.h"

namespace {

const char kTune[] = "もちぽて.mid";
const HWND kNotifyWindow = (HWND)(DWORD_PTR)0x1234;

std::string TunePath()
{
    return test::ExeDirectory() + "\\" + kTune;
}

// A player that has opened the tune on device 1 and is playing it.
void StartPlaying(MidiPlayer& player, mci::Recorder& recorder, BOOL loop)
{
    player.notifyWindow = kNotifyWindow;
    player.Start(kTune, loop);
    REQUIRE(mci::Stream(recorder.Calls()) == "open 0; play 1");
    REQUIRE(player.deviceId == 1);
    recorder.Clear();
}

// A file whose full path is exactly `length` characters long.
std::string MakeFileWithPathLength(size_t length)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "midi_path_" + std::to_string(length);
    CreateDirectoryA(folder.c_str(), NULL);
    const std::string leaf = "\\t.mid";
    std::string inner = folder + "\\" + std::string(length - folder.size() - 1 - leaf.size(), 'p');
    CreateDirectoryA(inner.c_str(), NULL);
    std::string path = inner + leaf;
    test::WriteFileBytes(path, "MThd");
    return path;
}

void RemoveFile(const std::string& path)
{
    DeleteFileA(path.c_str());
    std::string inner = path.substr(0, path.find_last_of('\\'));
    RemoveDirectoryA(inner.c_str());
    RemoveDirectoryA(inner.substr(0, inner.find_last_of('\\')).c_str());
}

} // namespace

TEST_CASE("Start opens the sequencer on the file found and plays it to the window")
{
    mci::Recorder recorder;
    MidiPlayer player;
    CHECK(player.deviceId == 0);
    player.notifyWindow = kNotifyWindow;
    player.Start(kTune, TRUE);

    std::vector<mci::Call>& calls = recorder.Calls();
    REQUIRE(mci::Stream(calls) == "open 0; play 1");
    CHECK(calls[0].flags == mci::kOpenFlags);
    CHECK(calls[0].element == TunePath());
    // Only the device type and the element are filled; the rest stays zero.
    CHECK(calls[0].block == mci::OpenBlock(mci::ElementPointer(calls[0])));
    CHECK(calls[1].flags == MCI_NOTIFY);
    CHECK(calls[1].block == mci::PlayBlock(kNotifyWindow));
    CHECK(player.deviceId == 1);
    CHECK(player.fileName == kTune);
    CHECK(player.loop == TRUE);
}

TEST_CASE("The device identifier kept is the low 16 bits of the one returned")
{
    mci::Recorder recorder;
    recorder.NextDevice(0x00020007);
    MidiPlayer player;
    player.notifyWindow = kNotifyWindow;
    player.Start(kTune, TRUE);
    CHECK(mci::Stream(recorder.Calls()) == "open 0; play 7");
    CHECK(player.deviceId == 7);
}

TEST_CASE("No command is sent for a file that is not found or whose path does not fit")
{
    mci::Recorder recorder;
    MidiPlayer player;
    player.notifyWindow = kNotifyWindow;

    SUBCASE("missing file") {
        player.Start("存在しない曲.mid", TRUE);
        player.Start("もちぽて", TRUE);   // the tune's name without its extension: none is added
        CHECK(recorder.Calls().empty());
    }
    SUBCASE("no name at all") {
        player.Start(NULL, TRUE);
        player.Start("", TRUE);
        CHECK(recorder.Calls().empty());
    }
    SUBCASE("a path of 254 characters fits the buffer with its terminator") {
        std::string path = MakeFileWithPathLength(254);
        REQUIRE(test::FileExists(path));
        player.Start(path.c_str(), TRUE);
        REQUIRE(mci::Stream(recorder.Calls()) == "open 0; play 1");
        CHECK(recorder.Calls()[0].element == path);
        RemoveFile(path);
    }
    SUBCASE("a path of 255 characters does not") {
        std::string path = MakeFileWithPathLength(255);
        REQUIRE(test::FileExists(path));
        player.Start(path.c_str(), TRUE);
        CHECK(recorder.Calls().empty());
        CHECK(player.deviceId == 0);
        RemoveFile(path);
    }
}

TEST_CASE("A failing open leaves no device and plays nothing")
{
    mci::Recorder recorder;
    recorder.Fail(MCI_OPEN, MCIERR_DEVICE_OPEN);
    MidiPlayer player;
    player.notifyWindow = kNotifyWindow;
    player.Start(kTune, TRUE);
    CHECK(mci::Stream(recorder.Calls()) == "open 0");
    CHECK(player.deviceId == 0);
}

TEST_CASE("A failing play closes the device at once")
{
    mci::Recorder recorder;
    recorder.Fail(MCI_PLAY, MCIERR_HARDWARE);
    MidiPlayer player;
    player.notifyWindow = kNotifyWindow;
    player.Start(kTune, TRUE);
    std::vector<mci::Call>& calls = recorder.Calls();
    REQUIRE(mci::Stream(calls) == "open 0; play 1; close 1");
    CHECK(calls[2].flags == MCI_WAIT);
    CHECK(calls[2].block == mci::GenericBlock());
    CHECK(player.deviceId == 0);
}

TEST_CASE("Completion notices, row by row")
{
    mci::Recorder recorder;
    MidiPlayer player;

    SUBCASE("a notice for another device answers FALSE and changes nothing") {
        StartPlaying(player, recorder, TRUE);
        CHECK(player.OnMciNotify(MCI_NOTIFY_SUCCESSFUL, 2) == FALSE);
        CHECK(player.OnMciNotify(MCI_NOTIFY_FAILURE, 0) == FALSE);
        CHECK(recorder.Calls().empty());
        CHECK(player.deviceId == 1);
    }
    SUBCASE("only the low 16 bits of the device are compared") {
        StartPlaying(player, recorder, TRUE);
        CHECK(player.OnMciNotify(MCI_NOTIFY_ABORTED, 0x70001) == TRUE);
        CHECK(recorder.Calls().empty());
    }
    SUBCASE("ABORTED leaves the device open and does not replay") {
        StartPlaying(player, recorder, TRUE);
        CHECK(player.OnMciNotify(MCI_NOTIFY_ABORTED, 1) == TRUE);
        CHECK(recorder.Calls().empty());
        CHECK(player.deviceId == 1);
    }
    SUBCASE("SUCCESSFUL with loop stops, seeks to the start and plays again") {
        StartPlaying(player, recorder, TRUE);
        CHECK(player.OnMciNotify(MCI_NOTIFY_SUCCESSFUL, 1) == TRUE);
        std::vector<mci::Call>& calls = recorder.Calls();
        REQUIRE(mci::Stream(calls) == "stop 1; seek 1; play 1");
        CHECK(calls[0].flags == 0);
        CHECK(calls[0].block == mci::GenericBlock());
        CHECK(calls[1].flags == MCI_SEEK_TO_START);
        CHECK(calls[1].block == mci::SeekBlock());
        CHECK(calls[2].flags == MCI_NOTIFY);
        CHECK(calls[2].block == mci::PlayBlock(kNotifyWindow));
        CHECK(player.deviceId == 1);
    }
    SUBCASE("a failing stop or seek is ignored") {
        StartPlaying(player, recorder, TRUE);
        recorder.Fail(MCI_STOP, MCIERR_HARDWARE);
        recorder.Fail(MCI_SEEK, MCIERR_HARDWARE);
        player.OnMciNotify(MCI_NOTIFY_SUCCESSFUL, 1);
        CHECK(mci::Stream(recorder.Calls()) == "stop 1; seek 1; play 1");
        CHECK(player.deviceId == 1);
    }
    SUBCASE("SUCCESSFUL with loop whose replay fails closes") {
        StartPlaying(player, recorder, TRUE);
        recorder.Fail(MCI_PLAY, MCIERR_HARDWARE);
        player.OnMciNotify(MCI_NOTIFY_SUCCESSFUL, 1);
        CHECK(mci::Stream(recorder.Calls()) == "stop 1; seek 1; play 1; close 1");
        CHECK(player.deviceId == 0);
    }
    SUBCASE("SUCCESSFUL without loop stops and closes") {
        StartPlaying(player, recorder, FALSE);
        CHECK(player.OnMciNotify(MCI_NOTIFY_SUCCESSFUL, 1) == TRUE);
        CHECK(mci::Stream(recorder.Calls()) == "stop 1; close 1");
        CHECK(player.deviceId == 0);
    }
    SUBCASE("SUPERSEDED, FAILURE and any other value close") {
        const WPARAM closing[] = { MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_FAILURE, 0, 3, 0x20 };
        for (WPARAM flags : closing) {
            CAPTURE(flags);
            StartPlaying(player, recorder, TRUE);
            CHECK(player.OnMciNotify(flags, 1) == TRUE);
            CHECK(mci::Stream(recorder.Calls()) == "close 1");
            CHECK(player.deviceId == 0);
            recorder.Clear();
        }
    }
    SUBCASE("a failing close still forgets the device") {
        StartPlaying(player, recorder, TRUE);
        recorder.Fail(MCI_CLOSE, MCIERR_HARDWARE);
        player.OnMciNotify(MCI_NOTIFY_FAILURE, 1);
        CHECK(mci::Stream(recorder.Calls()) == "close 1");
        CHECK(player.deviceId == 0);
    }
    SUBCASE("with no device open, a notice sends nothing") {
        CHECK(player.OnMciNotify(MCI_NOTIFY_SUCCESSFUL, 0) == TRUE);
        CHECK(player.OnMciNotify(MCI_NOTIFY_FAILURE, 0) == TRUE);
        CHECK(recorder.Calls().empty());
        CHECK(player.deviceId == 0);
    }
}

TEST_CASE("A second Start stops and closes the first device before opening the new file")
{
    mci::Recorder recorder;
    MidiPlayer player;
    StartPlaying(player, recorder, TRUE);

    SUBCASE("another file on another device") {
        std::string second = test::ExeDirectory() + "\\" + kTune;
        recorder.NextDevice(2);
        player.Start(second.c_str(), FALSE);
        std::vector<mci::Call>& calls = recorder.Calls();
        REQUIRE(mci::Stream(calls) == "stop 1; close 1; open 0; play 2");
        CHECK(calls[3].block == mci::PlayBlock(kNotifyWindow));
        CHECK(player.deviceId == 2);
        CHECK(player.loop == FALSE);
    }
    SUBCASE("an ABORTED notice for the old play changes nothing on a new device with its number") {
        player.Start(kTune, TRUE);
        REQUIRE(mci::Stream(recorder.Calls()) == "stop 1; close 1; open 0; play 1");
        recorder.Clear();
        CHECK(player.OnMciNotify(MCI_NOTIFY_ABORTED, 1) == TRUE);
        CHECK(recorder.Calls().empty());
        CHECK(player.deviceId == 1);
    }
    SUBCASE("the new file is missing: the old device is closed and nothing else is sent") {
        player.Start("存在しない曲.mid", TRUE);
        CHECK(mci::Stream(recorder.Calls()) == "stop 1; close 1");
        CHECK(player.deviceId == 0);
    }
}
