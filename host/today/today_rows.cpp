#include "platform/platform.h"
#include "host/today/today_rows.h"
#include "host/today/today_run.h"

#include <string.h>

std::vector<TodayRow> Rows;

namespace {

enum { TextMarginAt96 = 28 }; // where the built-in rows' texts start, as an item's beside its icon

// What each built-in row shows: its data lives in programs the stand-in does not have.
const WCHAR* const BuiltInTexts[] = {
    L"Tap here to set owner information", // tlitOwnerInfo
    L"No upcoming appointments",          // tlitAppointments
    L"No unread messages",                // tlitMail
    L"No active tasks",                   // tlitTasks
};

bool IsItemUnderTest(const TodayRow& row) {
    return lstrcmpiW(row.Entry.Name.c_str(), Today.Args.Item.c_str()) == 0;
}

void Skip(const TodayRow& row, const std::wstring& why) {
    Complain(L"skipped the item '" + row.Entry.Name + L"': its library " + row.LibraryPath + L" " +
             why);
}

// Loads a custom item's library and finds its exports by ordinal, as the Today screen does.
bool LoadLibraryOf(TodayRow* row) {
    row->LibraryPath =
        IsItemUnderTest(*row) && !Today.Args.Dll.empty() ? Today.Args.Dll : row->Entry.Dll;
    if (GetFileAttributesW(row->LibraryPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Skip(*row, L"is not there");
        return false;
    }
    row->Library = LoadLibraryW(row->LibraryPath.c_str());
    if (!row->Library) {
        Skip(*row, L"cannot be loaded: " + SystemMessage(GetLastError()));
        return false;
    }
    row->InitializeItem = (PFNCUSTOMINITIALIZEITEM)(void*)GetProcAddress(
        row->Library, MAKEINTRESOURCEA(InitializeCustomItemOrdinal));
    row->OptionsDlgProc = (DLGPROC)(void*)GetProcAddress(
        row->Library, MAKEINTRESOURCEA(CustomItemOptionsDlgProcOrdinal));
    if (!row->InitializeItem) {
        Skip(*row, L"is not a Today item: it has no export 240 (InitializeCustomItem)");
        FreeLibrary(row->Library);
        row->Library = NULL;
        return false;
    }
    return true;
}

// The record the Today screen fills for export 240: the registration, a height of 0.
void FillRecord(TodayRow* row) {
    TODAYLISTITEM& record = row->Record;
    memset(&record, 0, sizeof record);
    lstrcpynW(record.szName, row->Entry.Name.c_str(), MAX_ITEMNAME);
    record.tlit = (TODAYLISTITEMTYPE)row->Entry.Type;
    record.dwOrder = row->Entry.Order;
    record.fEnabled = row->Entry.Enabled && !(IsItemUnderTest(*row) && Today.Args.Disabled);
    record.fOptions = row->Entry.Options != 0;
    lstrcpynW(record.szDLLPath, row->LibraryPath.c_str(), MAX_PATH);
    record.hinstDLL = row->Library;
}

void MakeItem(TodayRow* row) {
    FillRecord(row);
    row->Polled = false;
    row->Item = row->InitializeItem(&row->Record, Today.Window);
    row->Record.hwndCustom = row->Item;
    if (row->Item)
        return;
    // A disabled item has no row.
    if (!row->Record.fEnabled)
        Report(row->Entry.Name + L": the item is disabled and made no window");
    else
        Complain(row->Entry.Name + L": the item's export 240 returned no window");
}

} // namespace

bool IsBuiltIn(const TodayRow& row) {
    return row.Entry.Type < tlitCustom;
}

bool RowShown(const TodayRow& row) {
    return IsBuiltIn(row) ? row.Entry.Enabled != 0 : row.Item != NULL;
}

namespace {

// The rows of the registration as it stands. A custom item unchecked in the Today settings has no
// row and no library loaded, as on the device; one whose row is in kept reuses its library.
void ReadRows(std::vector<TodayRow>* kept) {
    for (const Registration& entry : ReadRegistrations()) {
        TodayRow row = {};
        row.Entry = entry;
        if (!IsBuiltIn(row) && !entry.Enabled) {
            Report(entry.Name + L": unchecked in the Today settings, not loaded");
            continue;
        }
        int had = -1;
        for (size_t i = 0; kept && i < kept->size(); ++i)
            if ((*kept)[i].Library &&
                lstrcmpiW((*kept)[i].Entry.Name.c_str(), entry.Name.c_str()) == 0)
                had = (int)i;
        if (had >= 0) {
            TodayRow& old = (*kept)[had];
            row.LibraryPath = old.LibraryPath;
            row.Library = old.Library;
            row.InitializeItem = old.InitializeItem;
            row.OptionsDlgProc = old.OptionsDlgProc;
            old.Library = NULL;
        } else if (!IsBuiltIn(row) && !LoadLibraryOf(&row)) {
            continue;
        }
        Rows.push_back(row);
    }
    if (Rows.empty())
        Complain(std::wstring(L"no Today items to show under HKLM\\") + TODAY_ITEMS_KEY +
                 L" (scripts/run installs them from their cabinets with wceload.exe)");
}

} // namespace

void LoadRows() {
    ReadRows(NULL);
}

void ReloadRows() {
    std::vector<TodayRow> kept;
    kept.swap(Rows);
    ReadRows(&kept);
    // An item no longer registered, or unchecked, lets go of its library, so that an installer
    // can replace or delete it.
    for (TodayRow& row : kept)
        if (row.Library) {
            Report(row.Entry.Name + L": its library " + row.LibraryPath + L" is released");
            FreeLibrary(row.Library);
        }
}

void MakeItems() {
    for (TodayRow& row : Rows)
        if (!IsBuiltIn(row))
            MakeItem(&row);
    LayOutRows();
    PollItems();
}

void ClearItems() {
    for (TodayRow& row : Rows) {
        if (!row.Item)
            continue;
        SendMessageW(row.Item, WM_TODAYCUSTOM_CLEARCACHE, (WPARAM)&row.Record, 0);
        DestroyWindow(row.Item);
        row.Item = NULL;
    }
}

void PollItems() {
    bool resized = false;
    for (TodayRow& row : Rows) {
        if (!row.Item)
            continue;
        LRESULT answer =
            SendMessageW(row.Item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&row.Record, 0);
        row.Polled = true;
        resized = resized || (int)row.Record.cyp != row.Height;
        if (answer) {
            InvalidateRect(row.Item, NULL, TRUE);
            UpdateWindow(row.Item);
        }
    }
    if (resized)
        LayOutRows();
}

void LayOutRows() {
    int top = 0;
    int builtIn = ScaledToScreen(BuiltInRowHeightAt96, LOGPIXELSY);
    for (TodayRow& row : Rows) {
        row.Top = top;
        row.Height = !RowShown(row) ? 0 : IsBuiltIn(row) ? builtIn : (int)row.Record.cyp;
        if (row.Item)
            SetWindowPos(row.Item, NULL, 0, row.Top, Today.Width, row.Height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        top += row.Height;
    }
    InvalidateRect(Today.Window, NULL, FALSE);
}

void UnloadRows() {
    for (TodayRow& row : Rows)
        if (row.Library)
            FreeLibrary(row.Library);
    Rows.clear();
}

int RowNamed(const std::wstring& name) {
    for (size_t i = 0; i < Rows.size(); ++i)
        if (lstrcmpiW(Rows[i].Entry.Name.c_str(), name.c_str()) == 0)
            return (int)i;
    return -1;
}

int RowOfWindow(HWND window) {
    for (size_t i = 0; i < Rows.size(); ++i)
        if (window && Rows[i].Item == window)
            return (int)i;
    return -1;
}

int RowAt(int y) {
    for (size_t i = 0; i < Rows.size(); ++i)
        if (y >= Rows[i].Top && y < Rows[i].Top + Rows[i].Height)
            return (int)i;
    return -1;
}

bool RowsPolled() {
    for (const TodayRow& row : Rows)
        if (row.Item && !row.Polled)
            return false;
    return true;
}

void DrawBuiltInRows(HDC dc, int highlighted) {
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ previous = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    for (size_t i = 0; i < Rows.size(); ++i) {
        const TodayRow& row = Rows[i];
        if (!IsBuiltIn(row) || !row.Height)
            continue;
        RECT r = {0, row.Top, Today.Width, row.Top + row.Height};
        bool lit = (int)i == highlighted;
        if (lit) {
            HBRUSH brush = CreateSolidBrush(ThemeHighlight);
            FillRect(dc, &r, brush);
            DeleteObject(brush);
        }
        SetTextColor(dc, lit ? ThemeHighlightedText : ThemeTextColor);
        r.left = ScaledToScreen(TextMarginAt96, LOGPIXELSX);
        DrawTextW(dc, BuiltInTexts[row.Entry.Type], -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
    SelectObject(dc, previous);
}
