#include "platform/platform.h"
#include "format/calendar_names.h"

const WCHAR* const MonthShortNames[MonthCount] = {
    TEXT("Jan"), TEXT("Feb"), TEXT("Mar"), TEXT("Apr"), TEXT("May"), TEXT("Jun"),
    TEXT("Jul"), TEXT("Aug"), TEXT("Sep"), TEXT("Oct"), TEXT("Nov"), TEXT("Dec"),
};

const WCHAR* const MonthLongNames[MonthCount] = {
    TEXT("January"),   TEXT("February"), TEXT("March"),    TEXT("April"),
    TEXT("May"),       TEXT("June"),     TEXT("July"),     TEXT("August"),
    TEXT("September"), TEXT("October"),  TEXT("November"), TEXT("December"),
};

// Traditional Japanese month names, written as code points so the source stays ASCII.
const WCHAR* const MonthJaNames[MonthCount] = {
    TEXT("\u7766\u6708"), TEXT("\u5982\u6708"),       TEXT("\u5F25\u751F"), TEXT("\u536F\u6708"),
    TEXT("\u7690\u6708"), TEXT("\u6C34\u7121\u6708"), TEXT("\u6587\u6708"), TEXT("\u8449\u6708"),
    TEXT("\u9577\u6708"), TEXT("\u795E\u7121\u6708"), TEXT("\u971C\u6708"), TEXT("\u5E2B\u8D70"),
};

const WCHAR* const DayTwoLetterNames[WeekdayCount] = {
    TEXT("Su"), TEXT("Mo"), TEXT("Tu"), TEXT("We"), TEXT("Th"), TEXT("Fr"), TEXT("Sa"),
};

const WCHAR* const DayShortNames[WeekdayCount] = {
    TEXT("Sun"), TEXT("Mon"), TEXT("Tue"), TEXT("Wed"), TEXT("Thu"), TEXT("Fri"), TEXT("Sat"),
};

const WCHAR* const DayLongNames[WeekdayCount] = {
    TEXT("Sunday"),   TEXT("Monday"), TEXT("Tuesday"),  TEXT("Wednesday"),
    TEXT("Thursday"), TEXT("Friday"), TEXT("Saturday"),
};

const WCHAR* const DayJaShortNames[WeekdayCount] = {
    TEXT("\u65E5"), TEXT("\u6708"), TEXT("\u706B"), TEXT("\u6C34"),
    TEXT("\u6728"), TEXT("\u91D1"), TEXT("\u571F"),
};

const WCHAR* const DayJaLongNames[WeekdayCount] = {
    TEXT("\u65E5\u66DC\u65E5"), TEXT("\u6708\u66DC\u65E5"), TEXT("\u706B\u66DC\u65E5"),
    TEXT("\u6C34\u66DC\u65E5"), TEXT("\u6728\u66DC\u65E5"), TEXT("\u91D1\u66DC\u65E5"),
    TEXT("\u571F\u66DC\u65E5"),
};
