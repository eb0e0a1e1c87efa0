#include "platform/platform.h"
#include "host/today_args.h"

const WCHAR TodayUsage[] =
    L"usage: today.exe [--landscape] [--turn] [--snapshot FILE.png] [--exit-after SECONDS]\n"
    L"                 [--dll PATH] [--disabled]\n"
    L"                 [--open-settings [--pick ID=ENTRY | --press ID]... "
    L"[--snapshot-dialog FILE.png]]\n"
    L"  A stand-in Today screen: loads the item library (morvane.dll beside today.exe unless\n"
    L"  --dll says otherwise) by ordinal and shows its item.\n"
    L"  --landscape           start with the screen turned (320 wide at 96 dpi, not 240)\n"
    L"  --turn                turn the screen once the item is shown, as F4 does\n"
    L"  --snapshot FILE.png   write a picture of the screen once the item has drawn (after the\n"
    L"                        turn and the settings page, when asked for), then exit\n"
    L"  --exit-after SECONDS  close by itself after SECONDS (1 to 2147483)\n"
    L"  --dll PATH            load this item library instead\n"
    L"  --disabled            give the item the record of one unchecked in the Today settings,\n"
    L"                        for which it makes no window\n"
    L"  --open-settings       open the item's settings page once the item is shown; when it\n"
    L"                        closes, the item is made again, as the Today screen does\n"
    L"  --pick ID=ENTRY       pick ENTRY in list ID of the dialog on top\n"
    L"  --press ID            click control ID of the dialog on top; the next step waits until\n"
    L"                        the click has brought another dialog up (or closed the page)\n"
    L"  --snapshot-dialog FILE.png\n"
    L"                        write a picture of the dialog on top (frame and caption included)\n"
    L"                        once every step has been made, then exit\n"
    L"  Keys: F2 settings page, F4 turn the screen, F5 make the item again, Esc quit.\n";

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

static std::wstring BadControlId(const std::wstring& option, const std::wstring& text) {
    return option + L" needs a control id from 1 to 65535, not '" + text + L"'";
}

std::wstring ParseTodayArgs(int count, const WCHAR* const* args, TodayArgs* parsed) {
    for (int i = 0; i < count; ++i) {
        std::wstring arg = args[i];
        bool hasValue = i + 1 < count;
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            parsed->Help = true;
        } else if (arg == L"--disabled") {
            parsed->Disabled = true;
        } else if (arg == L"--landscape") {
            parsed->Landscape = true;
        } else if (arg == L"--turn") {
            parsed->Turn = true;
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
            DialogStep step = {0, L""};
            if (!ParseCount(args[i + 1], ControlIdMax, &step.Id))
                return BadControlId(arg, args[i + 1]);
            parsed->Steps.push_back(step);
            ++i;
        } else if (arg == L"--pick") {
            std::wstring value = hasValue ? args[i + 1] : L"";
            size_t equals = value.find(L'=');
            if (equals == std::wstring::npos || equals + 1 == value.size())
                return L"--pick needs a list's control id and an entry, as ID=ENTRY";
            DialogStep step = {0, value.substr(equals + 1)};
            if (!ParseCount(value.substr(0, equals), ControlIdMax, &step.Id))
                return BadControlId(arg, value.substr(0, equals));
            parsed->Steps.push_back(step);
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
    if ((!parsed->Steps.empty() || !parsed->DialogSnapshot.empty()) && !parsed->OpenSettings)
        return L"--press, --pick and --snapshot-dialog work on the settings page: add "
               L"--open-settings";
    if (!parsed->Snapshot.empty() && !parsed->DialogSnapshot.empty())
        return L"--snapshot and --snapshot-dialog cannot be used together";
    return std::wstring();
}
