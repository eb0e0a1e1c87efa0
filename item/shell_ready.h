// Whether the shell's programming interfaces can be used yet, asked at every refresh query.
#pragma once

#include "platform/platform.h"

// Non-zero when the shell's readiness event is set (or the host never made one). The event is
// opened at the first query that finds it and kept, so an ordinary query makes one wait.
int ShellIsReady();

// Closes the kept event, on module detach.
void ForgetShellReady();
