// The drawing primitives on real GDI: pixels read back from a memory DC with a
// DIB selected and from a window's own DC, the two kinds of surface the scene
// can be given.
#include <doctest/doctest.h>

#include "scene/Scene.h"
#include "support/GdiCount.h"
#include "support/TestSupport.h"

#include <functional>
#include <string>
#include <vector>

namespace {

const int kCanvasWidth = 160;
const int kCanvasHeight = 100;
const COLORREF kGrey = RGB(128, 128, 128);
const COLORREF kGreen = RGB(0, 90, 0);
const COLORREF kRed = RGB(90, 0, 0);
const COLORREF kMarker = RGB(200, 200, 40);
const char kCanvasClass[] = "CompositingTestCanvas";

enum CanvasKind { kMemoryCanvas, kWindowCanvas };

// A surface to draw on: a 32-bit DIB in a memory DC, or a window with its own DC.
struct Canvas {
    CanvasKind kind;
    HWND window;
    HDC dc;
    HBITMAP dib;
    HGDIOBJ previousBitmap;
};

LRESULT CALLBACK CanvasProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND)
        return 1;   // the test paints every pixel itself
    return DefWindowProcA(window, message, wParam, lParam);
}

Canvas OpenCanvas(CanvasKind kind)
{
    Canvas canvas = {};
    canvas.kind = kind;
    if (kind == kMemoryCanvas) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = kCanvasWidth;
        info.bmiHeader.biHeight = -kCanvasHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = NULL;
        canvas.dib = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
        canvas.dc = CreateCompatibleDC(NULL);
        canvas.previousBitmap = SelectObject(canvas.dc, canvas.dib);
        return canvas;
    }
    static ATOM registered = 0;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = CanvasProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = kCanvasClass;
        registered = RegisterClassA(&windowClass);
    }
    canvas.window = CreateWindowExA(WS_EX_TOPMOST, kCanvasClass, "Canvas", WS_POPUP | WS_VISIBLE, 0, 0,
                                    kCanvasWidth, kCanvasHeight, NULL, NULL, GetModuleHandleA(NULL), NULL);
    test::PumpFor(100);
    canvas.dc = GetDC(canvas.window);
    return canvas;
}

void CloseCanvas(Canvas& canvas)
{
    if (canvas.kind == kMemoryCanvas) {
        SelectObject(canvas.dc, canvas.previousBitmap);
        DeleteDC(canvas.dc);
        DeleteObject(canvas.dib);
    } else {
        ReleaseDC(canvas.window, canvas.dc);
        DestroyWindow(canvas.window);
        test::PumpFor(20);
    }
}

const char* KindName(CanvasKind kind)
{
    return kind == kMemoryCanvas ? "memory DC" : "window DC";
}

void Paint(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    RECT rect = { left, top, right, bottom };
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

std::vector<COLORREF> Snapshot(HDC dc)
{
    std::vector<COLORREF> pixels;
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    return pixels;
}

bool AllPixels(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (GetPixel(dc, x, y) != colour)
                return false;
    return true;
}

typedef std::function<COLORREF(int x, int y)> PixelRule;

// A bitmap like the ones LoadBitmapA gives: compatible with the screen.
HBITMAP MakeSprite(int width, int height, const PixelRule& rule)
{
    HDC screen = GetDC(NULL);
    HBITMAP sprite = CreateCompatibleBitmap(screen, width, height);
    HDC spriteDc = CreateCompatibleDC(screen);
    ReleaseDC(NULL, screen);
    HGDIOBJ previous = SelectObject(spriteDc, sprite);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixelV(spriteDc, x, y, rule(x, y));
    SelectObject(spriteDc, previous);
    DeleteDC(spriteDc);
    return sprite;
}

// The pixels of a bitmap, row by row. Fails (empty) when the bitmap is still
// selected into some other DC.
std::vector<COLORREF> BitmapPixels(HBITMAP bitmap, int width, int height)
{
    std::vector<COLORREF> pixels;
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    if (previous != NULL) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.push_back(GetPixel(dc, x, y));
        SelectObject(dc, previous);
    }
    DeleteDC(dc);
    return pixels;
}

