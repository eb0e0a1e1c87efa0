// English and Japanese month and weekday names, indexed after clamping.
#pragma once

#include "platform/platform.h"

#include <string.h>

enum { MonthCount = 12, WeekdayCount = 7 };

// Each name is held in a fixed, zero-padded slot with its length: the formatter copies a whole
// slot with a few moves instead of looking for the name's end, and Text is still a terminated
// string.
enum {
    ShortNameSlot = 4, // up to three units: "Sun", "Jan", the Japanese names
    LongNameSlot = 10  // up to nine units: "September", "Wednesday"
};

struct ShortName {
    WCHAR Text[ShortNameSlot];
    int Length;
};

struct LongName {
    WCHAR Text[LongNameSlot];
    int Length;
};

extern const ShortName MonthShortNames[MonthCount];
extern const LongName MonthLongNames[MonthCount];
extern const ShortName MonthJaNames[MonthCount];
extern const ShortName DayTwoLetterNames[WeekdayCount];
extern const ShortName DayShortNames[WeekdayCount];
extern const LongName DayLongNames[WeekdayCount];
extern const ShortName DayJaShortNames[WeekdayCount];
extern const ShortName DayJaLongNames[WeekdayCount];

// Copies a whole slot to out, which has room for it, and returns the name's length. A fixed-size
// memcpy compiles to a few block moves.
inline int PutShortName(WCHAR* out, const ShortName* name) {
    memcpy(out, name->Text, sizeof name->Text);
    return name->Length;
}

inline int PutLongName(WCHAR* out, const LongName* name) {
    memcpy(out, name->Text, sizeof name->Text);
    return name->Length;
}
