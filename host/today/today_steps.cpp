#include "platform/platform.h"
#include "host/today/today_steps.h"
#include "host/common/dialog_on_top.h"
#include "host/today/today_pictures.h"
#include "host/today/today_rows.h"
#include "host/today/today_run.h"
#include "host/today/today_selection.h"

#include <string>

namespace {

enum { MenuTextCapacity = 64 };

const WCHAR MenuClassName[] = L"#32768";

size_t StepsMade;
HWND ClickedIn;   // the dialog of the last click, until another dialog comes up
bool HoldStarted; // the stylus went down for the hold step being made
bool PictureTaken;

std::wstring StepName() {
    return L"step " + std::to_wstring(StepsMade + 1) + L": ";
}

// Ends the run because the step cannot be made.
void Fail(const std::wstring& why) {
    Complain(StepName() + why);
    EndRun(ExitNoControl);
}

// A usable control of the dialog, or the end of the run with a message saying why not.
HWND UsableControl(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (control && IsWindowVisible(control) && IsWindowEnabled(control))
        return control;
    Fail(L"the dialog on top " +
         (control ? L"has control " + std::to_wstring(id) + L" disabled or hidden"
                  : L"has no control " + std::to_wstring(id)));
    return NULL;
}

// Picks the entry in the list, as a pick in the drop-down list does.
bool Pick(HWND dialog, int id, const std::wstring& entry) {
    HWND list = UsableControl(dialog, id);
    if (!list)
        return false;
    LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)entry.c_str());
    if (index == CB_ERR) {
        Fail(L"the dialog on top has no entry '" + entry + L"' in list " + std::to_wstring(id));
        return false;
    }
    PickListEntry(dialog, id, (int)index);
    return true;
}

// The picks due in the dialog on top, and its next click: false while no new dialog is up.
bool DriveDialog(const Step& step) {
    HWND top = DialogOnTop();
    if (!top || top == ClickedIn)
        return false;
    if (step.Kind == StepPick)
        return Pick(top, step.Number, step.Text);
    HWND control = UsableControl(top, step.Number);
    if (!control)
        return false;
    ClickedIn = top;
    // Posted as a click is, so the dialog it opens runs its loop outside this handler.
    PostMessageW(control, BM_CLICK, 0, 0);
    return true;
}

// A row the step names, shown on the screen; -1, said, when there is none.
int ShownRow(const std::wstring& name) {
    int index = RowNamed(name);
    if (index >= 0 && RowShown(Rows[index]) && Rows[index].Height > 0)
        return index;
    Fail(L"no row '" + name + L"' is shown");
    return -1;
}

