#include "host/installer/setup_library.h"
#include "host/installer/device_store.h"

namespace {

const WCHAR CopyPrefix[] = L"wce";

template <typename Entry> bool Find(HMODULE module, const char* name, Entry* entry) {
    typedef void (*AnyFunction)(void);
    *entry = (Entry)(AnyFunction)GetProcAddress(module, name);
    return *entry != nullptr;
}

} // namespace

bool LoadSetupLibrary(const Bytes& bytes, SetupLibrary* setup, std::wstring* said) {
    WCHAR folder[MAX_PATH], copy[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH || !GetTempFileNameW(folder, CopyPrefix, 0, copy)) {
        *said = L"its setup library has no room in the temporary folder";
        return false;
    }
    setup->Copy = copy;
    HANDLE file = CreateFileW(copy, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD put = 0;
    bool written = file != INVALID_HANDLE_VALUE &&
                   WriteFile(file, bytes.data(), (DWORD)bytes.size(), &put, NULL) &&
                   put == bytes.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    setup->Module = written ? LoadLibraryW(copy) : NULL;
    if (!setup->Module) {
        *said = L"its setup library cannot be loaded (" + ErrorText(GetLastError()) + L")";
        UnloadSetupLibrary(setup);
        return false;
    }
    if (!Find(setup->Module, szINSTALL_INIT, &setup->InstallInit) ||
        !Find(setup->Module, szINSTALL_EXIT, &setup->InstallExit) ||
        !Find(setup->Module, szUNINSTALL_INIT, &setup->UninstallInit) ||
        !Find(setup->Module, szUNINSTALL_EXIT, &setup->UninstallExit)) {
        *said = L"its setup library lacks one of Install_Init, Install_Exit, Uninstall_Init and "
                L"Uninstall_Exit";
        UnloadSetupLibrary(setup);
        return false;
    }
    return true;
}

void UnloadSetupLibrary(SetupLibrary* setup) {
    if (setup->Module)
        FreeLibrary(setup->Module);
    if (!setup->Copy.empty())
        DeleteFileW(setup->Copy.c_str());
    *setup = SetupLibrary();
}
