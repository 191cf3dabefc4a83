// libFuzzer target for the saver's command-line interpretation: any bytes as a
// raw command line go through program-name skipping and the switch reading,
// and the result must match a reference built straight from the mode table.
// Built natively with clang (-fsanitize=fuzzer,address,undefined) by tools/fuzz.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "host/CommandLine.h"

namespace {

// --- The mode table, written out as data -------------------------------------

enum HandleSyntax {
    HandleNone,            // the mode reads no window number
    HandleAfterBlanks,     // blanks (0x20 only), then decimal digits
    HandleAfterColon       // a colon right after the letter, then decimal digits
};

enum MissingHandleRule {
    MissingNotApplicable,
    MissingEndsWithInvalid,  // number 0 or not a window: exit code -1, nothing shown
    MissingUsesForeground    // number 0 or not a window: owner = foreground window
};

enum ExitRule {
    ExitDialogResult,        // whatever the dialog returns
    ExitSaverRun,            // the saver window's run result (0 on a normal end)
    ExitZeroOnWin9xElseInvalid,
    ExitInvalid              // -1
};

struct ModeRow {
    const char* letters;     // the first switch letters that select the row; "" = end of text
    SaverModeKind mode;
    HandleSyntax handle;
    MissingHandleRule missing;
    ExitRule exit;
};

const ModeRow kModeTable[] = {
    { "",         SaverModeConfigure,      HandleNone,        MissingNotApplicable,   ExitDialogResult },
    { "sS",       SaverModeFullScreen,     HandleNone,        MissingNotApplicable,   ExitSaverRun },
    { "pPlL",     SaverModePreview,        HandleAfterBlanks, MissingEndsWithInvalid, ExitSaverRun },
    { "cC",       SaverModeConfigureOwned, HandleAfterColon,  MissingUsesForeground,  ExitDialogResult },
    { "aA",       SaverModeChangePassword, HandleAfterBlanks, MissingUsesForeground,  ExitZeroOnWin9xElseInvalid },
};
const ModeRow kUnknownRow = { 0, SaverModeUnknown, HandleNone, MissingNotApplicable, ExitInvalid };

const ModeRow& RowForMode(SaverModeKind mode)
{
    for (const ModeRow& row : kModeTable)
        if (row.mode == mode)
            return row;
    return kUnknownRow;
}

// --- Reference reading, by index over the bytes ------------------------------

// Code page 932 lead bytes, as a lookup table filled once.
struct LeadByteTable {
    bool lead[256];
    LeadByteTable()
    {
        for (int b = 0; b < 256; ++b)
            lead[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    }
};
const LeadByteTable kLeadBytes;

size_t ReferenceStep(const unsigned char* text, size_t at, bool doubleByte)
{
    if (text[at] == 0)
        return at;
    if (doubleByte && kLeadBytes.lead[text[at]] && text[at + 1] != 0)
        return at + 2;
    return at + 1;
}

// Index of the argument text in a NUL-terminated command line.
size_t ReferenceArgumentStart(const unsigned char* text, bool doubleByte)
{
    size_t at = 0;
    if (text[0] == '"') {
        at = ReferenceStep(text, at, doubleByte);
        while (text[at] != 0 && text[at] != '"')
            at = ReferenceStep(text, at, doubleByte);
        if (text[at] == '"')
            at = ReferenceStep(text, at, doubleByte);
    } else {
        while (text[at] > ' ')
            at = ReferenceStep(text, at, doubleByte);
    }
    while (text[at] != 0 && text[at] <= ' ')
        at = ReferenceStep(text, at, doubleByte);
    return at;
}

uint32_t ReferenceNumber(const unsigned char* text, size_t at)
{
    uint64_t value = 0;
    for (; text[at] >= '0' && text[at] <= '9'; ++at)
        value = (value * 10 + (text[at] - '0')) % 0x100000000ull;
    return (uint32_t)value;
}

struct ReferenceChoice {
    const ModeRow* row;
    uint32_t handle;
};

ReferenceChoice ReferenceSwitch(const unsigned char* text)
{
    size_t at = 0;
    while (text[at] == ' ' || text[at] == '-' || text[at] == '/')
        ++at;
    ReferenceChoice choice = { &kUnknownRow, 0 };
    for (const ModeRow& row : kModeTable) {
        bool selected = row.letters[0] == 0 ? text[at] == 0
                                            : text[at] != 0 && strchr(row.letters, text[at]) != NULL;
        if (selected) {
            choice.row = &row;
            break;
        }
    }
    size_t digits = at + 1;
    switch (choice.row->handle) {
    case HandleNone:
        break;
    case HandleAfterBlanks:
        while (text[digits] == ' ')
            ++digits;
        choice.handle = ReferenceNumber(text, digits);
        break;
    case HandleAfterColon:
        if (text[at + 1] == ':')
            choice.handle = ReferenceNumber(text, at + 2);
        break;
    }
    return choice;
}

// --- Exit codes in a small model world ----------------------------------------

const int kExitInvalidCode = -1;
const int kModelDialogResult = 1;     // the dialog's OK
const int kModelSaverResult = 0;      // a saver run that ends normally
const uint32_t kModelForeground = 7;  // the foreground window's number

// In the model, windows are the numbers divisible by three (and not 0).
bool ModelIsWindow(uint32_t number)
{
    return number != 0 && number % 3 == 0;
}

struct ModelOutcome {
    int exitCode;
    uint32_t window;   // the owner or parent the mode uses; 0 when none
};

ModelOutcome ModelRun(const ModeRow& row, uint32_t number, bool onWin9x)
{
    ModelOutcome outcome = { kExitInvalidCode, 0 };
    if (row.exit == ExitZeroOnWin9xElseInvalid && !onWin9x)
        return outcome;
    if (row.missing != MissingNotApplicable) {
        bool named = ModelIsWindow(number);
        if (!named && row.missing == MissingEndsWithInvalid)
            return outcome;
        outcome.window = named ? number : kModelForeground;
    }
    switch (row.exit) {
    case ExitDialogResult: outcome.exitCode = kModelDialogResult; break;
    case ExitSaverRun: outcome.exitCode = kModelSaverResult; break;
    case ExitZeroOnWin9xElseInvalid: outcome.exitCode = 0; break;
    case ExitInvalid: outcome.exitCode = kExitInvalidCode; break;
    }
    return outcome;
}

[[noreturn]] void Fail(const char* what, const unsigned char* text)
{
    fprintf(stderr, "command-line fuzz: %s for \"%s\"\n", what, (const char*)text);
    abort();
}

const char* SingleByteStep(const char* text)
{
    return *text ? text + 1 : text;
}

// The switch reading of one argument text against the reference and the table.
void CheckSwitch(const char* arguments)
{
    const unsigned char* bytes = (const unsigned char*)arguments;
    SaverSwitch product = InterpretSaverSwitch(arguments);
    ReferenceChoice expected = ReferenceSwitch(bytes);
    if (product.mode != expected.row->mode)
        Fail("mode differs from the table", bytes);
    if (product.handle != expected.handle)
        Fail("window number differs", bytes);
    for (int onWin9x = 0; onWin9x < 2; ++onWin9x) {
        ModelOutcome want = ModelRun(*expected.row, expected.handle, onWin9x);
        ModelOutcome got = ModelRun(RowForMode(product.mode), product.handle, onWin9x);
        if (want.exitCode != got.exitCode || want.window != got.window)
            Fail("exit code differs from the table", bytes);
    }
}

void CheckSkip(const char* commandLine, size_t length, NextCharFunction step, bool doubleByte)
{
    const char* arguments = SkipProgramName(commandLine, step);
    if (arguments < commandLine || arguments > commandLine + length)
        Fail("argument text outside the command line", (const unsigned char*)commandLine);
    if ((size_t)(arguments - commandLine) != ReferenceArgumentStart((const unsigned char*)commandLine, doubleByte))
        Fail("program name skipped differently", (const unsigned char*)commandLine);
    CheckSwitch(arguments);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A buffer of exactly the input and its terminator, so a read past the
    // end is caught by the address sanitizer.
    char* commandLine = (char*)malloc(size + 1);
    if (!commandLine)
        return 0;
    memcpy(commandLine, data, size);
    commandLine[size] = 0;
    size_t length = strlen(commandLine);

    CheckSkip(commandLine, length, NextCharCp932, true);
    CheckSkip(commandLine, length, SingleByteStep, false);
    // The same bytes as argument text straight away: blanks, tabs and high
    // bytes that the name skipping would eat reach the switch reading too.
    CheckSwitch(commandLine);
    if (ParseHandleNumber(commandLine) != ReferenceNumber((const unsigned char*)commandLine, 0))
        Fail("number differs", (const unsigned char*)commandLine);

    free(commandLine);
    return 0;
}
