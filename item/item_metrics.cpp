#include "platform/platform.h"
#include "item/item_metrics.h"
#include "item/item_font.h"
#include "item/screen_scale.h"
#include "settings/clock_settings.h"

int RowCount;
int ItemGap;
int ReportedRowHeight;

static void MeasureFont(HDC dc, const LOGFONTW* logFont, TEXTMETRICW* metrics) {
    HFONT font = CreateBoundedFont(logFont);
    HGDIOBJ previous = SelectObject(dc, font);
    GetTextMetricsW(dc, metrics);
    SelectObject(dc, previous);
    DeleteObject(font);
}

// Pixels of text the current layout stacks or lines up.
static int TextHeight(const TEXTMETRICW* time, const TEXTMETRICW* date) {
    if (ClockSettings.Layout == LayoutFlat)
        return time->tmHeight > date->tmHeight ? time->tmHeight : date->tmHeight;
    const DispTypeRow* row = CurrentDispTypeRow();
    int height = 0;
    for (int i = 0; i < row->Count; ++i)
        height += row->Items[i] == ItemTime ? time->tmHeight : date->tmHeight;
    return height;
}

void UpdateMetrics(HWND window) {
    if (!MetricsDirty)
        return;
    RowCount = 1;
    HDC dc = GetDC(window);
    // Zeroed so a failed measurement counts as nothing rather than as stack garbage.
    TEXTMETRICW time = {};
    TEXTMETRICW date = {};
    MeasureFont(dc, &ClockSettings.TimeFont, &time);
    MeasureFont(dc, &ClockSettings.DateFont, &date);

    int height = TextHeight(&time, &date);
    int unit = ScaleRound(RowUnitAt96, ScreenDpi(LOGPIXELSY), ReferenceDpi);
    // A failed or tiny resolution gives no usable unit: the item keeps one row.
    if (unit > 0)
        RowCount = (height + unit - 1) / unit;
    if (RowCount < 1)
        RowCount = 1;
    ItemGap = time.tmAveCharWidth < date.tmAveCharWidth ? time.tmAveCharWidth : date.tmAveCharWidth;

    ReleaseDC(window, dc);
    MetricsDirty = 0;
}

int RowHeight(HWND window) {
    UpdateMetrics(window);
    int height = ScaleRound(RowCount * RowUnitAt96, ScreenDpi(LOGPIXELSY), ReferenceDpi);
    return height < 1 ? 1 : height;
}
