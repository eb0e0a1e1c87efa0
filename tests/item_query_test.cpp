// The host's refresh query: readiness, the row height reported once, and which clock changes
// ask for a redraw.
#include "platform/platform.h"
#include "tests/support/item.h"

namespace {

class RefreshQuery : public ItemTest {};

TEST_F(RefreshQuery, NullRecordReportsNoChange) {
    HWND item = MakeItem();
    EXPECT_EQ(0, SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, 0, 0));
}

TEST_F(RefreshQuery, WaitsForTheShellThenReportsItsHeight) {
    HWND item = MakeItem();
    ResetEvent(ready);
    EXPECT_EQ(0, Query(item));
    EXPECT_EQ(0u, listItem.cyp);
    EXPECT_EQ(1, MetricsDirty) << "nothing may be measured before the shell is ready";

    SetEvent(ready);
    EXPECT_EQ(1, Query(item));
    EXPECT_GT(listItem.cyp, 0u);
}

TEST_F(RefreshQuery, HostWithoutTheEventCountsAsReady) {
    CloseHandle(ready);
    ready = NULL;
    HWND item = MakeItem();
    EXPECT_EQ(1, Query(item));
}

TEST_F(RefreshQuery, FirstQuerySetsTheMeasuredHeightWhateverTheTime) {
    ASSERT_EQ(96, ScreenDpi(LOGPIXELSY)) << "this prefix must be configured for 96 dpi";
    HWND item = MakeItem();
    CaptureItem(item); // LastPaintedTime == now: the clock has not moved
    int system = MeasureFont(ClockSettings.TimeFont).tmHeight;
    int rows = (system + 19) / 20;
    EXPECT_EQ(1, Query(item));
    EXPECT_EQ(DWORD(rows * 20), listItem.cyp);
    EXPECT_EQ(rows, RowCount);
}

TEST_F(RefreshQuery, LaterQueriesLeaveTheReportedHeight) {
    HWND item = MakeItem();
    ASSERT_EQ(1, Query(item));
    DWORD first = listItem.cyp;
    CaptureItem(item);

    UseFonts(FontOfHeight(-60), FontOfHeight(-60));
    EXPECT_EQ(0, Query(item));
    EXPECT_EQ(first, listItem.cyp);
    EXPECT_GT(RowHeight(item), (int)first) << "the larger fonts need more rows";
}

struct ClockCase {
    const char* Name;
    SYSTEMTIME Painted, Queried;
    const WCHAR* TimeFormat;
    LRESULT Expected;
};

void PrintTo(const ClockCase& c, std::ostream* out) {
    *out << c.Name;
}

class ClockChange : public ItemTest, public ::testing::WithParamInterface<ClockCase> {};

TEST_P(ClockChange, ReportsARedrawOnlyWhenAShownFieldMoved) {
    const ClockCase& c = GetParam();
    UseTimeFormat(c.TimeFormat);
    HWND item = MakeItem();
    ASSERT_EQ(1, Query(item)); // the first answer reports the height
    FakeNow = c.Painted;
    CaptureItem(item);
    FakeNow = c.Queried;
    EXPECT_EQ(c.Expected, Query(item));
}

INSTANTIATE_TEST_SUITE_P(
    Times, ClockChange,
    ::testing::Values(ClockCase{"SecondHidden", At(10, 15, 29), At(10, 15, 30), L"HH:mm", 0},
                      ClockCase{"SecondShown", At(10, 15, 29), At(10, 15, 30), L"HH:mm:ss", 1},
                      ClockCase{"SameSecondShown", At(10, 15, 30), At(10, 15, 30), L"HH:mm:ss", 0},
                      ClockCase{"Minute", At(10, 15, 59), At(10, 16, 0), L"HH:mm", 1},
                      ClockCase{"HourOnly", At(10, 59, 0), At(11, 59, 0), L"HH:mm", 1},
                      ClockCase{"SameTimeAnotherDay", At(10, 15, 0, 7), At(10, 15, 0, 8), L"HH:mm",
                                0}),
    [](const ::testing::TestParamInfo<ClockCase>& info) { return std::string(info.param.Name); });

} // namespace
