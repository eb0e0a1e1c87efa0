// Starting another program and leaving it to run on its own. The device's CreateProcess takes no
// start-up record (Windows Mobile wants null there) and reads the command line as the program's
// arguments; the desktop's needs a record, and hands the command line over whole.
#pragma once

#include "platform/platform.h"

// Starts the program with the command line and closes its handles at once; returns whether it
// started. The command line is writable, as the desktop's CreateProcess wants it.
inline BOOL StartProgram(const WCHAR* program, WCHAR* commandLine) {
    PROCESS_INFORMATION process;
#ifdef _WIN32_WCE
    LPSTARTUPINFOW startup = NULL;
#else
    STARTUPINFOW record = {};
    record.cb = sizeof record;
    LPSTARTUPINFOW startup = &record;
#endif
    if (!CreateProcessW(program, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, startup, &process))
        return FALSE;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return TRUE;
}
