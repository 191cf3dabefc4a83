// The 46 pictures of the built savers, read back from their bitmap resources:
// names, sizes, bit depths and the colours the masked blits rely on.
#include <doctest/doctest.h>

#include "ResourceSupport.h"
#include "scene/Scene.h"

#include <math.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace resources_test;

namespace {

enum PictureKind {
    kCharacterFrame,   // key blue around the character
    kStar,             // black star on white
    kBlankStar,        // all white
    kMoon,             // disc on black
    kClockEnd,         // all blue
    kClockDigit,       // green figure on black between blue rims
    kClockColonDim,
    kClockColonLit,
    kClockAm,
    kClockPm,
};

struct CataloguePicture {
    const char* name;
    int width;
    int height;
    int bitsPerPixel;
    PictureKind kind;
};

const CataloguePicture kCatalogue[] = {
    { "IDB_BITMAP_TOKOPI_000", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_102", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_103", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_104", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_202", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_203", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_204", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_205", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_206", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_207", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_208", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_209", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_210", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_211", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_212", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_213", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_214", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_215", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_216", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_217", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_218", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_219", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_220", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_302", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_402", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_TOKOPI_403", 40, 40, 8, kCharacterFrame },
    { "IDB_BITMAP_STAR_00", 40, 40, 4, kStar },
    { "IDB_BITMAP_STAR_01", 40, 40, 8, kStar },
    { "IDB_BITMAP_STAR_02", 40, 40, 4, kBlankStar },
    { "IDB_BITMAP_MOON", 64, 64, 8, kMoon },
    { "IDB_BITMAP_CLOCK_L", 2, 32, 8, kClockEnd },
    { "IDB_BITMAP_CLOCK_R", 2, 32, 8, kClockEnd },
    { "IDB_BITMAP_CLOCK_D_0", 16, 32, 4, kClockColonDim },
    { "IDB_BITMAP_CLOCK_D_1", 16, 32, 4, kClockColonLit },
    { "IDB_BITMAP_CLOCK_AM", 16, 32, 4, kClockAm },
    { "IDB_BITMAP_CLOCK_PM", 16, 32, 4, kClockPm },
    { "IDB_BITMAP_CLOCK_N_0", 32, 32, 4, kClockDigit },
    { "IDB_BITMAP_CLOCK_N_1", 32, 32, 4, kClockDigit },
    { "IDB_BITMAP_CLOCK_N_2", 32, 32, 4, kClockDigit },
    { "IDB_BITMAP_CLOCK_N_3", 32, 32, 4, kClockDigit },
    { "IDB_BITMAP_CLOCK_N_4", 32, 32, 4, kClockDigit },
    { "IDB_BITMAP_CLOCK_N_5", 32, 32, 4, kClockDigit },
    { "IDB_BITMAP_CLOCK_N_6", 32, 32, 4, kClockDigit },
    { "IDB_BITMAP_CLOCK_N_7", 32, 32, 4, kClockDigit },
    { "IDB_BITMAP_CLOCK_N_8", 32, 32, 4, kClockDigit },
    { "IDB_BITMAP_CLOCK_N_9", 32, 32, 4, kClockDigit },
};
const int kCatalogueSize = sizeof kCatalogue / sizeof kCatalogue[0];

const COLORREF kKeyBlue = RGB(0, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kLitGreen = RGB(0, 255, 0);
const COLORREF kDimGreen = RGB(0, 128, 0);

// Clock tiles: two blue rows at the top and at the bottom.
const int kClockRimRows = 2;
// A colour this close to the key blue but not equal would show as a blue fringe.
const int kNearKeyTolerance = 48;

// A decoded picture: one COLORREF per pixel, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<COLORREF> pixels;
    std::string error;   // why it could not be decoded, empty when it could

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Reads a BI_RGB palette DIB (the form our art tool writes) the way GDI would show it.
Picture DecodeDib(const ResourceBytes& bytes)
{
    Picture picture;
    if (bytes.data == NULL || bytes.size < sizeof(BITMAPINFOHEADER)) {
        picture.error = "no bitmap resource";
        return picture;
    }
    const BYTE* data = bytes.data;
    uint32_t headerSize = ReadU32(data);
    int32_t width = static_cast<int32_t>(ReadU32(data + 4));
    int32_t height = static_cast<int32_t>(ReadU32(data + 8));
    uint16_t bitCount = ReadU16(data + 14);
    uint32_t compression = ReadU32(data + 16);
    uint32_t coloursUsed = ReadU32(data + 32);
    picture.width = width;
    picture.height = height < 0 ? -height : height;
    picture.bitsPerPixel = bitCount;
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > bytes.size) {
        picture.error = "bad header size";
        return picture;
    }
    if (compression != BI_RGB || (bitCount != 4 && bitCount != 8) || width <= 0 || height == 0) {
        picture.error = "not an uncompressed 4- or 8-bit palette picture";
        return picture;
    }
    uint32_t paletteSize = coloursUsed != 0 ? coloursUsed : (1u << bitCount);
    size_t stride = ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
    size_t bitsOffset = headerSize + paletteSize * sizeof(RGBQUAD);
    if (paletteSize > (1u << bitCount) || bitsOffset + stride * picture.height > bytes.size) {
        picture.error = "resource shorter than its header says";
        return picture;
    }
    const BYTE* palette = data + headerSize;
    const BYTE* bits = data + bitsOffset;
    bool bottomUp = height > 0;
    picture.pixels.resize(static_cast<size_t>(width) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        const BYTE* row = bits + stride * (bottomUp ? picture.height - 1 - y : y);
        for (int x = 0; x < width; ++x) {
            unsigned index = bitCount == 8 ? row[x] : (x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F);
            if (index >= paletteSize) {
                picture.error = "pixel outside the palette";
                return picture;
            }
            const BYTE* quad = palette + index * sizeof(RGBQUAD);
            picture.pixels[static_cast<size_t>(y) * width + x] = RGB(quad[2], quad[1], quad[0]);
        }
    }
    return picture;
}

Picture LoadPicture(HMODULE module, const char* name)
{
    return DecodeDib(FindResourceBytes(module, RT_BITMAP, name));
}

std::string Where(int x, int y)
{
    return "(" + std::to_string(x) + "," + std::to_string(y) + ")";
}

// Marks every pixel of the colour reachable from the seeds through that colour
// (four-neighbour steps) and returns how many it newly marked.
int Flood(const Picture& picture, COLORREF colour, std::vector<POINT> stack, std::vector<char>* seen)
{
    int marked = 0;
    while (!stack.empty()) {
        POINT p = stack.back();
        stack.pop_back();
        if (p.x < 0 || p.y < 0 || p.x >= picture.width || p.y >= picture.height)
            continue;
        size_t at = static_cast<size_t>(p.y) * picture.width + p.x;
        if ((*seen)[at] || picture.pixels[at] != colour)
            continue;
        (*seen)[at] = 1;
        ++marked;
        stack.push_back(POINT{ p.x + 1, p.y });
        stack.push_back(POINT{ p.x - 1, p.y });
        stack.push_back(POINT{ p.x, p.y + 1 });
        stack.push_back(POINT{ p.x, p.y - 1 });
    }
    return marked;
}

// Regions of the colour cut off from the seeds: the size and first pixel of each.
std::vector<std::pair<int, std::string>> CutOffRegions(const Picture& picture, COLORREF colour,
                                                       const std::vector<POINT>& seeds)
{
    std::vector<char> seen(picture.pixels.size(), 0);
    Flood(picture, colour, seeds, &seen);
    std::vector<std::pair<int, std::string>> regions;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            size_t at = static_cast<size_t>(y) * picture.width + x;
            if (!seen[at] && picture.pixels[at] == colour)
                regions.push_back(std::make_pair(Flood(picture, colour, { POINT{ x, y } }, &seen), Where(x, y)));
        }
    return regions;
}

std::vector<POINT> BorderPixels(const Picture& picture)
{
    std::vector<POINT> border;
    for (int x = 0; x < picture.width; ++x) {
        border.push_back(POINT{ x, 0 });
        border.push_back(POINT{ x, picture.height - 1 });
    }
    for (int y = 0; y < picture.height; ++y) {
        border.push_back(POINT{ 0, y });
        border.push_back(POINT{ picture.width - 1, y });
    }
    return border;
}

int CountColour(const Picture& picture, COLORREF colour, int firstRow, int lastRow)
{
    int count = 0;
    for (int y = firstRow; y <= lastRow; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (picture.At(x, y) == colour)
                ++count;
    return count;
}

bool NearKey(COLORREF colour)
{
    return GetRValue(colour) <= kNearKeyTolerance && GetGValue(colour) <= kNearKeyTolerance &&
           GetBValue(colour) >= 255 - kNearKeyTolerance;
}

// The background is the key blue joined to the edge of the frame. Key blue inside
// the character would punch a hole through it; the only key pixels allowed inside are
// single-pixel gaps between two strokes (they read as background), and each is named.
void CheckCharacterFrame(const char* name, const Picture& picture)
{
    const int w = picture.width, h = picture.height;
    CHECK(picture.At(0, 0) == kKeyBlue);
    CHECK(picture.At(w - 1, 0) == kKeyBlue);
    CHECK(picture.At(0, h - 1) == kKeyBlue);
    CHECK(picture.At(w - 1, h - 1) == kKeyBlue);
    for (const std::pair<int, std::string>& region : CutOffRegions(picture, kKeyBlue, BorderPixels(picture))) {
        INFO("key-blue region of " << region.first << " pixels inside the character at " << region.second);
        CHECK(region.first == 1);
        if (region.first == 1)
            MESSAGE(std::string(name) << ": one-pixel key-blue gap at " << region.second);
    }
    int characterPixels = 0, fringe = 0;
    for (COLORREF colour : picture.pixels) {
        if (colour != kKeyBlue) {
            ++characterPixels;
            if (NearKey(colour))
                ++fringe;
        }
    }
    CHECK(characterPixels > 0);
    CHECK(fringe == 0);
}

// White is the star's key. The saver ORs a tint with every channel at least 0x80
// into the rest: black takes the tint whole, a grey below 0x80 only lightens it
// (a highlight), and any other colour would change its hue. The outermost ring
// is not tinted, so the star stays inside it.
bool TintableGrey(COLORREF colour)
{
    return GetRValue(colour) == GetGValue(colour) && GetGValue(colour) == GetBValue(colour) &&
           GetRValue(colour) < 0x80;
}

void CheckStar(const Picture& picture, bool blank)
{
    int white = 0, black = 0, grey = 0, other = 0, onRing = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            COLORREF colour = picture.At(x, y);
            if (colour == kWhite)
                ++white;
            else if (colour == kBlack)
                ++black;
            else if (TintableGrey(colour))
                ++grey;
            else
                ++other;
            bool ring = x == 0 || y == 0 || x == picture.width - 1 || y == picture.height - 1;
            if (ring && colour != kWhite)
                ++onRing;
        }
    CHECK(other == 0);
    CHECK(onRing == 0);
    if (blank) {
        CHECK(black + grey == 0);
    } else {
        CHECK(white > 0);
        CHECK(black > 0);   // somewhere the tint shows at full strength
    }
}

// Black is the moon's key: all of it must be sky joined to the corners, and the
// disc inside the inscribed circle must hold no black. The rim may be shaded.
void CheckMoon(const Picture& picture)
{
    const int w = picture.width, h = picture.height;
    const double centreX = (w - 1) / 2.0, centreY = (h - 1) / 2.0;
    const double radius = w / 2.0;
    const double rimWidth = 1.5;   // anti-aliasing allowance on each side of the edge
    std::vector<POINT> corners = { { 0, 0 }, { w - 1, 0 }, { 0, h - 1 }, { w - 1, h - 1 } };
    for (const POINT& corner : corners)
        CHECK(picture.At(corner.x, corner.y) == kBlack);
    for (const std::pair<int, std::string>& region : CutOffRegions(picture, kBlack, corners)) {
        INFO("black region of " << region.first << " pixels cut off from the sky at " << region.second);
        CHECK(region.first == 0);
    }
    int blackInDisc = 0, litOutside = 0;
    std::string firstInDisc, firstOutside;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double dx = x - centreX, dy = y - centreY;
            double distance = sqrt(dx * dx + dy * dy);
            if (distance <= radius - rimWidth && picture.At(x, y) == kBlack) {
                if (blackInDisc++ == 0)
                    firstInDisc = Where(x, y);
            }
            if (distance >= radius + rimWidth && picture.At(x, y) != kBlack) {
                if (litOutside++ == 0)
                    firstOutside = Where(x, y);
            }
        }
    }
    INFO("first black disc pixel " << firstInDisc << ", first lit sky pixel " << firstOutside);
    CHECK(blackInDisc == 0);
    CHECK(litOutside == 0);
    // A full disc: it reaches every edge of the square.
    CHECK(picture.At(w / 2, 0) != kBlack);
    CHECK(picture.At(w / 2, h - 1) != kBlack);
    CHECK(picture.At(0, h / 2) != kBlack);
    CHECK(picture.At(w - 1, h / 2) != kBlack);
}

