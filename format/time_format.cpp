#include "platform/platform.h"
#include "format/time_format.h"
#include "format/calendar_names.h"
#include "format/text_sink.h"
#include "settings/clock_settings.h"

enum { HoursPerHalfDay = 12 };

static const ShortName AmText = {TEXT("AM"), 2};
static const ShortName PmText = {TEXT("PM"), 2};
static const ShortName AmJaText = {TEXT("\u5348\u524D"), 2}; // before noon
static const ShortName PmJaText = {TEXT("\u5348\u5F8C"), 2}; // after noon

// Two-character tokens are taken when the next character repeats the letter; minutes, seconds and
// the day-half exist only in that form, so a single m, s, t or T is copied.
FORMAT_INLINE void WriteTimeToken(WCHAR*& out, const WCHAR*& format, const SYSTEMTIME* time) {
    const WCHAR c = format[0];
    const bool pair = format[1] == c;
    const bool morning = time->wHour < HoursPerHalfDay;
    switch (c) {
    case TEXT('H'):
        if (pair)
            return Advance(out, format, PutTwoDigits(out, time->wHour), 2);
        return Advance(out, format, PutNumber(out, time->wHour), 1);
    case TEXT('h'):
        if (pair)
            return Advance(out, format, PutTwoDigits(out, time->wHour % HoursPerHalfDay), 2);
        return Advance(out, format, PutNumber(out, time->wHour % HoursPerHalfDay), 1);
    case TEXT('m'):
        if (pair)
            return Advance(out, format, PutTwoDigits(out, time->wMinute), 2);
        break;
    case TEXT('s'):
        if (pair)
            return Advance(out, format, PutTwoDigits(out, time->wSecond), 2);
        break;
    case TEXT('t'):
        if (pair)
            return Advance(out, format, PutShortName(out, morning ? &AmText : &PmText), 2);
        break;
    case TEXT('T'):
        if (pair)
            return Advance(out, format, PutShortName(out, morning ? &AmJaText : &PmJaText), 2);
        break;
    default: break;
    }
    *out++ = *format++;
}

int FormatTime(WCHAR* out, int capacity, const SYSTEMTIME* time) {
    return RunTokens<WriteTimeToken>(out, capacity, ClockSettings.TimeFormat, time);
}
