// A real window to run the scene's steps in, and ways to read back what they drew.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>

#include "host/SaverHost.h"
#include "scene/Scene.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace scenetest {

const char kWindowClass[] = "SceneStepTestWindow";

// The scene's generator, written out again so tests can tell how many draws a tick made.
struct ReferenceRandom {
    uint32_t state;
    int Draw()
    {
        state = state * 214013u + 2531011u;
        return (int)((state >> 16) & 0x7FFF);
    }
};

inline LRESULT CALLBACK QuietWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The scene paints everything itself; keep the system from painting over it.
    if (message == WM_ERASEBKGND)
        return 1;
    if (message == WM_PAINT) {
        ValidateRect(window, NULL);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A visible, topmost popup at the screen's corner with its own DC, like the saver window.
inline HWND CreateSceneWindow(int width, int height, HWND parent = NULL)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = QuietWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);   // already there after the first window: fine
    DWORD style = parent ? (WS_CHILD | WS_VISIBLE) : (WS_POPUP | WS_VISIBLE);
    DWORD exStyle = parent ? 0 : WS_EX_TOPMOST;
    HWND window = CreateWindowExA(exStyle, kWindowClass, "scene", style, 0, 0, width, height,
                                  parent, NULL, instance, NULL);
    test::PumpFor(50);
    return window;
}

// Settings as the scene reads them, the scene built on a fresh black window,
// and the generator at a known seed.
struct SceneRun {
    HWND host;
    HWND window;

    SceneRun(int width, int height, BYTE clockShown = 0, int clockMode = 1, uint32_t seed = 1,
             bool preview = false)
        : host(NULL), window(NULL)
    {
        ResetSaverHostState();
        ResetSceneState();
        SaverHostState.instance = GetModuleHandleA(NULL);
        SaverSettings.displayInterval = 5;
        SaverSettings.bgmOn = 0;
        SaverSettings.clockShown = clockShown;
        SaverSettings.clockMode = clockMode;
        if (preview) {
            host = test::CreateHostWindow(width + 40, height + 40, "Preview Host");
            window = CreateSceneWindow(width, height, host);
            previewMode = 1;
        } else {
            window = CreateSceneWindow(width, height);
        }
        SceneInit(window);
        // The frame timer is not wanted: the tests call the steps themselves.
        KillTimer(window, kSceneTimerId);
        SceneAssets.sceneTimer = 0;
        SceneEraseBackground(window);
        SeedSceneRandom(seed);
    }

    ~SceneRun()
    {
        SceneRelease(window);
        DestroyWindow(window);
        if (host)
            DestroyWindow(host);
        test::PumpFor(20);
        ResetSceneState();
    }
};

// A rectangle of a DC's pixels as COLORREF values, row by row.
struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> values;
    COLORREF At(int x, int y) const { return values[(size_t)y * width + x]; }
};

inline Pixels ReadDcPixels(HDC source, int x, int y, int width, int height)
{
    Pixels result;
    result.width = width;
    result.height = height;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, section);
    PatBlt(memory, 0, 0, width, height, WHITENESS);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    const uint32_t* raw = (const uint32_t*)bits;
    result.values.resize((size_t)width * height);
    for (size_t i = 0; i < result.values.size(); ++i) {
        uint32_t p = raw[i];
        result.values[i] = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    SelectObject(memory, old);
    DeleteObject(section);
    DeleteDC(memory);
    return result;
}

inline Pixels ReadWindowPixels(HWND window, int x, int y, int width, int height)
{
    HDC dc = GetDC(window);
    Pixels result = ReadDcPixels(dc, x, y, width, height);
    ReleaseDC(window, dc);
    return result;
}

// One of the saver's pictures, by resource name, as pixels.
inline Pixels ReadArt(const char* name)
{
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(NULL), name);
    BITMAP info = {};
    GetObjectA(bitmap, sizeof(info), &info);
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    Pixels result = ReadDcPixels(memory, 0, 0, info.bmWidth, info.bmHeight);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    DeleteObject(bitmap);
    return result;
}

