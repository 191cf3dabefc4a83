// The about panel of the real dialog (template 2003, shown modeless on this
// thread): the texts from the string table, the links drawn blue and
// underlined (read back from the controls' pixels), the clicks that open
// them, the program's cursor, and no GDI objects left behind by repaints.
#include <doctest/doctest.h>

#include <limits.h>

#include <string>
#include <vector>

#include "settings/DialogSupport.h"

using namespace dialogtest;

namespace {

const COLORREF kLinkBlue = RGB(0, 0, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const int kRepaints = 1000;

std::string StringResource(UINT id)
{
    char text[100] = "";
    LoadStringA(GetModuleHandleA(NULL), id, text, sizeof text);
    return text;
}

// --- What the links open ---------------------------------------------------

struct OpenCall {
    HWND owner;
    bool verbGiven;
    std::string target;
    bool parametersGiven;
    bool directoryGiven;
    INT showCommand;
};

std::vector<OpenCall> openCalls;

HINSTANCE WINAPI RecordOpen(HWND owner, LPCSTR verb, LPCSTR target, LPCSTR parameters, LPCSTR directory,
                            INT showCommand)
{
    OpenCall call = { owner, verb != NULL, target ? target : "", parameters != NULL, directory != NULL,
                      showCommand };
    openCalls.push_back(call);
    return (HINSTANCE)(INT_PTR)42;   // "success" for ShellExecuteA
}

struct RecordedOpens {
    RecordedOpens()
    {
        openCalls.clear();
        saved = OpenLinkTarget;
        OpenLinkTarget = RecordOpen;
    }
    ~RecordedOpens() { OpenLinkTarget = saved; }
    ShellOpenProc saved;
};

// --- Pixels of a control ---------------------------------------------------

struct ControlPixels {
    int width;
    int height;
    std::vector<COLORREF> colours;
    COLORREF At(int x, int y) const { return colours[y * width + x]; }
};

// From the control's own DC, or from the screen where the control lies.
ControlPixels ReadControl(HWND control, bool fromScreen = false)
{
    ControlPixels pixels = {};
    RECT client;
    GetClientRect(control, &client);
    pixels.width = client.right;
    pixels.height = client.bottom;
    POINT origin = { 0, 0 };
    if (fromScreen)
        ClientToScreen(control, &origin);
    HWND source = fromScreen ? NULL : control;
    HDC dc = GetDC(source);
    // One copy into a 32-bit top-down DIB (GetPixel per pixel is slow under Wine).
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = pixels.width;
    info.bmiHeader.biHeight = -pixels.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HBITMAP copy = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, pixels.width, pixels.height, dc, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const DWORD* row = (const DWORD*)bits;
    for (int i = 0; bits && i < pixels.width * pixels.height; ++i) {
        DWORD bgr = row[i];
        pixels.colours.push_back(RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF));
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(copy);
    ReleaseDC(source, dc);
    return pixels;
}

// Pixels of one colour, in the whole control or in its top-left `cell`.
int CountColour(const ControlPixels& pixels, COLORREF colour, SIZE cell = { INT_MAX, INT_MAX })
{
    int count = 0;
    for (int y = 0; y < pixels.height && y < cell.cy; ++y)
        for (int x = 0; x < pixels.width && x < cell.cx; ++x)
            count += pixels.At(x, y) == colour;
    return count;
}

// The longest horizontal run of one colour: an underline spans the text.
int LongestRun(const ControlPixels& pixels, COLORREF colour)
{
    int longest = 0;
    for (int y = 0; y < pixels.height; ++y) {
        int run = 0;
        for (int x = 0; x < pixels.width; ++x) {
            run = pixels.At(x, y) == colour ? run + 1 : 0;
            if (run > longest)
                longest = run;
        }
    }
    return longest;
}

// Extent of the control's text in its font, cut to the control's client area.
SIZE TextExtent(HWND control)
{
    std::string text = test::WindowText(control);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(control, WM_GETFONT, 0, 0));
    SIZE size = {};
    GetTextExtentPoint32A(dc, text.c_str(), (int)text.size(), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    RECT client;
    GetClientRect(control, &client);
    size.cx = size.cx < client.right ? size.cx : client.right;
    size.cy = size.cy < client.bottom ? size.cy : client.bottom;
    return size;
}

void CheckDrawnAsLink(HWND dialog, int controlId, bool onScreen = false)
{
    CAPTURE(controlId);
    CAPTURE(onScreen);
    HWND control = GetDlgItem(dialog, controlId);
    ControlPixels pixels = ReadControl(control, onScreen);
    CHECK(CountColour(pixels, kLinkBlue) > 0);
    SIZE text = TextExtent(control);
    CHECK(text.cx > 0);
    CHECK(LongestRun(pixels, kLinkBlue) >= text.cx * 9 / 10);
    // The text's own cell is drawn on the button face: most of it shows that colour.
    CHECK(CountColour(pixels, GetSysColor(COLOR_BTNFACE), text) * 2 > text.cx * text.cy);
}

void PumpPending()
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void PaintBlack(HWND control)
{
    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    FillRect(dc, &client, (HBRUSH)GetStockObject(BLACK_BRUSH));
    ReleaseDC(control, dc);
}

struct OpenDialog {
    OpenDialog() : dialog(OpenConfigDialog()) {}
    ~OpenDialog()
    {
        DestroyWindow(dialog);
        test::PumpFor(20);
    }
    HWND dialog;
};

} // namespace

TEST_CASE("The about panel shows the string table; the links in blue, underlined, on the button face")
{
    test::RemoveIni();
    OpenDialog open;
    HWND dialog = open.dialog;
    REQUIRE(dialog != NULL);

    CHECK(ControlText(dialog, IDC_ABOUT_COPYRIGHT) == StringResource(IDS_COPYRIGHT));
    CHECK(ControlText(dialog, IDC_ABOUT_VERSION) == "0.3.1");
    CHECK(ControlText(dialog, IDC_ABOUT_HOMEPAGE) == StringResource(IDS_HOMEPAGE));
    CHECK(ControlText(dialog, IDC_ABOUT_EMAIL) == StringResource(IDS_EMAIL));

    CHECK(IsUnderlined(ControlFont(dialog, IDC_ABOUT_HOMEPAGE)));
    CHECK(IsUnderlined(ControlFont(dialog, IDC_ABOUT_EMAIL)));
    CHECK_FALSE(IsUnderlined(ControlFont(dialog, IDC_ABOUT_COPYRIGHT)));
    CHECK_FALSE(IsUnderlined(ControlFont(dialog, IDC_ABOUT_VERSION)));

    // The link font is the dialog's font with the underline and nothing else.
    LOGFONTA dialogFont, linkFont;
    GetObjectA((HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0), sizeof dialogFont, &dialogFont);
    GetObjectA(ControlFont(dialog, IDC_ABOUT_EMAIL), sizeof linkFont, &linkFont);
    CHECK(linkFont.lfHeight == dialogFont.lfHeight);
    CHECK(lstrcmpA(linkFont.lfFaceName, dialogFont.lfFaceName) == 0);

    CheckDrawnAsLink(dialog, IDC_ABOUT_HOMEPAGE);
    CheckDrawnAsLink(dialog, IDC_ABOUT_EMAIL);
    CHECK(CountColour(ReadControl(GetDlgItem(dialog, IDC_ABOUT_COPYRIGHT)), kLinkBlue) == 0);
    CHECK(CountColour(ReadControl(GetDlgItem(dialog, IDC_ABOUT_VERSION)), kLinkBlue) == 0);

    SUBCASE("A repaint after the links were painted over draws them again")
    {
        PaintBlack(GetDlgItem(dialog, IDC_ABOUT_HOMEPAGE));
        PaintBlack(GetDlgItem(dialog, IDC_ABOUT_EMAIL));
        CHECK(CountColour(ReadControl(GetDlgItem(dialog, IDC_ABOUT_EMAIL)), kLinkBlue) == 0);
        RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        test::PumpFor(200);
        CheckDrawnAsLink(dialog, IDC_ABOUT_HOMEPAGE);
        CheckDrawnAsLink(dialog, IDC_ABOUT_EMAIL);
    }
    SUBCASE("After the dialog was covered and uncovered the screen shows the links")
    {
        // Wine keeps each window's picture and puts it back itself when the
        // window is uncovered; the screen is what the user sees either way.
        CheckDrawnAsLink(dialog, IDC_ABOUT_HOMEPAGE, true);
        RECT frame;
        GetWindowRect(dialog, &frame);
        HWND cover = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, frame.left, frame.top,
                                     frame.right - frame.left, frame.bottom - frame.top, NULL, NULL,
                                     GetModuleHandleA(NULL), NULL);
        test::PumpFor(100);
        CHECK(CountColour(ReadControl(GetDlgItem(dialog, IDC_ABOUT_EMAIL), true), kLinkBlue) == 0);
        DestroyWindow(cover);
        test::PumpFor(200);
        CheckDrawnAsLink(dialog, IDC_ABOUT_HOMEPAGE, true);
        CheckDrawnAsLink(dialog, IDC_ABOUT_EMAIL, true);
    }
}

