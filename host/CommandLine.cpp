#include "host/CommandLine.h"

namespace {

const unsigned char kBlank = 0x20;
const char kQuote = 0x22;
const char kColon = 0x3A;

bool IsCp932LeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsSwitchFiller(char byte)
{
    return byte == ' ' || byte == '-' || byte == '/';
}

const char* SkipBlanks(const char* text)
{
    while (*text == ' ')
        ++text;
    return text;
}

} // namespace

const char* NextCharCp932(const char* text)
{
    if (*text == 0)
        return text;
    if (IsCp932LeadByte((unsigned char)text[0]) && text[1] != 0)
        return text + 2;
    return text + 1;
}

const char* SkipProgramName(const char* commandLine, NextCharFunction nextChar)
{
    const char* p = commandLine;
    if (*p == kQuote) {
        p = nextChar(p);
        while (*p != 0 && *p != kQuote)
            p = nextChar(p);
        if (*p == kQuote)
            p = nextChar(p);
    } else if ((unsigned char)*p > kBlank) {
        while ((unsigned char)*p > kBlank)
            p = nextChar(p);
    }
    while (*p != 0 && (unsigned char)*p <= kBlank)
        p = nextChar(p);
    return p;
}

uint32_t ParseHandleNumber(const char* digits)
{
    uint32_t value = 0;
    // Signed bytes, as the original compare: 0x80 and up are not digits either.
    for (const signed char* p = (const signed char*)digits; *p >= '0' && *p <= '9'; ++p)
        value = value * 10u + (uint32_t)(*p - '0');
    return value;
}

SaverSwitch InterpretSaverSwitch(const char* argumentText)
{
    const char* p = argumentText;
    while (IsSwitchFiller(*p))
        ++p;

    SaverSwitch result = { SaverModeUnknown, 0 };
    switch (*p) {
    case 0:
        result.mode = SaverModeConfigure;
        break;
    case 'S': case 's':
        result.mode = SaverModeFullScreen;
        break;
    case 'P': case 'p': case 'L': case 'l':
        result.mode = SaverModePreview;
        result.handle = ParseHandleNumber(SkipBlanks(p + 1));
        break;
    case 'C': case 'c':
        result.mode = SaverModeConfigureOwned;
        if (p[1] == kColon)
            result.handle = ParseHandleNumber(p + 2);
        break;
    case 'A': case 'a':
        result.mode = SaverModeChangePassword;
        result.handle = ParseHandleNumber(SkipBlanks(p + 1));
        break;
    default:
        break;
    }
    return result;
}
