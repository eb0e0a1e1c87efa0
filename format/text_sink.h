// A bounded writer shared by the formatters: it never writes past the room it was given, and a
// cut never leaves the first half of a surrogate pair at the end of the text.
#pragma once

#include "platform/platform.h"

struct TextSink {
    WCHAR* Out;
    int Length; // units written
    int Room;   // units that may still be written before the terminator
};

inline void SinkPut(TextSink* sink, WCHAR unit) {
    if (sink->Length < sink->Room)
        sink->Out[sink->Length++] = unit;
}

inline void SinkPutText(TextSink* sink, const WCHAR* text) {
    while (*text != 0 && sink->Length < sink->Room)
        sink->Out[sink->Length++] = *text++;
}

// Decimal, no leading zeros; at least two digits when twoDigits is set.
inline void SinkPutNumber(TextSink* sink, unsigned value, bool twoDigits) {
    WCHAR digits[10];
    int count = 0;
    do {
        digits[count++] = (WCHAR)(TEXT('0') + value % 10);
        value /= 10;
    } while (value != 0);
    if (twoDigits && count < 2)
        digits[count++] = TEXT('0');
    while (count > 0)
        SinkPut(sink, digits[--count]);
}

// Prepares a sink over out; Room excludes the terminator's unit.
inline TextSink SinkOpen(WCHAR* out, int capacity) {
    TextSink sink = {out, 0, capacity > 0 ? capacity - 1 : 0};
    return sink;
}

inline bool SinkFull(const TextSink* sink) {
    return sink->Length >= sink->Room;
}

// Terminates the text and returns its length. When the text was cut a trailing lead surrogate is
// dropped, since its partner did not fit. Every token writes at least one unit, so a scan that
// stopped on a full sink before the format's end was cut.
inline int SinkClose(TextSink* sink, int capacity, bool cut) {
    if (capacity < 1)
        return 0;
    if (cut && sink->Length > 0) {
        WCHAR last = sink->Out[sink->Length - 1];
        if (last >= 0xD800 && last <= 0xDBFF)
            --sink->Length;
    }
    sink->Out[sink->Length] = 0;
    return sink->Length;
}
