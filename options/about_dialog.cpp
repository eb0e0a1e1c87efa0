#include "platform/platform.h"
#include "options/about_dialog.h"
#include "options/dialog_common.h"

// Ends on Done and on a close request; every other command, Cancel included, is ignored.
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: PrepareDialog(dialog, DialogFlagsEmptyMenu); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDOK)
            return FALSE;
        EndDialog(dialog, IDOK);
        return TRUE;
    case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return FALSE;
    }
}
