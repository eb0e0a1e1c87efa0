// Row count and gap from the real heights and widths of the fonts, measured here on the screen.
#include "platform/platform.h"
#include "item/item_font.h"
#include "tests/support/item.h"

#include <limits.h>

namespace {

int RowsFor(int pixels) {
    return (pixels + 19) / 20;
}

// A DejaVu Sans cell height the font really realises, or 0 when none in range does.
int CellHeightGiving(int wanted) {
    for (int cell = wanted - 3; cell <= wanted + 3; ++cell)
        if (MeasureFont(FontOfHeight(cell)).tmHeight == wanted)
            return cell;
    return 0;
}

class Metrics : public ItemTest {
  protected:
    void SetUp() override {
        ItemTest::SetUp();
        ASSERT_EQ(96, ScreenDpi(LOGPIXELSY)) << "this prefix must be configured for 96 dpi";
        item = MakeItem();
    }
    HWND item = NULL;
    LOGFONTW small = FontOfHeight(-12);
    LOGFONTW large = FontOfHeight(-30);
};

TEST_F(Metrics, FlatTakesTheLargerFontWhateverIsShown) {
    int smallHeight = MeasureFont(small).tmHeight, largeHeight = MeasureFont(large).tmHeight;
    ASSERT_LT(RowsFor(smallHeight), RowsFor(largeHeight)) << "fonts too close to tell apart";
    for (int dispType = 0; dispType < DispTypeCount; ++dispType) {
        UseFonts(small, large);
        ClockSettings.Layout = LayoutFlat;
        ClockSettings.DispType = dispType;
        UpdateMetrics(item);
        EXPECT_EQ(RowsFor(largeHeight), RowCount) << "DispType " << dispType;
    }
}

TEST_F(Metrics, StackSumsTheShownItems) {
    int t = MeasureFont(small).tmHeight, d = MeasureFont(large).tmHeight;
    // DispType 0..3, then values outside the table, which show the time alone; Layout 2 and -1
    // stack like Layout 1.
    struct {
        int DispType, Layout, Height;
    } cases[] = {{0, 1, t}, {1, 1, d},  {2, 1, t + d}, {3, 1, t + d},
                 {4, 1, t}, {-1, 1, t}, {2, 2, t + d}, {2, -1, t + d}};
    for (const auto& c : cases) {
        UseFonts(small, large);
        ClockSettings.Layout = c.Layout;
        ClockSettings.DispType = c.DispType;
        UpdateMetrics(item);
        EXPECT_EQ(RowsFor(c.Height), RowCount)
            << "DispType " << c.DispType << ", Layout " << c.Layout;
        EXPECT_EQ(0, MetricsDirty);
    }
}

TEST_F(Metrics, HeightsRoundUpToWholeRows) {
    for (int pixels : {40, 41}) {
        int cell = CellHeightGiving(pixels);
        if (cell == 0)
            GTEST_SKIP() << "no DejaVu Sans size realises " << pixels << " px here";
        UseFonts(FontOfHeight(cell), small);
        ClockSettings.Layout = LayoutFlat;
        UpdateMetrics(item);
        EXPECT_EQ(pixels == 40 ? 2 : 3, RowCount) << pixels << " px";
    }
}

TEST_F(Metrics, GapIsTheNarrowerAverageWidth) {
    UseFonts(large, small);
    UpdateMetrics(item);
    EXPECT_EQ(MeasureFont(small).tmAveCharWidth, ItemGap);
    EXPECT_LT(ItemGap, MeasureFont(large).tmAveCharWidth);
}

TEST_F(Metrics, NothingIsMeasuredWhileClean) {
    UseFonts(large, large);
    MetricsDirty = 0;
    RowCount = 7;
    ItemGap = 5;
    UpdateMetrics(item);
    EXPECT_EQ(7, RowCount);
    EXPECT_EQ(5, ItemGap);
}

// A stored record may ask for any size (a hand-edited registry); the item measures and draws it
// as the record of the largest size it allows, so a paint stays a paint.
TEST_F(Metrics, AFontBeyondAnyScreenIsTakenAtTheLargestSize) {
    struct {
        LONG Height, Width, BoundedHeight, BoundedWidth;
    } cases[] = {
        {65536, INT_MAX, MaxFontPixels, MaxFontPixels},
        {INT_MIN, 0, -MaxFontPixels, 0},
        {-16, INT_MAX, -16, MaxFontPixels},
        {2000000, -2000000, MaxFontPixels, -MaxFontPixels},
    };
    for (const auto& c : cases) {
        LOGFONTW bounded = FontOfHeight(c.BoundedHeight);
        bounded.lfWidth = c.BoundedWidth;
        UseFonts(bounded, bounded);
        UpdateMetrics(item);
        const int rows = RowCount, gap = ItemGap;
        const Picture expected = CaptureItem(item);

        LOGFONTW asked = bounded;
        asked.lfHeight = c.Height;
        asked.lfWidth = c.Width;
        UseFonts(asked, asked);
        UpdateMetrics(item);
        EXPECT_EQ(rows, RowCount) << "height " << c.Height << ", width " << c.Width;
        EXPECT_EQ(gap, ItemGap) << "height " << c.Height << ", width " << c.Width;
        EXPECT_TRUE(CaptureItem(item) == expected)
            << "drawn unlike the largest size: height " << c.Height << ", width " << c.Width;
    }
}

} // namespace
