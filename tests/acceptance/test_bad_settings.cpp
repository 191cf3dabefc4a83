// The saver survives whatever its settings file holds and a tune that is
// missing or broken: it shows its scene and still ends on a key press.
#include "acceptance/AcceptanceSupport.h"

using namespace acceptance;

namespace {

// Starts the saver, waits for the character (when frames are expected), ends
// it with a key and returns the exit code.
DWORD RunUntilKey(bool expectFrames)
{
    test::ScrProcess saver = test::StartScr("/s");
    test::ScopedScr guard(saver);
    HWND window = WaitForForegroundSaver(saver);
    if (window == NULL)
        return STILL_ACTIVE;
    if (expectFrames) {
        RECT client;
        GetClientRect(window, &client);
        SceneLayout layout(client.right, client.bottom);
        ScreenShot shot = WaitForScreen(
            [&](const ScreenShot& s) { return CharacterShown(s, layout.characterX, layout.characterY); });
        CHECK(CharacterShown(shot, layout.characterX, layout.characterY));
    }
    // Still running and answering before the key.
    DWORD_PTR answer = 0;
    CHECK(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kCloseTimeoutMs, &answer) != 0);
    PressKey(VK_SPACE);
    return test::WaitForExit(saver, kCloseTimeoutMs);
}

std::string GarbageBytes()
{
    std::string bytes;
    unsigned state = 12345;
    for (int i = 0; i < 8192; ++i) {
        state = state * 1103515245u + 12345u;
        bytes.push_back((char)(state >> 24));
    }
    // Pieces that look like sections and keys, cut and run together.
    bytes += "\r\n[表示間隔\r\nインターバル(*100msec)\r\n=\x81\r\n[ＢＧＭ]]\r\nＢＧＭあり==\x82\r\n";
    bytes += std::string(5000, '[');
    return bytes;
}

} // namespace

TEST_CASE("no settings file: the defaults, the scene, and a key ends it")
{
    CleanIni ini;
    CHECK(RunUntilKey(true) == 0u);
}

TEST_CASE("a settings file of garbage bytes")
{
    CleanIni ini;
    WriteIni(GarbageBytes());
    CHECK(RunUntilKey(true) == 0u);
}

TEST_CASE("huge, negative and nonsense values in every key")
{
    CleanIni ini;
    const std::string longTitle(4000, 'x');
    // Intervals far outside the dialog's range: the frame timer may never
    // fire, so no frame is awaited, but the saver must run and end on a key.
    for (const char* interval : { "2147483647", "-2147483648", "99999999999999999999", "-5", "0" }) {
        CAPTURE(interval);
        WriteIni(std::string("[表示間隔]\r\nインターバル(*100msec)=") + interval +
                 "\r\n[ＢＧＭ]\r\nＢＧＭあり=-1\r\nＢＧＭタイトル=" + longTitle +
                 "\r\n[時刻表示]\r\n時刻表示の有無=4294967296\r\n時刻表示のモード=-99999999999\r\n");
        CHECK(RunUntilKey(false) == 0u);
    }
    // A sane interval with the other values still absurd: the scene runs.
    WriteIni("[表示間隔]\r\nインターバル(*100msec)=1\r\n[ＢＧＭ]\r\nＢＧＭあり=99\r\nＢＧＭタイトル=" + longTitle +
             "\r\n[時刻表示]\r\n時刻表示の有無=-7\r\n時刻表示のモード=123456789\r\n");
    CHECK(RunUntilKey(true) == 0u);
}

TEST_CASE("a tune that is missing or not a MIDI file: the saver runs without music")
{
    CleanIni ini;
    WriteIni("[ＢＧＭ]\r\nＢＧＭあり=1\r\nＢＧＭタイトル=どこにもない曲.mid\r\n");
    CHECK(RunUntilKey(true) == 0u);

    WriteIni("[ＢＧＭ]\r\nＢＧＭあり=1\r\nＢＧＭタイトル=C:\\no\\such\\folder\\曲.mid\r\n");
    CHECK(RunUntilKey(true) == 0u);

    // A file by that name that holds no MIDI data.
    char folder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    const std::string broken = std::string(folder, length) + "\\壊れた曲.mid";
    test::WriteFileBytes(broken, GarbageBytes());
    WriteIni("[ＢＧＭ]\r\nＢＧＭあり=1\r\nＢＧＭタイトル=壊れた曲.mid\r\n");
    CHECK(RunUntilKey(true) == 0u);
    DeleteFileA(broken.c_str());
}
