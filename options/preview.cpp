#include "platform/platform.h"
#include "options/preview.h"
#include "format/date_format.h"
#include "format/time_format.h"
#include "resources/resource.h"
#include "settings/clock_settings.h"

#include <string.h>

// Sunday, 5 April 2009, 01:02:03.000: the moment every preview shows.
static void GetPreviewTime(SYSTEMTIME* time) {
    memset(time, 0, sizeof *time);
    time->wYear = 2009;
    time->wMonth = 4;
    time->wDayOfWeek = 0;
    time->wDay = 5;
    time->wHour = 1;
    time->wMinute = 2;
    time->wSecond = 3;
}

// Formats one display item at p, then a space; returns where the next item starts. Room for the
// space and the terminator is kept back, so nothing lands past end; a full line takes no more.
static WCHAR* AppendItem(WCHAR* p, WCHAR* end, int item, const SYSTEMTIME* time) {
    int room = (int)(end - p) - 1;
    if (room < 1)
        return p;
    int length = item == ItemDate ? FormatDate(p, room, time) : FormatTime(p, room, time);
    p[length] = TEXT(' ');
    p[length + 1] = 0;
    return p + length + 1;
}

void FormatPreviewLines(WCHAR* line1, WCHAR* line2, int capacity) {
    if (capacity < 1)
        return;
    SYSTEMTIME time;
    GetPreviewTime(&time);
    line1[0] = 0;
    line2[0] = 0;
    WCHAR* end1 = line1 + capacity;
    WCHAR* end2 = line2 + capacity;

    const DispTypeRow* row = CurrentDispTypeRow();
    WCHAR* p = line1;
    for (int i = 0; i < row->Count && i < DispItemSlots; ++i) {
        int item = row->Items[i];
        if (item != ItemTime && item != ItemDate)
            continue;
        if (ClockSettings.Layout == LayoutFlat)
            p = AppendItem(p, end1, item, &time);
        else if (i == 0)
            AppendItem(line1, end1, item, &time);
        else
            AppendItem(line2, end2, item, &time);
    }
}

void UpdatePreview(HWND dialog) {
    WCHAR line1[PreviewLineCapacity];
    WCHAR line2[PreviewLineCapacity];
    FormatPreviewLines(line1, line2, PreviewLineCapacity);
    SendDlgItemMessageW(dialog, IDC_PREVIEW_LINE1, WM_SETTEXT, 0, (LPARAM)line1);
    SendDlgItemMessageW(dialog, IDC_PREVIEW_LINE2, WM_SETTEXT, 0, (LPARAM)line2);
}
