// Opening the built savers as data and reading their raw resources.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string.h>
#include <string>

#include "support/TestSupport.h"

namespace resources_test {

// The 32-bit product, copied beside the tests, and the 64-bit build of it.
inline std::string ShippedScrPath()
{
    return test::ExeDirectory() + "\\shipped\\もちぽて.scr";
}

inline std::string LocalScrPath()
{
    return test::ScrPath();
}

struct ScrImage {
    const char* label;
    std::string path;
};

inline ScrImage ShippedImage() { return ScrImage{ "shipped 32-bit", ShippedScrPath() }; }
// The saver built beside the test programs, for their machine.
#ifdef _WIN64
const char kLocalLabel[] = "64-bit build";
#else
const char kLocalLabel[] = "32-bit build";
#endif
inline ScrImage LocalImage() { return ScrImage{ kLocalLabel, LocalScrPath() }; }

// A saver loaded as a data file: its resources can be found, none of its code runs,
// so either image loads into a process of either width.
class DataModule {
public:
    explicit DataModule(const std::string& path)
        : module_(LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~DataModule()
    {
        if (module_ != NULL)
            FreeLibrary(module_);
    }
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

// The raw bytes of one resource, or empty when the module does not hold it.
struct ResourceBytes {
    const BYTE* data;
    DWORD size;
};

inline ResourceBytes FindResourceBytes(HMODULE module, LPCSTR type, LPCSTR name)
{
    ResourceBytes bytes = { NULL, 0 };
    HRSRC found = FindResourceA(module, name, type);
    if (found == NULL)
        return bytes;
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == NULL)
        return bytes;
    bytes.data = static_cast<const BYTE*>(LockResource(loaded));
    bytes.size = bytes.data != NULL ? SizeofResource(module, found) : 0;
    return bytes;
}

// Little-endian reads from a byte buffer that may be unaligned.
inline uint16_t ReadU16(const BYTE* at)
{
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

inline uint32_t ReadU32(const BYTE* at)
{
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

const UINT kShiftJisCodePage = 932;

// Shift-JIS text from UTF-16 resource text, as the program's "A" calls see it.
inline std::string ToShiftJis(const wchar_t* text, int length)
{
    if (length <= 0)
        return std::string();
    int needed = WideCharToMultiByte(kShiftJisCodePage, 0, text, length, NULL, 0, NULL, NULL);
    std::string out(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(kShiftJisCodePage, 0, text, length, &out[0], needed, NULL, NULL);
    return out;
}

// Byte-exact text of a Shift-JIS literal, for messages that show what differed.
inline std::string HexBytes(const std::string& text)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (!out.empty())
            out += ' ';
        out += kDigits[c >> 4];
        out += kDigits[c & 0x0F];
    }
    return out;
}

} // namespace resources_test
