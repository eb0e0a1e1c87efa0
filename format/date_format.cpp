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

// Runs of a letter are matched by looking at most three characters ahead, stopping at the first
// that differs, so the scan never reads past the terminator. A character that starts no token is
// copied.
FORMAT_INLINE void WriteDateToken(WCHAR*& out, const WCHAR*& format, const SYSTEMTIME* time) {
    const WCHAR c = format[0];
    switch (c) {
    case TEXT('y'):
        if (format[1] != c)
            break;
        if (format[2] == c && format[3] == c)
            return Advance(out, format, PutNumber(out, time->wYear), 4);
        return Advance(out, format, PutTwoDigits(out, time->wYear % YearsPerCentury), 2);
    case TEXT('M'):
        if (format[1] != c)
            return Advance(out, format, PutNumber(out, time->wMonth), 1);
        if (format[2] != c)
            return Advance(out, format, PutTwoDigits(out, time->wMonth), 2);
        if (format[3] != c)
            return Advance(out, format, PutShortName(out, &MonthShortNames[MonthIndex(time)]), 3);
        return Advance(out, format, PutLongName(out, &MonthLongNames[MonthIndex(time)]), 4);
    case TEXT('I'):
        if (format[1] == TEXT('N'))
            return Advance(out, format, PutShortName(out, &MonthJaNames[MonthIndex(time)]), 2);
        break;
    case TEXT('d'):
        if (format[1] == c)
            return Advance(out, format, PutTwoDigits(out, time->wDay), 2);
        return Advance(out, format, PutNumber(out, time->wDay), 1);
    case TEXT('w'):
        if (format[1] == c)
            return Advance(out, format, PutShortName(out, &DayShortNames[WeekdayIndex(time)]), 2);
        return Advance(out, format, PutShortName(out, &DayTwoLetterNames[WeekdayIndex(time)]), 1);
    case TEXT('W'):
        out[0] = TEXT(' ');
        return Advance(out, format, 1 + PutLongName(out + 1, &DayLongNames[WeekdayIndex(time)]), 1);
    case TEXT('Y'):
        if (format[1] == c) {
            out[0] = TEXT(' ');
            return Advance(out, format,
                           1 + PutShortName(out + 1, &DayJaLongNames[WeekdayIndex(time)]), 2);
        }
        return Advance(out, format, PutShortName(out, &DayJaShortNames[WeekdayIndex(time)]), 1);
    default: break;
    }
    *out++ = *format++;
}

int FormatDate(WCHAR* out, int capacity, const SYSTEMTIME* time) {
    return RunTokens<WriteDateToken>(out, capacity, ClockSettings.DateFormat, time);
}