// Blue rims, and a face of black, green and dim green only.
void CheckClockFrame(const Picture& picture)
{
    const int h = picture.height;
    int rimWidth = picture.width * kClockRimRows;
    CHECK(CountColour(picture, kKeyBlue, 0, kClockRimRows - 1) == rimWidth);
    CHECK(CountColour(picture, kKeyBlue, h - kClockRimRows, h - 1) == rimWidth);
    int faceFirst = kClockRimRows, faceLast = h - kClockRimRows - 1;
    int face = picture.width * (faceLast - faceFirst + 1);
    int allowed = CountColour(picture, kBlack, faceFirst, faceLast) +
                  CountColour(picture, kLitGreen, faceFirst, faceLast) +
                  CountColour(picture, kDimGreen, faceFirst, faceLast);
    CHECK(allowed == face);
}

void CheckPicture(const CataloguePicture& entry, const Picture& picture)
{
    const int h = picture.height;
    const int middle = h / 2;
    const int faceFirst = kClockRimRows, faceLast = h - kClockRimRows - 1;
    switch (entry.kind) {
    case kCharacterFrame:
        CheckCharacterFrame(entry.name, picture);
        break;
    case kStar:
        CheckStar(picture, false);
        break;
    case kBlankStar:
        CheckStar(picture, true);
        break;
    case kMoon:
        CheckMoon(picture);
        break;
    case kClockEnd:
        CHECK(CountColour(picture, kKeyBlue, 0, h - 1) == picture.width * h);
        break;
    case kClockDigit:
        CheckClockFrame(picture);
        CHECK(CountColour(picture, kLitGreen, faceFirst, faceLast) > 0);
        break;
    case kClockColonDim:
        CheckClockFrame(picture);
        CHECK(CountColour(picture, kDimGreen, faceFirst, faceLast) > 0);
        CHECK(CountColour(picture, kLitGreen, faceFirst, faceLast) == 0);
        break;
    case kClockColonLit:
        CheckClockFrame(picture);
        CHECK(CountColour(picture, kLitGreen, faceFirst, faceLast) > 0);
        CHECK(CountColour(picture, kDimGreen, faceFirst, faceLast) == 0);
        break;
    case kClockAm:
        CheckClockFrame(picture);
        CHECK(CountColour(picture, kLitGreen, faceFirst, middle - 1) > 0);
        CHECK(CountColour(picture, kLitGreen, middle, faceLast) == 0);
        break;
    case kClockPm:
        CheckClockFrame(picture);
        CHECK(CountColour(picture, kLitGreen, faceFirst, middle - 1) == 0);
        CHECK(CountColour(picture, kLitGreen, middle, faceLast) > 0);
        break;
    }
}

