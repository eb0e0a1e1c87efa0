// The Today screen's rows, one per registered item in its order: custom items made through their
// library's export 240 and sized from the height they report, built-in rows drawn by the screen.
#pragma once

#include "platform/platform.h"
#include "host/today/today_registration.h"
#include "platform/today_host.h"

#include <string>
#include <vector>

enum { BuiltInRowHeightAt96 = 20 };

struct TodayRow {
    Registration Entry;
    std::wstring LibraryPath;               // a custom item's library as loaded
    HMODULE Library;                        // null for a built-in row
    PFNCUSTOMINITIALIZEITEM InitializeItem; // export 240
    DLGPROC OptionsDlgProc;                 // export 241; null when the library has none
    HWND Item;                              // the item's window; null while it has none
    TODAYLISTITEM Record;                   // the record the item was made with
    bool Polled;                            // asked the refresh query since it was made
    int Top, Height;                        // where the row lies on the screen, in pixels
};

extern std::vector<TodayRow> Rows;

// Reads the registration into rows and loads each checked custom item's library; a row whose
// library is missing or no Today item is left out and said so.
void LoadRows();

// Reads the registration again, the items' windows cleared: an item added appears, one removed or
// unchecked releases its library, the others keep theirs.
void ReloadRows();

// Makes each custom item's window through export 240 with a fresh record (cyp 0), lays the rows
// out and asks each item for its height.
void MakeItems();

// Tells each custom item it is about to go (WM_TODAYCUSTOM_CLEARCACHE with its record) and
// destroys its window.
void ClearItems();

// The refresh query of each item, as the Today screen makes it every two seconds: rows sized from
// cyp, an item that asks redrawn.
void PollItems();

// Places each shown row below the one before it; the item windows follow.
void LayOutRows();

void UnloadRows();

// A row by its key's name, by its item's window, or by where it lies on the screen; -1 for none.
int RowNamed(const std::wstring& name);
int RowOfWindow(HWND window);
int RowAt(int y);

// A built-in row, or a custom item with a window.
bool RowShown(const TodayRow& row);
bool IsBuiltIn(const TodayRow& row);

// Whether every item window has answered a refresh query.
bool RowsPolled();

// Draws the built-in rows' fixed texts over the screen's background, the highlighted one (an
// index, -1 for none) on the highlight.
void DrawBuiltInRows(HDC dc, int highlighted);
