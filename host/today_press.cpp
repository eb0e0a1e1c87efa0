#include "platform/platform.h"
#include "host/today_press.h"
#include "host/console_text.h"
#include "host/today_pictures.h"
#include "host/today_screen.h"

#include <string>

namespace {

enum { ClassNameCapacity = 16 };

const WCHAR DialogClassName[] = L"#32770";

size_t StepsMade;
HWND ClickedIn; // the dialog of the last click, until another dialog comes up
bool DialogSnapshotTaken;

BOOL CALLBACK FindTopDialog(HWND window, LPARAM found) {
    WCHAR name[ClassNameCapacity];
    if (!IsWindowVisible(window) || !IsWindowEnabled(window) ||
        !GetClassNameW(window, name, ClassNameCapacity) || lstrcmpW(name, DialogClassName) != 0)
        return TRUE;
    *(HWND*)found = window;
    return FALSE;
}

// The dialog a person could use now: a modal dialog disables its owner, so among this thread's
// visible dialogs only the newest is enabled.
HWND TopDialog() {
    HWND found = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindTopDialog, (LPARAM)&found);
    return found;
}

std::wstring StepName() {
    return L"today: step " + std::to_wstring(StepsMade + 1) + L": the dialog on top ";
}

// A usable control of the dialog, or the end of the run with a message saying why not.
HWND UsableControl(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (control && IsWindowVisible(control) && IsWindowEnabled(control))
        return control;
    Say(StepName() + (control ? L"has control " + std::to_wstring(id) + L" disabled or hidden"
                              : L"has no control " + std::to_wstring(id)));
    EndRun(ExitNoControl);
    return NULL;
}

// Picks the entry in the list and tells the dialog, as a pick in the drop-down list does.
bool Pick(HWND dialog, int id, const std::wstring& entry) {
    HWND list = UsableControl(dialog, id);
    if (!list)
        return false;
    LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)entry.c_str());
    if (index == CB_ERR) {
        Say(StepName() + L"has no entry '" + entry + L"' in list " + std::to_wstring(id));
        EndRun(ExitNoControl);
        return false;
    }
    SendMessageW(list, CB_SETCURSEL, (WPARAM)index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)list);
    return true;
}

} // namespace

void StartDialogSteps() {
    if (!Today.Args.Steps.empty() || !Today.Args.DialogSnapshot.empty())
        SetTimer(Today.Window, DriveTimerId, DrivePeriod, NULL);
}

void DriveDialogs() {
    HWND top = TopDialog();
    if (!top || top == ClickedIn)
        return;
    const std::vector<DialogStep>& steps = Today.Args.Steps;
    // Picks change the dialog on top in place; a click waits for the dialog it brings up.
    while (StepsMade < steps.size() && !steps[StepsMade].Entry.empty()) {
        if (!Pick(top, steps[StepsMade].Id, steps[StepsMade].Entry))
            return;
        ++StepsMade;
    }
    if (StepsMade < steps.size()) {
        HWND control = UsableControl(top, steps[StepsMade].Id);
        if (!control)
            return;
        ClickedIn = top;
        ++StepsMade;
        // Posted as a click is, so the dialog it opens runs its loop outside this handler.
        PostMessageW(control, BM_CLICK, 0, 0);
        return;
    }
    KillTimer(Today.Window, DriveTimerId);
    if (Today.Args.DialogSnapshot.empty())
        return;
    // The dialog just opened is the one in use: picture it with an active caption even if the
    // display's input focus has wandered meanwhile.
    if (GetActiveWindow() != top)
        SetActiveWindow(top);
    DialogSnapshotTaken = true;
    EndRun(TakeDialogSnapshot(top) ? ExitOk : ExitNoSnapshot);
}

bool DialogStepsUnfinished() {
    if (Today.Args.DialogSnapshot.empty() || DialogSnapshotTaken)
        return false;
    Say(L"today: no dialog snapshot: " + std::to_wstring(StepsMade) + L" of " +
        std::to_wstring(Today.Args.Steps.size()) +
        L" steps made, and no new dialog came up before --exit-after ran out");
    return true;
}
