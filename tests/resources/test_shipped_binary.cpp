// The shipped file itself, read as bytes: what kind of image it is, which system
// libraries it binds to at load time, its size, and the exact Shift-JIS bytes of
// the texts the program keeps.
#include <doctest/doctest.h>

#include "ResourceSupport.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

using namespace resources_test;

namespace {

const WORD kMachineI386 = 0x014C;
const WORD kMachineAmd64 = 0x8664;
const WORD kMagicPe32 = 0x10B;
const WORD kMagicPe32Plus = 0x20B;
const size_t kSizeLimit = 300 * 1024;

// The libraries the saver may bind to at load time; anything else is looked up at
// run time (or not used).
const char* const kAllowedImports[] = {
    "KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "ADVAPI32.DLL",
    "COMCTL32.DLL", "WINMM.DLL", "SHELL32.DLL", "MSVCRT.DLL",
};

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return text;
}

struct ImageFacts {
    std::string error;
    WORD machine = 0;
    WORD characteristics = 0;
    WORD magic = 0;
    WORD subsystem = 0;
    std::set<std::string> imports;          // DLL names, upper case
    std::set<std::string> delayImports;     // DLL names, upper case
    std::set<std::string> functions;        // imported by name, as written
};

// Reads the PE headers and walks the import tables of the file's bytes.
class PeReader {
public:
    explicit PeReader(const std::string& bytes) : bytes_(bytes) {}

