#include "platform/platform.h"
#include "format/time_format.h"
#include "format/text_sink.h"
#include "settings/clock_settings.h"

enum { HoursPerHalfDay = 12 };

static const WCHAR AmText[] = TEXT("AM");
static const WCHAR PmText[] = TEXT("PM");
static const WCHAR AmJaText[] = TEXT("\u5348\u524D"); // before noon
static const WCHAR PmJaText[] = TEXT("\u5348\u5F8C"); // after noon

int FormatTime(WCHAR* out, int capacity, const SYSTEMTIME* time) {
    const WCHAR* format = ClockSettings.TimeFormat;
    TextSink sink = SinkOpen(out, capacity);
    const bool morning = time->wHour < HoursPerHalfDay;

    while (*format != 0 && !SinkFull(&sink)) {
        const WCHAR c = format[0];
        const bool pair = format[1] == c;
        switch (c) {
        case TEXT('H'):
            SinkPutNumber(&sink, time->wHour, pair);
            format += pair ? 2 : 1;
            continue;
        case TEXT('h'):
            SinkPutNumber(&sink, time->wHour % HoursPerHalfDay, pair);
            format += pair ? 2 : 1;
            continue;
        case TEXT('m'):
            if (pair) {
                SinkPutNumber(&sink, time->wMinute, true);
                format += 2;
                continue;
            }
            break;
        case TEXT('s'):
            if (pair) {
                SinkPutNumber(&sink, time->wSecond, true);
                format += 2;
                continue;
            }
            break;
        case TEXT('t'):
            if (pair) {
                SinkPutText(&sink, morning ? AmText : PmText);
                format += 2;
                continue;
            }
            break;
        case TEXT('T'):
            if (pair) {
                SinkPutText(&sink, morning ? AmJaText : PmJaText);
                format += 2;
                continue;
            }
            break;
        default: break;
        }
        SinkPut(&sink, c);
        ++format;
    }
    return SinkClose(&sink, capacity, *format != 0);
}
