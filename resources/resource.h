// Resource and control ids, numbers exactly as the templates and the host use them. Included by
// morvane.rc and by C++; holds nothing but ids.
#pragma once

// String table
#define IDS_CLASS_NAME 1

// Icons
#define IDI_ITEM 2

// Dialog templates
#define IDD_FORMAT 105
#define IDD_FONTS 106
#define IDD_ABOUT 107
#define IDD_ICON_OPTION 108
#define IDD_OPTIONS 500
#define IDD_SELECT_FONT 510
