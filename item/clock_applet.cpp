#include "platform/platform.h"
#include "item/clock_applet.h"
#include "platform/program_start.h"

void OpenClockAndAlarms() {
    // A copy of its own: the desktop's CreateProcess may write into the command line it is given.
    WCHAR command[] = CLOCK_APPLET_COMMAND;
    StartProgram(CLOCK_APPLET_PROGRAM, command);
}
