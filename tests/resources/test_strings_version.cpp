// The about panel's strings, the icon, the cursor and the version resource of the
// built savers, read the way the program and the shell read them.
#include <doctest/doctest.h>

#include "ResourceSupport.h"
#include "resources/resource_ids.h"

#include <string.h>
#include <string>
#include <vector>

using namespace resources_test;

namespace {

// The about panel loads each string into a buffer of this many characters.
const int kAboutBufferSize = 100;
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
const char kProductName[] = "もちぽて";
const char kVersionText[] = "0.3.1";
const WORD kIconType = 1;
const WORD kCursorType = 2;
// A group directory: reserved, type, count; then one entry per image.
const DWORD kGroupHeaderSize = 6;
const DWORD kGroupEntrySize = 14;

std::string LoadAnsiString(HMODULE module, UINT id)
{
    char text[kAboutBufferSize] = "";
    int length = LoadStringA(module, id, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

// The length of the entry in UTF-16 units, not cut by any buffer.
int WideLength(HMODULE module, UINT id)
{
    const wchar_t* text = NULL;
    return LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
}

bool HasSpace(const std::string& text)
{
    return text.find_first_of(" \t\r\n") != std::string::npos;
}

void CheckStrings(HMODULE module)
{
    REQUIRE(module != NULL);
    // Entries 1 to 4 share the first block of the string table.
    CHECK(FindResourceExA(module, RT_STRING, MAKEINTRESOURCEA(1), kJapanese) != NULL);

    for (UINT id = IDS_COPYRIGHT; id <= IDS_EMAIL; ++id) {
        INFO("string " << id);
        int wide = WideLength(module, id);
        CHECK(wide > 0);
        CHECK(wide < kAboutBufferSize);
        // The panel's buffer counts Shift-JIS bytes: the text must fit whole.
        std::string text = LoadAnsiString(module, id);
        CHECK(text.size() > 0);
        CHECK(text.size() < static_cast<size_t>(kAboutBufferSize - 1));
    }

    std::string copyright = LoadAnsiString(module, IDS_COPYRIGHT);
    CHECK(HexBytes(copyright.substr(0, strlen(kProductName))) == HexBytes(kProductName));

    CHECK(LoadAnsiString(module, IDS_VERSION) == kVersionText);

    std::string url = LoadAnsiString(module, IDS_HOMEPAGE);
    INFO("home page: " << url);
    bool web = url.rfind("https://", 0) == 0 || url.rfind("http://", 0) == 0;
    CHECK(web);
    CHECK_FALSE(HasSpace(url));
    size_t hostStart = url.find("//") + 2;
    std::string host = url.substr(hostStart, url.find('/', hostStart) - hostStart);
    CHECK(host.find('.') != std::string::npos);

    std::string mail = LoadAnsiString(module, IDS_EMAIL);
    INFO("e-mail: " << mail);
    size_t at = mail.find('@');
    REQUIRE(at != std::string::npos);
    CHECK(at > 0);
    CHECK(mail.find('@', at + 1) == std::string::npos);
    CHECK(mail.find('.', at) != std::string::npos);
    CHECK(mail.back() != '.');
    CHECK_FALSE(HasSpace(mail));
    // The panel prefixes "mailto:" itself.
    CHECK(mail.rfind("mailto:", 0) != 0);
}

struct GroupEntry {
    int width, height, colourCount, bitCount;
    WORD imageId;
};

// The directory of an icon or cursor group; `kind` says which layout the entries have.
std::vector<GroupEntry> ReadGroup(const ResourceBytes& bytes, WORD kind)
{
    std::vector<GroupEntry> entries;
    if (bytes.data == NULL || bytes.size < kGroupHeaderSize || ReadU16(bytes.data + 2) != kind)
        return entries;
    WORD count = ReadU16(bytes.data + 4);
    if (kGroupHeaderSize + count * kGroupEntrySize > bytes.size)
        return entries;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* e = bytes.data + kGroupHeaderSize + i * kGroupEntrySize;
        GroupEntry entry;
        if (kind == kIconType) {
            entry.width = e[0] == 0 ? 256 : e[0];
            entry.height = e[1] == 0 ? 256 : e[1];
            entry.colourCount = e[2];
            entry.bitCount = ReadU16(e + 6);
        } else {
            entry.width = ReadU16(e);
            entry.height = ReadU16(e + 2) / 2;   // a cursor entry counts the mask too
            entry.colourCount = 0;
            entry.bitCount = ReadU16(e + 6);
        }
        entry.imageId = ReadU16(e + 12);
        entries.push_back(entry);
    }
    return entries;
}

// What an image's own header says: width, height without the mask, bits per pixel.
struct ImageHeader {
    bool found;
    int width, height, bitCount;
};

ImageHeader ReadImageHeader(const BYTE* header, DWORD available)
{
    ImageHeader image = { false, 0, 0, 0 };
    if (header == NULL || available < sizeof(BITMAPINFOHEADER))
        return image;
    image.found = true;
    image.width = static_cast<int32_t>(ReadU32(header + 4));
    image.height = static_cast<int32_t>(ReadU32(header + 8)) / 2;   // colour rows + mask rows
    image.bitCount = ReadU16(header + 14);
    return image;
}

void CheckIconAndCursor(HMODULE module)
{
    REQUIRE(module != NULL);

    SUBCASE("icon group 102: 32x32 and 16x16 in 16 colours, 32x32 in 256 colours")
    {
        std::vector<GroupEntry> entries =
            ReadGroup(FindResourceBytes(module, RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_MOCHIPOTE)), kIconType);
        REQUIRE(entries.size() == 3);
        const int expected[3][3] = { { 32, 32, 4 }, { 16, 16, 4 }, { 32, 32, 8 } };
        for (int i = 0; i < 3; ++i) {
            INFO("icon image " << i);
            const GroupEntry& entry = entries[i];
            CHECK(entry.width == expected[i][0]);
            CHECK(entry.height == expected[i][1]);
            CHECK(entry.colourCount == (expected[i][2] == 4 ? 16 : 0));
            ResourceBytes image = FindResourceBytes(module, RT_ICON, MAKEINTRESOURCEA(entry.imageId));
            ImageHeader header = ReadImageHeader(image.data, image.size);
            REQUIRE(header.found);
            CHECK(header.width == expected[i][0]);
            CHECK(header.height == expected[i][1]);
            CHECK(header.bitCount == expected[i][2]);
        }
        CHECK(FindResourceExA(module, RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_MOCHIPOTE), kJapanese) != NULL);
    }