    ImageFacts Read()
    {
        ImageFacts facts;
        if (!Has(0x40, 4) || bytes_.compare(0, 2, "MZ") != 0)
            return Fail(facts, "no MZ header");
        uint32_t pe = U32(0x3C);
        if (!Has(pe, 24) || bytes_.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
            return Fail(facts, "no PE signature");
        uint32_t fileHeader = pe + 4;
        facts.machine = U16(fileHeader);
        WORD sectionCount = U16(fileHeader + 2);
        WORD optionalSize = U16(fileHeader + 16);
        facts.characteristics = U16(fileHeader + 18);
        uint32_t optional = fileHeader + 20;
        if (!Has(optional, optionalSize) || optionalSize < 72)
            return Fail(facts, "optional header cut short");
        facts.magic = U16(optional);
        facts.subsystem = U16(optional + 68);
        bool wide = facts.magic == kMagicPe32Plus;
        if (!wide && facts.magic != kMagicPe32)
            return Fail(facts, "unknown optional header");
        uint32_t directories = optional + (wide ? 112 : 96);
        uint32_t directoryCount = U32(optional + (wide ? 108 : 92));
        sections_ = optional + optionalSize;
        sectionCount_ = sectionCount;
        if (!Has(sections_, sectionCount * 40u))
            return Fail(facts, "section table cut short");
        thunkSize_ = wide ? 8 : 4;

        const uint32_t importIndex = 1, delayIndex = 13;
        if (directoryCount > importIndex && !ReadImports(facts, U32(directories + importIndex * 8)))
            return Fail(facts, "import table unreadable");
        if (directoryCount > delayIndex && !ReadDelayImports(facts, U32(directories + delayIndex * 8)))
            return Fail(facts, "delay-load table unreadable");
        return facts;
    }

private:
    bool Has(uint64_t at, uint64_t count) const { return at + count <= bytes_.size(); }
    WORD U16(uint32_t at) const { return ReadU16(reinterpret_cast<const BYTE*>(bytes_.data()) + at); }
    uint32_t U32(uint32_t at) const { return ReadU32(reinterpret_cast<const BYTE*>(bytes_.data()) + at); }
    uint64_t U64(uint32_t at) const { return U32(at) | (static_cast<uint64_t>(U32(at + 4)) << 32); }

    static ImageFacts Fail(ImageFacts& facts, const char* why)
    {
        facts.error = why;
        return facts;
    }

    // File offset of a relative virtual address, or 0 when no section holds it.
    uint32_t Offset(uint32_t rva) const
    {
        for (uint32_t i = 0; i < sectionCount_; ++i) {
            uint32_t header = sections_ + i * 40;
            uint32_t virtualSize = U32(header + 8);
            uint32_t virtualAddress = U32(header + 12);
            uint32_t rawSize = U32(header + 16);
            uint32_t rawPointer = U32(header + 20);
            uint32_t extent = std::max(virtualSize, rawSize);
            if (rva >= virtualAddress && rva < virtualAddress + extent) {
                uint32_t offset = rawPointer + (rva - virtualAddress);
                return offset < bytes_.size() ? offset : 0;
            }
        }
        return 0;
    }

    bool Text(uint32_t rva, std::string* out) const
    {
        uint32_t at = Offset(rva);
        if (at == 0)
            return false;
        size_t end = bytes_.find('\0', at);
        if (end == std::string::npos)
            return false;
        *out = bytes_.substr(at, end - at);
        return true;
    }

    bool ReadFunctionNames(ImageFacts& facts, uint32_t thunkRva)
    {
        uint32_t at = Offset(thunkRva);
        if (at == 0)
            return false;
        for (;; at += thunkSize_) {
            if (!Has(at, thunkSize_))
                return false;
            uint64_t thunk = thunkSize_ == 8 ? U64(at) : U32(at);
            if (thunk == 0)
                return true;
            uint64_t ordinalFlag = thunkSize_ == 8 ? (1ull << 63) : (1ull << 31);
            if (thunk & ordinalFlag)
                continue;
            std::string name;
            if (!Text(static_cast<uint32_t>(thunk) + 2, &name))   // past the hint
                return false;
            facts.functions.insert(name);
        }
    }

    bool ReadImports(ImageFacts& facts, uint32_t tableRva)
    {
        if (tableRva == 0)
            return true;
        uint32_t at = Offset(tableRva);
        if (at == 0)
            return false;
        const uint32_t descriptorSize = 20;
        for (;; at += descriptorSize) {
            if (!Has(at, descriptorSize))
                return false;
            uint32_t lookup = U32(at), nameRva = U32(at + 12), address = U32(at + 16);
            if (lookup == 0 && nameRva == 0 && address == 0)
                return true;
            std::string name;
            if (!Text(nameRva, &name))
                return false;
            facts.imports.insert(Upper(name));
            if (!ReadFunctionNames(facts, lookup != 0 ? lookup : address))
                return false;
        }
    }

    bool ReadDelayImports(ImageFacts& facts, uint32_t tableRva)
    {
        if (tableRva == 0)
            return true;
        uint32_t at = Offset(tableRva);
        if (at == 0)
            return false;
        const uint32_t descriptorSize = 32;
        for (;; at += descriptorSize) {
            if (!Has(at, descriptorSize))
                return false;
            uint32_t nameRva = U32(at + 4);
            if (nameRva == 0)
                return true;
            std::string name;
            if (!Text(nameRva, &name))
                return false;
            facts.delayImports.insert(Upper(name));
        }
    }

    const std::string& bytes_;
    uint32_t sections_ = 0;
    uint32_t sectionCount_ = 0;
    uint32_t thunkSize_ = 4;
};

void CheckImports(const ImageFacts& facts)
{
    std::set<std::string> allowed(std::begin(kAllowedImports), std::end(kAllowedImports));
    for (const std::string& name : facts.imports) {
        INFO("imports " << name);
        CHECK(allowed.count(name) == 1);
    }
    for (const std::string& name : facts.delayImports) {
        INFO("delay-loads " << name);
        CHECK(allowed.count(name) == 1);
    }
    CHECK(facts.imports.count("IMM32.DLL") == 0);
    CHECK(facts.delayImports.count("IMM32.DLL") == 0);
    CHECK(facts.imports.count("KERNEL32.DLL") == 1);
    CHECK(facts.imports.count("USER32.DLL") == 1);
}

std::string Joined(const std::set<std::string>& names)
{
    std::string out;
    for (const std::string& name : names)
        out += (out.empty() ? "" : ", ") + name;
    return out;
}

// Texts the program keeps in Shift-JIS, byte for byte. Each is looked for in the
// image only once the code that holds it is linked in, which the import named
// beside it shows.
struct KeptText {
    const char* text;
    const char* bytes;
    const char* linkedWhenImported;
};

const KeptText kKeptTexts[] = {
    // The settings store: INI file, sections, keys and the default tune.
    { "もちぽて.ini", "82 E0 82 BF 82 DB 82 C4 2E 69 6E 69", "GetPrivateProfileIntA" },
    { "表示間隔", "95 5C 8E A6 8A D4 8A 75", "GetPrivateProfileIntA" },
    { "インターバル(*100msec)",
      "83 43 83 93 83 5E 81 5B 83 6F 83 8B 28 2A 31 30 30 6D 73 65 63 29", "GetPrivateProfileIntA" },
    { "ＢＧＭ", "82 61 82 66 82 6C", "GetPrivateProfileIntA" },
    { "ＢＧＭあり", "82 61 82 66 82 6C 82 A0 82 E8", "GetPrivateProfileIntA" },
    { "ＢＧＭタイトル", "82 61 82 66 82 6C 83 5E 83 43 83 67 83 8B", "GetPrivateProfileIntA" },
    { "時刻表示", "8E 9E 8D 8F 95 5C 8E A6", "GetPrivateProfileIntA" },
    { "時刻表示の有無", "8E 9E 8D 8F 95 5C 8E A6 82 CC 97 4C 96 B3", "GetPrivateProfileIntA" },
    { "時刻表示のモード", "8E 9E 8D 8F 95 5C 8E A6 82 CC 83 82 81 5B 83 68", "GetPrivateProfileIntA" },
    { "もちぽて.mid", "82 E0 82 BF 82 DB 82 C4 2E 6D 69 64", "GetPrivateProfileStringA" },
    // The scene's load-failure box and its caption.
    { "ピットマップのロードに失敗しました！",
      "83 73 83 62 83 67 83 7D 83 62 83 76 82 CC 83 8D 81 5B 83 68 82 C9 8E B8 94 73 82 B5 82 DC 82 B5 82 BD 81 49",
      "LoadBitmapA" },
    { "もちぽて", "82 E0 82 BF 82 DB 82 C4", "LoadBitmapA" },
    // The dialog's range warning; the wave is the full-width tilde, 81 60.
    { "表示間隔範囲エラー(1～128)",
      "95 5C 8E A6 8A D4 8A 75 94 CD 88 CD 83 47 83 89 81 5B 28 31 81 60 31 32 38 29", "DialogBoxParamA" },
};

void CheckKeptTexts(const std::string& image, const ImageFacts& facts, const char* label)
{
    std::vector<std::string> waiting;
    for (const KeptText& kept : kKeptTexts) {
        INFO(std::string(label) << ": " << std::string(kept.bytes));
        // Trail bytes of 5C stay single: the compiler must not have escaped them.
        CHECK(HexBytes(kept.text) == kept.bytes);
        if (facts.functions.count(kept.linkedWhenImported) == 0) {
            waiting.push_back(std::string(kept.bytes) + " (until " + kept.linkedWhenImported + " is used)");
            continue;
        }
        CHECK(image.find(kept.text) != std::string::npos);
    }
    for (const std::string& text : waiting)
        MESSAGE(std::string(label) << ": not linked in yet, not looked for: " << text);
}

} // namespace