TEST_CASE("A repaint of only the lower part of the dialog leaves the links blue")
{
    test::RemoveIni();
    OpenDialog open;
    HWND dialog = open.dialog;
    REQUIRE(dialog != NULL);

    // The lower third of the dialog: the buttons and settings, not the about panel.
    RECT client;
    GetClientRect(dialog, &client);
    RECT lowerThird = client;
    lowerThird.top = client.bottom - client.bottom / 3;
    const int links[] = { IDC_ABOUT_HOMEPAGE, IDC_ABOUT_EMAIL };
    int blueBefore[2];
    for (int i = 0; i < 2; ++i) {
        HWND link = GetDlgItem(dialog, links[i]);
        RECT place, overlap;
        GetWindowRect(link, &place);
        MapWindowPoints(NULL, dialog, (POINT*)&place, 2);
        REQUIRE_FALSE(IntersectRect(&overlap, &place, &lowerThird));
        ControlPixels pixels = ReadControl(link);
        blueBefore[i] = CountColour(pixels, kLinkBlue);
        REQUIRE(blueBefore[i] > 0);
        REQUIRE(CountColour(pixels, kBlack) == 0);
    }

    // As when another window is dragged across the lower part: the dialog and
    // its controls there are invalidated and painted, nothing else.
    RedrawWindow(dialog, &lowerThird, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpPending();

    for (int i = 0; i < 2; ++i) {
        CAPTURE(links[i]);
        ControlPixels pixels = ReadControl(GetDlgItem(dialog, links[i]));
        CHECK(CountColour(pixels, kLinkBlue) == blueBefore[i]);
        CHECK(CountColour(pixels, kBlack) == 0);
        CheckDrawnAsLink(dialog, links[i]);
    }

    // The control draws its own text in black first. With a smoothed font (at a
    // size the renderer antialiases) the link's edges blend blue into the button
    // face only if the blue text is drawn opaque; transparent, they blend into black.
    LOGFONTA description;
    GetObjectA(ControlFont(dialog, IDC_ABOUT_EMAIL), sizeof description, &description);
    description.lfUnderline = 0;
    description.lfQuality = ANTIALIASED_QUALITY;
    description.lfHeight = -18;
    HFONT smooth = CreateFontIndirectA(&description);
    SendDlgItemMessageA(dialog, IDC_ABOUT_EMAIL, WM_SETFONT, (WPARAM)smooth, FALSE);
    RedrawWindow(dialog, &lowerThird, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpPending();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int blended = 0, darkened = 0;
    for (COLORREF colour : ReadControl(GetDlgItem(dialog, IDC_ABOUT_EMAIL)).colours) {
        blended += colour != kLinkBlue && colour != face;
        darkened += GetBValue(colour) < GetBValue(face);
    }
    CHECK(blended > 0);
    CHECK(darkened == 0);
    DeleteObject(smooth);   // the link now has its own underlined copy
}

TEST_CASE("A click on a link opens it once; the other fields open nothing")
{
    test::RemoveIni();
    RecordedOpens recorded;
    OpenDialog open;
    HWND dialog = open.dialog;
    REQUIRE(dialog != NULL);

    SUBCASE("The home page, with the mouse")
    {
        CHECK(test::ClickCentre(GetDlgItem(dialog, IDC_ABOUT_HOMEPAGE)));
        REQUIRE(test::PumpUntil([] { return !openCalls.empty(); }, kWaitMs));
        test::PumpFor(100);
        REQUIRE(openCalls.size() == 1);
        CHECK(openCalls[0].target == StringResource(IDS_HOMEPAGE));
        CHECK(openCalls[0].owner == dialog);
        CHECK_FALSE(openCalls[0].verbGiven);
        CHECK_FALSE(openCalls[0].parametersGiven);
        CHECK_FALSE(openCalls[0].directoryGiven);
        CHECK(openCalls[0].showCommand == SW_SHOWNORMAL);
    }
    SUBCASE("The e-mail address, with the mouse, as mailto:")
    {
        CHECK(test::ClickCentre(GetDlgItem(dialog, IDC_ABOUT_EMAIL)));
        REQUIRE(test::PumpUntil([] { return !openCalls.empty(); }, kWaitMs));
        test::PumpFor(100);
        REQUIRE(openCalls.size() == 1);
        CHECK(openCalls[0].target == "mailto:" + StringResource(IDS_EMAIL));
    }
    SUBCASE("A double click opens once")
    {
        HWND link = GetDlgItem(dialog, IDC_ABOUT_EMAIL);
        SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        SendMessageA(link, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        test::PumpFor(100);
        CHECK(openCalls.size() == 1);
    }
    SUBCASE("The link opens the text that the control holds")
    {
        SetDlgItemTextA(dialog, IDC_ABOUT_HOMEPAGE, "https://other.example/");
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_HOMEPAGE, STN_CLICKED),
                     (LPARAM)GetDlgItem(dialog, IDC_ABOUT_HOMEPAGE));
        REQUIRE(openCalls.size() == 1);
        CHECK(openCalls[0].target == "https://other.example/");
    }
    SUBCASE("Copyright and version")
    {
        CHECK(test::ClickCentre(GetDlgItem(dialog, IDC_ABOUT_COPYRIGHT)));
        CHECK(test::ClickCentre(GetDlgItem(dialog, IDC_ABOUT_VERSION)));
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_COPYRIGHT, STN_CLICKED), 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_VERSION, STN_CLICKED), 0);
        test::PumpFor(200);
        CHECK(openCalls.empty());
    }
}