    SUBCASE("no icon group 100")
    {
        CHECK(FindResourceA(module, MAKEINTRESOURCEA(100), RT_GROUP_ICON) == NULL);
    }

    SUBCASE("cursor group 110: one 32x32 image in 256 colours, hot spot at the top-left corner")
    {
        std::vector<GroupEntry> entries = ReadGroup(
            FindResourceBytes(module, RT_GROUP_CURSOR, MAKEINTRESOURCEA(IDC_MOCHIPOTE_POINTER)), kCursorType);
        REQUIRE(entries.size() == 1);
        CHECK(entries[0].width == 32);
        CHECK(entries[0].height == 32);
        ResourceBytes image = FindResourceBytes(module, RT_CURSOR, MAKEINTRESOURCEA(entries[0].imageId));
        // A cursor image starts with its hot spot, then the bitmap header.
        const DWORD hotSpotSize = 4;
        REQUIRE(image.size > hotSpotSize);
        CHECK(ReadU16(image.data) == 0);
        CHECK(ReadU16(image.data + 2) == 0);
        ImageHeader header = ReadImageHeader(image.data + hotSpotSize, image.size - hotSpotSize);
        REQUIRE(header.found);
        CHECK(header.width == 32);
        CHECK(header.height == 32);
        CHECK(header.bitCount == 8);
    }
}

