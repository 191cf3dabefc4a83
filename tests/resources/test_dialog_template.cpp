// Dialog template 2003: its raw bytes in the built savers, and the live dialog
// the dialog manager builds from it (created modeless from this program's copy).
#include <doctest/doctest.h>

#include "ResourceSupport.h"
#include "resources/resource_ids.h"

#include <string>
#include <vector>

using namespace resources_test;

namespace {

const DWORD kControlBase = WS_CHILD | WS_VISIBLE;
// Ordinal class atoms of an extended template.
const WORD kButtonAtom = 0x0080;
const WORD kEditAtom = 0x0081;
const WORD kStaticAtom = 0x0082;
const WORD kOrdinalMark = 0xFFFF;
const int kUnaddressed = -1;

struct ControlRow {
    int id;
    WORD atom;
    const char* windowClass;   // what GetClassNameA reports
    const char* text;          // NULL: the icon, shown by resource number
    DWORD styles;              // beyond WS_CHILD | WS_VISIBLE
    int x, y, w, h;            // dialog units
};

// In template order, which is also the tab and z-order.
const ControlRow kControls[] = {
    { IDOK, kButtonAtom, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 153, 89, 50, 14 },
    { IDCANCEL, kButtonAtom, "Button", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 153, 105, 50, 14 },
    { 1000, kButtonAtom, "Button", "BGMあり", BS_AUTOCHECKBOX | WS_TABSTOP, 54, 90, 42, 10 },
    { 1002, kEditAtom, "Edit", "", WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_RIGHT, 54, 103, 40, 14 },
    { 1013, kButtonAtom, "Button", "表示なし", BS_AUTORADIOBUTTON | WS_GROUP, 54, 121, 41, 10 },
    { 1014, kButtonAtom, "Button", "表示あり", BS_AUTORADIOBUTTON, 98, 121, 41, 10 },
    { 1011, kButtonAtom, "Button", "12時間", BS_AUTORADIOBUTTON | WS_GROUP, 54, 136, 37, 10 },
    { 1012, kButtonAtom, "Button", "24時間", BS_AUTORADIOBUTTON, 98, 136, 37, 10 },
    { kUnaddressed, kStaticAtom, "Static", NULL, SS_ICON | SS_SUNKEN, 14, 17, 20, 20 },
    { 1007, kStaticAtom, "Static", "ここに著作権表示をします。", SS_LEFT, 45, 21, 109, 12 },
    { kUnaddressed, kStaticAtom, "Static", "URL: ", SS_LEFT, 45, 49, 30, 12 },
    { kUnaddressed, kStaticAtom, "Static", "E-mail:", SS_LEFT, 45, 63, 30, 12 },
    { kUnaddressed, kStaticAtom, "Static", "Version:", SS_LEFT, 45, 35, 29, 12 },
    { kUnaddressed, kStaticAtom, "Static", "もちぽて", SS_LEFT, 45, 7, 95, 12 },
    { kUnaddressed, kButtonAtom, "Button", "", BS_GROUPBOX, 5, 77, 206, 75 },
    { 1008, kStaticAtom, "Static", "ここにバージョン表示をします。", SS_LEFT, 76, 35, 122, 12 },
    { 1009, kStaticAtom, "Static", "ここにHPのアドレスを表示します。", SS_LEFT | SS_NOTIFY, 76, 49, 122, 12 },
    { 1010, kStaticAtom, "Static", "ここにE-mailアドレスを表示します。", SS_LEFT | SS_NOTIFY, 76, 63, 122, 12 },
    { kUnaddressed, kStaticAtom, "Static", "BGM", SS_LEFT, 14, 90, 15, 8 },
    { kUnaddressed, kStaticAtom, "Static", "表示間隔", SS_LEFT, 14, 106, 28, 8 },
    { kUnaddressed, kStaticAtom, "Static", "[*100msec]", SS_LEFT, 96, 106, 44, 8 },
    { kUnaddressed, kStaticAtom, "Static", "時刻表示", SS_LEFT, 14, 122, 28, 8 },
};
const int kControlCount = sizeof kControls / sizeof kControls[0];

const DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
const int kDialogWidth = 215;
const int kDialogHeight = 161;
const char kDialogTitle[] = "もちぽて設定";
const char kFontFace[] = "ＭＳ Ｐゴシック";
const WORD kFontPoints = 9;
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

// --- The raw extended template ------------------------------------------------

// A name or number field of a template: 0 (none), an ordinal, or text.
struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::string text;   // Shift-JIS
};