TEST_CASE("Every WM_SETCURSOR of the dialog sets the program's cursor, also over buttons and the edit")
{
    test::RemoveIni();
    OpenDialog open;
    HWND dialog = open.dialog;
    REQUIRE(dialog != NULL);
    HCURSOR own = LoadCursorA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDC_MOCHIPOTE_POINTER));
    REQUIRE(own != NULL);

    ICONINFO info = {};
    REQUIRE(GetIconInfo(own, &info));
    CHECK(info.xHotspot == 0);
    CHECK(info.yHotspot == 0);
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);

    HCURSOR arrow = LoadCursorA(NULL, IDC_ARROW);
    const HWND over[] = { dialog, GetDlgItem(dialog, IDOK), GetDlgItem(dialog, IDCANCEL),
                          GetDlgItem(dialog, IDC_INTERVAL), GetDlgItem(dialog, IDC_BGM_ON),
                          GetDlgItem(dialog, IDC_ABOUT_HOMEPAGE) };
    const WORD hitTests[] = { HTCLIENT, HTCAPTION, HTBORDER, HTNOWHERE };
    for (HWND window : over) {
        for (WORD hit : hitTests) {
            SetCursor(arrow);
            SendMessageA(dialog, WM_SETCURSOR, (WPARAM)window, MAKELPARAM(hit, WM_MOUSEMOVE));
            CHECK(GetCursor() == own);
        }
    }
}