// Where the star (everything not white) lies on average (its centre of mass).
POINT StarCentre(const Picture& picture)
{
    long sumX = 0, sumY = 0, count = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (picture.At(x, y) != kWhite) {
                sumX += x;
                sumY += y;
                ++count;
            }
    POINT centre = { -1, -1 };
    if (count > 0) {
        centre.x = sumX / count;
        centre.y = sumY / count;
    }
    return centre;
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR collected)
{
    std::vector<std::string>* names = reinterpret_cast<std::vector<std::string>*>(collected);
    names->push_back(IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name))
                                          : std::string(name));
    return TRUE;
}

std::set<std::string> CatalogueNames()
{
    std::set<std::string> names;
    for (const CataloguePicture& entry : kCatalogue)
        names.insert(entry.name);
    return names;
}

void CheckImage(const ScrImage& image)
{
    INFO(std::string(image.label) << ": " << image.path);
    DataModule module(image.path);
    REQUIRE(module.get() != NULL);

    SUBCASE("its bitmaps are exactly the 46 of the catalogue, each named by a string")
    {
        std::vector<std::string> found;
        EnumResourceNamesA(module.get(), RT_BITMAP, CollectName, reinterpret_cast<LONG_PTR>(&found));
        CHECK(found.size() == static_cast<size_t>(kCatalogueSize));
        std::set<std::string> expected = CatalogueNames();
        for (const std::string& name : found) {
            INFO("bitmap resource " << name);
            CHECK(expected.count(name) == 1);
        }
        for (const CataloguePicture& entry : kCatalogue) {
            INFO(std::string(entry.name));
            CHECK(FindResourceA(module.get(), entry.name, RT_BITMAP) != NULL);
        }
    }

    SUBCASE("every picture has the catalogue's size, depth and colours")
    {
        for (const CataloguePicture& entry : kCatalogue) {
            INFO(std::string(entry.name));
            Picture picture = LoadPicture(module.get(), entry.name);
            REQUIRE(picture.error == "");
            CHECK(picture.width == entry.width);
            CHECK(picture.height == entry.height);
            CHECK(picture.bitsPerPixel == entry.bitsPerPixel);
            if (picture.width == entry.width && picture.height == entry.height)
                CheckPicture(entry, picture);
        }
    }

    SUBCASE("the shooting star falls: upper right in frame 00, lower and further left in 01")
    {
        POINT first = StarCentre(LoadPicture(module.get(), "IDB_BITMAP_STAR_00"));
        POINT second = StarCentre(LoadPicture(module.get(), "IDB_BITMAP_STAR_01"));
        INFO("star centres " << Where(first.x, first.y) << " and " << Where(second.x, second.y));
        CHECK(first.x > 20);
        CHECK(first.y < 20);
        CHECK(second.x < first.x);
        CHECK(second.y > first.y);
    }

    SUBCASE("the ten digits are ten different pictures")
    {
        std::vector<std::vector<COLORREF>> digits;
        for (const CataloguePicture& entry : kCatalogue)
            if (entry.kind == kClockDigit)
                digits.push_back(LoadPicture(module.get(), entry.name).pixels);
        REQUIRE(digits.size() == 10);
        for (size_t a = 0; a < digits.size(); ++a)
            for (size_t b = a + 1; b < digits.size(); ++b) {
                INFO("digits " << a << " and " << b);
                CHECK(digits[a] != digits[b]);
            }
    }
}

} // namespace

