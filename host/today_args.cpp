#include "platform/platform.h"
#include "host/today_args.h"

const WCHAR TodayUsage[] =
    L"usage: today.exe [--snapshot FILE.png] [--exit-after SECONDS] [--dll PATH] [--disabled] "
    L"[--open-settings [--press ID]... [--snapshot-dialog FILE.png]]\n"
    L"  A stand-in Today screen: loads the item library (morvane.dll beside today.exe unless\n"
    L"  --dll says otherwise) by ordinal and shows its item.\n"
    L"  --snapshot FILE.png   write a picture of the screen after the item's first paint, then "
    L"exit\n"
    L"  --exit-after SECONDS  close by itself after SECONDS (1 to 2147483)\n"
    L"  --dll PATH            load this item library instead\n"
    L"  --disabled            give the item the record of one unchecked in the Today settings,\n"
    L"                        for which it makes no window\n"
    L"  --open-settings       open the item's settings page once the item is shown\n"
    L"  --press ID            click control ID of the dialog on top, once the previous press\n"
    L"                        has brought another dialog up; may be given several times\n"
    L"  --snapshot-dialog FILE.png\n"
    L"                        write a picture of the dialog on top (frame and caption included)\n"
    L"                        once every press has been made, then exit\n"
    L"  Keys: F2 settings page, F5 refresh now, Esc quit.\n";

// A whole decimal number from 1 to max, digits only.
static bool ParseCount(const std::wstring& text, long max, int* count) {
    if (text.empty() || text.size() > 7)
        return false;
    long value = 0;
    for (WCHAR c : text) {
        if (c < TEXT('0') || c > TEXT('9'))
            return false;
        value = value * 10 + (c - TEXT('0'));
    }
    if (value < 1 || value > max)
        return false;
    *count = (int)value;
    return true;
}

std::wstring ParseTodayArgs(int count, const WCHAR* const* args, TodayArgs* parsed) {
    for (int i = 0; i < count; ++i) {
        std::wstring arg = args[i];
        bool hasValue = i + 1 < count;
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            parsed->Help = true;
        } else if (arg == L"--disabled") {
            parsed->Disabled = true;
        } else if (arg == L"--open-settings") {
            parsed->OpenSettings = true;
        } else if (arg == L"--snapshot" || arg == L"--dll" || arg == L"--snapshot-dialog") {
            if (!hasValue || args[i + 1][0] == 0)
                return arg + L" needs a file name";
            std::wstring& file = arg == L"--snapshot" ? parsed->Snapshot
                                 : arg == L"--dll"    ? parsed->Dll
                                                      : parsed->DialogSnapshot;
            file = args[++i];
        } else if (arg == L"--press") {
            if (!hasValue)
                return L"--press needs a control id";
            int id = 0;
            if (!ParseCount(args[i + 1], ControlIdMax, &id))
                return L"--press needs a control id from 1 to 65535, not '" +
                       std::wstring(args[i + 1]) + L"'";
            parsed->Presses.push_back(id);
            ++i;
        } else if (arg == L"--exit-after") {
            if (!hasValue)
                return L"--exit-after needs a number of seconds";
            if (!ParseCount(args[i + 1], ExitAfterMax, &parsed->ExitAfter))
                return L"--exit-after needs a whole number of seconds from 1 to 2147483, not '" +
                       std::wstring(args[i + 1]) + L"'";
            ++i;
        } else {
            return L"unknown argument '" + arg + L"'";
        }
    }
    if ((!parsed->Presses.empty() || !parsed->DialogSnapshot.empty()) && !parsed->OpenSettings)
        return L"--press and --snapshot-dialog work on the settings page: add --open-settings";
    // The screen's snapshot ends the run at the item's first paint, before any dialog is up.
    if (!parsed->Snapshot.empty() && !parsed->DialogSnapshot.empty())
        return L"--snapshot and --snapshot-dialog cannot be used together";
    return std::wstring();
}