struct TemplateItem {
    DWORD helpId, exStyle, style;
    short x, y, cx, cy;
    int32_t id;
    NameOrOrdinal windowClass, title;
    WORD extraCount;
};

struct DialogTemplate {
    WORD version, signature;
    DWORD helpId, exStyle, style;
    WORD itemCount;
    short x, y, cx, cy;
    NameOrOrdinal menu, windowClass;
    std::string title;
    WORD pointSize, weight;
    BYTE italic, charset;
    std::string face;
    std::vector<TemplateItem> items;
    std::string error;
};

// Walks the template's bytes; every read is bounds-checked against the resource size.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, DWORD size) : data_(data), size_(size), at_(0), ok_(true) {}
    bool ok() const { return ok_; }
    WORD Word()
    {
        if (!Has(2))
            return 0;
        WORD value = ReadU16(data_ + at_);
        at_ += 2;
        return value;
    }
    DWORD Dword()
    {
        if (!Has(4))
            return 0;
        DWORD value = ReadU32(data_ + at_);
        at_ += 4;
        return value;
    }
    BYTE Byte()
    {
        if (!Has(1))
            return 0;
        return data_[at_++];
    }
    std::string Text()
    {
        std::wstring wide;
        for (WORD c = Word(); ok_ && c != 0; c = Word())
            wide += static_cast<wchar_t>(c);
        return ToShiftJis(wide.c_str(), static_cast<int>(wide.size()));
    }
    NameOrOrdinal NameField()
    {
        NameOrOrdinal field;
        if (Has(2) && ReadU16(data_ + at_) == kOrdinalMark) {
            Word();
            field.isOrdinal = true;
            field.ordinal = Word();
        } else if (Has(2) && ReadU16(data_ + at_) == 0) {
            Word();
        } else {
            field.text = Text();
        }
        return field;
    }
    void AlignToDword() { at_ = (at_ + 3) & ~static_cast<DWORD>(3); }
    void Skip(DWORD count)
    {
        if (Has(count))
            at_ += count;
    }

private:
    bool Has(DWORD count)
    {
        if (at_ + count > size_)
            ok_ = false;
        return ok_;
    }
    const BYTE* data_;
    DWORD size_;
    DWORD at_;
    bool ok_;
};

DialogTemplate ParseTemplate(const ResourceBytes& bytes)
{
    DialogTemplate dialog = {};
    if (bytes.data == NULL) {
        dialog.error = "no dialog resource 2003";
        return dialog;
    }
    TemplateReader reader(bytes.data, bytes.size);
    dialog.version = reader.Word();
    dialog.signature = reader.Word();
    dialog.helpId = reader.Dword();
    dialog.exStyle = reader.Dword();
    dialog.style = reader.Dword();
    dialog.itemCount = reader.Word();
    dialog.x = static_cast<short>(reader.Word());
    dialog.y = static_cast<short>(reader.Word());
    dialog.cx = static_cast<short>(reader.Word());
    dialog.cy = static_cast<short>(reader.Word());
    dialog.menu = reader.NameField();
    dialog.windowClass = reader.NameField();
    dialog.title = reader.Text();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Word();
        dialog.weight = reader.Word();
        dialog.italic = reader.Byte();
        dialog.charset = reader.Byte();
        dialog.face = reader.Text();
    }
    for (int i = 0; i < dialog.itemCount && reader.ok(); ++i) {
        reader.AlignToDword();
        TemplateItem item = {};
        item.helpId = reader.Dword();
        item.exStyle = reader.Dword();
        item.style = reader.Dword();
        item.x = static_cast<short>(reader.Word());
        item.y = static_cast<short>(reader.Word());
        item.cx = static_cast<short>(reader.Word());
        item.cy = static_cast<short>(reader.Word());
        item.id = static_cast<int32_t>(reader.Dword());
        item.windowClass = reader.NameField();
        item.title = reader.NameField();
        item.extraCount = reader.Word();
        reader.Skip(item.extraCount);
        dialog.items.push_back(item);
    }
    if (!reader.ok())
        dialog.error = "template runs past the end of its resource";
    return dialog;
}

