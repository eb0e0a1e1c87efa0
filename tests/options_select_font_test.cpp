// The Select Font dialog on the display's real font families: what it shows for a record, what OK
// and Cancel leave in it, and the sizes at the screen's resolution.
#include "platform/platform.h"
#include "platform/scaling.h"
#include "platform/screen_resolution.h"
#include "item/module.h"
#include "options/select_font_dialog.h"
#include "resources/resource.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/options.h"

#include <commctrl.h>

#include <functional>
#include <string>

namespace {

const wchar_t SelectFontCaption[] = L"Select Font";

int ScreenDpiY() {
    return ScreenResolution(LOGPIXELSY, ReferenceDpi);
}

INT_PTR RunSelectFont(LOGFONTW* font) {
    FontRequest request = {};
    request.lStructSize = sizeof request;
    request.lpLogFont = font;
    request.hInstance = ModuleInstance;
    request.Flags = FontRequestScreenFonts | FontRequestInitToLogFont;
    return SelectFontDialog(&request);
}

struct FamilySearch {
    const wchar_t* Face;
    LOGFONTW Found;
    bool Seen;
};

int CALLBACK FindFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
    FamilySearch* search = (FamilySearch*)data;
    if (lstrcmpW(font->lfFaceName, search->Face) != 0)
        return 1;
    search->Found = *font;
    search->Seen = true;
    return 0;
}

// The first record the platform reports for a family, found independently of the dialog.
LOGFONTW FirstFamilyRecord(const wchar_t* face) {
    FamilySearch search = {face, {}, false};
    HDC dc = GetDC(NULL);
    EnumFontFamiliesW(dc, NULL, FindFamily, (LPARAM)&search);
    ReleaseDC(NULL, dc);
    EXPECT_TRUE(search.Seen) << "no family named " << testing::PrintToString(face);
    return search.Found;
}

// A DejaVu Sans record whose other fields differ from the family's enumerated record.
LOGFONTW EditedRecord(LONG height, LONG weight = 400, BYTE italic = 0) {
    LOGFONTW font = MakeFont(L"DejaVu Sans", height, weight, italic);
    font.lfWidth = 9;
    font.lfEscapement = 5;
    font.lfUnderline = 1;
    font.lfQuality = 3;
    return font;
}

class SelectFont : public OptionsTest {};

// Heights in pixels of a 96-dpi screen, times this: the cases hold on a 96- and a 192-dpi screen.
int PixelsPer96() {
    EXPECT_EQ(ScreenDpiY() % 96, 0) << "the screen has " << ScreenDpiY() << " dpi";
    return ScreenDpiY() / 96;
}

TEST_F(SelectFont, OpensOnTheRecordsFaceSizeAndStyle) {
    const int k = PixelsPer96();
    struct Case {
        LOGFONTW Font;
        const wchar_t* Size;
        bool Bold, Italic;
    } cases[] = {
        {EditedRecord(-16 * k), L"12", false, false},
        {EditedRecord(16 * k), L"12", false, false},
        {EditedRecord(-15 * k), L"", false, false}, // 11 points is not offered
        {EditedRecord(-96 * k, 500), L"72", true, false},
        {EditedRecord(-9 * k, 401, 1), L"7", true, true},
        {EditedRecord(-9 * k, 400, 7), L"7", false, true},
    };
    for (const Case& c : cases) {
        LOGFONTW font = c.Font;
        DialogDriver driver;
        driver.Then(SelectFontCaption, IDC_SELECT_FONT_NAME, [&](DriveDialog& d) {
            EXPECT_EQ(d.ShellFlags(), FullScreenWithDone);
            EXPECT_EQ(d.SelectedText(IDC_SELECT_FONT_NAME), L"DejaVu Sans");
            EXPECT_EQ(d.SelectedText(IDC_SELECT_FONT_SIZE), c.Size) << c.Font.lfHeight;
            EXPECT_EQ(d.Entries(IDC_SELECT_FONT_SIZE).size(), (size_t)FontSizeCount);
            EXPECT_EQ(d.Checked(IDC_SELECT_FONT_BOLD), c.Bold) << c.Font.lfWeight;
            EXPECT_EQ(d.Checked(IDC_SELECT_FONT_ITALIC), c.Italic);
            d.Cancel();
        });
        EXPECT_EQ(RunSelectFont(&font), 0);
        EXPECT_TRUE(SameBytes(&font, &c.Font, sizeof font)) << "Cancel leaves the record alone";
        EXPECT_EQ(FontFamilyList.Records, nullptr);
    }
}

