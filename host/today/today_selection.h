// The Today screen's highlight, as the device moves it: Up and Down among the selectable rows in
// order, an item registered with Selectability 2 told and asked, the others highlighted by the
// screen; the action key; a tap that takes the highlight.
#pragma once

#include "platform/platform.h"

extern int Highlighted; // the row holding the highlight; -1 for none

// Up or Down: the selected item may use the key itself first; else the highlight moves to the
// next row in that direction that takes it, and stays where it is when none does.
void MoveHighlight(int key);

// Left or Right: only the selected item can use them.
void NavigateInRow(int key);

// An item asked for the highlight (TODAYM_TOOKSELECTION), or the screen's own row at y was
// tapped.
void TakeHighlight(HWND item);
void TapScreenRow(int y);

// The action key on the highlighted row.
void DoAction();

// After the items were made again: the highlight stays on its row when that row still takes it.
void KeepHighlight();

// Whether the item's watermark request is to draw the highlight: the screen highlights the rows
// of items registered with Selectability 1.
bool ScreenHighlights(HWND item);
