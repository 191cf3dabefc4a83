#include "music/MidiPlayer.h"

MciCommandProc SendMciCommand = mciSendCommandA;

namespace {

// The search writes at most this many characters, NUL included.
const DWORD kSearchPathLength = 255;
const MCIDEVICEID kNoDevice = 0;

// MCI_DEVTYPE_SEQUENCER travels in the device-type pointer member when
// MCI_OPEN_TYPE_ID is given.
LPCSTR SequencerTypeId()
{
    return (LPCSTR)(DWORD_PTR)MCI_DEVTYPE_SEQUENCER;
}

// SearchPathA gives the path's length without the NUL when it fits, and the
// length the buffer would need (NUL included) when it does not.
bool FoundPathFits(DWORD searchResult)
{
    return searchResult != 0 && searchResult < kSearchPathLength;
}

} // namespace

MidiPlayer::MidiPlayer() : deviceId(0) {}

void MidiPlayer::Start(const char* name, BOOL repeat)
{
    fileName = name;
    loop = repeat;
    if (deviceId != kNoDevice) {
        Stop();
        Close();
    }
    if (Open())
        Play();
}

BOOL MidiPlayer::OnMciNotify(WPARAM flags, LPARAM device)
{
    if (LOWORD(device) != deviceId)
        return FALSE;
    switch (flags) {
    case MCI_NOTIFY_SUCCESSFUL:
        Stop();
        if (loop) {
            SeekToStart();
            Play();
        } else {
            Close();
        }
        break;

    // A stop or close of ours cut a play short; the one who stopped it decides.
    case MCI_NOTIFY_ABORTED:
        break;

    default:
        Close();
        break;
    }
    return TRUE;
}

BOOL MidiPlayer::Open()
{
    deviceId = kNoDevice;
    if (fileName == NULL)
        return FALSE;

    char path[kSearchPathLength];
    char* filePart = NULL;
    DWORD found = SearchPathA(NULL, fileName, NULL, kSearchPathLength, path, &filePart);
    if (!FoundPathFits(found))
        return FALSE;

    // Only the members the flags name are filled; the rest stay zero.
    MCI_OPEN_PARMSA open;
    ZeroMemory(&open, sizeof open);
    open.lpstrDeviceType = SequencerTypeId();
    open.lpstrElementName = path;
    const DWORD_PTR openFlags = MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT | MCI_WAIT;
    if (SendMciCommand(kNoDevice, MCI_OPEN, openFlags, (DWORD_PTR)&open) != 0)
        return FALSE;
    deviceId = LOWORD(open.wDeviceID);
    return TRUE;
}

void MidiPlayer::Play()
{
    if (deviceId == kNoDevice)
        return;
    MCI_PLAY_PARMS play;
    ZeroMemory(&play, sizeof play);
    play.dwCallback = (DWORD_PTR)notifyWindow;
    if (SendMciCommand(deviceId, MCI_PLAY, MCI_NOTIFY, (DWORD_PTR)&play) != 0)
        Close();
}

void MidiPlayer::Stop()
{
    if (deviceId == kNoDevice)
        return;
    MCI_GENERIC_PARMS stop;
    ZeroMemory(&stop, sizeof stop);
    SendMciCommand(deviceId, MCI_STOP, 0, (DWORD_PTR)&stop);
}

void MidiPlayer::SeekToStart()
{
    if (deviceId == kNoDevice)
        return;
    MCI_SEEK_PARMS seek;
    ZeroMemory(&seek, sizeof seek);
    SendMciCommand(deviceId, MCI_SEEK, MCI_SEEK_TO_START, (DWORD_PTR)&seek);
}

void MidiPlayer::Close()
{
    if (deviceId == kNoDevice)
        return;
    MCI_GENERIC_PARMS close;
    ZeroMemory(&close, sizeof close);
    SendMciCommand(deviceId, MCI_CLOSE, MCI_WAIT, (DWORD_PTR)&close);
    deviceId = kNoDevice;
}
