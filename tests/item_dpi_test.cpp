// The item on a 192-dpi screen: this suite runs in a Wine prefix configured with LogPixels 192.
#include "platform/platform.h"
#include "tests/support/item.h"

namespace {

class HighDpi : public ItemTest {
  protected:
    void SetUp() override {
        ItemTest::SetUp();
        ASSERT_EQ(192, ScreenDpi(LOGPIXELSY)) << "this suite needs its 192-dpi prefix";
        ASSERT_EQ(192, ScreenDpi(LOGPIXELSX));
        FakeNow = At(10, 15, 30);
    }
};

TEST_F(HighDpi, RowsAreFortyPixelsHigh) {
    HWND item = MakeItem(480, 80);
    ASSERT_EQ(1, Query(item));
    int rows = (MeasureFont(ClockSettings.TimeFont).tmHeight + 39) / 40;
    EXPECT_EQ(rows, RowCount);
    EXPECT_EQ(DWORD(rows * 40), listItem.cyp);
}

TEST_F(HighDpi, FortyOnePixelsOfStackTakeTwoRows) {
    HWND item = MakeItem(480, 100);
    // Two fonts whose measured heights add up to exactly 41 pixels.
    for (int a = 14; a <= 27; ++a) {
        int b = 41 - MeasureFont(FontOfHeight(a)).tmHeight;
        for (int cell = b - 3; cell <= b + 3; ++cell) {
            if (cell < 1 || MeasureFont(FontOfHeight(cell)).tmHeight != b)
                continue;
            UseFonts(FontOfHeight(a), FontOfHeight(cell));
            ClockSettings.Layout = LayoutStack;
            ClockSettings.DispType = 2;
            UpdateMetrics(item);
            EXPECT_EQ(2, RowCount);
            return;
        }
    }
    GTEST_SKIP() << "no pair of DejaVu Sans sizes adds up to 41 px here";
}

TEST_F(HighDpi, IconAndMarginsDoubleInSize) {
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(ItemIcon, &info));
    BITMAP mask;
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(32, mask.bmWidth);
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);

    HWND item = MakeItem(480, 80);
    ClockSettings.HiddenIcon = 1;
    Picture bare = CaptureItem(item);
    ClockSettings.HiddenIcon = 0;
    Picture shown = CaptureItem(item);
    RECT icon = shown.Ink(0, 40);
    EXPECT_GE(icon.left, 2);
    EXPECT_LE(icon.left, 4);
    EXPECT_LE(icon.right, 34);
    EXPECT_GT(icon.bottom, 24) << "drawn at 32 pixels, not 16";
    EXPECT_EQ(bare.Ink().left + 2 * TextMarginAt96, shown.Ink(40).left);

    // Stack, right: the text ends 4 pixels inside the item.
    ClockSettings.Layout = LayoutStack;
    ClockSettings.HiddenIcon = 1;
    Picture left = CaptureItem(item);
    ClockSettings.DispPos = DispPosRight;
    ClockSettings.HiddenIcon = 0;
    Picture right = CaptureItem(item);
    int width = TextWidth(ClockSettings.TimeFont, L"10:15");
    int placed = right.Ink(40).left - left.Ink().left;
    // Within a pixel (the condensed system font's first column may land either side), which
    // still tells a 4-pixel margin from an unscaled 2-pixel one.
    EXPECT_NEAR(480 - (placed + width), 2 * RightMarginAt96, 1);
}

} // namespace