BITMAP InfoOf(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    return info;
}

void PrepareSlot(SavedBackground& slot, HDC dc, int width, int height)
{
    if (slot.surface)
        DeleteObject(slot.surface);
    slot.surface = CreateCompatibleBitmap(dc, width, height);
    slot.captured = 0;
}

void ClearSlot(SavedBackground& slot)
{
    if (slot.surface)
        DeleteObject(slot.surface);
    slot = SavedBackground();
}

// One member of the masked family, called the same way for all three.
struct MaskedMember {
    const char* name;
    SavedBackground* slot;
    COLORREF key;
    bool recaptures;
    bool drawsAtNegativeX;
    std::function<void(int x, int y, HDC dc, HBITMAP sprite, BITMAP info, int previousX, int previousY)> blit;
    // The colour a sprite pixel should show at (x, y) over the background.
    std::function<COLORREF(COLORREF sprite, COLORREF background, int x, int y, int width, int height)> expected;
};

const COLORREF kTint = RGB(255, 128, 0);

COLORREF KeyedPixel(COLORREF key, COLORREF sprite, COLORREF background)
{
    return sprite == key ? background : sprite;
}

// The star's pixels take the tint by OR, except on the one-pixel outer frame.
COLORREF TintedPixel(COLORREF key, COLORREF sprite, COLORREF background, int x, int y, int width, int height)
{
    if (sprite == key)
        return background;
    bool onFrame = x == 0 || y == 0 || x == width - 1 || y == height - 1;
    return onFrame ? sprite : (sprite | kTint);
}

std::vector<MaskedMember> MaskedMembers()
{
    std::vector<MaskedMember> members;
    members.push_back({ "BlitCharacter", &characterSave, kCharacterKey, false, false,
                        [](int x, int y, HDC dc, HBITMAP sprite, BITMAP info, int px, int py) {
                            BlitCharacter(x, y, dc, sprite, info, kCharacterKey, px, py);
                        },
                        [](COLORREF s, COLORREF b, int, int, int, int) { return KeyedPixel(kCharacterKey, s, b); } });
    members.push_back({ "BlitTintedStar", &starSave, kStarKey, true, false,
                        [](int x, int y, HDC dc, HBITMAP sprite, BITMAP info, int px, int py) {
                            BlitTintedStar(x, y, dc, sprite, info, kTint, kStarKey, px, py);
                        },
                        [](COLORREF s, COLORREF b, int x, int y, int w, int h) {
                            return TintedPixel(kStarKey, s, b, x, y, w, h);
                        } });
    members.push_back({ "BlitMoon", &moonSave, kMoonKey, false, true,
                        [](int x, int y, HDC dc, HBITMAP sprite, BITMAP info, int px, int py) {
                            BlitMoon(x, y, dc, sprite, info, kMoonKey, px, py);
                        },
                        [](COLORREF s, COLORREF b, int, int, int, int) { return KeyedPixel(kMoonKey, s, b); } });
    return members;
}

const int kSpriteSize = 10;

// Key pixels on a diagonal pattern; the rest in many colours, among them black,
// white and colours one step away from each key.
PixelRule PatternFor(COLORREF key, int variant)
{
    return [key, variant](int x, int y) -> COLORREF {
        if ((x + 2 * y + variant) % 3 == 0)
            return key;
        if (x == 1 && y == 0)
            return RGB(0, 0, 0) == key ? RGB(0, 0, 1) : RGB(0, 0, 0);
        if (x == 2 && y == 0)
            return RGB(255, 255, 255) == key ? RGB(255, 255, 254) : RGB(255, 255, 255);
        if (x == 3 && y == 1)
            return RGB(0, 0, 254);
        if (x == 5 && y == 2)
            return RGB(0, 0, 255) == key ? RGB(0, 1, 255) : RGB(0, 0, 255);
        return RGB(20 + x * 20, 20 + y * 20, 60 + variant * 40);
    };
}

