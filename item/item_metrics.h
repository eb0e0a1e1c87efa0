// How much room the item needs: whole 20-unit rows, and the gap between Flat pieces.
#pragma once

#include "platform/platform.h"

enum { RowUnitAt96 = 20 };

extern int RowCount;          // rows of 20 units on a 96-dpi screen; at least 1 once measured
extern int ItemGap;           // pixels between two pieces of text in the Flat layout
extern int ReportedRowHeight; // the row height last reported to the host; 0 before the first

// Measures both fonts on the window's device context when MetricsDirty is set, then clears it.
void UpdateMetrics(HWND window);

// The row height the item needs now, in pixels (at least 1): measured again first when
// MetricsDirty is set.
int RowHeight(HWND window);
