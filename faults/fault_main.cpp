// fault_injector.exe: makes every platform call morvane.dll imports fail, one call site at a time,
// each in a fresh process, and reports each crash, hang, leak and lost settings change.
#include "platform/platform.h"
#include "faults/fault_runs.h"
#include "faults/fault_loader.h"
#include "faults/fault_session.h"
#include "faults/import_table.h"
#include "tests/support/text.h"

#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <string>

namespace {

const char Usage[] =
    "usage: fault_injector [--dll PATH] [--pass once|from|first]... [--only FUNCTION]\n"
    "                      [--jobs N] [--limit SECONDS]\n"
    "       fault_injector [--dll PATH] --session [--fail FUNCTION --at N [--from]]\n"
    "       fault_injector [--dll PATH] --list\n"
    "\n"
    "Without --session: the session once with no fault, then a fresh process per injection\n"
    "point of each pass (default: once, then from):\n"
    "  once   the Nth call of a function fails once, for every function and N the baseline saw\n"
    "  from   every call from the Nth on fails, for the first, middle and last N\n"
    "  first  every call from the first on fails\n"
    "--session runs the session in this process (one point with --fail), --list names each\n"
    "import and its failure. PATH defaults to morvane.dll beside this program; --jobs to twice\n"
    "the processors, --limit (a run that takes longer has hung) to 60.\n";

std::wstring BesideThisProgram(const WCHAR* name) {
    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + name;
}

int Refuse(const char* why) {
    fprintf(stderr, "fault_injector: %s\n%s", why, Usage);
    return 2;
}

bool PassFromName(const WCHAR* name, PassKind* pass) {
    if (wcscmp(name, L"once") == 0)
        *pass = PassOnce;
    else if (wcscmp(name, L"from") == 0)
        *pass = PassFrom;
    else if (wcscmp(name, L"first") == 0)
        *pass = PassFirst;
    else
        return false;
    return true;
}

// The stand-in control panel where the item starts it, \Windows\ctlpnl.exe on the drive the
// process works from, which is C: as for today.exe; so a tap reaches a real program.
void InstallControlPanel() {
    CopyFileW(BesideThisProgram(L"ctlpnl.exe").c_str(), L"C:\\windows\\ctlpnl.exe", TRUE);
    SetCurrentDirectoryW(L"C:\\");
}

} // namespace

int wmain(int argc, WCHAR** argv) {
    PassOptions options;
    options.Injector = BesideThisProgram(L"fault_injector.exe");
    options.Library = BesideThisProgram(L"morvane.dll");
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    // A run spends most of its time waiting on the stylus's hold and on Wine's server.
    options.Jobs = 2 * (int)system.dwNumberOfProcessors;
    bool session = false, list = false;
    std::string fail;
    unsigned at = 0;
    bool from = false;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        bool more = i + 1 < argc;
        if (arg == L"--help" || arg == L"-h") {
            fputs(Usage, stdout);
            return 0;
        } else if (arg == L"--dll" && more) {
            options.Library = argv[++i];
        } else if (arg == L"--pass" && more) {
            PassKind pass;
            if (!PassFromName(argv[++i], &pass))
                return Refuse("unknown pass");
            options.Passes.push_back(pass);
        } else if (arg == L"--only" && more) {
            options.Only = Utf8(argv[++i]);
        } else if (arg == L"--jobs" && more) {
            options.Jobs = _wtoi(argv[++i]);
        } else if (arg == L"--limit" && more) {
            options.LimitMilliseconds = (DWORD)_wtoi(argv[++i]) * 1000;
        } else if (arg == L"--session") {
            session = true;
        } else if (arg == L"--list") {
            list = true;
        } else if (arg == L"--fail" && more) {
            fail = Utf8(argv[++i]);
        } else if (arg == L"--at" && more) {
            at = (unsigned)_wtoi(argv[++i]);
        } else if (arg == L"--from") {
            from = true;
        } else {
            return Refuse(("unknown argument " + Utf8(argv[i])).c_str());
        }
    }
    if (options.Jobs < 1)
        return Refuse("--jobs needs a count of at least 1");
    if (list)
        return ListImports(options.Library.c_str()) ? 0 : 2;
    if (session) {
        if (!fail.empty()) {
            const ImportFault* row = FindImportFault(fail.c_str());
            if (!row || row->Kind == CannotFail || at == 0)
                return Refuse("--fail needs a function that can fail and --at a call from 1");
            Plan.Key = row->Key;
            Plan.At = at;
            Plan.From = from;
        }
        InstallControlPanel();
        return RunSession(options.Library.c_str());
    }
    if (options.Passes.empty())
        options.Passes = {PassOnce, PassFrom};
    return RunPasses(options);
}