std::string VersionString(const std::vector<BYTE>& block, const std::string& translation, const char* field)
{
    std::string path = "\\StringFileInfo\\" + translation + "\\" + field;
    char* value = NULL;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || value == NULL)
        return std::string("<missing>");
    return std::string(value);
}

void CheckVersion(const ScrImage& image)
{
    INFO(std::string(image.label) << ": " << image.path);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(image.path.c_str(), &ignored);
    REQUIRE(size > 0);
    std::vector<BYTE> block(size);
    REQUIRE(GetFileVersionInfoA(image.path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = NULL;
    UINT fixedSize = 0;
    REQUIRE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    REQUIRE(fixed != NULL);
    CHECK(fixed->dwSignature == 0xFEEF04BD);
    const DWORD versionHigh = MAKELONG(0, 1);   // 1.0
    const DWORD versionLow = MAKELONG(1, 3);    // .3.1
    CHECK(fixed->dwFileVersionMS == versionHigh);
    CHECK(fixed->dwFileVersionLS == versionLow);
    CHECK(fixed->dwProductVersionMS == versionHigh);
    CHECK(fixed->dwProductVersionLS == versionLow);

    // The string block is named by the first translation the resource lists.
    WORD* translations = NULL;
    UINT translationSize = 0;
    REQUIRE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                           reinterpret_cast<void**>(&translations), &translationSize));
    REQUIRE(translationSize >= 2 * sizeof(WORD));
    char name[16];
    wsprintfA(name, "%04X%04X", translations[0], translations[1]);
    std::string translation = name;
    INFO("translation " << translation);

    CHECK(HexBytes(VersionString(block, translation, "FileDescription")) == HexBytes(kProductName));
    CHECK(HexBytes(VersionString(block, translation, "InternalName")) == HexBytes(kProductName));
    CHECK(HexBytes(VersionString(block, translation, "ProductName")) == HexBytes(kProductName));
    CHECK(HexBytes(VersionString(block, translation, "OriginalFilename")) == HexBytes("もちぽて.scr"));
    CHECK(VersionString(block, translation, "FileVersion") == "1.0.3.1");
    CHECK(VersionString(block, translation, "ProductVersion") == "1.0.3.1");
    for (const char* field : { "Comments", "CompanyName", "LegalCopyright" }) {
        INFO(std::string(field));
        std::string value = VersionString(block, translation, field);
        CHECK(value != "<missing>");
        CHECK(!value.empty());
    }
}

} // namespace

TEST_CASE("string table 1 to 4 of the shipped 32-bit saver")
{
    DataModule module(ShippedScrPath());
    CheckStrings(module.get());
}

TEST_CASE("string table 1 to 4 of the 64-bit build")
{
    DataModule module(LocalScrPath());
    CheckStrings(module.get());
}

TEST_CASE("icon and cursor groups of the shipped 32-bit saver")
{
    DataModule module(ShippedScrPath());
    CheckIconAndCursor(module.get());
}

TEST_CASE("icon and cursor groups of the 64-bit build")
{
    DataModule module(LocalScrPath());
    CheckIconAndCursor(module.get());
}

TEST_CASE("the program's own icon and cursor load as the system sees them")
{
    HMODULE self = GetModuleHandleA(NULL);
    HCURSOR cursor = LoadCursorA(self, MAKEINTRESOURCEA(IDC_MOCHIPOTE_POINTER));
    REQUIRE(cursor != NULL);
    ICONINFO info = {};
    REQUIRE(GetIconInfo(cursor, &info));
    CHECK(info.fIcon == FALSE);
    CHECK(info.xHotspot == 0);
    CHECK(info.yHotspot == 0);
    if (info.hbmColor != NULL)
        DeleteObject(info.hbmColor);
    if (info.hbmMask != NULL)
        DeleteObject(info.hbmMask);
    CHECK(LoadIconA(self, MAKEINTRESOURCEA(IDI_MOCHIPOTE)) != NULL);
}

TEST_CASE("version resource of the shipped 32-bit saver")
{
    CheckVersion(ShippedImage());
}

TEST_CASE("version resource of the 64-bit build")
{
    CheckVersion(LocalImage());
}
