// The preview lines: every layout and display type, the formats, and lines that run full.
#include "platform/platform.h"
#include "item/module.h"
#include "options/preview.h"
#include "resources/resource.h"
#include "tests/support/options.h"
#include "tests/support/formats.h"

#include <string>

namespace {

INT_PTR CALLBACK PlainDlgProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

class Preview : public OptionsTest {
  protected:
    void SetUp() override {
        OptionsTest::SetUp();
        // The settings page itself, made modeless so the test can read its preview lines.
        dialog_ = CreateDialogParamW(ModuleInstance, MAKEINTRESOURCEW(IDD_OPTIONS), NULL,
                                     PlainDlgProc, 0);
        ASSERT_NE(dialog_, nullptr);
    }
    void TearDown() override {
        DestroyWindow(dialog_);
        OptionsTest::TearDown();
    }
    std::wstring Line(int id) {
        WCHAR text[256] = {};
        GetDlgItemTextW(dialog_, id, text, 256);
        return text;
    }
    HWND dialog_ = NULL;
};

TEST_F(Preview, EveryLayoutAndDisplayType) {
    struct Case {
        int Layout, DispType;
        const wchar_t* Line1;
        const wchar_t* Line2;
    } cases[] = {
        {LayoutFlat, 0, L"01:02 ", L""},      {LayoutFlat, 1, L"4/5 ", L""},
        {LayoutFlat, 2, L"01:02 4/5 ", L""},  {LayoutFlat, 3, L"4/5 01:02 ", L""},
        {LayoutStack, 0, L"01:02 ", L""},     {LayoutStack, 1, L"4/5 ", L""},
        {LayoutStack, 2, L"01:02 ", L"4/5 "}, {LayoutStack, 3, L"4/5 ", L"01:02 "},
        {LayoutFlat, 7, L"01:02 ", L""},      {LayoutStack, -1, L"01:02 ", L""},
        {5, 2, L"01:02 ", L"4/5 "}, // any layout but Flat stacks
    };
    for (const Case& c : cases) {
        ClockSettings.Layout = c.Layout;
        ClockSettings.DispType = c.DispType;
        UpdatePreview(dialog_);
        EXPECT_EQ(Line(IDC_PREVIEW_LINE1), c.Line1) << c.Layout << "/" << c.DispType;
        EXPECT_EQ(Line(IDC_PREVIEW_LINE2), c.Line2) << c.Layout << "/" << c.DispType;
    }
}

TEST_F(Preview, ShowsTheFixedMomentInTheCurrentFormats) {
    struct Case {
        const wchar_t* Time;
        const wchar_t* Date;
        const wchar_t* Line1;
    } cases[] = {
        {L"h:mm tt", L"M/d", L"1:02 AM 4/5 "},
        {L"H:mm:ss", L"yyyy/M/d W", L"1:02:03 2009/4/5  Sunday "},
        {L"", L"", L"  "},
    };
    ClockSettings.DispType = 2;
    for (const Case& c : cases) {
        SetFormats(c.Time, c.Date);
        UpdatePreview(dialog_);
        EXPECT_EQ(Line(IDC_PREVIEW_LINE1), c.Line1);
    }
}

// 63 weekday tokens make 441 units: each line is cut at its end, and nothing is written past it.
TEST_F(Preview, ALineThatRunsFullIsCutAtItsEnd) {
    for (int i = 0; i < FormatCapacity - 1; ++i)
        ClockSettings.DateFormat[i] = L'W';
    ClockSettings.DateFormat[FormatCapacity - 1] = 0;
    const WCHAR Canary = 0xBEEF;
    struct Lines {
        WCHAR Line1[PreviewLineCapacity];
        WCHAR After1[8];
        WCHAR Line2[PreviewLineCapacity];
        WCHAR After2[8];
    };
    for (int layout : {LayoutFlat, LayoutStack}) {
        for (int type : {1, 2, 3}) {
            ClockSettings.Layout = layout;
            ClockSettings.DispType = type;
            Lines lines;
            for (WCHAR& unit : lines.After1)
                unit = Canary;
            for (WCHAR& unit : lines.After2)
                unit = Canary;
            FormatPreviewLines(lines.Line1, lines.Line2, PreviewLineCapacity);
            std::wstring line1 = lines.Line1, line2 = lines.Line2;
            const std::wstring& dateLine = layout == LayoutStack && type == 2 ? line2 : line1;
            EXPECT_EQ(dateLine.size(), PreviewLineCapacity - 1u) << layout << "/" << type;
            EXPECT_NE(dateLine.find(L" Sunday Sunday"), std::wstring::npos);
            EXPECT_EQ(dateLine.back(), L' ');
            if (layout == LayoutFlat && type == 2) {
                EXPECT_EQ(line1.substr(0, 7), L"01:02  ") << "the time first, then the date";
            }
            for (WCHAR unit : lines.After1)
                EXPECT_EQ(unit, Canary);
            for (WCHAR unit : lines.After2)
                EXPECT_EQ(unit, Canary);
        }
    }
}

} // namespace
