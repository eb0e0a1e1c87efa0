// A library that loads but is no Today item: it exports something, but not ordinal 240.
#include "platform/platform.h"

extern "C" int NotAnItem() {
    return 1;
}
