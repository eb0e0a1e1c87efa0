#include "platform/platform.h"
#include "host/today/today_args.h"

namespace {

// A whole decimal number from 1 to max, digits only.
bool ParseCount(const std::wstring& text, long max, int* count) {
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

std::wstring BadControlId(const std::wstring& option, const std::wstring& text) {
    return option + L" needs a control id from 1 to 65535, not '" + text + L"'";
}

struct KeyName {
    const WCHAR* Name;
    int Key;
};
const KeyName Keys[] = {{L"up", VK_UP},       {L"down", VK_DOWN},    {L"left", VK_LEFT},
                        {L"right", VK_RIGHT}, {L"enter", VK_RETURN}, {L"f5", VK_F5}};

bool ParseKey(const std::wstring& text, int* key) {
    for (const KeyName& k : Keys)
        if (lstrcmpiW(text.c_str(), k.Name) == 0) {
            *key = k.Key;
            return true;
        }
    return false;
}

// The options that take a row's name or a menu's entry, and the step each makes.
struct NamedStep {
    const WCHAR* Option;
    StepKind Kind;
};
const NamedStep NamedSteps[] = {
    {L"--select", StepSelect}, {L"--tap", StepTap}, {L"--hold", StepHold}, {L"--menu", StepMenu}};

// Whether a step before the one at index opens what it needs: a dialog for a pick, a press and
// the dialog's picture, a tap and hold for a menu entry.
bool Prepared(const std::vector<Step>& steps, size_t index, bool forMenu) {
    for (size_t i = 0; i < index; ++i) {
        StepKind kind = steps[i].Kind;
        if (forMenu ? kind == StepHold : (kind == StepOpenSettings || kind == StepMenu))
            return true;
    }
    return false;
}

std::wstring CheckSteps(const TodayArgs& parsed) {
    const std::vector<Step>& steps = parsed.Steps;
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i].Kind == StepMenu && !Prepared(steps, i, true))
            return L"--menu picks in the menu a tap and hold brings up: add --hold before it";
        if ((steps[i].Kind == StepPick || steps[i].Kind == StepPress) && !Prepared(steps, i, false))
            return L"--press, --pick and --snapshot-dialog work on a dialog: add "
                   L"--open-settings (or --hold and --menu) before them";
    }
    if (!parsed.DialogSnapshot.empty() && !Prepared(steps, steps.size(), false))
        return L"--press, --pick and --snapshot-dialog work on a dialog: add --open-settings "
               L"(or --hold and --menu) before them";
    if (!parsed.Snapshot.empty() && !parsed.DialogSnapshot.empty())
        return L"--snapshot and --snapshot-dialog cannot be used together";
    return std::wstring();
}

// Parses the option at args[i] with its value, if it takes one; returns a message when it is
// wrong, and advances i past what it used.
std::wstring ParseOne(int count, const WCHAR* const* args, int& i, TodayArgs* parsed) {
    std::wstring arg = args[i];
    bool hasValue = i + 1 < count;
    std::wstring value = hasValue ? args[i + 1] : L"";
    if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
        parsed->Help = true;
    } else if (arg == L"--disabled") {
        parsed->Disabled = true;
    } else if (arg == L"--landscape") {
        parsed->Landscape = true;
    } else if (arg == L"--turn" || arg == L"--open-settings") {
        parsed->Steps.push_back(Step{arg == L"--turn" ? StepTurn : StepOpenSettings, 0, L""});
    } else if (arg == L"--snapshot" || arg == L"--dll" || arg == L"--snapshot-dialog") {
        if (value.empty())
            return arg + L" needs a file name";
        (arg == L"--snapshot" ? parsed->Snapshot
         : arg == L"--dll"    ? parsed->Dll
                              : parsed->DialogSnapshot) = value;
        ++i;
    } else if (arg == L"--item") {
        if (value.empty())
            return L"--item needs the name of an item's key";
        parsed->Item = value;
        ++i;
    } else if (arg == L"--key") {
        Step step = {StepKey, 0, L""};
        if (!ParseKey(value, &step.Number))
            return L"--key needs one of up, down, left, right, enter and f5, not '" + value + L"'";
        parsed->Steps.push_back(step);
        ++i;
    } else if (arg == L"--press") {
        if (!hasValue)
            return L"--press needs a control id";
        Step step = {StepPress, 0, L""};
        if (!ParseCount(value, ControlIdMax, &step.Number))
            return BadControlId(arg, value);
        parsed->Steps.push_back(step);
        ++i;
    } else if (arg == L"--pick") {
        size_t equals = value.find(L'=');
        if (equals == std::wstring::npos || equals + 1 == value.size())
            return L"--pick needs a list's control id and an entry, as ID=ENTRY";
        Step step = {StepPick, 0, value.substr(equals + 1)};
        if (!ParseCount(value.substr(0, equals), ControlIdMax, &step.Number))
            return BadControlId(arg, value.substr(0, equals));
        parsed->Steps.push_back(step);
        ++i;
    } else if (arg == L"--exit-after") {
        if (!hasValue)
            return L"--exit-after needs a number of seconds";
        if (!ParseCount(value, ExitAfterMax, &parsed->ExitAfter))
            return L"--exit-after needs a whole number of seconds from 1 to 2147483, not '" +
                   value + L"'";
        ++i;
    } else {
        for (const NamedStep& named : NamedSteps) {
            if (arg != named.Option)
                continue;
            if (value.empty())
                return arg + (named.Kind == StepMenu ? L" needs a menu entry" : L" needs a row");
            parsed->Steps.push_back(Step{named.Kind, 0, value});
            ++i;
            return std::wstring();
        }
        return L"unknown argument '" + arg + L"'";
    }
    return std::wstring();
}

std::wstring FullPath(const std::wstring& path) {
    WCHAR full[MAX_PATH];
    DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, NULL);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

} // namespace

std::wstring ParseTodayArgs(int count, const WCHAR* const* args, TodayArgs* parsed) {
    for (int i = 0; i < count; ++i) {
        std::wstring problem = ParseOne(count, args, i, parsed);
        if (!problem.empty())
            return problem;
    }
    return CheckSteps(*parsed);
}

void MakePathsFull(TodayArgs* args) {
    for (std::wstring* file : {&args->Dll, &args->Snapshot, &args->DialogSnapshot})
        if (!file->empty())
            *file = FullPath(*file);
}