// OK returns whether anything the dialog shows differs; a difference replaces the whole record.
// Sizes whose heights are whole pixels at any multiple of 96 dpi (9 and 18 points); the rounded
// ones are SizesFollowTheScreenResolution's.
TEST_F(SelectFont, OkReplacesTheRecordOnlyWhenSomethingDiffers) {
    const int k = PixelsPer96();
    struct Case {
        const char* Name;
        LOGFONTW Font;
        int Result;
        LONG Height, Weight;
        BYTE Italic;
        std::function<void(DriveDialog&)> Change;
    } cases[] = {
        {"unchanged", EditedRecord(-16 * k), 0, 0, 0, 0, [](DriveDialog&) {}},
        {"positive height", EditedRecord(16 * k), 1, -16 * k, 400, 0, [](DriveDialog&) {}},
        {"weight 500", EditedRecord(-16 * k, 500), 1, -16 * k, 700, 0, [](DriveDialog&) {}},
        {"bold", EditedRecord(-16 * k), 1, -16 * k, 700, 0,
         [](DriveDialog& d) { d.Click(IDC_SELECT_FONT_BOLD); }},
        {"italic", EditedRecord(-16 * k), 1, -16 * k, 400, 1,
         [](DriveDialog& d) { d.Click(IDC_SELECT_FONT_ITALIC); }},
        {"size 9", EditedRecord(-16 * k), 1, -12 * k, 400, 0,
         [](DriveDialog& d) { d.Pick(IDC_SELECT_FONT_SIZE, L"9"); }},
        {"size 18", EditedRecord(-16 * k), 1, -24 * k, 400, 0,
         [](DriveDialog& d) { d.Pick(IDC_SELECT_FONT_SIZE, L"18"); }},
        // No size offered for the record and none picked: its own height stays.
        {"no size", EditedRecord(-15 * k), 1, -15 * k, 400, 1,
         [](DriveDialog& d) { d.Click(IDC_SELECT_FONT_ITALIC); }},
    };
    const LOGFONTW family = FirstFamilyRecord(L"DejaVu Sans");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        LOGFONTW font = c.Font;
        DialogDriver driver;
        driver.Then(SelectFontCaption, IDC_SELECT_FONT_NAME, [&](DriveDialog& d) {
            c.Change(d);
            d.Done();
        });
        EXPECT_EQ(RunSelectFont(&font), c.Result);
        if (c.Result == 0) {
            EXPECT_TRUE(SameBytes(&font, &c.Font, sizeof font)) << "byte for byte as it was";
            continue;
        }
        LOGFONTW expected = family;
        expected.lfHeight = c.Height;
        expected.lfWidth = 0;
        expected.lfWeight = c.Weight;
        expected.lfItalic = c.Italic;
        EXPECT_TRUE(SameBytes(&font, &expected, sizeof font))
            << "every other field from the family's record";
    }
}

TEST_F(SelectFont, SizesFollowTheScreenResolution) {
    struct Case {
        int Dpi;
        LONG OpenHeight;
        const wchar_t* Shown;
        const wchar_t* Picked;
        LONG Stored;
    } cases[] = {
        {96, -16, L"12", L"8", -11},
        {96, -16, L"12", L"10", -13},
        {192, -32, L"12", L"9", -24},
        {192, 32, L"12", L"72", -192},
    };
    const int dpi = ScreenDpiY();
    int ran = 0;
    for (const Case& c : cases) {
        if (c.Dpi != dpi)
            continue;
        ++ran;
        LOGFONTW font = EditedRecord(c.OpenHeight);
        DialogDriver driver;
        driver.Then(SelectFontCaption, IDC_SELECT_FONT_NAME, [&](DriveDialog& d) {
            EXPECT_EQ(d.SelectedText(IDC_SELECT_FONT_SIZE), c.Shown);
            d.Pick(IDC_SELECT_FONT_SIZE, c.Picked);
            d.Done();
        });
        EXPECT_EQ(RunSelectFont(&font), 1);
        EXPECT_EQ(font.lfHeight, c.Stored) << c.Picked << " points at " << dpi << " dpi";
    }
    if (ran == 0)
        GTEST_SKIP() << "no cases for a screen of " << dpi << " dpi";
}

