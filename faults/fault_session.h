// One scripted session through every path of morvane.dll, as the Today screen and a person use
// it, in this process: attach; export 240 with a filled record; polls until the row is sized; a
// repaint in each layout and position, with and without seconds, selected and not; the selection
// messages, a tap and the action; a tap and hold whose menu opens the settings page; the
// settings page through export 241 with every sub-dialog opened and a change in each, the colour
// chooser and Select Font confirmed, Done; a second item window; the seconds timer's tick with and
// without seconds shown; detach.
//
// It prints what it finds, one line each, on stdout:
//   step NAME            as each step begins (the last one names where a run crashed or hung)
//   calls FUNCTION N     calls counted while the plan was armed
//   leak FUNCTION        an object the library made and still held after detach
//   lost VALUE           a stored value that differs from the settings the dialogs hold
//   garbage VALUE        a stored value no setting can have
//   stuck dialog         a dialog no way out could close
//   missing DIALOG in step NAME   without a fault, a dialog the step did not see
//   windows N            this process's windows after detach
//   done
#pragma once

#include "platform/platform.h"

// Runs the session on the library at path with the plan already set; returns the exit status:
// 0 with nothing found, 1 with findings, 2 when the library could not be loaded.
int RunSession(const WCHAR* path);
