#include "platform/platform.h"
#include "item/module_instance.h"

HINSTANCE ModuleInstance;
WCHAR ItemClassName[ClassNameCapacity];

INT_PTR RunModuleDialog(int templateId, HWND owner, DLGPROC proc) {
    HRSRC found = FindResourceW(ModuleInstance, MAKEINTRESOURCEW(templateId), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(ModuleInstance, found) : NULL;
    const DLGTEMPLATE* dialog = loaded ? (const DLGTEMPLATE*)LockResource(loaded) : NULL;
    // Without a template there is nothing to run; -1 is the dialog functions' own failure value.
    if (!dialog)
        return -1;
    return DialogBoxIndirectParamW(ModuleInstance, dialog, owner, proc, 0);
}