// Checks that the sprite shows at (left, top) over a plain background.
void CheckSpriteAt(HDC dc, int left, int top, const PixelRule& rule, const MaskedMember& member,
                   COLORREF background)
{
    int wrong = 0;
    for (int y = 0; y < kSpriteSize; ++y)
        for (int x = 0; x < kSpriteSize; ++x) {
            COLORREF want = member.expected(rule(x, y), background, x, y, kSpriteSize, kSpriteSize);
            if (GetPixel(dc, left + x, top + y) != want)
                ++wrong;
        }
    CHECK(wrong == 0);
}

const CanvasKind kCanvasKinds[] = { kMemoryCanvas, kWindowCanvas };

} // namespace

TEST_CASE("BlitOpaque copies the whole picture unchanged and skips a negative x")
{
    for (CanvasKind kind : kCanvasKinds) {
        std::string kindName = KindName(kind);
        CAPTURE(kindName);
        Canvas canvas = OpenCanvas(kind);
        Paint(canvas.dc, 0, 0, kCanvasWidth, kCanvasHeight, kGrey);
        PixelRule rule = [](int x, int y) {
            return x == 0 ? RGB(0, 0, 255) : x == 1 ? RGB(0, 0, 0) : RGB(30 * x, 40 * y, 200);
        };
        HBITMAP sprite = MakeSprite(6, 4, rule);

        BlitOpaque(50, 30, canvas.dc, sprite, InfoOf(sprite));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                CHECK(GetPixel(canvas.dc, 50 + x, 30 + y) == rule(x, y));
        CHECK(AllPixels(canvas.dc, 49, 29, 57, 30, kGrey));
        CHECK(AllPixels(canvas.dc, 49, 34, 57, 35, kGrey));
        CHECK(GetPixel(canvas.dc, 49, 31) == kGrey);
        CHECK(GetPixel(canvas.dc, 56, 31) == kGrey);

        std::vector<COLORREF> before = Snapshot(canvas.dc);
        BlitOpaque(-1, 60, canvas.dc, sprite, InfoOf(sprite));
        BlitOpaque(-100, 0, canvas.dc, sprite, InfoOf(sprite));
        CHECK(Snapshot(canvas.dc) == before);

        // The picture is free again: nothing keeps it selected.
        CHECK(BitmapPixels(sprite, 6, 4).size() == 24u);
        DeleteObject(sprite);
        CloseCanvas(canvas);
    }
}

TEST_CASE("FillSolid fills the rectangle without its right and bottom edges")
{
    for (CanvasKind kind : kCanvasKinds) {
        std::string kindName = KindName(kind);
        CAPTURE(kindName);
        Canvas canvas = OpenCanvas(kind);
        Paint(canvas.dc, 0, 0, kCanvasWidth, kCanvasHeight, kGrey);
        RECT rect = { 10, 20, 30, 25 };
        FillSolid(canvas.dc, RGB(12, 34, 56), rect);
        CHECK(AllPixels(canvas.dc, 10, 20, 30, 25, RGB(12, 34, 56)));
        CHECK(AllPixels(canvas.dc, 30, 20, 31, 25, kGrey));
        CHECK(AllPixels(canvas.dc, 10, 25, 30, 26, kGrey));
        CHECK(AllPixels(canvas.dc, 9, 19, 31, 20, kGrey));

        RECT whole = { 0, 0, kCanvasWidth, kCanvasHeight };
        FillSolid(canvas.dc, RGB(0, 0, 0), whole);
        CHECK(AllPixels(canvas.dc, 0, 0, kCanvasWidth, kCanvasHeight, RGB(0, 0, 0)));
        CloseCanvas(canvas);
    }
}

