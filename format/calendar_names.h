// English and Japanese month and weekday names, indexed after clamping.
#pragma once

#include "platform/platform.h"

enum { MonthCount = 12, WeekdayCount = 7 };

extern const WCHAR* const MonthShortNames[MonthCount];
extern const WCHAR* const MonthLongNames[MonthCount];
extern const WCHAR* const MonthJaNames[MonthCount];
extern const WCHAR* const DayTwoLetterNames[WeekdayCount];
extern const WCHAR* const DayShortNames[WeekdayCount];
extern const WCHAR* const DayLongNames[WeekdayCount];
extern const WCHAR* const DayJaShortNames[WeekdayCount];
extern const WCHAR* const DayJaLongNames[WeekdayCount];
