// Names the desktop's headers declare and the device's SDK (Windows Mobile 5.0, Windows CE 5.0)
// does not. The device-profile check compiles every source of morvane.dll with this header after
// the system headers, so a use of one of these is an error here rather than on the device.
// A name the headers' own macros expand to (ChooseColor to ChooseColorW, say) is still fine: GCC
// lets a poisoned name through when it comes from a macro defined before the poisoning.
//
// Each name cites the page that shows it missing. Pages are Microsoft's, under
//   E  https://learn.microsoft.com/en-us/previous-versions/windows/embedded/<id>(v=msdn.10)
//   V  https://learn.microsoft.com/en-us/previous-versions/<id>(v=msdn.10)
#pragma once

#if defined(__GNUC__)

// The desktop's generic ChooseColor pastes its W name together where it is used, which GCC counts
// as a use of the pasted name; spelled out here, the expansion is older than the poisoning.
#undef ChooseColor
#define ChooseColor ChooseColorW

// Common dialogs: CE declares the records and functions without a character-set suffix, and its
// CHOOSECOLOR (E ms928580) has an HINSTANCE hInstance; ChooseFont (V aa931957) takes a
// CHOOSEFONT. No W form of either is declared.
#pragma GCC poison CHOOSECOLORW ChooseColorW CHOOSEFONTW ChooseFontW

// Window classes: "Window Class Functions (Windows CE 5.0)" (E aa452814) has GetWindowLong,
// SetWindowLong, GetClassLong, SetClassLong, GetClassInfo and RegisterClass, none of the Ptr or
// Ex forms.
#undef GetWindowLongPtrW // the 32-bit headers make the Ptr forms macros of the plain ones
#undef SetWindowLongPtrW
#undef GetClassLongPtrW
#undef SetClassLongPtrW
#pragma GCC poison GetWindowLongPtrW SetWindowLongPtrW GetClassLongPtrW SetClassLongPtrW
#pragma GCC poison RegisterClassExW GetClassInfoExW WNDCLASSEXW

// Windows: "Windows Functions (Windows CE 5.0)" (E aa452820) lists no GetAncestor.
#pragma GCC poison GetAncestor

// Fonts and text: "Fonts Functions (Windows CE 5.0)" (E ms901099) creates fonts only from a
// LOGFONT (CreateFontIndirect) and enumerates with EnumFontFamilies and EnumFonts; "Drawing
// Text" (E ms900901) draws with DrawText or ExtTextOut.
#pragma GCC poison CreateFontW DrawTextExW EnumFontFamiliesExW TextOutW

// Memory: "Memory Management Functions" (E aa450751) has the local heap and no Global* heap.
#pragma GCC poison GlobalAlloc GlobalReAlloc GlobalFree GlobalLock GlobalUnlock

// Registry: "Registry Functions (Windows CE 5.0)" (E aa516952) has only the Ex forms of opening,
// creating, querying and setting, and no tree or value helpers.
#pragma GCC poison RegOpenKeyW RegCreateKeyW RegQueryValueW RegSetValueW
#pragma GCC poison RegDeleteTreeW RegDeleteKeyExW RegGetValueW RegSetKeyValueW

// The ANSI twins of what the item calls: "Windows CE uses Unicode exclusively at the system level
// for character and string manipulation" (E ms904336); wsprintf "supports only the Unicode
// version" (E aa450993). (GetProcAddressA is the one exception, E ms885634, and is not named.)
#pragma GCC poison ChooseColorA CHOOSECOLORA ChooseFontA CHOOSEFONTA
#pragma GCC poison CreateFontIndirectA LOGFONTA TEXTMETRICA GetTextMetricsA GetObjectA
#pragma GCC poison DrawTextA EnumFontFamiliesA
#pragma GCC poison CreateWindowExA DefWindowProcA RegisterClassA UnregisterClassA WNDCLASSA
#pragma GCC poison SendMessageA SendDlgItemMessageA GetDlgItemTextA SetDlgItemTextA
#pragma GCC poison GetWindowTextA SetWindowTextA GetWindowLongA SetWindowLongA
#pragma GCC poison DialogBoxIndirectParamA DialogBoxParamA CreateDialogParamA MessageBoxA
#pragma GCC poison SystemParametersInfoA LoadImageA LoadStringA LoadIconA FindResourceA
#pragma GCC poison RegCreateKeyExA RegOpenKeyExA RegQueryValueExA RegSetValueExA
#pragma GCC poison OpenEventA CreateEventA GetModuleHandleA LoadLibraryA wsprintfA

#endif
