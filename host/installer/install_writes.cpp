#include "host/installer/install_writes.h"

#include <algorithm>

namespace {

bool MakeFolders(const std::wstring& filePath, Written* written) {
    for (size_t at = filePath.find(L'\\', 1); at != std::wstring::npos;
         at = filePath.find(L'\\', at + 1)) {
        std::wstring folder = filePath.substr(0, at);
        if (Exists(folder))
            continue;
        if (!CreateDirectoryW(HostPath(folder).c_str(), NULL))
            return false;
        written->Folders.push_back(folder);
    }
    return true;
}

} // namespace

bool PutFile(const std::wstring& path, const Bytes& bytes, bool keepExisting, Journal* journal,
             std::wstring* said) {
    bool existed = Exists(path);
    if (existed && keepExisting)
        return true;
    Bytes before;
    if (existed) {
        if (!ReadWholeFile(HostPath(path), &before, said))
            return false;
        journal->ReplacedFiles.emplace_back(path, std::move(before));
    }
    DWORD error = 0;
    if (!MakeFolders(path, &journal->Made) || !WriteBytes(path, bytes, &error)) {
        if (!error)
            error = GetLastError();
        *said = L"cannot write " + path + L": " + ErrorText(error);
        return false;
    }
    journal->Made.Files.push_back(path);
    return true;
}

namespace {

// Opens ROOT\key, making each missing level and recording it.
bool MakeKey(const Root& root, const std::wstring& path, HKEY* key, Written* written) {
    std::wstring made = root.Name;
    HKEY parent = root.Key;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        std::wstring part = path.substr(start, end - start);
        made += L"\\" + part;
        HKEY child;
        DWORD disposition = 0;
        LONG status = RegCreateKeyExW(parent, part.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                                      &child, &disposition);
        if (parent != root.Key)
            RegCloseKey(parent);
        if (status != ERROR_SUCCESS)
            return false;
        if (disposition == REG_CREATED_NEW_KEY)
            written->Keys.push_back(made);
        parent = child;
        start = end + 1;
    }
    *key = parent;
    return true;
}

// The value's bytes as the registry stores them: texts in UTF-16, numbers and data as they are.
std::vector<BYTE> StoredBytes(const PlannedValue& planned, DWORD* type) {
    static const DWORD types[][2] = {{EntryString, REG_SZ},
                                     {EntryMultiString, REG_MULTI_SZ},
                                     {EntryDword, REG_DWORD},
                                     {EntryBinary, REG_BINARY}};
    for (const DWORD* pair : types)
        if (pair[0] == planned.Type)
            *type = pair[1];
    if (*type != REG_SZ && *type != REG_MULTI_SZ)
        return std::vector<BYTE>(planned.Data.begin(), planned.Data.end());
    std::wstring text(planned.Data.begin(), planned.Data.end());
    const BYTE* at = (const BYTE*)text.data();
    return std::vector<BYTE>(at, at + text.size() * sizeof(WCHAR));
}

} // namespace

std::wstring ValueWhere(const PlannedValue& planned) {
    return std::wstring(RootOf(planned.Root).Name) + L"\\" + Wide(planned.Key) + L"\t" +
           Wide(planned.Name);
}

bool PutValue(const PlannedValue& planned, Journal* journal, std::wstring* said) {
    const Root& root = RootOf(planned.Root);
    std::wstring name = Wide(planned.Name), path = Wide(planned.Key);
    std::wstring where = std::wstring(root.Name) + L"\\" + path;
    SavedValue before;
    bool existed = ReadValue(ValueWhere(planned), &before);
    if (existed && planned.KeepExisting)
        return true;
    HKEY key;
    if (!MakeKey(root, path, &key, &journal->Made)) {
        *said = L"cannot make the key " + where;
        return false;
    }
    DWORD type = REG_BINARY;
    std::vector<BYTE> bytes = StoredBytes(planned, &type);
    LONG status = RegSetValueExW(key, name.c_str(), 0, type, bytes.data(), (DWORD)bytes.size());
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        *said = L"cannot write the value " + where + L"\\" + name;
        return false;
    }
    if (existed)
        journal->ReplacedValues.push_back(before);
    journal->Made.Values.push_back(ValueWhere(planned));
    return true;
}

void Undo(const Journal& journal) {
    const Written& made = journal.Made;
    for (auto value = made.Values.rbegin(); value != made.Values.rend(); ++value)
        PutBack(*value, SavedFor(journal.ReplacedValues, *value));
    TakeAwayKeys(made.Keys);
    for (const std::wstring& file : made.Files) {
        auto before = std::find_if(journal.ReplacedFiles.begin(), journal.ReplacedFiles.end(),
                                   [&](const std::pair<std::wstring, Bytes>& replaced) {
                                       return SameName(replaced.first, file);
                                   });
        DWORD error;
        if (before != journal.ReplacedFiles.end())
            WriteBytes(file, before->second, &error);
        else
            DeleteFileW(HostPath(file).c_str());
    }
    TakeAwayFolders(made.Folders);
}
