// A recording stand-in for SendMciCommand: keeps every command with the raw
// bytes of its parameter block, and either answers by itself (a scripted
// device) or hands the command on to the real mciSendCommandA.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <map>
#include <string>
#include <vector>

#include "music/MidiPlayer.h"

namespace mci {

struct Call {
    MCIDEVICEID device;
    UINT command;
    DWORD_PTR flags;
    std::string block;      // the parameter block as it was handed over
    std::string element;    // MCI_OPEN: the element name it points to
    MCIERROR answer;
};

struct Recording {
    std::vector<Call> calls;
    bool passThrough;                       // send on to mciSendCommandA
    MCIDEVICEID nextDevice;                 // scripted answer to MCI_OPEN
    std::map<UINT, MCIERROR> failures;      // scripted errors by command
};

inline Recording& Current()
{
    static Recording recording;
    return recording;
}

// The block type each command of the player carries.
inline size_t BlockSize(UINT command)
{
    switch (command) {
    case MCI_OPEN: return sizeof(MCI_OPEN_PARMSA);
    case MCI_PLAY: return sizeof(MCI_PLAY_PARMS);
    case MCI_SEEK: return sizeof(MCI_SEEK_PARMS);
    default: return sizeof(MCI_GENERIC_PARMS);
    }
}

inline MCIERROR WINAPI RecordCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags,
                                     DWORD_PTR parameters)
{
    Recording& recording = Current();
    Call call = { device, command, flags, std::string(), std::string(), 0 };
    if (parameters != 0) {
        call.block.assign((const char*)parameters, BlockSize(command));
        if (command == MCI_OPEN) {
            const MCI_OPEN_PARMSA* open = (const MCI_OPEN_PARMSA*)parameters;
            if (open->lpstrElementName != NULL)
                call.element = open->lpstrElementName;
        }
    }
    if (recording.passThrough) {
        call.answer = mciSendCommandA(device, command, flags, parameters);
    } else if (recording.failures.count(command)) {
        call.answer = recording.failures[command];
    } else if (command == MCI_OPEN && parameters != 0) {
        ((MCI_OPEN_PARMSA*)parameters)->wDeviceID = recording.nextDevice;
    }
    recording.calls.push_back(call);
    return call.answer;
}

// Puts the stand-in in place for one test and the real function back after it.
class Recorder {
public:
    explicit Recorder(bool passThrough = false)
    {
        Recording& recording = Current();
        recording.calls.clear();
        recording.failures.clear();
        recording.passThrough = passThrough;
        recording.nextDevice = 1;
        SendMciCommand = RecordCommand;
    }
    ~Recorder() { SendMciCommand = mciSendCommandA; }

    std::vector<Call>& Calls() { return Current().calls; }
    void Clear() { Current().calls.clear(); }
    void NextDevice(MCIDEVICEID device) { Current().nextDevice = device; }
    void Fail(UINT command, MCIERROR error) { Current().failures[command] = error; }
};

inline std::string CommandName(UINT command)
{
    switch (command) {
    case MCI_OPEN: return "open";
    case MCI_PLAY: return "play";
    case MCI_STOP: return "stop";
    case MCI_SEEK: return "seek";
    case MCI_CLOSE: return "close";
    default: return "command " + std::to_string(command);
    }
}

// The stream in short: "open 0; play 1" (command and device).
inline std::string Stream(const std::vector<Call>& calls)
{
    std::string text;
    for (const Call& call : calls) {
        if (!text.empty())
            text += "; ";
        text += CommandName(call.command) + " " + std::to_string(call.device);
    }
    return text;
}

template <class Block> Block Zeroed()
{
    Block block;
    ZeroMemory(&block, sizeof block);
    return block;
}

template <class Block> std::string Bytes(const Block& block)
{
    return std::string((const char*)&block, sizeof block);
}

// What the player must send, built the same way: zero, then the named members.
inline std::string OpenBlock(LPCSTR elementPointer)
{
    MCI_OPEN_PARMSA open = Zeroed<MCI_OPEN_PARMSA>();
    open.lpstrDeviceType = (LPCSTR)(DWORD_PTR)MCI_DEVTYPE_SEQUENCER;
    open.lpstrElementName = elementPointer;
    return Bytes(open);
}

inline LPCSTR ElementPointer(const Call& call)
{
    MCI_OPEN_PARMSA open;
    CopyMemory(&open, call.block.data(), sizeof open);
    return open.lpstrElementName;
}

inline std::string PlayBlock(HWND notifyWindow)
{
    MCI_PLAY_PARMS play = Zeroed<MCI_PLAY_PARMS>();
    play.dwCallback = (DWORD_PTR)notifyWindow;
    return Bytes(play);
}

inline std::string GenericBlock() { return Bytes(Zeroed<MCI_GENERIC_PARMS>()); }
inline std::string SeekBlock() { return Bytes(Zeroed<MCI_SEEK_PARMS>()); }

const DWORD_PTR kOpenFlags = 0x3202;   // type, type identifier, element, wait

} // namespace mci
