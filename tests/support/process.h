// Starting a program under test and reading what it printed: the build's own programs (today.exe,
// store_settings.exe), and this test program again as a fresh process.
#pragma once

#include "platform/platform.h"

#include <stdio.h>

#include <string>
#include <vector>

struct ProgramRun {
    bool Started = false;
    bool TimedOut = false; // ended by the time limit
    DWORD ExitCode = 0xFFFFFFFF;
    std::string Output; // standard output and error together
};

// The build folder's file, and the source folder's, as Wine sees them (drive Z: is the Linux
// root).
inline std::wstring BuildPath(const char* name) {
    std::string path = std::string("Z:") + MORVANE_BUILD_DIR + "/" + name;
    return std::wstring(path.begin(), path.end());
}
inline std::wstring SourcePath(const char* name) {
    std::string path = std::string("Z:") + MORVANE_SOURCE_DIR + "/" + name;
    return std::wstring(path.begin(), path.end());
}

// Runs the command line and waits for it; a run that outlives the limit is ended with exit code
// 99. Its output goes to a file rather than a pipe: a desktop process that the program may start
// inherits the handles and would hold a pipe open long after the program ended.
inline ProgramRun RunProgram(const std::wstring& commandLine, DWORD limit = 60000) {
    ProgramRun run;
    WCHAR folder[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"run", 0, file);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE output = CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_TEMPORARY, NULL);
    if (output == INVALID_HANDLE_VALUE) {
        run.Output =
            "RunProgram: no file for the output (error " + std::to_string(GetLastError()) + ")";
        return run;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<WCHAR> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    run.Started =
        CreateProcessW(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process);
    if (!run.Started) {
        // Now and then Wine fails to start a process at all; that, and only that, is tried again.
        fprintf(stderr, "RunProgram: rerun: the process did not start (error %lu)\n",
                (unsigned long)GetLastError());
        run.Started =
            CreateProcessW(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process);
    }
    CloseHandle(output);
    if (run.Started) {
        if (WaitForSingleObject(process.hProcess, limit) == WAIT_TIMEOUT) {
            run.TimedOut = true;
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, INFINITE);
        }
        GetExitCodeProcess(process.hProcess, &run.ExitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    HANDLE written = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                 OPEN_EXISTING, 0, NULL);
    char chunk[4096];
    DWORD got;
    while (written != INVALID_HANDLE_VALUE && ReadFile(written, chunk, sizeof chunk, &got, NULL) &&
           got > 0)
        run.Output.append(chunk, got);
    if (written != INVALID_HANDLE_VALUE)
        CloseHandle(written);
    DeleteFileW(file);
    if (!run.Started)
        run.Output +=
            "RunProgram: the process did not start (error " + std::to_string(GetLastError()) + ")";
    return run;
}

// A program of the build folder with the arguments.
inline ProgramRun RunBuilt(const char* program, const std::wstring& arguments,
                           DWORD limit = 60000) {
    return RunProgram(L"\"" + BuildPath(program) + L"\" " + arguments, limit);
}

// This test program again, with the arguments, as a fresh process: nothing it loads is shared with
// the caller.
inline ProgramRun RunSelf(const std::wstring& arguments, DWORD limit = 60000) {
    WCHAR path[MAX_PATH];
    GetModuleFileNameW(NULL, path, MAX_PATH);
    return RunProgram(L"\"" + std::wstring(path) + L"\" " + arguments, limit);
}
