#include "platform/platform.h"
#include "item/module.h"

// The module comes as a HANDLE, as the device's SDK declares the entry; on the desktop it is the
// same module handle.
extern "C" BOOL WINAPI DllMain(HANDLE module, DWORD reason, LPVOID reserved) {
    (void)reserved;
    switch (reason) {
    case DLL_PROCESS_ATTACH: ModuleAttach((HINSTANCE)module); break;
    case DLL_PROCESS_DETACH: ModuleDetach(); break;
    default: break;
    }
    return TRUE;
}
