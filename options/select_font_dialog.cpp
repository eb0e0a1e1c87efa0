#include "platform/platform.h"
#include "options/select_font_dialog.h"
#include "item/module_instance.h"
#include "options/dialog_common.h"
#include "options/font_size.h"
#include "platform/scaling.h"
#include "resources/resource.h"

#include <string.h>

enum { ListTextCapacity = 256, NormalWeight = 400, BoldWeight = 700 };

FontFamilyRecords FontFamilyList;
// The record the running dialog edits: the request's lpLogFont.
static LOGFONTW* EditedFont;

static const WCHAR ListFailedText[] = TEXT("CB_ADDSTRING: failed.");

static int DialogDpi(HDC dc) {
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    return dpi > 0 ? dpi : ReferenceDpi;
}

static void ReleaseFontFamilyList() {
    if (FontFamilyList.Records)
        LocalFree(FontFamilyList.Records);
    FontFamilyList.Records = NULL;
    FontFamilyList.Count = 0;
}

static LOGFONTW* FindFamily(const WCHAR* face) {
    for (int i = 0; i < FontFamilyList.Count; ++i) {
        if (SameText(FontFamilyList.Records[i].lfFaceName, face))
            return &FontFamilyList.Records[i];
    }
    return NULL;
}

// Grows the list by exactly one record; false when the memory is not there.
static bool AppendFamily(const LOGFONTW* font) {
    LOGFONTW* block;
    if (FontFamilyList.Records)
        block = (LOGFONTW*)LocalReAlloc(
            FontFamilyList.Records, (FontFamilyList.Count + 1) * sizeof(LOGFONTW), LMEM_MOVEABLE);
    else
        block = (LOGFONTW*)LocalAlloc(LMEM_FIXED, sizeof(LOGFONTW));
    if (!block)
        return false;
    FontFamilyList.Records = block;
    FontFamilyList.Records[FontFamilyList.Count] = *font;
    FontFamilyList.Count += 1;
    return true;
}

// The enumeration may report a family once per character set; only its first record is kept, so
// each family is listed once.
int CALLBACK FontFamilyEnumProc(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM dialog) {
    HWND window = (HWND)dialog;
    if (FindFamily(font->lfFaceName))
        return 1;
    LRESULT added = SendDlgItemMessageW(window, IDC_SELECT_FONT_NAME, CB_ADDSTRING, 0,
                                        (LPARAM)font->lfFaceName);
    if (added < 0) {
        MessageBoxW(window, ListFailedText, ItemClassName, MB_OK);
        return 0;
    }
    return AppendFamily(font) ? 1 : 0;
}

// Selects the face of the edited record; the face list is sorted, so indices are the list's own.
static void SelectEditedFace(HWND dialog) {
    HWND faces = GetDlgItem(dialog, IDC_SELECT_FONT_NAME);
    WCHAR text[ListTextCapacity];
    for (int i = 0; i < FontFamilyList.Count; ++i) {
        if (GetEntryText(faces, i, text, ListTextCapacity) &&
            SameText(text, EditedFont->lfFaceName)) {
            SendMessageW(faces, CB_SETCURSEL, (WPARAM)i, 0);
            return;
        }
    }
}

// Lists the sizes and selects the edited record's size when it is one of them.
static void FillSizeList(HWND dialog, int dpi) {
    int size = PointSizeOfHeight(EditedFont->lfHeight, dpi);
    WCHAR text[ListTextCapacity];
    for (int j = 0; j < FontSizeCount; ++j) {
        wsprintfW(text, TEXT("%d"), FontSizeList[j]);
        SendDlgItemMessageW(dialog, IDC_SELECT_FONT_SIZE, CB_ADDSTRING, 0, (LPARAM)text);
        if (FontSizeList[j] == size)
            SendDlgItemMessageW(dialog, IDC_SELECT_FONT_SIZE, CB_SETCURSEL, (WPARAM)j, 0);
    }
}

