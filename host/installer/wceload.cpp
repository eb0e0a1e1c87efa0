// wceload.exe: a stand-in for the Pocket PC's installer. It installs a cabinet into this prefix as
// tapping it installs it on the device, and removes an installed program as Remove Programs does.
#include "platform/platform.h"
#include "host/common/console_text.h"
#include "host/installer/installer.h"

#include <shellapi.h>

#include <string>

namespace {

const WCHAR Usage[] = L"usage: wceload.exe FILE.cab | --remove NAME\n"
                      L"  A stand-in for the device's installer: installs the Pocket PC cabinet\n"
                      L"  FILE.cab (its files under C:, the device's root, and its registry\n"
                      L"  values), or removes the installed program NAME (its provider and name,\n"
                      L"  as Remove Programs lists it) and what it wrote.";

enum { ExitOk = 0, ExitFailed = 1, ExitBadArguments = 2 };
const WCHAR DeviceRoot[] = L"C:\\";

} // namespace

int main() {
    int count = 0;
    WCHAR** args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring first = args && count > 1 ? args[1] : L"",
                 second = args && count > 2 ? args[2] : L"";
    if (args)
        LocalFree(args);
    if (first == L"--help" || first == L"-h") {
        Say(Usage, STD_OUTPUT_HANDLE);
        return ExitOk;
    }
    bool remove = first == L"--remove";
    if (count != (remove ? 3 : 2) || (!remove && first.compare(0, 2, L"--") == 0)) {
        Say(Usage);
        return ExitBadArguments;
    }
    // Like the device's installer it works from the device's root, drive C:, where a setup
    // library's device paths (\Windows\...) lead; the cabinet is named before that.
    WCHAR cabinet[MAX_PATH];
    DWORD length = remove ? 0 : GetFullPathNameW(first.c_str(), MAX_PATH, cabinet, NULL);
    if (length > 0 && length < MAX_PATH)
        first = cabinet;
    SetCurrentDirectoryW(DeviceRoot);
    std::wstring said;
    bool done = remove ? RemoveProgram(second, &said) : InstallCabinet(first, &said);
    Say(said, done ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    return done ? ExitOk : ExitFailed;
}