TEST_CASE("A thousand repaints leave no GDI object behind, and closing the dialog frees the last fonts")
{
    test::RemoveIni();
    SUBCASE("The count sees a leak of the kind a repaint could make")
    {
        HWND dialog = OpenConfigDialog();
        REQUIRE(dialog != NULL);
        size_t before = test::LiveGdiObjects(test::kGdiFontType);
        std::vector<HFONT> leaked;
        for (int i = 0; i < 10; ++i) {
            LOGFONTA description;
            GetObjectA(ControlFont(dialog, IDC_ABOUT_EMAIL), sizeof description, &description);
            leaked.push_back(CreateFontIndirectA(&description));
        }
        CHECK(test::LiveGdiObjects(test::kGdiFontType) == before + 10);
        for (HFONT font : leaked)
            DeleteObject(font);
        CHECK(test::LiveGdiObjects(test::kGdiFontType) == before);
        DestroyWindow(dialog);
    }
    SUBCASE("Repaints")
    {
        size_t fontsBefore = test::LiveGdiObjects(test::kGdiFontType);
        size_t allBefore = test::LiveGdiObjects();
        REQUIRE(fontsBefore > 0);   // the count works here

        HWND dialog = OpenConfigDialog();
        REQUIRE(dialog != NULL);
        size_t fontsOpen = test::LiveGdiObjects(test::kGdiFontType);
        size_t allOpen = test::LiveGdiObjects();
        CHECK(fontsOpen == fontsBefore + 3);   // the dialog's font and two underlined ones

        HFONT first = ControlFont(dialog, IDC_ABOUT_HOMEPAGE);
        HFONT previous = first;
        int newFonts = 0;
        for (int i = 0; i < kRepaints; ++i) {
            RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
            PumpPending();
            HFONT current = ControlFont(dialog, IDC_ABOUT_HOMEPAGE);
            newFonts += current != previous;
            previous = current;
        }
        CHECK(newFonts == kRepaints);
        CHECK(test::LiveGdiObjects(test::kGdiFontType) == fontsOpen);
        CHECK(test::LiveGdiObjects() == allOpen);
        CHECK(GetObjectType(first) == 0);
        CHECK(IsUnderlined(ControlFont(dialog, IDC_ABOUT_HOMEPAGE)));
        CheckDrawnAsLink(dialog, IDC_ABOUT_HOMEPAGE);

        DestroyWindow(dialog);
        test::PumpFor(50);
        CHECK(test::LiveGdiObjects(test::kGdiFontType) == fontsBefore);
        CHECK(test::LiveGdiObjects() == allBefore);
    }
}
