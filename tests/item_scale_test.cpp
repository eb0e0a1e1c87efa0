// Scaling arithmetic, the cached resolution and the icon's size on this screen.
#include "platform/platform.h"
#include "tests/item_test_support.h"

namespace {

TEST(ScaleRound, RoundsHalfUpAwayFromZero) {
    struct {
        int A, B, C, Expected;
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
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Expected, ScaleRound(c.A, c.B, c.C)) << c.A << " " << c.B << " " << c.C;
}

TEST(ScaleFrom96, RoundsToTheNearestPixel) {
    struct {
        int K, Dpi, Expected;
    } cases[] = {{28, 96, 28},  {28, 192, 56}, {2, 192, 4}, {16, 131, 22},
                 {20, 131, 27}, {20, -1, 0},   {20, 2, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(c.Expected, ScaleFrom96(c.K, c.Dpi)) << c.K << " at " << c.Dpi;
}

TEST(ItemIcon, IsSixteenPixelsScaledToTheScreen) {
    LoadItemIcon(GetModuleHandleW(NULL));
    ASSERT_NE(nullptr, ItemIcon);
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(ItemIcon, &info));
    BITMAP mask;
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    int expected = ScaleFrom96(16, ScreenDpi(LOGPIXELSX));
    EXPECT_EQ(expected, mask.bmWidth);
    EXPECT_EQ(info.hbmColor ? expected : 2 * expected, mask.bmHeight);
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    DestroyItemIcon();
    EXPECT_EQ(nullptr, ItemIcon);
}

} // namespace
