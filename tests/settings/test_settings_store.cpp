// The settings record against the real "もちぽて.ini" in the Windows folder.
#include <doctest/doctest.h>

#include "settings/Settings.h"
#include "support/TestSupport.h"

#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

const char kIniName[] = "もちぽて.ini";

// The profile functions cache files; a flush makes them read the disk again.
void FlushProfileCache()
{
    WritePrivateProfileStringA(NULL, NULL, NULL, kIniName);
}

void WriteIni(const std::string& text)
{
    FlushProfileCache();
    test::WriteFileBytes(test::WindowsIniPath(), text);
    FlushProfileCache();
}

std::string IniBytes()
{
    FlushProfileCache();
    return test::ReadFileBytes(test::WindowsIniPath());
}

// The file's non-empty lines.
std::vector<std::string> IniLines()
{
    std::vector<std::string> lines;
    std::string bytes = IniBytes();
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line)
{
    for (const std::string& each : lines)
        if (each == line)
            return true;
    return false;
}

// Garbage in every field, so a read has to set each one.
void ScrambleSettings()
{
    memset(&SaverSettings, 0x5A, sizeof SaverSettings);
}

const char kDefaultTitle[] = "もちぽて.mid";

} // namespace

TEST_CASE("Without an INI file the settings read as their defaults")
{
    test::RemoveIni();
    ScrambleSettings();
    ReadSaverSettings();
    CHECK(SaverSettings.displayInterval == 5);
    CHECK(SaverSettings.bgmOn == 1);
    CHECK(std::string(SaverSettings.bgmTitle) == kDefaultTitle);
    CHECK(SaverSettings.clockShown == 1);
    CHECK(SaverSettings.clockMode == 1);
    CHECK_FALSE(test::FileExists(test::WindowsIniPath()));
}

TEST_CASE("Flags are made 0 or 1; the numbers pass without a range check")
{
    WriteIni("[表示間隔]\r\nインターバル(*100msec)=0\r\n"
             "[ＢＧＭ]\r\nＢＧＭあり=7\r\nＢＧＭタイトル=夜の歌.mid\r\n"
             "[時刻表示]\r\n時刻表示の有無=-2\r\n時刻表示のモード=3\r\n");
    ScrambleSettings();
    ReadSaverSettings();
    CHECK(SaverSettings.displayInterval == 0);
    CHECK(SaverSettings.bgmOn == 1);
    CHECK(std::string(SaverSettings.bgmTitle) == "夜の歌.mid");
    CHECK(SaverSettings.clockShown == 1);
    CHECK(SaverSettings.clockMode == 3);

    WriteSaverSettings();
    std::vector<std::string> lines = IniLines();
    CHECK(HasLine(lines, "インターバル(*100msec)=0"));
    CHECK(HasLine(lines, "ＢＧＭあり=1"));
    CHECK(HasLine(lines, "ＢＧＭタイトル=夜の歌.mid"));
    CHECK(HasLine(lines, "時刻表示の有無=1"));
    CHECK(HasLine(lines, "時刻表示のモード=3"));

    WriteIni("[表示間隔]\r\nインターバル(*100msec)=500\r\n"
             "[ＢＧＭ]\r\nＢＧＭあり=0\r\n"
             "[時刻表示]\r\n時刻表示の有無=0\r\n時刻表示のモード=x\r\n");
    ReadSaverSettings();
    CHECK(SaverSettings.displayInterval == 500);
    CHECK(SaverSettings.bgmOn == 0);
    CHECK(std::string(SaverSettings.bgmTitle) == kDefaultTitle);
    CHECK(SaverSettings.clockShown == 0);
    CHECK(SaverSettings.clockMode == 0);   // not a number

    // Unusual but legal values go back to the file as they came.
    for (const char* interval : { "99999", "-3" }) {
        CAPTURE(interval);
        WriteIni(std::string("[表示間隔]\r\nインターバル(*100msec)=") + interval + "\r\n");
        ReadSaverSettings();
        CHECK(SaverSettings.displayInterval == atoi(interval));
        WriteSaverSettings();
        CHECK(HasLine(IniLines(), std::string("インターバル(*100msec)=") + interval));
    }
    test::RemoveIni();
}

TEST_CASE("BGM in ASCII letters is another name and is not found")
{
    WriteIni("[BGM]\r\nBGMあり=0\r\nBGMタイトル=ascii.mid\r\nＢＧＭあり=0\r\n"
             "[ＢＧＭ]\r\nBGMあり=0\r\nBGMタイトル=ascii.mid\r\n");
    ReadSaverSettings();
    CHECK(SaverSettings.bgmOn == 1);
    CHECK(std::string(SaverSettings.bgmTitle) == kDefaultTitle);

    WriteIni("[ＢＧＭ]\r\nＢＧＭあり=0\r\nＢＧＭタイトル=wide.mid\r\n");
    ReadSaverSettings();
    CHECK(SaverSettings.bgmOn == 0);
    CHECK(std::string(SaverSettings.bgmTitle) == "wide.mid");
    test::RemoveIni();
}

TEST_CASE("A 300-byte title is read as its first 259 bytes and written back cut")
{
    std::string title;
    for (int i = 0; i < 300; ++i)
        title.push_back((char)('a' + i % 26));
    WriteIni("[ＢＧＭ]\r\nＢＧＭタイトル=" + title + "\r\n");
    ReadSaverSettings();
    CHECK(std::string(SaverSettings.bgmTitle) == title.substr(0, 259));

    WriteSaverSettings();
    CHECK(HasLine(IniLines(), "ＢＧＭタイトル=" + title.substr(0, 259)));
    test::RemoveIni();
}

TEST_CASE("Writing the defaults makes the file of three sections and five keys in Shift-JIS")
{
    test::RemoveIni();
    ReadSaverSettings();
    WriteSaverSettings();

    // A bare file name: the file is in the Windows folder, not beside the program.
    CHECK(test::FileExists(test::WindowsIniPath()));
    CHECK_FALSE(test::FileExists(test::ExeDirectory() + "\\" + kIniName));

    std::vector<std::string> expected = {
        "[表示間隔]",
        "インターバル(*100msec)=5",
        "[ＢＧＭ]",
        "ＢＧＭあり=1",
        "ＢＧＭタイトル=もちぽて.mid",
        "[時刻表示]",
        "時刻表示の有無=1",
        "時刻表示のモード=1",
    };
    CHECK(IniLines() == expected);

    // Full-width Ｂ, Ｇ and Ｍ are two bytes each in Shift-JIS; no ASCII "BGM".
    std::string bytes = IniBytes();
    CHECK(bytes.find("\x82\x61\x82\x66\x82\x6C") != std::string::npos);
    CHECK(bytes.find("BGM") == std::string::npos);
    // もちぽて in Shift-JIS, as the title is written.
    CHECK(bytes.find("\x82\xE0\x82\xBF\x82\xDB\x82\xC4.mid") != std::string::npos);

    // A second write changes nothing.
    WriteSaverSettings();
    CHECK(IniBytes() == bytes);
    test::RemoveIni();
}
