// today.exe: a stand-in for the Pocket PC Today screen. It shows the items registered under
// HKLM\Software\Microsoft\Today\Items in their order: custom items through their library's export
// 240 by ordinal, each row as high as its item reports, asked every two seconds whether it must be
// redrawn; the built-in rows drawn by itself. It answers the items' colour, highlight and
// watermark requests, moves the highlight among the rows with Up and Down as the device does,
// sends the action key to the highlighted row, opens an item's settings page (template 500 run
// with export 241), loads its items again after it and whenever a program asks, and turns between
// portrait and landscape. For pictures and tests it can make scripted steps and picture the screen
// or the dialog on top.
#include "platform/platform.h"
#include "host/common/console_text.h"
#include "host/today/today_args.h"
#include "host/today/today_run.h"
#include "host/today/today_screen.h"
#include "platform/today_host.h"

#include <shellapi.h>

#include <string>

namespace {

// Where the Today screen works from: a device path such as \Windows\ctlpnl.exe leads to this
// drive's Windows folder.
const WCHAR DeviceDrive[] = L"C:\\";

int Run() {
    if (!CreateScreen()) {
        Complain(L"cannot create the Today screen window (" + SystemMessage(GetLastError()) +
                 L"); is a display available?");
        return ExitNoWindow;
    }
    return RunScreen();
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
        Complain(problem);
        Complain(L"try --help");
        return ExitBadArguments;
    }
    if (Today.Args.Help) {
        Say(TodayUsage, STD_OUTPUT_HANDLE);
        return ExitOk;
    }
    MakePathsFull(&Today.Args);
    if (!SetCurrentDirectoryW(DeviceDrive))
        Complain(std::wstring(L"cannot work from ") + DeviceDrive + L": " +
                 SystemMessage(GetLastError()));
    SetProcessDPIAware();

    Today.Ready = CreateEventW(NULL, TRUE, FALSE, SHELL_API_READY_EVENT);
    int status = Run();
    DestroyScreen();
    if (Today.Ready)
        CloseHandle(Today.Ready);
    return status;
}