bool ClassMatches(const NameOrOrdinal& field, const ControlRow& row)
{
    if (field.isOrdinal)
        return field.ordinal == row.atom;
    return lstrcmpiA(field.text.c_str(), row.windowClass) == 0;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR collected)
{
    reinterpret_cast<std::vector<WORD>*>(collected)->push_back(language);
    return TRUE;
}

void CheckRawTemplate(HMODULE module)
{
    REQUIRE(module != NULL);
    ResourceBytes bytes = FindResourceBytes(module, RT_DIALOG, MAKEINTRESOURCEA(IDD_CONFIG));
    DialogTemplate dialog = ParseTemplate(bytes);
    REQUIRE(dialog.error == "");

    // Japanese, and only Japanese.
    CHECK(FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(IDD_CONFIG), kJapanese) != NULL);
    std::vector<WORD> languages;
    EnumResourceLanguagesA(module, RT_DIALOG, MAKEINTRESOURCEA(IDD_CONFIG), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    CHECK(languages == std::vector<WORD>{ kJapanese });

    CHECK(dialog.version == 1);
    CHECK(dialog.signature == 0xFFFF);
    CHECK(dialog.exStyle == 0);
    CHECK(dialog.style == kDialogStyle);
    CHECK(dialog.cx == kDialogWidth);
    CHECK(dialog.cy == kDialogHeight);
    CHECK((!dialog.menu.isOrdinal && dialog.menu.text.empty()));
    CHECK((!dialog.windowClass.isOrdinal && dialog.windowClass.text.empty()));
    CHECK(HexBytes(dialog.title) == HexBytes(kDialogTitle));
    CHECK(dialog.pointSize == kFontPoints);
    CHECK(dialog.weight == 0);
    CHECK(dialog.italic == 0);
    CHECK(dialog.charset == 0);
    CHECK(HexBytes(dialog.face) == HexBytes(kFontFace));

    REQUIRE(dialog.items.size() == static_cast<size_t>(kControlCount));
    for (int i = 0; i < kControlCount; ++i) {
        const ControlRow& row = kControls[i];
        const TemplateItem& item = dialog.items[i];
        INFO("control " << i << " (id " << row.id << ")");
        CHECK(item.id == row.id);
        CHECK(ClassMatches(item.windowClass, row));
        CHECK(item.style == (kControlBase | row.styles));
        CHECK(item.exStyle == 0);
        CHECK(item.x == row.x);
        CHECK(item.y == row.y);
        CHECK(item.cx == row.w);
        CHECK(item.cy == row.h);
        if (row.text == NULL) {
            CHECK(item.title.isOrdinal);
            CHECK(item.title.ordinal == IDI_MOCHIPOTE);
        } else {
            CHECK_FALSE(item.title.isOrdinal);
            CHECK(HexBytes(item.title.text) == HexBytes(row.text));
        }
        CHECK(item.extraCount == 0);
    }
}

// --- The live dialog ----------------------------------------------------------

INT_PTR CALLBACK TrivialDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

RECT DialogUnits(HWND dialog, int left, int top, int right, int bottom)
{
    RECT rect = { left, top, right, bottom };
    MapDialogRect(dialog, &rect);
    return rect;
}

RECT RectInDialog(HWND dialog, HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::vector<HWND> ChildrenInZOrder(HWND dialog)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != NULL; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

void CheckLiveStyles(HWND child, const ControlRow& row)
{
    DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
    CHECK((style & kControlBase) == kControlBase);
    CHECK((style & WS_TABSTOP) == (row.styles & WS_TABSTOP));
    CHECK((style & WS_GROUP) == (row.styles & WS_GROUP));
    if (row.atom == kButtonAtom) {
        CHECK((style & BS_TYPEMASK) == (row.styles & BS_TYPEMASK));
    } else if (row.atom == kStaticAtom) {
        CHECK((style & SS_TYPEMASK) == (row.styles & SS_TYPEMASK));
        CHECK((style & SS_NOTIFY) == (row.styles & SS_NOTIFY));
        CHECK((style & SS_SUNKEN) == (row.styles & SS_SUNKEN));
    } else {
        const DWORD editStyles = ES_NUMBER | ES_RIGHT;
        CHECK((style & editStyles) == (row.styles & editStyles));
        // The edit draws its own border: it may take WS_BORDER off its window style,
        // but a bordered edit always has a non-client frame.
        RECT window, client;
        GetWindowRect(child, &window);
        GetClientRect(child, &client);
        CHECK((window.right - window.left) > (client.right - client.left));
    }
}

} // namespace

