// Background music: one MIDI file through the MCI sequencer, replayed when it ends.
#pragma once
#include <windows.h>
#include <mmsystem.h>

class MidiPlayer {
public:
    MidiPlayer();
    void Start(const char* fileName, BOOL loop);
    BOOL OnMciNotify(WPARAM flags, LPARAM device);

    const char* fileName;            // not owned
    BOOL loop;
    WORD deviceId;                   // 0 = no device open
    HWND notifyWindow;               // receives MM_MCINOTIFY for the play command

private:
    BOOL Open();
    void Play();
    void Stop();
    void SeekToStart();
    void Close();
};

// Every MCI command goes through here; mciSendCommandA unless a test replaces it.
typedef MCIERROR(WINAPI* MciCommandProc)(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR parameters);
extern MciCommandProc SendMciCommand;
