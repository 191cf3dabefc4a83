// The command line as text: program-name skipping and the switch table.
#include <doctest/doctest.h>

#include <string>

#include "host/CommandLine.h"

namespace {

const char* Arguments(const char* commandLine)
{
    return SkipProgramName(commandLine, NextCharCp932);
}

} // namespace

TEST_CASE("the program name is skipped, quoted or not, with the white space after it")
{
    CHECK(std::string(Arguments("\"C:\\My Savers\\m.scr\" /s")) == "/s");
    CHECK(std::string(Arguments("\"C:\\m.scr\"/s")) == "/s");
    CHECK(std::string(Arguments("C:\\m.scr /p 12")) == "/p 12");
    CHECK(std::string(Arguments("C:\\m.scr \t  /c")) == "/c");
    // Unquoted, a name ends only at a byte of 0x20 or below.
    CHECK(std::string(Arguments("C:\\m.scr/s")) == "");
    CHECK(std::string(Arguments("\"C:\\m.scr")) == "");
    CHECK(std::string(Arguments("")) == "");
}

TEST_CASE("a Shift-JIS program name is stepped over character by character")
{
    // "ぽ" is 82 DB and "表" is 95 5C: a trail byte may look like a backslash
    // or a quote-free ASCII byte, but never ends the name.
    CHECK(std::string(Arguments("\"C:\\\x82\xdb\x95\x5c.scr\" /s")) == "/s");
    CHECK(std::string(Arguments("C:\\\x95\x5c.scr /s")) == "/s");
    // Started by name from its own folder: "もちぽて.scr", its first byte a lead byte.
    CHECK(std::string(Arguments("\x82\xe0\x82\xbf\x82\xdb\x82\xc4.scr /s")) == "/s");
    // A lead byte at the very end does not run past the terminator.
    CHECK(std::string(Arguments("\"C:\\\x82")) == "");
}

TEST_CASE("switch letters, fillers and handles")
{
    struct Row {
        const char* text;
        SaverModeKind mode;
        uint32_t handle;
    } rows[] = {
        { "", SaverModeConfigure, 0 },
        { " - / ", SaverModeConfigure, 0 },
        { "/s", SaverModeFullScreen, 0 },
        { "-S", SaverModeFullScreen, 0 },
        { "s", SaverModeFullScreen, 0 },
        { "//--s", SaverModeFullScreen, 0 },
        { "/s /p 1234", SaverModeFullScreen, 0 },
        { "/p 1234", SaverModePreview, 1234 },
        { "/p1234", SaverModePreview, 1234 },
        { "/P   77", SaverModePreview, 77 },
        { "/l 1234", SaverModePreview, 1234 },
        { "/L 1234", SaverModePreview, 1234 },
        { "/p:1234", SaverModePreview, 0 },
        { "/p", SaverModePreview, 0 },
        { "/p 0", SaverModePreview, 0 },
        { "/p 12ab", SaverModePreview, 12 },
        { "/c:1234", SaverModeConfigureOwned, 1234 },
        { "/C:1234", SaverModeConfigureOwned, 1234 },
        { "/c: 1234", SaverModeConfigureOwned, 0 },
        { "/c 1234", SaverModeConfigureOwned, 0 },
        { "/c : 1234", SaverModeConfigureOwned, 0 },
        { "/c", SaverModeConfigureOwned, 0 },
        { "/a 99", SaverModeChangePassword, 99 },
        { "/A", SaverModeChangePassword, 0 },
        { "/x", SaverModeUnknown, 0 },
        { "/?", SaverModeUnknown, 0 },
        { "/\ts", SaverModeUnknown, 0 },
        { "/1", SaverModeUnknown, 0 },
        { "/\"s\"", SaverModeUnknown, 0 },
        { "/\x82\xdb", SaverModeUnknown, 0 },
    };
    for (const Row& row : rows) {
        CAPTURE(row.text);
        SaverSwitch choice = InterpretSaverSwitch(row.text);
        CHECK(choice.mode == row.mode);
        CHECK(choice.handle == row.handle);
    }
}

TEST_CASE("window numbers wrap modulo 2^32 and stop at the first non-digit")
{
    CHECK(ParseHandleNumber("4294967295") == 4294967295u);
    CHECK(ParseHandleNumber("4294967296") == 0u);
    CHECK(ParseHandleNumber("4294968530") == 1234u);
    CHECK(ParseHandleNumber("99999999999999999999") == 1661992959u);
    CHECK(ParseHandleNumber("") == 0u);
    CHECK(ParseHandleNumber(" 12") == 0u);
    CHECK(ParseHandleNumber("-12") == 0u);
    CHECK(ParseHandleNumber("0x10") == 0u);
    CHECK(ParseHandleNumber("12\xb3") == 12u);
}
