// What the item really draws, read back from its window: icon, margins, Flat and Stack placement,
// order of the pieces, colour, and the time each paint records.
#include "platform/platform.h"
#include "tests/support/item.h"

#include <stdlib.h>
#include <string.h>

#include <string>

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
    EXPECT_EQ(bare.Ink().left + TextMarginAt96, withIcon.Ink(20).left);
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

// Left starts past the icon's margin; Center leaves as much room either side of the line (a pixel
// apart at most); Right ends the line its margin inside the item. The whole line shows.
TEST_P(FlatPlacement, LineStartsWhereItsPositionPutsIt) {
    Picture reference = Paint(LayoutFlat, DispPosLeft, 2, 1); // drawn from x = 0
    Picture placed = Paint(LayoutFlat, GetParam().DispPos, 2, 0);
    const int start = placed.Ink(20).left - reference.Ink().left;
    const int line = Width(TimeText) + ItemGap + Width(DateText);
    const int roomLeft = start, roomRight = DeviceScreenWidth - (start + line);
    switch (GetParam().DispPos) {
    case DispPosLeft: EXPECT_EQ(start, TextMarginAt96); break;
    case DispPosCenter:
        EXPECT_LE(abs(roomLeft - roomRight), 1) << roomLeft << " " << roomRight;
        break;
    case DispPosRight: EXPECT_EQ(roomRight, RightMarginAt96); break;
    }
    EXPECT_EQ(placed.Ink(20).right - reference.Ink().right, start) << "moved whole";
    EXPECT_EQ(reference.Count(StandInHost.TextColor), placed.Count(StandInHost.TextColor))
        << "nothing cut";
}

INSTANTIATE_TEST_SUITE_P(Positions, FlatPlacement,
                         ::testing::Values(Placement{DispPosLeft, "Left"},
                                           Placement{DispPosCenter, "Center"},
                                           Placement{DispPosRight, "Right"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Painting, FlatLineWiderThanTheItemStartsAtTheMarginAndIsCut) {
    SetFormats(nullptr, L"W, MMMM d, yyyy W MMMM");
    Picture reference = Paint(LayoutFlat, DispPosLeft, 2, 0);
    ASSERT_GE(reference.Ink().right, DeviceScreenWidth - RightMarginAt96)
        << "the line must be wider than the item";
    Picture centred = Paint(LayoutFlat, DispPosCenter, 2, 0);
    EXPECT_TRUE(reference == centred);
}

TEST_F(Painting, StackCentreAndRightAlignEachPieceAcrossTheItem) {
    Picture reference = Paint(LayoutStack, DispPosLeft, 2, 1);
    int timeHeight = MeasureFont(ClockSettings.TimeFont).tmHeight;
    int timeWidth = Width(TimeText), dateWidth = Width(DateText);
    RECT timeLine = reference.Ink(0, -1, 0, timeHeight);
    RECT dateLine = reference.Ink(0, -1, timeHeight, 2 * timeHeight);

    // Each piece on its own: centred over the full width, the icon's corner notwithstanding (as
    // much room either side, a pixel apart at most), or ending the right margin inside the item.
    Picture centre = Paint(LayoutStack, DispPosCenter, 2, 0);
    Picture right = Paint(LayoutStack, DispPosRight, 2, 0);
    struct Piece {
        RECT Reference;
        int Width, Top, Bottom;
    } pieces[] = {{timeLine, timeWidth, 0, timeHeight},
                  {dateLine, dateWidth, timeHeight, 2 * timeHeight}};
    for (const Piece& p : pieces) {
        int centred = centre.Ink(20, -1, p.Top, p.Bottom).left - p.Reference.left;
        EXPECT_LE(abs(centred - (DeviceScreenWidth - (centred + p.Width))), 1) << p.Top;
        int placed = right.Ink(20, -1, p.Top, p.Bottom).left - p.Reference.left;
        EXPECT_EQ(DeviceScreenWidth - (placed + p.Width), RightMarginAt96) << p.Top;
    }
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

// 63 weekday tokens expand to 630 units, far past the paint buffer: the text drawn is the first
// PaintTextCapacity - 1 units, 36 whole " Sunday"s and " Su". Placed at the right, the end of a
// line shows, so the cut is seen; the same format without that " Su" draws otherwise.
TEST_F(Painting, FormatLongerThanTheBufferIsCut) {
    auto paintDates = [&](const std::wstring& format) {
        SetFormats(nullptr, format.c_str());
        return Paint(LayoutStack, DispPosRight, 1, 1);
    };
    Picture cut = paintDates(std::wstring(FormatCapacity - 1, L'W'));
    ASSERT_EQ(36 * 7 + 3, PaintTextCapacity - 1);
    EXPECT_TRUE(cut == paintDates(std::wstring(36, L'W') + L" Su"));
    EXPECT_FALSE(cut == paintDates(std::wstring(36, L'W')));
}

} // namespace