static INT_PTR OnInitDialog(HWND dialog) {
    PrepareDialog(dialog, DialogFlags);
    // A list left by a dialog that ended some other way is not carried over.
    ReleaseFontFamilyList();
    HDC dc = GetDC(dialog);
    EnumFontFamiliesW(dc, NULL, FontFamilyEnumProc, (LPARAM)dialog);
    SelectEditedFace(dialog);
    int dpi = DialogDpi(dc);
    ReleaseDC(dialog, dc);
    FillSizeList(dialog, dpi);
    SendDlgItemMessageW(dialog, IDC_SELECT_FONT_BOLD, BM_SETCHECK,
                        EditedFont->lfWeight > NormalWeight ? BST_CHECKED : BST_UNCHECKED, 0);
    SendDlgItemMessageW(dialog, IDC_SELECT_FONT_ITALIC, BM_SETCHECK,
                        EditedFont->lfItalic != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    return TRUE;
}

static bool IsChecked(HWND dialog, int id) {
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The selected entry's text, or an empty text when nothing is selected.
static void GetSelectedText(HWND dialog, int listId, WCHAR* text) {
    HWND list = GetDlgItem(dialog, listId);
    text[0] = 0;
    int selected = (int)SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (selected >= 0 && !GetEntryText(list, selected, text, ListTextCapacity))
        text[0] = 0;
}

// The height for the selected size; with no size selected the edited record keeps its own.
static LONG SelectedHeight(HWND dialog) {
    WCHAR text[ListTextCapacity];
    GetSelectedText(dialog, IDC_SELECT_FONT_SIZE, text);
    if (text[0] == 0)
        return EditedFont->lfHeight;
    const WCHAR* cursor = text;
    int size = ParseInt(&cursor);
    HDC dc = GetDC(dialog);
    int dpi = DialogDpi(dc);
    ReleaseDC(dialog, dc);
    return HeightOfPointSize(size, dpi);
}

// OK stays in the dialog until a listed face is chosen. A change replaces the whole record with
// the family's enumerated one; no change leaves the record exactly as it was. Returns whether
// the dialog ended.
static INT_PTR OnDone(HWND dialog) {
    WCHAR face[ListTextCapacity];
    GetSelectedText(dialog, IDC_SELECT_FONT_NAME, face);
    if (FontFamilyList.Count == 0)
        return FALSE;
    LOGFONTW* candidate = FindFamily(face);
    if (!candidate)
        return FALSE;
    candidate->lfWidth = 0;
    bool changed = !SameText(face, EditedFont->lfFaceName);
    candidate->lfHeight = SelectedHeight(dialog);
    changed = changed || candidate->lfHeight != EditedFont->lfHeight;
    candidate->lfWeight = IsChecked(dialog, IDC_SELECT_FONT_BOLD) ? BoldWeight : NormalWeight;
    changed = changed || candidate->lfWeight != EditedFont->lfWeight;
    candidate->lfItalic = IsChecked(dialog, IDC_SELECT_FONT_ITALIC) ? 1 : 0;
    changed = changed || candidate->lfItalic != EditedFont->lfItalic;
    if (changed)
        *EditedFont = *candidate;
    ReleaseFontFamilyList();
    EndDialog(dialog, changed ? 1 : 0);
    return TRUE;
}

static void OnCancel(HWND dialog) {
    ReleaseFontFamilyList();
    EndDialog(dialog, 0);
}

static INT_PTR OnCommand(HWND dialog, int id) {
    switch (id) {
    case IDOK: return OnDone(dialog);
    case IDCANCEL: OnCancel(dialog); return TRUE;
    default: return FALSE;
    }
}

// Also on WM_DESTROY, since the owner may take the dialog down without OK or Cancel.
static INT_PTR CALLBACK SelectFontDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam));
    case WM_DESTROY: ReleaseFontFamilyList(); return FALSE;
    default: return FALSE;
    }
}

INT_PTR SelectFontDialog(const FontRequest* request) {
    EditedFont = request->lpLogFont;
    return DialogBoxParamW(request->hInstance, MAKEINTRESOURCEW(IDD_SELECT_FONT),
                           request->hwndOwner, SelectFontDlgProc, 0);
}