namespace {

// One member drawing over green (left half) and red (right half), with a marker
// block below; each scenario starts from a fresh picture and an empty slot.
struct MaskedScene {
    const MaskedMember* member;
    HDC dc;
    PixelRule frameA, frameB;
    HBITMAP spriteA, spriteB;
    BITMAP info;
};

void FirstCallCapturesOnly(MaskedScene& s)
{
    s.member->blit(10, 10, s.dc, s.spriteA, s.info, 20, 60);
    CHECK(s.member->slot->captured == 1);
    CheckSpriteAt(s.dc, 10, 10, s.frameA, *s.member, kGreen);
    CHECK(AllPixels(s.dc, 20, 60, 20 + kSpriteSize, 60 + kSpriteSize, kMarker));
    CHECK(BitmapPixels(s.member->slot->surface, kSpriteSize, kSpriteSize) ==
          std::vector<COLORREF>(kSpriteSize * kSpriteSize, kGreen));
}

void FrameInPlaceLeavesNoTrace(MaskedScene& s)
{
    s.member->blit(10, 10, s.dc, s.spriteA, s.info, 10, 10);
    s.member->blit(10, 10, s.dc, s.spriteB, s.info, 10, 10);
    CheckSpriteAt(s.dc, 10, 10, s.frameB, *s.member, kGreen);
}

void LaterCallsRestore(MaskedScene& s)
{
    s.member->blit(10, 10, s.dc, s.spriteA, s.info, 0, 0);    // over green
    s.member->blit(100, 10, s.dc, s.spriteA, s.info, 10, 10); // over red
    CHECK(AllPixels(s.dc, 10, 10, 10 + kSpriteSize, 10 + kSpriteSize, kGreen));
    CheckSpriteAt(s.dc, 100, 10, s.frameA, *s.member, kRed);
    s.member->blit(100, 40, s.dc, s.spriteB, s.info, 100, 10);
    // The star saved the red under its last place; the others still hold their first capture.
    COLORREF wiped = s.member->recaptures ? kRed : kGreen;
    CHECK(AllPixels(s.dc, 100, 10, 100 + kSpriteSize, 10 + kSpriteSize, wiped));
    CheckSpriteAt(s.dc, 100, 40, s.frameB, *s.member, kRed);
}

void NegativeX(MaskedScene& s)
{
    s.member->blit(10, 10, s.dc, s.spriteA, s.info, 10, 10);
    std::vector<COLORREF> saved = BitmapPixels(s.member->slot->surface, kSpriteSize, kSpriteSize);
    std::vector<COLORREF> before = Snapshot(s.dc);
    s.member->blit(-1, 40, s.dc, s.spriteB, s.info, 10, 10);
    if (s.member->drawsAtNegativeX) {
        CHECK(Snapshot(s.dc) != before);
        return;
    }
    CHECK(Snapshot(s.dc) == before);
    CHECK(s.member->slot->captured == 1);
    CHECK(BitmapPixels(s.member->slot->surface, kSpriteSize, kSpriteSize) == saved);
    // A fresh slot stays uncaptured.
    PrepareSlot(*s.member->slot, s.dc, kSpriteSize, kSpriteSize);
    s.member->blit(-5, 40, s.dc, s.spriteB, s.info, 10, 10);
    CHECK(s.member->slot->captured == 0);
    CHECK(Snapshot(s.dc) == before);
}

struct Scenario {
    const char* name;
    void (*run)(MaskedScene& scene);
};

const Scenario kScenarios[] = {
    { "the first call captures without restoring, whatever the previous place", FirstCallCapturesOnly },
    { "a frame drawn in place leaves no trace of the one before", FrameInPlaceLeavesNoTrace },
    { "later calls restore the old place; only the star saves each new place", LaterCallsRestore },
    { "a negative x", NegativeX },
};

} // namespace

