#include "platform/platform.h"
#include "item/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    switch (reason) {
    case DLL_PROCESS_ATTACH: ModuleAttach(instance); break;
    case DLL_PROCESS_DETACH: ModuleDetach(); break;
    default: break;
    }
    return TRUE;
}
