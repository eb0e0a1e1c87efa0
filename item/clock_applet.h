// The item's action, as the device's own clock has it: the control panel's Clock & Alarms page.
#pragma once

#include "platform/platform.h"

// The control panel host and the applet of Clock & Alarms in it. A device path: from the Today
// screen's drive, which on the desktop is the C: drive of the host's Windows folder.
#define CLOCK_APPLET_PROGRAM TEXT("\\Windows\\ctlpnl.exe")
#define CLOCK_APPLET_COMMAND TEXT("cplmain.cpl,16")

// Starts Clock & Alarms and lets it run; a control panel that is missing or does not start shows
// nothing and changes nothing.
void OpenClockAndAlarms();
