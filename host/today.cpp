// today.exe: a stand-in for the Pocket PC Today screen. It loads an item library by ordinal,
// creates the item through export 240, sizes its row from the height the item reports, polls it
// every two seconds, answers its colour and watermark requests, turns between portrait and
// landscape, and opens the item's settings page (template 500 run with export 241), after which it
// makes the item again. For pictures and demonstrations it can walk through the settings page's
// dialogs and picture the screen or the dialog on top.
#include "platform/platform.h"
#include "host/console_text.h"
#include "host/today_args.h"
#include "host/today_screen.h"

#include <shellapi.h>

#include <string>

namespace {

std::wstring DefaultLibraryPath() {
    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    std::wstring folder(path, length);
    size_t slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
    return folder + L"morvane.dll";
}

int Run() {
    if (!CreateScreen()) {
        Say(L"today: cannot create the Today screen window (" + SystemMessage(GetLastError()) +
            L"); is a display available?");
        return ExitNoWindow;
    }
    int status = LoadItemLibrary();
    return status == ExitOk ? RunScreen() : status;
}

} // namespace

int main() {
    int count = 0;
    WCHAR** args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring problem = args ? ParseTodayArgs(count - 1, args + 1, &Today.Args)
                                : std::wstring(L"cannot read the command line");
    if (args)
        LocalFree(args);
    if (!problem.empty()) {
        Say(L"today: " + problem);
        Say(L"today: try --help");
        return ExitBadArguments;
    }
    if (Today.Args.Help) {
        Say(TodayUsage, STD_OUTPUT_HANDLE);
        return ExitOk;
    }
    if (Today.Args.Dll.empty())
        Today.Args.Dll = DefaultLibraryPath();
    SetProcessDPIAware();

    Today.Ready = CreateEventW(NULL, TRUE, FALSE, SHELL_API_READY_EVENT);
    int status = Run();
    DestroyScreen();
    if (Today.Ready)
        CloseHandle(Today.Ready);
    return status;
}