TEST_CASE("The masked blits draw every colour but the key and wipe their old place")
{
    std::vector<MaskedMember> members = MaskedMembers();
    for (CanvasKind kind : kCanvasKinds) {
        Canvas canvas = OpenCanvas(kind);
        for (const MaskedMember& member : members) {
            for (const Scenario& scenario : kScenarios) {
                std::string kindName = KindName(kind);
        CAPTURE(kindName);
                std::string memberName = member.name, scenarioName = scenario.name;
                CAPTURE(memberName);
                CAPTURE(scenarioName);
                MaskedScene scene = { &member, canvas.dc, PatternFor(member.key, 0), PatternFor(member.key, 1),
                                      NULL, NULL, BITMAP() };
                Paint(scene.dc, 0, 0, 80, kCanvasHeight, kGreen);
                Paint(scene.dc, 80, 0, kCanvasWidth, kCanvasHeight, kRed);
                Paint(scene.dc, 20, 60, 20 + kSpriteSize, 60 + kSpriteSize, kMarker);
                scene.spriteA = MakeSprite(kSpriteSize, kSpriteSize, scene.frameA);
                scene.spriteB = MakeSprite(kSpriteSize, kSpriteSize, scene.frameB);
                scene.info = InfoOf(scene.spriteA);
                PrepareSlot(*member.slot, scene.dc, kSpriteSize, kSpriteSize);

                scenario.run(scene);

                // Nothing keeps the sprite or the surface selected after a call.
                CHECK(BitmapPixels(scene.spriteA, kSpriteSize, kSpriteSize).size() ==
                      size_t(kSpriteSize * kSpriteSize));
                CHECK(BitmapPixels(member.slot->surface, kSpriteSize, kSpriteSize).size() ==
                      size_t(kSpriteSize * kSpriteSize));
                ClearSlot(*member.slot);
                DeleteObject(scene.spriteA);
                DeleteObject(scene.spriteB);
            }
        }
        CloseCanvas(canvas);
    }
}

TEST_CASE("BlitMoon left of the window shows the moon's right part")
{
    for (CanvasKind kind : kCanvasKinds) {
        std::string kindName = KindName(kind);
        CAPTURE(kindName);
        Canvas canvas = OpenCanvas(kind);
        HDC dc = canvas.dc;
        Paint(dc, 0, 0, kCanvasWidth, kCanvasHeight, kGrey);
        const int size = 64;
        // Each column its own colour; every eighth row is the black key.
        PixelRule moon = [](int x, int y) { return y % 8 == 0 ? RGB(0, 0, 0) : RGB(3 * x + 10, 100, 200); };
        HBITMAP sprite = MakeSprite(size, size, moon);
        BITMAP info = InfoOf(sprite);
        PrepareSlot(moonSave, dc, size, size);

        for (int x = -20; x <= -19; ++x) {
            CAPTURE(x);
            BlitMoon(x, 10, dc, sprite, info, kMoonKey, x - 1, 10);
            CHECK(moonSave.captured == 1);
            int wrong = 0;
            for (int row = 0; row < size; ++row)
                for (int column = 0; column < size + x; ++column)
                    if (GetPixel(dc, column, 10 + row) != KeyedPixel(kMoonKey, moon(column - x, row), kGrey))
                        ++wrong;
            CHECK(wrong == 0);
            CHECK(AllPixels(dc, size + x, 10, size + x + 10, 10 + size, kGrey));
        }

        // Wholly left of the window: nothing shows, the old place is still wiped.
        // The first capture was taken at x = -20, so its left 20 columns hold no
        // screen pixels; put back at x = -19 the last of them lands on column 0.
        BlitMoon(-64, 10, dc, sprite, info, kMoonKey, -19, 10);
        CHECK(AllPixels(dc, 1, 0, kCanvasWidth, kCanvasHeight, kGrey));

        ClearSlot(moonSave);
        DeleteObject(sprite);
        CloseCanvas(canvas);
    }
}

