#include "music/MidiPlayer.h"

MciCommandProc SendMciCommand = mciSendCommandA;

MidiPlayer::MidiPlayer() : deviceId(0) {}
void MidiPlayer::Start(const char* name, BOOL repeat) { fileName = name; loop = repeat; }
BOOL MidiPlayer::OnMciNotify(WPARAM, LPARAM) { return FALSE; }
BOOL MidiPlayer::Open() { return FALSE; }
void MidiPlayer::Play() {}
void MidiPlayer::Stop() {}
void MidiPlayer::SeekToStart() {}
void MidiPlayer::Close() { deviceId = 0; }