TEST_F(SelectFont, EachFamilyIsListedOnceInSortedOrder) {
    LOGFONTW font = EditedRecord(-16);
    DialogDriver driver;
    driver.Then(SelectFontCaption, IDC_SELECT_FONT_NAME, [&](DriveDialog& d) {
        std::vector<std::wstring> faces = d.Entries(IDC_SELECT_FONT_NAME);
        ASSERT_EQ(faces.size(), (size_t)FontFamilyList.Count);
        ASSERT_GT(faces.size(), 1u);
        int displaced = -1;
        for (size_t i = 0; i < faces.size(); ++i) {
            if (i > 0) {
                EXPECT_LT(lstrcmpiW(faces[i - 1].c_str(), faces[i].c_str()), 0)
                    << "sorted, no repeats";
            }
            const LOGFONTW first = FirstFamilyRecord(FontFamilyList.Records[i].lfFaceName);
            EXPECT_TRUE(SameBytes(&FontFamilyList.Records[i], &first, sizeof first))
                << "the family's first record is kept";
            if (faces[i] != FontFamilyList.Records[i].lfFaceName)
                displaced = (int)i;
        }
        ASSERT_GE(displaced, 0) << "enumeration order differs from sorted order";
        // A face whose list position is not its record's position is still found by name.
        d.Pick(IDC_SELECT_FONT_NAME, displaced);
        d.Done();
        EXPECT_STREQ(font.lfFaceName, faces[displaced].c_str());
    });
    EXPECT_EQ(RunSelectFont(&font), 1);
    EXPECT_EQ(font.lfPitchAndFamily, FirstFamilyRecord(font.lfFaceName).lfPitchAndFamily);
}

TEST_F(SelectFont, OkWaitsForAListedFace) {
    LOGFONTW font = {}; // an empty face name matches no family
    DialogDriver driver;
    driver.Then(SelectFontCaption, IDC_SELECT_FONT_NAME, [&](DriveDialog& d) {
        EXPECT_EQ(d.Selection(IDC_SELECT_FONT_NAME), -1);
        d.Pick(IDC_SELECT_FONT_SIZE, L"14");
        d.Done();
        EXPECT_TRUE(d.IsOpen()) << "no face, no OK";
        EXPECT_NE(FontFamilyList.Records, nullptr);
        d.Pick(IDC_SELECT_FONT_NAME, L"DejaVu Serif");
        d.Done();
    });
    EXPECT_EQ(RunSelectFont(&font), 1);
    EXPECT_STREQ(font.lfFaceName, L"DejaVu Serif");
    EXPECT_EQ(font.lfHeight, -(14 * ScreenDpiY() + 36) / 72);
}

// A subclass that makes the face list refuse every entry, as a full list would.
LRESULT CALLBACK RefusingList(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR) {
    if (message == CB_ADDSTRING)
        return CB_ERRSPACE;
    return DefSubclassProc(list, message, wParam, lParam);
}

TEST_F(SelectFont, ARefusedFaceIsReportedAndEndsTheEnumeration) {
    LOGFONTW font = EditedRecord(-16);
    DialogDriver driver;
    driver.Then(SelectFontCaption, IDC_SELECT_FONT_NAME, [&](DriveDialog& d) {
        HWND faces = d.Control(IDC_SELECT_FONT_NAME);
        SetWindowSubclass(faces, RefusingList, 1, 0);
        int count = FontFamilyList.Count;
        LOGFONTW unlisted = MakeFont(L"Not A Listed Family", 0, 400);
        EXPECT_EQ(FontFamilyEnumProc(&unlisted, NULL, 0, (LPARAM)d.Window()), 0);
        EXPECT_EQ(FontFamilyList.Count, count);
        RemoveWindowSubclass(faces, RefusingList, 1);
        d.Cancel();
    });
    driver.Then(L"Morvane", [](DriveDialog& d) {
        EXPECT_EQ(d.MessageText(), L"CB_ADDSTRING: failed.");
        d.Done();
    });
    EXPECT_EQ(RunSelectFont(&font), 0);
}

TEST(ParseInt, ReadsASignAndDigitsAndStopsAtTheRest) {
    struct Case {
        const wchar_t* Text;
        int Value;
        int Consumed;
    } cases[] = {
        {L"12", 12, 2},
        {L"-7x", -7, 2},
        {L"", 0, 0},
        {L"x12", 0, 0},
        {L" 5", 0, 0},
        {L"+5", 0, 0},
        {L"2147483647", 2147483647, 10},
        {L"99999999999999999999", 2147483647, 20},
        {L"-99999999999", -2147483647, 12},
    };
    for (const Case& c : cases) {
        const WCHAR* cursor = c.Text;
        EXPECT_EQ(ParseInt(&cursor), c.Value) << testing::PrintToString(c.Text);
        EXPECT_EQ(cursor - c.Text, c.Consumed) << testing::PrintToString(c.Text);
    }
}

} // namespace