TEST_CASE("The real pictures: the character's blue and the star's white are transparent")
{
    Canvas canvas = OpenCanvas(kWindowCanvas);
    HDC dc = canvas.dc;
    Paint(dc, 0, 0, kCanvasWidth, kCanvasHeight, kGreen);
    HINSTANCE module = GetModuleHandleA(NULL);

    HBITMAP character = LoadBitmapA(module, "IDB_BITMAP_TOKOPI_000");
    HBITMAP star = LoadBitmapA(module, "IDB_BITMAP_STAR_00");
    REQUIRE(character != NULL);
    REQUIRE(star != NULL);
    BITMAP characterInfo = InfoOf(character);
    BITMAP starInfo = InfoOf(star);
    std::vector<COLORREF> characterPixels = BitmapPixels(character, 40, 40);
    std::vector<COLORREF> starPixels = BitmapPixels(star, 40, 40);
    PrepareSlot(characterSave, dc, 40, 40);
    PrepareSlot(starSave, dc, 40, 40);

    BlitCharacter(10, 10, dc, character, characterInfo, kCharacterKey, 10, 10);
    const COLORREF yellow = RGB(255, 220, 0);
    BlitTintedStar(100, 10, dc, star, starInfo, yellow, kStarKey, 100, 10);

    int characterWrong = 0, starWrong = 0, keyPixels = 0, tinted = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            COLORREF c = characterPixels[y * 40 + x];
            keyPixels += c == kCharacterKey;
            if (GetPixel(dc, 10 + x, 10 + y) != KeyedPixel(kCharacterKey, c, kGreen))
                ++characterWrong;
            COLORREF s = starPixels[y * 40 + x];
            bool onFrame = x == 0 || y == 0 || x == 39 || y == 39;
            COLORREF want = s == kStarKey ? kGreen : onFrame ? s : (s | yellow);
            tinted += want == yellow;
            if (GetPixel(dc, 100 + x, 10 + y) != want)
                ++starWrong;
        }
    CHECK(keyPixels > 0);
    CHECK(keyPixels < 1600);
    CHECK(tinted > 0);
    CHECK(characterWrong == 0);
    CHECK(starWrong == 0);

    ClearSlot(characterSave);
    ClearSlot(starSave);
    DeleteObject(character);
    DeleteObject(star);
    CloseCanvas(canvas);
}

TEST_CASE("A drawing call gives back every DC, brush and bitmap it makes")
{
    Canvas canvas = OpenCanvas(kMemoryCanvas);
    HDC dc = canvas.dc;
    HBITMAP sprite = MakeSprite(kSpriteSize, kSpriteSize, PatternFor(kCharacterKey, 0));
    BITMAP info = InfoOf(sprite);
    PrepareSlot(characterSave, dc, kSpriteSize, kSpriteSize);
    PrepareSlot(starSave, dc, kSpriteSize, kSpriteSize);
    PrepareSlot(moonSave, dc, kSpriteSize, kSpriteSize);
    RECT rect = { 0, 0, 20, 20 };

    size_t before = test::LiveGdiObjects();
    // The count itself sees one new brush.
    HBRUSH probe = CreateSolidBrush(RGB(9, 9, 9));
    REQUIRE(test::LiveGdiObjects() == before + 1);
    DeleteObject(probe);
    for (int round = 0; round < 3; ++round) {
        BlitOpaque(5, 5, dc, sprite, info);
        FillSolid(dc, RGB(1, 2, 3), rect);
        BlitCharacter(10, 10, dc, sprite, info, kCharacterKey, 10, 10);
        BlitTintedStar(30, 10, dc, sprite, info, kTint, kStarKey, 30, 10);
        BlitMoon(-3, 30, dc, sprite, info, kMoonKey, -3, 30);
    }
    CHECK(test::LiveGdiObjects() == before);

    ClearSlot(characterSave);
    ClearSlot(starSave);
    ClearSlot(moonSave);
    DeleteObject(sprite);
    CloseCanvas(canvas);
}
