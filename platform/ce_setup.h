// The device's installer and a cabinet's setup library, as the Windows CE SDK's ce_setup.h
// declares them: the four entry points the installer finds by name and calls before and after it
// installs or removes the cabinet's files, and what each may answer. On the device the SDK's own
// header replaces this one.
#pragma once

#include "platform/platform.h"

#ifdef UNDER_CE
#include <ce_setup.h>
#else

typedef enum { codeINSTALL_INIT_CONTINUE = 0, codeINSTALL_INIT_CANCEL } codeINSTALL_INIT;
typedef enum { codeINSTALL_EXIT_DONE = 0, codeINSTALL_EXIT_UNINSTALL } codeINSTALL_EXIT;
typedef enum { codeUNINSTALL_INIT_CONTINUE = 0, codeUNINSTALL_INIT_CANCEL } codeUNINSTALL_INIT;
typedef enum { codeUNINSTALL_EXIT_DONE = 0 } codeUNINSTALL_EXIT;

typedef codeINSTALL_INIT (*pfnINSTALL_INIT)(HWND hwndParent, BOOL fFirstCall,
                                            BOOL fPreviouslyInstalled, LPCTSTR pszInstallDir);
typedef codeINSTALL_EXIT (*pfnINSTALL_EXIT)(HWND hwndParent, LPCTSTR pszInstallDir,
                                            WORD cFailedDirs, WORD cFailedFiles,
                                            WORD cFailedRegKeys, WORD cFailedRegVals,
                                            WORD cFailedShortcuts);
typedef codeUNINSTALL_INIT (*pfnUNINSTALL_INIT)(HWND hwndParent, LPCTSTR pszInstallDir);
typedef codeUNINSTALL_EXIT (*pfnUNINSTALL_EXIT)(HWND hwndParent);

#define szINSTALL_INIT "Install_Init"
#define szINSTALL_EXIT "Install_Exit"
#define szUNINSTALL_INIT "Uninstall_Init"
#define szUNINSTALL_EXIT "Uninstall_Exit"

#ifdef __cplusplus
extern "C" {
#endif
codeINSTALL_INIT Install_Init(HWND hwndParent, BOOL fFirstCall, BOOL fPreviouslyInstalled,
                              LPCTSTR pszInstallDir);
codeINSTALL_EXIT Install_Exit(HWND hwndParent, LPCTSTR pszInstallDir, WORD cFailedDirs,
                              WORD cFailedFiles, WORD cFailedRegKeys, WORD cFailedRegVals,
                              WORD cFailedShortcuts);
codeUNINSTALL_INIT Uninstall_Init(HWND hwndParent, LPCTSTR pszInstallDir);
codeUNINSTALL_EXIT Uninstall_Exit(HWND hwndParent);
#ifdef __cplusplus
}
#endif

#endif
