// Fuzzes both formatters over arbitrary formats, times and capacities: the bounded text must stay
// inside its buffer, be terminated, and equal the unbounded text cut to the room (less a lead
// surrogate whose partner did not fit).
#include "platform/platform.h"
#include "format/date_format.h"
#include "format/time_format.h"
#include "settings/clock_settings.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

enum { HeaderBytes = 1 + 2 + sizeof(SYSTEMTIME), RoomyCapacity = 1024 };

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < HeaderBytes)
        return 0;
    const bool date = data[0] & 1;
    const int capacity = (data[1] | data[2] << 8) % 700;
    SYSTEMTIME time;
    memcpy(&time, data + 3, sizeof time);
    data += HeaderBytes;
    size -= HeaderBytes;

    WCHAR* format = date ? ClockSettings.DateFormat : ClockSettings.TimeFormat;
    memset(format, 0, FormatCapacity * sizeof(WCHAR));
    size_t units = size / 2 < FormatCapacity - 1 ? size / 2 : FormatCapacity - 1;
    memcpy(format, data, units * 2);

    WCHAR full[RoomyCapacity];
    const int fullLength =
        date ? FormatDate(full, RoomyCapacity, &time) : FormatTime(full, RoomyCapacity, &time);
    // Widest output per format unit: "W" writes ten units; a number from an arbitrary time up to
    // five digits for one "H".
    const int bound = date ? 10 * 63 : 5 * 63;
    if (fullLength < 0 || fullLength > bound || full[fullLength] != 0)
        abort();

    // Exactly `capacity` units, so AddressSanitizer sees any write past the room.
    WCHAR* out = (WCHAR*)malloc((capacity ? capacity : 1) * sizeof(WCHAR));
    const int length = date ? FormatDate(out, capacity, &time) : FormatTime(out, capacity, &time);
    if (capacity == 0) {
        if (length != 0)
            abort();
    } else {
        const int room = capacity - 1;
        const int expected = fullLength < room ? fullLength : room;
        if (out[length] != 0)
            abort();
        if (memcmp(out, full, length * sizeof(WCHAR)) != 0)
            abort();
        if (length != expected) {
            // Only a dropped lead surrogate may shorten a cut text.
            const WCHAR dropped = full[expected - 1];
            if (length != expected - 1 || expected != room || dropped < 0xD800 || dropped > 0xDBFF)
                abort();
        }
    }
    free(out);
    return 0;
}
