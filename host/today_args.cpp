#include "platform/platform.h"
#include "host/today_args.h"

const WCHAR TodayUsage[] =
    L"usage: today.exe [--snapshot FILE.png] [--exit-after SECONDS] [--dll PATH] "
    L"[--open-settings]\n"
    L"  A stand-in Today screen: loads the item library (morvane.dll beside today.exe unless\n"
    L"  --dll says otherwise) by ordinal and shows its item.\n"
    L"  --snapshot FILE.png   write a picture of the screen after the item's first paint, then "
    L"exit\n"
    L"  --exit-after SECONDS  close by itself after SECONDS (1 to 2147483)\n"
    L"  --dll PATH            load this item library instead\n"
    L"  --open-settings       open the item's settings page once the item is shown\n"
    L"  Keys: F2 settings page, F5 refresh now, Esc quit.\n";

static bool ParseSeconds(const std::wstring& text, int* seconds) {
    if (text.empty() || text.size() > 7)
        return false;
    long value = 0;
    for (WCHAR c : text) {
        if (c < TEXT('0') || c > TEXT('9'))
            return false;
        value = value * 10 + (c - TEXT('0'));
    }
    if (value < 1 || value > ExitAfterMax)
        return false;
    *seconds = (int)value;
    return true;
}

std::wstring ParseTodayArgs(int count, const WCHAR* const* args, TodayArgs* parsed) {
    for (int i = 0; i < count; ++i) {
        std::wstring arg = args[i];
        bool hasValue = i + 1 < count;
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            parsed->Help = true;
        } else if (arg == L"--open-settings") {
            parsed->OpenSettings = true;
        } else if (arg == L"--snapshot" || arg == L"--dll") {
            if (!hasValue || args[i + 1][0] == 0)
                return arg + L" needs a file name";
            (arg == L"--snapshot" ? parsed->Snapshot : parsed->Dll) = args[++i];
        } else if (arg == L"--exit-after") {
            if (!hasValue)
                return L"--exit-after needs a number of seconds";
            if (!ParseSeconds(args[i + 1], &parsed->ExitAfter))
                return L"--exit-after needs a whole number of seconds from 1 to 2147483, not '" +
                       std::wstring(args[i + 1]) + L"'";
            ++i;
        } else {
            return L"unknown argument '" + arg + L"'";
        }
    }
    return std::wstring();
}
