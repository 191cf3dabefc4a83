// Helpers for the acceptance suite, which uses the built saver only from the
// outside: its command line and exit code, its windows found by class and
// title, the pixels on the screen, real input through the display server, and
// the bytes of its settings file.
#pragma once
#include <doctest/doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace acceptance {

const DWORD kStartTimeoutMs = 20000;
const DWORD kSceneTimeoutMs = 20000;
const DWORD kCloseTimeoutMs = 10000;
// How long something that must not happen is given to happen anyway.
const DWORD kStillRunningMs = 1500;
const DWORD kExitInvalid = 0xFFFFFFFFu;
const char kSaverClass[] = "WindowsScreenSaverClass";
const char kFullScreenTitle[] = "Screen Saver";
const char kPreviewTitle[] = "Preview";
const char kDialogClass[] = "#32770";
const char kDialogTitle[] = "もちぽて設定";

// --- Screen pixels -------------------------------------------------------------

// One copy of the whole screen, read through GetDC(NULL) and BitBlt, as a
// person would see it.
class ScreenShot {
public:
    ScreenShot()
    {
        left_ = GetSystemMetrics(SM_XVIRTUALSCREEN);
        top_ = GetSystemMetrics(SM_YVIRTUALSCREEN);
        width_ = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        height_ = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        pixels_.assign((size_t)width_ * height_, 0);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(NULL);
        HDC memory = CreateCompatibleDC(screen);
        void* bits = NULL;
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
        if (bitmap && bits) {
            HGDIOBJ old = SelectObject(memory, bitmap);
            BitBlt(memory, 0, 0, width_, height_, screen, left_, top_, SRCCOPY);
            GdiFlush();
            memcpy(pixels_.data(), bits, pixels_.size() * sizeof(DWORD));
            SelectObject(memory, old);
            DeleteObject(bitmap);
        }
        DeleteDC(memory);
        ReleaseDC(NULL, screen);
    }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The colour at a screen point, as a COLORREF (0x00BBGGRR); black outside.
    COLORREF At(int x, int y) const
    {
        x -= left_;
        y -= top_;
        if (x < 0 || y < 0 || x >= width_ || y >= height_)
            return 0;
        DWORD bgrx = pixels_[(size_t)y * width_ + x];
        return RGB((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF);
    }
    // Pixels of a rectangle [left, right) x [top, bottom) that are not black.
    int CountLit(int left, int top, int right, int bottom) const
    {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                count += At(x, y) != 0;
        return count;
    }
    bool AllBlack(int left, int top, int right, int bottom) const { return CountLit(left, top, right, bottom) == 0; }

private:
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::vector<DWORD> pixels_;
};

// Takes screen shots until one satisfies the condition; returns the last one.
template <typename Condition>
ScreenShot WaitForScreen(Condition condition, DWORD timeoutMs = kSceneTimeoutMs)
{
    ScreenShot shot;
    test::PumpUntil([&] {
        shot = ScreenShot();
        return condition(shot);
    }, timeoutMs);
    return shot;
}

inline bool IsPureBlueShade(COLORREF colour)
{
    return GetRValue(colour) == 0 && GetGValue(colour) == 0 && GetBValue(colour) != 0;
}

// --- Real input, through the display server ------------------------------------

inline void PressKey(WORD key)
{
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

inline void TypeText(const char* digits)
{
    for (const char* c = digits; *c; ++c)
        PressKey((WORD)(unsigned char)*c);
}

// --- The saver's windows --------------------------------------------------------

inline HWND WaitForFullScreen(test::ScrProcess& process)
{
    return test::WaitForWindow(process.info.dwProcessId, kSaverClass, kFullScreenTitle, kStartTimeoutMs);
}

// The full-screen window once it is the foreground window, so that key
// presses reach it.
inline HWND WaitForForegroundSaver(test::ScrProcess& process)
{
    HWND saver = WaitForFullScreen(process);
    if (saver == NULL)
        return NULL;
    test::PumpUntil([saver] { return GetForegroundWindow() == saver; }, kStartTimeoutMs);
    return GetForegroundWindow() == saver ? saver : NULL;
}

inline HWND WaitForDialog(test::ScrProcess& process)
{
    HWND dialog = test::WaitForWindow(process.info.dwProcessId, kDialogClass, kDialogTitle, kStartTimeoutMs);
    if (dialog == NULL)
        return NULL;
    test::PumpUntil([dialog] { return IsWindowVisible(dialog) && GetForegroundWindow() == dialog; },
                    kStartTimeoutMs);
    return dialog;
}

// A stand-in for the Display control panel's preview box: a grey window whose
// own painting leaves its children alone, as a real host's does.
inline HWND CreatePreviewHost(int clientWidth, int clientHeight)
{
    static ATOM hostClass = 0;
    if (!hostClass) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.hbrBackground = (HBRUSH)GetStockObject(GRAY_BRUSH);
        windowClass.lpszClassName = "AcceptancePreviewHost";
        hostClass = RegisterClassA(&windowClass);
    }
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE;
    RECT frame = { 0, 0, clientWidth, clientHeight };
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowExA(0, "AcceptancePreviewHost", "Display Properties", style, 10, 10,
                                  frame.right - frame.left, frame.bottom - frame.top, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    test::PumpFor(50);
    return window;
}

inline std::string Decimal(HWND window)
{
    return std::to_string((unsigned long long)(ULONG_PTR)window);
}

// --- Where the full-screen scene puts things --------------------------------------

// The character's corner is at the centre of the window, 50 pixels down.
struct SceneLayout {
    int width, height;
    int characterX, characterY;
    int bandTop, bandBottom;  // rows of the band, bottom exclusive
    int moonTop, moonBottom;
    int clockTop;
    explicit SceneLayout(int w, int h)
        : width(w), height(h), characterX(w / 2 - 20), characterY(h / 2 - 20 + 50),
          bandTop(characterY - 100), bandBottom(characterY - 10), moonTop(50), moonBottom(114),
          clockTop(h - 100)
    {
    }
};

// The character has drawn itself: some pixels of its 40x40 cell are lit.
inline bool CharacterShown(const ScreenShot& shot, int x, int y)
{
    return shot.CountLit(x, y, x + 40, y + 40) > 40;
}

// --- The settings file --------------------------------------------------------------

// Writes the file the saver reads, byte for byte (Shift-JIS text).
inline void WriteIni(const std::string& bytes)
{
    test::RemoveIni();
    test::WriteFileBytes(test::WindowsIniPath(), bytes);
}

// The non-empty lines of the settings file, without line ends.
inline std::vector<std::string> IniLines()
{
    std::vector<std::string> lines;
    std::string bytes = test::ReadFileBytes(test::WindowsIniPath());
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

// Removes the settings file before and after a test.
struct CleanIni {
    CleanIni() { test::RemoveIni(); }
    ~CleanIni() { test::RemoveIni(); }
};

} // namespace acceptance
