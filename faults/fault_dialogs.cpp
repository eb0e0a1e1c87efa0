#include "platform/platform.h"
#include "faults/fault_dialogs.h"
#include "host/common/dialog_on_top.h"
#include "resources/resource.h"

#include <colordlg.h>
#include <string.h>

#include <vector>

namespace {

const WCHAR AboutCaption[] = L"About Morvane";
const int MessageTextId = 0xFFFF; // the static that holds a message box's text
const UINT TickMilliseconds = 10;
// How long a dialog may stay open after its handler is done before the next way out is tried:
// Done, Cancel, the title bar's close, and last an end by force.
const DWORD PatienceMilliseconds = 300;
enum { WaysOut = 4 };

struct Seen {
    HWND Window;
    bool Busy; // its handler is still running
    DWORD Since;
    int Tries;
};

DialogHandler Handler;
UINT_PTR Timer;
std::vector<Seen> Dialogs;
int Counts[DialogKinds];
int Forced;

// The kinds told apart by a control only they have, in the order they are asked.
const struct {
    int Control;
    DialogKind Kind;
} Markers[] = {
    {IDC_OPTIONS_LAYOUT, OptionsPage}, {IDC_SELECT_FONT_NAME, SelectFontDialog},
    {IDC_ICON_HIDE, IconDialog},       {IDC_FONTS_DATE_FONT, FontsDialog},
    {IDC_FORMAT_TIME, FormatDialog},   {COLOR_RED, ColorChooser},
};

DialogKind KindOf(HWND dialog) {
    for (const auto& marker : Markers) {
        if (GetDlgItem(dialog, marker.Control))
            return marker.Kind;
    }
    WCHAR caption[64] = L"";
    GetWindowTextW(dialog, caption, 64);
    if (wcscmp(caption, AboutCaption) == 0)
        return AboutDialog;
    if (GetDlgItem(dialog, MessageTextId))
        return MessageBoxDialog;
    return UnknownDialog;
}

Seen* Find(HWND window) {
    for (Seen& seen : Dialogs) {
        if (seen.Window == window)
            return &seen;
    }
    return nullptr;
}

// The next way out for a dialog that outlived its handler. The sends may run the timer again,
// so the record is looked up afresh afterwards.
void TryWayOut(HWND dialog, int tries) {
    switch (tries) {
    case 0: SendMessageW(dialog, WM_COMMAND, IDOK, 0); break;
    case 1: SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); break;
    case 2: SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    default:
        ++Forced;
        EndDialog(dialog, 0);
        break;
    }
    if (Seen* seen = Find(dialog))
        seen->Since = GetTickCount();
}

void Handle(HWND dialog) {
    Dialogs.push_back({dialog, true, 0, 0});
    DialogKind kind = KindOf(dialog);
    ++Counts[kind];
    Handler(dialog, kind);
    // The list may have grown while the handler waited on a nested dialog.
    if (Seen* seen = Find(dialog)) {
        seen->Busy = false;
        seen->Since = GetTickCount();
    }
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = DialogOnTop();
    if (!dialog)
        return;
    Seen* seen = Find(dialog);
    if (!seen) {
        Handle(dialog);
    } else if (!seen->Busy && seen->Tries < WaysOut &&
               GetTickCount() - seen->Since >= PatienceMilliseconds) {
        int tries = seen->Tries++;
        TryWayOut(dialog, tries);
    }
}

HWND EnabledControl(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control) ? control : NULL;
}

} // namespace

void StartDriving(DialogHandler handler) {
    Handler = handler;
    Dialogs.clear();
    memset(Counts, 0, sizeof Counts);
    Forced = 0;
    Timer = SetTimer(NULL, 0, TickMilliseconds, Tick);
}

void StopDriving() {
    KillTimer(NULL, Timer);
    Timer = 0;
}

int DialogsSeen(DialogKind kind) {
    return Counts[kind];
}

int DialogsForced() {
    return Forced;
}

const char* DialogKindName(DialogKind kind) {
    static const char* const names[DialogKinds] = {
        "the settings page",  "Format",        "Fonts",
        "Select Font",        "icon option",   "About",
        "the colour chooser", "a message box", "an unknown dialog"};
    return names[kind];
}

void Pump(DWORD milliseconds) {
    DWORD start = GetTickCount();
    // A window that never validates its paint would keep the queue full: the time is checked
    // after every message.
    MSG message;
    while (GetTickCount() - start < milliseconds) {
        if (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } else {
            MsgWaitForMultipleObjects(0, NULL, FALSE, TickMilliseconds, QS_ALLINPUT);
        }
    }
}

void PumpMouse(HWND window, DWORD limit) {
    DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < limit &&
           PeekMessageW(&message, window, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE))
        Pump(TickMilliseconds);
}

void Click(HWND dialog, int id) {
    if (HWND button = EnabledControl(dialog, id))
        SendMessageW(button, BM_CLICK, 0, 0);
}

void PickIndex(HWND dialog, int id, int index) {
    if (EnabledControl(dialog, id))
        PickListEntry(dialog, id, index);
}

bool PickText(HWND dialog, int id, const WCHAR* text) {
    HWND list = EnabledControl(dialog, id);
    LRESULT index = list ? SendMessageW(list, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text) : -1;
    if (index < 0)
        return false;
    PickIndex(dialog, id, (int)index);
    return true;
}

void TypeText(HWND dialog, int id, const WCHAR* text) {
    HWND control = EnabledControl(dialog, id);
    if (!control)
        return;
    HWND edit = FindWindowExW(control, NULL, L"Edit", NULL);
    if (!edit)
        edit = control;
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CHAR, VK_BACK, 0);
    for (const WCHAR* c = text; *c; ++c)
        SendMessageW(edit, WM_CHAR, *c, 0);
}