// How a masked sprite lands on a plain background: key pixels show the
// background; the others show the picture, OR-ed with the tint inside the
// one-pixel frame the tint leaves untouched.
inline COLORREF ExpectedSpritePixel(const Pixels& art, int x, int y, COLORREF key,
                                    COLORREF background, bool tinted, COLORREF tint)
{
    COLORREF p = art.At(x, y);
    if (p == key)
        return background;
    bool inner = x > 0 && y > 0 && x < art.width - 1 && y < art.height - 1;
    return (tinted && inner) ? (p | tint) : p;
}

// Pixels of the window at (x, y) that differ from the sprite as it should
// appear there; columns outside [0, clientWidth) are not looked at.
inline int SpriteMismatches(HWND window, int x, int y, const char* artName, COLORREF key,
                            COLORREF background, bool tinted = false, COLORREF tint = 0)
{
    Pixels art = ReadArt(artName);
    Pixels shown = ReadWindowPixels(window, x, y, art.width, art.height);
    RECT client;
    GetClientRect(window, &client);
    int mismatches = 0;
    for (int row = 0; row < art.height; ++row)
        for (int column = 0; column < art.width; ++column) {
            if (x + column < 0 || x + column >= client.right)
                continue;
            COLORREF want = ExpectedSpritePixel(art, column, row, key, background, tinted, tint);
            if (shown.At(column, row) != want)
                ++mismatches;
        }
    return mismatches;
}

// Pixels of the window at (x, y) that differ from a picture copied unchanged.
inline int OpaqueMismatches(HWND window, int x, int y, const char* artName)
{
    Pixels art = ReadArt(artName);
    Pixels shown = ReadWindowPixels(window, x, y, art.width, art.height);
    int mismatches = 0;
    for (size_t i = 0; i < art.values.size(); ++i)
        if (shown.values[i] != art.values[i])
            ++mismatches;
    return mismatches;
}

// The picture of frame `frame` of character sequence `sequence`, by the
// catalogue's table: IDB_BITMAP_TOKOPI_ and three digits per frame.
inline std::string SequenceFrameArt(int sequence, int frame)
{
    static const char* const kFrames[kSequenceCount] = {
        "000 102 103 104 000",
        "000 202 203 204 205 206 207 208 209 210 211 212 213 214 215 216 217 218 219 220 000",
        "000 302 000",
        "000 402 000 403 000",
    };
    return "IDB_BITMAP_TOKOPI_" + std::string(kFrames[sequence]).substr((size_t)frame * 4, 3);
}

// The band's blue levels, sub-band 1 to 12, for a few phases.
struct BandLevelRow {
    int phase;
    int levels[12];
};
const BandLevelRow kBandLevelRows[] = {
    { 0, { 103, 120, 137, 154, 171, 188, 205, 222, 239, 67, 84, 101 } },
    { 1, { 86, 103, 120, 137, 154, 171, 188, 205, 222, 239, 101, 118 } },
    { 10, { 86, 103, 120, 137, 154, 171, 188, 205, 222, 86, 103, 120 } },
    { 15, { 1, 18, 35, 52, 69, 86, 103, 120, 137, 154, 171, 188 } },
    { 16, { 240, 1, 18, 35, 52, 69, 86, 103, 120, 137, 154, 171 } },
    { 19, { 189, 206, 223, 240, 1, 18, 35, 52, 69, 86, 103, 120 } },
};

// Every pixel of the rectangle has this colour.
inline bool AllPixels(HWND window, int x, int y, int width, int height, COLORREF colour)
{
    Pixels shown = ReadWindowPixels(window, x, y, width, height);
    for (COLORREF value : shown.values)
        if (value != colour)
            return false;
    return true;
}

} // namespace scenetest
