// The Format dialog: time and date formats from the presets or typed.
#pragma once

#include "platform/platform.h"

INT_PTR CALLBACK FormatDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Index of the first of count presets equal to text (exact, case counts), or -1.
int FindPreset(const WCHAR* text, const WCHAR* const* presets, int count);

// Selects entry index of the combo box; a negative index looks text up among the presets first.
void SelectPreset(HWND combo, int index, const WCHAR* text, const WCHAR* const* presets, int count);

// Enables the format boxes the display type shows; an unknown display type changes neither.
void EnableFormatCombos(HWND dialog);
