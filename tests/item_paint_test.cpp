// What the item really draws, read back from its window: icon, margins, Flat and Stack placement,
// order of the pieces, colour, and the time each paint records.
#include "platform/platform.h"
#include "tests/item_test_support.h"

#include <string.h>

#include <algorithm>

namespace {

const WCHAR TimeText[] = L"10:15"; // "HH:mm" at the fake time
const WCHAR DateText[] = L"4/7";   // "M/d"

class Painting : public ItemTest {
  protected:
    void SetUp() override {
        ItemTest::SetUp();
        ASSERT_EQ(96, ScreenDpi(LOGPIXELSX)) << "this prefix must be configured for 96 dpi";
        FakeNow = At(10, 15, 30);
        item = MakeItem();
        ASSERT_EQ(1, Query(item)); // measures: ItemGap is known from here on
    }
    Picture Paint(int layout, int dispPos, int dispType, int hiddenIcon) {
        ClockSettings.Layout = layout;
        ClockSettings.DispPos = dispPos;
        ClockSettings.DispType = dispType;
        ClockSettings.HiddenIcon = hiddenIcon;
        return CaptureItem(item);
    }
    int Width(const WCHAR* text) { return TextWidth(ClockSettings.TimeFont, text); }
    HWND item = NULL;
};

TEST_F(Painting, IconShownMovesTheTextPastIt) {
    Picture bare = Paint(LayoutFlat, DispPosLeft, 0, 1);
    Picture withIcon = Paint(LayoutFlat, DispPosLeft, 0, 0);
    EXPECT_EQ(0, bare.Count(IconHubColor));
    EXPECT_GT(withIcon.Count(IconHubColor, 2, 18, 0, 16), 0) << "the icon's red centre";
    RECT icon = withIcon.Ink(0, 20);
    EXPECT_GE(icon.left, 2);
    EXPECT_LE(icon.left, 4) << "the round face nearly touches its square's edge";
    EXPECT_GE(icon.top, 0);
    EXPECT_LE(icon.top, 2);
    EXPECT_LE(icon.right, 18);
    EXPECT_LE(icon.bottom, 16);
    EXPECT_EQ(bare.Ink().left + 28, withIcon.Ink(20).left);
    EXPECT_LE(bare.Ink().left, 2) << "without the icon the text starts at the left edge";
}

struct Placement {
    int DispPos;
    const char* Name;
};

void PrintTo(const Placement& p, std::ostream* out) {
    *out << p.Name;
}

class FlatPlacement : public Painting, public ::testing::WithParamInterface<Placement> {};

TEST_P(FlatPlacement, LineStartsWhereItsPositionPutsIt) {
    Picture reference = Paint(LayoutFlat, DispPosLeft, 2, 1); // drawn from x = 0
    Picture placed = Paint(LayoutFlat, GetParam().DispPos, 2, 0);
    int line = Width(TimeText) + ItemGap + Width(DateText);
    int start = 28;
    if (GetParam().DispPos == DispPosCenter)
        start = (DeviceScreenWidth - line) / 2;
    else if (GetParam().DispPos == DispPosRight)
        start = DeviceScreenWidth - line - 2;
    ASSERT_GT(start, 28 - 1);
    EXPECT_EQ(reference.Ink().left + start, placed.Ink(20).left);
    EXPECT_EQ(reference.Ink().right + start, placed.Ink(20).right);
    EXPECT_EQ(reference.Count(StandInHost.TextColor), placed.Count(StandInHost.TextColor))
        << "nothing cut";
}

INSTANTIATE_TEST_SUITE_P(Positions, FlatPlacement,
                         ::testing::Values(Placement{DispPosLeft, "Left"},
                                           Placement{DispPosCenter, "Center"},
                                           Placement{DispPosRight, "Right"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Painting, FlatLineWiderThanTheItemStartsAtTheMarginAndIsCut) {
    CopyFormat(ClockSettings.DateFormat, FormatCapacity, L"W, MMMM d, yyyy W MMMM");
    Picture reference = Paint(LayoutFlat, DispPosLeft, 2, 0);
    ASSERT_GE(reference.Ink().right, 238) << "the line must be wider than the item";
    Picture centred = Paint(LayoutFlat, DispPosCenter, 2, 0);
    EXPECT_TRUE(reference == centred);
}

TEST_F(Painting, StackCentreAndRightAlignEachPieceAcrossTheItem) {
    Picture reference = Paint(LayoutStack, DispPosLeft, 2, 1);
    int timeHeight = MeasureFont(ClockSettings.TimeFont).tmHeight;
    int timeWidth = Width(TimeText), dateWidth = Width(DateText);
    RECT timeLine = reference.Ink(0, -1, 0, timeHeight);
    RECT dateLine = reference.Ink(0, -1, timeHeight, 2 * timeHeight);

    Picture centre = Paint(LayoutStack, DispPosCenter, 2, 0);
    // Centred over the full width, the icon's corner notwithstanding.
    EXPECT_EQ(timeLine.left + (DeviceScreenWidth - timeWidth) / 2,
              centre.Ink(20, -1, 0, timeHeight).left);
    EXPECT_EQ(dateLine.left + (DeviceScreenWidth - dateWidth) / 2,
              centre.Ink(20, -1, timeHeight, 2 * timeHeight).left);

    Picture right = Paint(LayoutStack, DispPosRight, 2, 0);
    // Ink past the glyphs' advance is clipped at the rectangle's right edge.
    EXPECT_EQ(std::min(timeLine.right + 238 - timeWidth, 238L),
              right.Ink(20, -1, 0, timeHeight).right);
    EXPECT_EQ(std::min(dateLine.right + 238 - dateWidth, 238L),
              right.Ink(20, -1, timeHeight, 2 * timeHeight).right);
}

TEST_F(Painting, OutOfRangeValuesDrawLikeTheirNeighbours) {
    // A DispType outside the table shows the time alone; a Layout other than 0 and 1 stacks,
    // aligned by DispPos as Stack is.
    EXPECT_TRUE(Paint(LayoutFlat, DispPosLeft, 0, 0) == Paint(LayoutFlat, DispPosLeft, 9, 0));
    EXPECT_TRUE(Paint(LayoutFlat, DispPosRight, 0, 0) == Paint(LayoutFlat, DispPosRight, -2, 0));
    for (int pos : {DispPosLeft, DispPosCenter, DispPosRight})
        EXPECT_TRUE(Paint(LayoutStack, pos, 3, 0) == Paint(7, pos, 3, 0)) << "DispPos " << pos;
}

TEST_F(Painting, DateTimeDrawsTheDateFirst) {
    UseFonts(FontOfHeight(-10), FontOfHeight(-30)); // a small time and a tall date
    SetWindowPos(item, NULL, 0, 0, DeviceScreenWidth, 60, SWP_NOZORDER | SWP_NOMOVE);
    for (int dispType : {2, 3}) {
        Picture c = Paint(LayoutFlat, DispPosLeft, dispType, 1);
        RECT all = c.Ink();
        // Both pieces share the top edge, so the tall date reaches further down.
        RECT first = c.Ink(all.left, all.left + 8), last = c.Ink(all.right - 8, all.right);
        EXPECT_EQ(dispType == 3, first.bottom > last.bottom) << "DispType " << dispType;
    }
}

TEST_F(Painting, OwnColourOrTheHostsTextColour) {
    StandInHost.ColorRequests = 0;
    Picture hosted = Paint(LayoutFlat, DispPosLeft, 2, 0);
    EXPECT_GT(hosted.CountNear(StandInHost.TextColor), 20);
    EXPECT_GE(StandInHost.ColorRequests, 1);
    EXPECT_EQ((WPARAM)TODAYCOLOR_TEXT, StandInHost.ColorIndex);
    EXPECT_EQ(0, StandInHost.ColorExtra);

    const COLORREF own = RGB(200, 0, 0);
    ClockSettings.UseColor = 1;
    ClockSettings.TextColor = own;
    StandInHost.ColorRequests = 0;
    Picture coloured = Paint(LayoutFlat, DispPosLeft, 2, 0);
    EXPECT_EQ(0, StandInHost.ColorRequests);
    EXPECT_EQ(0, coloured.Count(StandInHost.TextColor));
    EXPECT_EQ(hosted.Count(StandInHost.TextColor), coloured.Count(own));
}

TEST_F(Painting, EveryPaintRecordsTheTimeItDrew) {
    SYSTEMTIME times[] = {At(9, 0, 1), At(9, 0, 2), At(23, 59, 59, 31)};
    FakeNow = times[0];
    CaptureItem(item); // a paint the host asks for
    EXPECT_EQ(0, memcmp(&times[0], &LastPaintedTime, sizeof LastPaintedTime));

    FakeNow = times[1];
    SendMessageW(item, WM_TIMER, SecondsTimerId, 0); // the seconds timer invalidates
    UpdateWindow(item);
    EXPECT_EQ(0, memcmp(&times[1], &LastPaintedTime, sizeof LastPaintedTime));

    FakeNow = times[2];
    HDC memory = CreateCompatibleDC(NULL);
    RECT client = {0, 0, DeviceScreenWidth, 40};
    PaintItem(item, memory, client);
    DeleteDC(memory);
    EXPECT_EQ(0, memcmp(&times[2], &LastPaintedTime, sizeof LastPaintedTime));
}

TEST_F(Painting, FormatLongerThanTheBufferIsCut) {
    // 63 weekday tokens expand to 630 units, far past the paint buffer.
    WCHAR format[FormatCapacity];
    for (int i = 0; i < FormatCapacity - 1; ++i)
        format[i] = L'W';
    format[FormatCapacity - 1] = 0;
    CopyFormat(ClockSettings.DateFormat, FormatCapacity, format);
    Picture c = Paint(LayoutStack, DispPosLeft, 1, 1);
    EXPECT_GT(c.Count(StandInHost.TextColor), 0);
}

} // namespace