// The stylus at the middle of the row: on the item's window, or on the screen's own row.
void PressRow(int index, bool release) {
    const TodayRow& row = Rows[index];
    HWND target = row.Item ? row.Item : Today.Window;
    int x = Today.Width / 2, y = row.Item ? row.Height / 2 : row.Top + row.Height / 2;
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    if (release)
        PostMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Down pressed until the row holds the highlight, or the highlight stops moving.
bool SelectRow(const std::wstring& name) {
    int index = RowNamed(name);
    while (index >= 0 && Highlighted != index) {
        int before = Highlighted;
        MoveHighlight(VK_DOWN);
        if (Highlighted == before)
            break;
    }
    if (index >= 0 && Highlighted == index)
        return true;
    Fail(L"Down never brought the highlight to a row '" + name + L"'");
    return false;
}

// A menu entry's text as the menu shows it: "&&" is one ampersand, a lone "&" marks a key.
std::wstring Shown(const WCHAR* text) {
    std::wstring shown;
    for (const WCHAR* p = text; *p; ++p) {
        if (*p == L'&' && p[1] == L'&')
            ++p;
        else if (*p == L'&')
            continue;
        shown += *p;
    }
    return shown;
}

// Picks the entry in the menu that is up with the keys, as a person on the device's pad would.
bool PickInMenu(const std::wstring& entry) {
    HWND menu = ThreadWindowOfClass(MenuClassName);
    if (!menu)
        return false;
    HMENU entries = (HMENU)SendMessageW(menu, MN_GETHMENU, 0, 0);
    int count = GetMenuItemCount(entries);
    for (int i = 0; i < count; ++i) {
        WCHAR text[MenuTextCapacity] = L"";
        GetMenuStringW(entries, i, text, MenuTextCapacity, MF_BYPOSITION);
        if (Shown(text) != entry)
            continue;
        // The menu's own loop reads the keys from this thread's queue.
        for (int down = 0; down <= i; ++down)
            PostMessageW(Today.Window, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(Today.Window, WM_KEYDOWN, VK_RETURN, 0);
        ClickedIn = NULL;
        return true;
    }
    Fail(L"the menu has no entry '" + entry + L"'");
    return false;
}

// Makes the step; false while it waits for what it needs (a dialog, a menu).
bool MakeStep(const Step& step) {
    int row;
    switch (step.Kind) {
    case StepTurn: PostMessageW(Today.Window, WM_APP_TURN, 0, 0); return true;
    case StepOpenSettings: PostMessageW(Today.Window, WM_APP_OPEN_SETTINGS, 0, 0); return true;
    case StepKey: PostMessageW(Today.Window, WM_KEYDOWN, (WPARAM)step.Number, 0); return true;
    case StepSelect: return SelectRow(step.Text);
    case StepTap:
        if ((row = ShownRow(step.Text)) >= 0)
            PressRow(row, true);
        return row >= 0;
    case StepHold:
        if (!HoldStarted) {
            if ((row = ShownRow(step.Text)) < 0)
                return false;
            PressRow(row, false);
            HoldStarted = true;
        }
        return ThreadWindowOfClass(MenuClassName) != NULL;
    case StepMenu: return PickInMenu(step.Text);
    case StepPick:
    case StepPress: return DriveDialog(step);
    }
    return false;
}

// Once every step is made: the picture asked for, when what it shows is there.
void TakePictureWhenDue() {
    if (Today.Args.DialogSnapshot.empty() && Today.Args.Snapshot.empty()) {
        KillTimer(Today.Window, StepTimerId);
        return;
    }
    HWND dialog = DialogOnTop();
    if (!Today.Args.DialogSnapshot.empty()) {
        if (!dialog || dialog == ClickedIn)
            return;
        // The dialog just opened is the one in use: picture it with an active caption even if
        // the display's input focus has wandered meanwhile.
        if (GetActiveWindow() != dialog)
            SetActiveWindow(dialog);
        PictureTaken = true;
        EndRun(TakeDialogSnapshot(dialog) ? ExitOk : ExitNoSnapshot);
        return;
    }
    // The screen waits for a settings page to close and for every item to have answered.
    if (dialog || Today.SettingsOpen || !RowsPolled())
        return;
    PictureTaken = true;
    EndRun(TakeSnapshot(ThreadWindowOfClass(MenuClassName)) ? ExitOk : ExitNoSnapshot);
}

} // namespace

void StartSteps() {
    if (!Today.Args.Steps.empty() || !Today.Args.Snapshot.empty() ||
        !Today.Args.DialogSnapshot.empty())
        SetTimer(Today.Window, StepTimerId, StepPeriod, NULL);
}

void DriveSteps() {
    const std::vector<Step>& steps = Today.Args.Steps;
    // Picks change the dialog on top in place, so they are made together; other steps one a tick.
    while (!Today.Ending && StepsMade < steps.size() && MakeStep(steps[StepsMade])) {
        HoldStarted = false;
        if (steps[StepsMade++].Kind != StepPick)
            return;
    }
    if (!Today.Ending && StepsMade == steps.size())
        TakePictureWhenDue();
}

bool StepsUnfinished() {
    if ((Today.Args.DialogSnapshot.empty() && Today.Args.Snapshot.empty()) || PictureTaken)
        return false;
    Complain(std::wstring(L"no ") +
             (Today.Args.Snapshot.empty() ? L"dialog snapshot" : L"snapshot") + L": " +
             std::to_wstring(StepsMade) + L" of " + std::to_wstring(Today.Args.Steps.size()) +
             L" steps made, and what the picture waits for did not come before --exit-after ran "
             L"out");
    return true;
}
