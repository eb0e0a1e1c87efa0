#include "platform/platform.h"
#include "host/today/today_selection.h"
#include "host/today/today_rows.h"
#include "host/today/today_run.h"

int Highlighted = -1;

namespace {

enum { ActionTapX = 1, ActionTapY = 1 }; // where the action key taps a Selectability 1 item

bool ToldItem(const TodayRow& row) {
    return row.Item && row.Entry.Selectability == SelectabilityItem;
}

void Redraw(int index) {
    if (index < 0)
        return;
    const TodayRow& row = Rows[index];
    if (row.Item)
        InvalidateRect(row.Item, NULL, TRUE);
    RECT r = {0, row.Top, Today.Width, row.Top + row.Height};
    InvalidateRect(Today.Window, &r, FALSE);
}

// Moves the highlight to the row, telling the item that had it.
void Highlight(int index) {
    int previous = Highlighted;
    if (previous == index)
        return;
    if (previous >= 0 && ToldItem(Rows[previous]))
        SendMessageW(Rows[previous].Item, WM_TODAYCUSTOM_LOSTSELECTION, 0, 0);
    Highlighted = index;
    Redraw(previous);
    Redraw(index);
    Report(index < 0 ? std::wstring(L"highlight on nothing")
                     : L"highlight on " + Rows[index].Entry.Name);
}

// Whether the row takes the highlight arriving by the key (0 for none): an item registered with
// Selectability 2 is asked.
bool Takes(int index, int key) {
    const TodayRow& row = Rows[index];
    if (!RowShown(row) || row.Entry.Selectability == SelectabilityNone)
        return false;
    if (!ToldItem(row))
        return true;
    if (SendMessageW(row.Item, WM_TODAYCUSTOM_RECEIVEDSELECTION, (WPARAM)key, 0))
        return true;
    Report(row.Entry.Name + L" refused the highlight");
    return false;
}

bool ItemUsesKey(int key) {
    return Highlighted >= 0 && ToldItem(Rows[Highlighted]) &&
           SendMessageW(Rows[Highlighted].Item, WM_TODAYCUSTOM_USERNAVIGATION, (WPARAM)key, 0);
}

} // namespace

void MoveHighlight(int key) {
    if (ItemUsesKey(key))
        return;
    int step = key == VK_UP ? -1 : 1;
    int from = Highlighted >= 0 ? Highlighted : step > 0 ? -1 : (int)Rows.size();
    for (int i = from + step; i >= 0 && i < (int)Rows.size(); i += step) {
        if (Takes(i, key)) {
            Highlight(i);
            return;
        }
    }
}

void NavigateInRow(int key) {
    ItemUsesKey(key);
}

void TakeHighlight(HWND item) {
    int index = RowOfWindow(item);
    if (index >= 0 && Rows[index].Entry.Selectability != SelectabilityNone)
        Highlight(index);
}

void TapScreenRow(int y) {
    int index = RowAt(y);
    if (index >= 0 && IsBuiltIn(Rows[index]) && Rows[index].Entry.Selectability)
        Highlight(index);
}

void DoAction() {
    if (Highlighted < 0)
        return;
    const TodayRow& row = Rows[Highlighted];
    Report(L"action on " + row.Entry.Name);
    if (ToldItem(row)) {
        SendMessageW(row.Item, WM_TODAYCUSTOM_ACTION, VK_RETURN, 0);
    } else if (row.Item) {
        // As a tap: posted, so the item reads the button coming up as it would a stylus's.
        PostMessageW(row.Item, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(ActionTapX, ActionTapY));
        PostMessageW(row.Item, WM_LBUTTONUP, 0, MAKELPARAM(ActionTapX, ActionTapY));
    } else {
        Report(row.Entry.Name + L" belongs to the Today screen itself, which has no program for "
                                L"it here");
    }
}

void KeepHighlight() {
    int index = Highlighted;
    if (index < 0)
        return;
    // The items are new windows: the one that had the highlight is told again.
    Highlighted = -1;
    if (Takes(index, 0))
        Highlight(index);
    else
        Report(L"highlight on nothing");
}

bool ScreenHighlights(HWND item) {
    int index = RowOfWindow(item);
    return index >= 0 && index == Highlighted &&
           Rows[index].Entry.Selectability == SelectabilityShell;
}
