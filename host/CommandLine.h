// Interpretation of the saver's command line. Nothing here touches Windows, so
// the same code runs in the saver, in its tests and in a native fuzzing build.
#pragma once
#include <stdint.h>

// Steps over one whole character of the process's ANSI code page (CharNextA).
typedef const char* (*NextCharFunction)(const char* text);

// The same stepping as CharNextA under code page 932: a lead byte followed by
// a byte other than NUL makes one character of two bytes.
const char* NextCharCp932(const char* text);

// Skips the program name and the white space after it; returns the argument text.
const char* SkipProgramName(const char* commandLine, NextCharFunction nextChar);

// Decimal digits to a number, modulo 2^32; stops at the first other byte.
uint32_t ParseHandleNumber(const char* digits);

enum SaverModeKind {
    SaverModeConfigure,        // no switch: the dialog with no owner
    SaverModeConfigureOwned,   // c: the dialog, owned by the window named after a colon
    SaverModeFullScreen,       // s
    SaverModePreview,          // p or l: inside the window named after the letter
    SaverModeChangePassword,   // a
    SaverModeUnknown           // anything else
};

struct SaverSwitch {
    SaverModeKind mode;
    uint32_t handle;           // the window number that the mode reads; 0 when none
};

SaverSwitch InterpretSaverSwitch(const char* argumentText);
