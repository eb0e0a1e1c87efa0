// Scaling arithmetic, the cached resolution and the icon's size on this screen.
#include "platform/platform.h"
#include "tests/support/item.h"

namespace {

// The one rounded multiply-divide: the row height (value 20 x rows, at dpi, over 96), the lengths
// of a 96-dpi screen on this one, and the font sizes, which may meet any stored height.
TEST(ScaleRound, RoundsHalfUpAwayFromZero) {
    struct {
        LONGLONG Value;
        int Multiplier, Divisor, Expected;
    } cases[] = {
        {60, 96, 96, 60},
        {20, 131, 96, 27},
        {-20, 131, 96, -27},
        {40, 131, 96, 55},
        {20, 192, 96, 40},
        {1, 48, 96, 1},
        {-1, 48, 96, -1},
        {0, 192, 96, 0},
        {30000000, 192, 96, 60000000}, // the product passes 2^31 but the result fits
        {5, 96, 0, 0},                 // no division by zero
        {28, 192, 96, 56},
        {16, 131, 96, 22},
        {20, -1, 96, 0}, // a failed resolution query gives no row unit
        {20, 2, 96, 0},
        {2147483648LL, 72, 1, 2147483647}, // the magnitude of the lowest height, held
        {-2147483647LL, 72, 1, -2147483647 - 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Expected, ScaleRound(c.Value, c.Multiplier, c.Divisor))
            << c.Value << " " << c.Multiplier << " " << c.Divisor;
}

TEST(ItemIcon, IsSixteenPixelsScaledToTheScreen) {
    LoadItemIcon(GetModuleHandleW(NULL));
    ASSERT_NE(nullptr, ItemIcon);
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(ItemIcon, &info));
    BITMAP mask;
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    int expected = ScaleRound(16, ScreenDpi(LOGPIXELSX), ReferenceDpi);
    EXPECT_EQ(expected, mask.bmWidth);
    EXPECT_EQ(info.hbmColor ? expected : 2 * expected, mask.bmHeight);
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    DestroyItemIcon();
    EXPECT_EQ(nullptr, ItemIcon);
}

} // namespace