TEST_CASE("dialog 2003 in the shipped 32-bit saver is the extended Japanese template of the table")
{
    DataModule module(ShippedScrPath());
    CheckRawTemplate(module.get());
}

TEST_CASE("dialog 2003 in the 64-bit build is the extended Japanese template of the table")
{
    DataModule module(LocalScrPath());
    CheckRawTemplate(module.get());
}

TEST_CASE("dialog 2003 linked into the test programs is the same template")
{
    CheckRawTemplate(GetModuleHandleA(NULL));
}

TEST_CASE("the dialog manager builds every control of the table from template 2003")
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_CONFIG), NULL,
                                     TrivialDialogProc, 0);
    REQUIRE(dialog != NULL);

    SUBCASE("the dialog window: class, title, style, client size and font")
    {
        CHECK(ClassOf(dialog) == "#32770");
        CHECK(HexBytes(test::WindowText(dialog)) == HexBytes(kDialogTitle));
        DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
        const DWORD wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        CHECK((style & wanted) == wanted);
        CHECK((style & WS_CHILD) == 0);
        RECT client;
        GetClientRect(dialog, &client);
        RECT expected = DialogUnits(dialog, 0, 0, kDialogWidth, kDialogHeight);
        CHECK(client.right == expected.right);
        CHECK(client.bottom == expected.bottom);

        HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
        REQUIRE(font != NULL);
        LOGFONTA description = {};
        REQUIRE(GetObjectA(font, sizeof description, &description) == sizeof description);
        CHECK(HexBytes(description.lfFaceName) == HexBytes(kFontFace));
        HDC dc = GetDC(dialog);
        int points = MulDiv(-description.lfHeight, 72, GetDeviceCaps(dc, LOGPIXELSY));
        ReleaseDC(dialog, dc);
        CHECK(points == kFontPoints);
        CHECK(description.lfItalic == 0);
    }

    SUBCASE("every control in table order, with its id, class, styles, text, place and size")
    {
        std::vector<HWND> children = ChildrenInZOrder(dialog);
        REQUIRE(children.size() == static_cast<size_t>(kControlCount));
        for (int i = 0; i < kControlCount; ++i) {
            const ControlRow& row = kControls[i];
            HWND child = children[i];
            INFO("control " << i << " (id " << row.id << ")");
            CHECK(GetDlgCtrlID(child) == row.id);
            CHECK(ClassOf(child) == row.windowClass);
            CheckLiveStyles(child, row);

            RECT place = RectInDialog(dialog, child);
            RECT origin = DialogUnits(dialog, row.x, row.y, row.x, row.y);
            CHECK(place.left == origin.left);
            CHECK(place.top == origin.top);
            if (row.text != NULL) {
                CHECK(HexBytes(test::WindowText(child)) == HexBytes(row.text));
                RECT size = DialogUnits(dialog, 0, 0, row.w, row.h);
                CHECK(place.right - place.left == size.right);
                CHECK(place.bottom - place.top == size.bottom);
            } else {
                // An icon control takes the size of its icon.
                CHECK(SendMessageA(child, STM_GETICON, 0, 0) != 0);
            }
        }
    }

    SUBCASE("Tab visits OK, Cancel, the check box and the edit only")
    {
        std::vector<int> stops;
        HWND first = GetNextDlgTabItem(dialog, NULL, FALSE);
        HWND item = first;
        for (int guard = 0; item != NULL && guard < kControlCount; ++guard) {
            stops.push_back(GetDlgCtrlID(item));
            item = GetNextDlgTabItem(dialog, item, FALSE);
            if (item == first)
                break;
        }
        std::vector<int> expected = { IDOK, IDCANCEL, 1000, 1002 };
        CHECK(stops == expected);
    }

    DestroyWindow(dialog);
}
