#include "platform/platform.h"
#include "format/date_format.h"
#include "format/calendar_names.h"
#include "format/text_sink.h"
#include "settings/clock_settings.h"

enum { YearsPerCentury = 100 };

// Name lookups clamp; the numeric month is printed as stored.
static int MonthIndex(const SYSTEMTIME* time) {
    return time->wMonth >= 1 && time->wMonth <= MonthCount ? time->wMonth - 1 : 0;
}

static int WeekdayIndex(const SYSTEMTIME* time) {
    return time->wDayOfWeek < WeekdayCount ? time->wDayOfWeek : 0;
}

// Whether the units after the current letter repeat it `count` more times. Stops at the first
// difference, so it never reads past the terminator.
static bool RunFollows(const WCHAR* format, int count) {
    for (int i = 1; i <= count; ++i) {
        if (format[i] != format[0])
            return false;
    }
    return true;
}

int FormatDate(WCHAR* out, int capacity, const SYSTEMTIME* time) {
    const WCHAR* format = ClockSettings.DateFormat;
    TextSink sink = SinkOpen(out, capacity);

    while (*format != 0 && !SinkFull(&sink)) {
        const WCHAR c = format[0];
        int consumed = 1;
        switch (c) {
        case TEXT('y'):
            if (RunFollows(format, 3)) {
                SinkPutNumber(&sink, time->wYear, false);
                consumed = 4;
            } else if (format[1] == c) {
                SinkPutNumber(&sink, time->wYear % YearsPerCentury, true);
                consumed = 2;
            } else {
                SinkPut(&sink, c);
            }
            break;
        case TEXT('M'):
            if (RunFollows(format, 3)) {
                SinkPutText(&sink, MonthLongNames[MonthIndex(time)]);
                consumed = 4;
            } else if (RunFollows(format, 2)) {
                SinkPutText(&sink, MonthShortNames[MonthIndex(time)]);
                consumed = 3;
            } else if (format[1] == c) {
                SinkPutNumber(&sink, time->wMonth, true);
                consumed = 2;
            } else {
                SinkPutNumber(&sink, time->wMonth, false);
            }
            break;
        case TEXT('I'):
            if (format[1] == TEXT('N')) {
                SinkPutText(&sink, MonthJaNames[MonthIndex(time)]);
                consumed = 2;
            } else {
                SinkPut(&sink, c);
            }
            break;
        case TEXT('d'):
            if (format[1] == c) {
                SinkPutNumber(&sink, time->wDay, true);
                consumed = 2;
            } else {
                SinkPutNumber(&sink, time->wDay, false);
            }
            break;
        case TEXT('w'):
            if (format[1] == c) {
                SinkPutText(&sink, DayShortNames[WeekdayIndex(time)]);
                consumed = 2;
            } else {
                SinkPutText(&sink, DayTwoLetterNames[WeekdayIndex(time)]);
            }
            break;
        case TEXT('W'):
            SinkPut(&sink, TEXT(' '));
            SinkPutText(&sink, DayLongNames[WeekdayIndex(time)]);
            break;
        case TEXT('Y'):
            if (format[1] == c) {
                SinkPut(&sink, TEXT(' '));
                SinkPutText(&sink, DayJaLongNames[WeekdayIndex(time)]);
                consumed = 2;
            } else {
                SinkPutText(&sink, DayJaShortNames[WeekdayIndex(time)]);
            }
            break;
        default: SinkPut(&sink, c); break;
        }
        format += consumed;
    }
    return SinkClose(&sink, capacity, *format != 0);
}