TEST_CASE("the shipped saver is a small 32-bit GUI image bound only to the allowed libraries")
{
    std::string image = test::ReadFileBytes(ShippedScrPath());
    REQUIRE(image.size() > 0);
    ImageFacts facts = PeReader(image).Read();
    REQUIRE(facts.error == "");
    MESSAGE("shipped もちぽて.scr: " << image.size() << " bytes; imports " << Joined(facts.imports));

    CHECK(facts.machine == kMachineI386);
    CHECK(facts.magic == kMagicPe32);
    CHECK(facts.subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI);
    CHECK((facts.characteristics & IMAGE_FILE_EXECUTABLE_IMAGE) != 0);
    CHECK((facts.characteristics & IMAGE_FILE_DLL) == 0);
    CHECK(image.size() < kSizeLimit);
    CheckImports(facts);
}

// The saver built beside this test program, for the same machine as the test.
#ifdef _WIN64
const WORD kLocalMachine = kMachineAmd64;
const WORD kLocalMagic = kMagicPe32Plus;
#else
const WORD kLocalMachine = kMachineI386;
const WORD kLocalMagic = kMagicPe32;
#endif

TEST_CASE("the saver beside the tests is a GUI image for their machine, bound only to the allowed libraries")
{
    std::string image = test::ReadFileBytes(LocalScrPath());
    REQUIRE(image.size() > 0);
    ImageFacts facts = PeReader(image).Read();
    REQUIRE(facts.error == "");
    MESSAGE(kLocalLabel << " もちぽて.scr: " << image.size() << " bytes; imports " << Joined(facts.imports));

    CHECK(facts.machine == kLocalMachine);
    CHECK(facts.magic == kLocalMagic);
    CHECK(facts.subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI);
    CHECK((facts.characteristics & IMAGE_FILE_DLL) == 0);
    CheckImports(facts);
}

TEST_CASE("the texts the program keeps are the exact Shift-JIS bytes, in the shipped image too")
{
    std::string shipped = test::ReadFileBytes(ShippedScrPath());
    REQUIRE(shipped.size() > 0);
    ImageFacts shippedFacts = PeReader(shipped).Read();
    REQUIRE(shippedFacts.error == "");
    CheckKeptTexts(shipped, shippedFacts, "shipped 32-bit");

    std::string local = test::ReadFileBytes(LocalScrPath());
    REQUIRE(local.size() > 0);
    ImageFacts localFacts = PeReader(local).Read();
    REQUIRE(localFacts.error == "");
    CheckKeptTexts(local, localFacts, kLocalLabel);
}
