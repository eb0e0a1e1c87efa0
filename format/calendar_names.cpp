#include "platform/platform.h"
#include "format/calendar_names.h"

// A name and its length in units, from one literal.
#define NAME(text)                                                                                 \
    { TEXT(text), (int)(sizeof(TEXT(text)) / sizeof(WCHAR)) - 1 }

const ShortName MonthShortNames[MonthCount] = {
    NAME("Jan"), NAME("Feb"), NAME("Mar"), NAME("Apr"), NAME("May"), NAME("Jun"),
    NAME("Jul"), NAME("Aug"), NAME("Sep"), NAME("Oct"), NAME("Nov"), NAME("Dec"),
};

const LongName MonthLongNames[MonthCount] = {
    NAME("January"),   NAME("February"), NAME("March"),    NAME("April"),
    NAME("May"),       NAME("June"),     NAME("July"),     NAME("August"),
    NAME("September"), NAME("October"),  NAME("November"), NAME("December"),
};

// Traditional Japanese month names, written as code points so the source stays ASCII.
const ShortName MonthJaNames[MonthCount] = {
    NAME("\u7766\u6708"), NAME("\u5982\u6708"),       NAME("\u5F25\u751F"), NAME("\u536F\u6708"),
    NAME("\u7690\u6708"), NAME("\u6C34\u7121\u6708"), NAME("\u6587\u6708"), NAME("\u8449\u6708"),
    NAME("\u9577\u6708"), NAME("\u795E\u7121\u6708"), NAME("\u971C\u6708"), NAME("\u5E2B\u8D70"),
};

const ShortName DayTwoLetterNames[WeekdayCount] = {
    NAME("Su"), NAME("Mo"), NAME("Tu"), NAME("We"), NAME("Th"), NAME("Fr"), NAME("Sa"),
};

const ShortName DayShortNames[WeekdayCount] = {
    NAME("Sun"), NAME("Mon"), NAME("Tue"), NAME("Wed"), NAME("Thu"), NAME("Fri"), NAME("Sat"),
};

const LongName DayLongNames[WeekdayCount] = {
    NAME("Sunday"),   NAME("Monday"), NAME("Tuesday"),  NAME("Wednesday"),
    NAME("Thursday"), NAME("Friday"), NAME("Saturday"),
};

const ShortName DayJaShortNames[WeekdayCount] = {
    NAME("\u65E5"), NAME("\u6708"), NAME("\u706B"), NAME("\u6C34"),
    NAME("\u6728"), NAME("\u91D1"), NAME("\u571F"),
};

const ShortName DayJaLongNames[WeekdayCount] = {
    NAME("\u65E5\u66DC\u65E5"), NAME("\u6708\u66DC\u65E5"), NAME("\u706B\u66DC\u65E5"),
    NAME("\u6C34\u66DC\u65E5"), NAME("\u6728\u66DC\u65E5"), NAME("\u91D1\u66DC\u65E5"),
    NAME("\u571F\u66DC\u65E5"),
};