TEST_CASE("the shipped 32-bit saver carries the picture catalogue")
{
    CheckImage(ShippedImage());
}

TEST_CASE("the 64-bit build carries the picture catalogue")
{
    CheckImage(LocalImage());
}

TEST_CASE("every frame the scene plays is a picture of the catalogue")
{
    std::set<std::string> names = CatalogueNames();
    for (int s = 0; s < kSequenceCount; ++s) {
        const CharacterSequence& sequence = characterSequences[s];
        INFO("sequence " << s);
        REQUIRE(sequence.frameCount > 0);
        CHECK(std::string(sequence.frameNames[0]) == "IDB_BITMAP_TOKOPI_000");
        CHECK(std::string(sequence.frameNames[sequence.frameCount - 1]) == "IDB_BITMAP_TOKOPI_000");
        for (int f = 0; f < sequence.frameCount; ++f) {
            INFO("frame " << f << " " << std::string(sequence.frameNames[f]));
            CHECK(names.count(sequence.frameNames[f]) == 1);
        }
    }
}

// GDI's own reading of a picture must agree with the decoding above, so the checks
// speak about what the saver really draws.
TEST_CASE("LoadBitmapA shows the same pixels as the raw resource")
{
    HMODULE self = GetModuleHandleA(NULL);
    HDC screen = GetDC(NULL);
    for (const CataloguePicture& entry : kCatalogue) {
        INFO(std::string(entry.name));
        Picture picture = LoadPicture(self, entry.name);
        REQUIRE(picture.error == "");
        HBITMAP bitmap = LoadBitmapA(self, entry.name);
        REQUIRE(bitmap != NULL);
        BITMAP info = {};
        GetObjectA(bitmap, sizeof info, &info);
        CHECK(info.bmWidth == entry.width);
        CHECK(info.bmHeight == entry.height);

        BITMAPINFO request = {};
        request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        request.bmiHeader.biWidth = picture.width;
        request.bmiHeader.biHeight = -picture.height;   // top row first
        request.bmiHeader.biPlanes = 1;
        request.bmiHeader.biBitCount = 32;
        request.bmiHeader.biCompression = BI_RGB;
        std::vector<DWORD> bits(picture.pixels.size());
        int rows = GetDIBits(screen, bitmap, 0, picture.height, bits.data(), &request, DIB_RGB_COLORS);
        CHECK(rows == picture.height);
        int differing = 0;
        for (size_t i = 0; i < bits.size(); ++i) {
            DWORD v = bits[i];
            COLORREF seen = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
            if (seen != picture.pixels[i])
                ++differing;
        }
        CHECK(differing == 0);
        DeleteObject(bitmap);
    }
    ReleaseDC(NULL, screen);
}
