// Resource and control ids, numbers exactly as the templates and the host use them. Included by
// morvane.rc and by C++; holds nothing but ids.
#pragma once

// String table
#define IDS_CLASS_NAME 1
#define IDS_MENU_CLOCK_ALARMS 2
#define IDS_MENU_OPTIONS 3

// The item's tap-and-hold menu
#define IDM_ITEM_CLOCK_ALARMS 100
#define IDM_ITEM_OPTIONS 101

// Icons
#define IDI_ITEM 2

// Dialog templates
#define IDD_FORMAT 105
#define IDD_FONTS 106
#define IDD_ABOUT 107
#define IDD_ICON_OPTION 108
#define IDD_OPTIONS 500
#define IDD_SELECT_FONT 510

// Controls that nothing addresses
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Preview lines, in the options dialog (500) and the Format dialog (105)
#define IDC_PREVIEW_LINE2 1013
#define IDC_PREVIEW_LINE1 1014

// Options dialog (500)
#define IDC_OPTIONS_FONTS 1004
#define IDC_OPTIONS_FORMAT 1008
#define IDC_OPTIONS_DISPTYPE 1010
#define IDC_OPTIONS_LAYOUT 1011
#define IDC_OPTIONS_DISPPOS 1012
#define IDC_OPTIONS_ICON 1016

// Format dialog (105)
#define IDC_FORMAT_TIME 1003
#define IDC_FORMAT_DATE 1005

// Fonts and colour dialog (106)
#define IDC_FONTS_MODE 1003
#define IDC_FONTS_USE_COLOR 1006
#define IDC_FONTS_COLOR 1007
#define IDC_FONTS_TIME_FONT 1008
#define IDC_FONTS_DATE_FONT 1009

// Icon option dialog (108)
#define IDC_ICON_ABOUT 1005
#define IDC_ICON_HIDE 1015

// Select Font dialog (510)
#define IDC_SELECT_FONT_NAME 1100
#define IDC_SELECT_FONT_SIZE 1101
#define IDC_SELECT_FONT_BOLD 1102
#define IDC_SELECT_FONT_ITALIC 1103
