#include "platform/platform.h"
#include "item/item_paint.h"
#include "item/item_font.h"
#include "item/item_metrics.h"
#include "item/item_selection.h"
#include "item/local_time.h"
#include "item/screen_scale.h"
#include "platform/today_host.h"
#include "format/date_format.h"
#include "format/time_format.h"
#include "settings/clock_settings.h"

enum { IconLeft = 2, IconTop = 0, FlatDrawFlags = DT_VCENTER };

SYSTEMTIME LastPaintedTime;

static void FormatItemText(int item, WCHAR* text, int capacity, const SYSTEMTIME* now) {
    if (item == ItemTime)
        FormatTime(text, capacity, now);
    else
        FormatDate(text, capacity, now);
}

static HFONT CreateItemFont(int item) {
    return CreateBoundedFont(item == ItemTime ? &ClockSettings.TimeFont : &ClockSettings.DateFont);
}

// On the highlight the theme's highlighted text, whatever the settings say: a colour chosen for
// the Today background may vanish on the highlight.
static COLORREF ItemTextColor(HWND window) {
    COLORREF highlight, highlightedText;
    if (ItemHighlight(window, &highlight, &highlightedText))
        return highlightedText;
    if (ClockSettings.UseColor)
        return ClockSettings.TextColor;
    return (COLORREF)SendMessageW(GetParent(window), TODAYM_GETCOLOR, TODAYCOLOR_TEXT, 0);
}

// Width of the whole Flat line, the gap included when there are two pieces.
static int FlatLineWidth(HDC dc, RECT client, const DispTypeRow* row, const SYSTEMTIME* now) {
    WCHAR text[PaintTextCapacity];
    RECT m = client;
    for (int i = 0; i < row->Count; ++i) {
        HFONT font = CreateItemFont(row->Items[i]);
        HGDIOBJ previous = SelectObject(dc, font);
        FormatItemText(row->Items[i], text, PaintTextCapacity, now);
        DrawTextW(dc, text, -1, &m, DT_CALCRECT);
        m.left = m.right;
        SelectObject(dc, previous);
        DeleteObject(font);
    }
    return row->Count >= 2 ? m.left + ItemGap : m.left;
}

// Where a Flat line starts: never left of the margin, so a line wider than the item is cut at
// the right.
static int FlatStart(HDC dc, RECT client, int width, int margin, const DispTypeRow* row,
                     const SYSTEMTIME* now) {
    int dpi = ScreenDpi(LOGPIXELSX);
    int candidate;
    switch (ClockSettings.DispPos) {
    case DispPosCenter: candidate = (width - FlatLineWidth(dc, client, row, now)) / 2; break;
    case DispPosRight:
        candidate = width - FlatLineWidth(dc, client, row, now) -
                    ScaleRound(RightMarginAt96, dpi, ReferenceDpi);
        break;
    default: return margin;
    }
    return candidate > margin ? candidate : margin;
}

static UINT StackAlignment() {
    switch (ClockSettings.DispPos) {
    case DispPosCenter: return DT_CENTER;
    case DispPosRight: return DT_RIGHT;
    default: return DT_LEFT;
    }
}

void PaintItem(HWND window, HDC dc, RECT client) {
    int width = client.right - client.left;
    int height = client.bottom - client.top;
    int y = 0;
    int dpi = ScreenDpi(LOGPIXELSX);
    const DispTypeRow* row = CurrentDispTypeRow();
    int flat = ClockSettings.Layout == LayoutFlat;

    SetBkMode(dc, TRANSPARENT);
    if (!ClockSettings.HiddenIcon)
        DrawIconEx(dc, IconLeft, IconTop, ItemIcon, 0, 0, 0, NULL, DI_NORMAL);
    COLORREF color = ItemTextColor(window);

    SYSTEMTIME now;
    ReadLocalTime(&now);
    LastPaintedTime = now;

    int x = ClockSettings.HiddenIcon ? 0 : ScaleRound(TextMarginAt96, dpi, ReferenceDpi);
    if (flat) {
        if (ClockSettings.DispPos != DispPosLeft)
            x = FlatStart(dc, client, width, x, row, &now);
    } else if (ClockSettings.DispPos == DispPosCenter) {
        x = 0;
    } else if (ClockSettings.DispPos == DispPosRight) {
        width -= ScaleRound(RightMarginAt96, dpi, ReferenceDpi);
    }
    UINT stackFlags = StackAlignment();

    WCHAR text[PaintTextCapacity];
    for (int i = 0; i < row->Count; ++i) {
        HFONT font = CreateItemFont(row->Items[i]);
        HGDIOBJ previous = SelectObject(dc, font);
        FormatItemText(row->Items[i], text, PaintTextCapacity, &now);
        SetTextColor(dc, color);
        RECT r = {x, y, width, height};
        if (flat) {
            DrawTextW(dc, text, -1, &r, FlatDrawFlags);
            DrawTextW(dc, text, -1, &r, DT_CALCRECT);
            x = r.right + ItemGap;
        } else {
            DrawTextW(dc, text, -1, &r, stackFlags);
            DrawTextW(dc, text, -1, &r, DT_CALCRECT);
            y = r.bottom;
        }
        SelectObject(dc, previous);
        DeleteObject(font);
    }
}
