#include "platform/platform.h"
#include "item/local_time.h"

LocalTimeReader LocalTimeSource = GetLocalTime;

void ReadLocalTime(SYSTEMTIME* now) {
    LocalTimeSource(now);
}
