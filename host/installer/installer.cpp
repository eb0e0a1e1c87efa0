#include "platform/platform.h"
#include "host/installer/installer.h"
#include "host/installer/install_plan.h"
#include "host/installer/install_writes.h"

#include <new>
#include <string>
#include <vector>

namespace {

std::wstring Counted(size_t count, const WCHAR* one, const WCHAR* many) {
    return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

// ---- Installing ----

// Refuses, before anything is written, a file that is not this program's to replace or that a
// running program holds.
bool CheckDestinations(const InstallPlan& plan, const Written& earlier, std::wstring* said) {
    std::vector<std::pair<std::wstring, bool>> paths; // device path, kept when there
    for (const PlannedFile& file : plan.Files)
        paths.emplace_back(Wide(file.Path), file.KeepExisting);
    for (const PlannedLink& link : plan.Links)
        paths.emplace_back(Wide(link.Path), false);
    std::vector<std::wstring> replaced;
    for (const auto& path : paths) {
        if (!Exists(path.first) || path.second)
            continue;
        if (!Listed(earlier.Files, path.first)) {
            *said = path.first + L" exists and belongs to no earlier installation of " +
                    Wide(plan.Program);
            return false;
        }
        replaced.push_back(path.first);
    }
    // What the earlier installation has and this one does not write goes afterwards.
    for (const std::wstring& file : earlier.Files)
        if (Exists(file))
            replaced.push_back(file);
    for (const std::wstring& file : replaced) {
        DWORD error = 0;
        if (!Writable(file, &error)) {
            *said = L"cannot replace " + file + L", " + ErrorText(error);
            return false;
        }
    }
    return true;
}

bool WritePlan(const InstallPlan& plan, Journal* journal, std::wstring* said) {
    for (const PlannedFile& file : plan.Files)
        if (!PutFile(Wide(file.Path), *file.Data, file.KeepExisting, journal, said))
            return false;
    for (const PlannedLink& link : plan.Links)
        if (!PutFile(Wide(link.Path), link.Text, false, journal, said))
            return false;
    for (const PlannedValue& value : plan.Values)
        if (!PutValue(value, journal, said))
            return false;
    return true;
}

// The record of the installation just written over an earlier one: its own files and values (with
// those of the earlier one it names and kept as they were), the keys and folders of both, and for
// each value it overwrote what stood there before either.
Written NewRecord(const InstallPlan& plan, const Journal& journal, const Written& earlier) {
    Written record = journal.Made;
    for (const PlannedFile& file : plan.Files)
        if (file.KeepExisting && Listed(earlier.Files, Wide(file.Path)) &&
            !Listed(record.Files, Wide(file.Path)))
            record.Files.push_back(Wide(file.Path));
    for (const PlannedValue& value : plan.Values) {
        std::wstring where = std::wstring(RootOf(value.Root).Name) + L"\\" + Wide(value.Key) +
                             L"\t" + Wide(value.Name);
        if (value.KeepExisting && Listed(earlier.Values, where) && !Listed(record.Values, where))
            record.Values.push_back(where);
    }
    for (const std::wstring& key : earlier.Keys)
        if (!Listed(record.Keys, key))
            record.Keys.insert(record.Keys.begin(), key);
    for (const std::wstring& folder : earlier.Folders)
        if (!Listed(record.Folders, folder))
            record.Folders.insert(record.Folders.begin(), folder);
    for (const std::wstring& value : record.Values) {
        const SavedValue* original = SavedFor(earlier.Saved, value);
        if (!original && !Listed(earlier.Values, value))
            original = SavedFor(journal.ReplacedValues, value);
        if (original)
            record.Saved.push_back(*original);
    }
    return record;
}

// What the earlier installation wrote and this one does not, taken away now.
void TakeAwayLeftovers(const Written& earlier, const Written& record) {
    for (const std::wstring& value : earlier.Values)
        if (!Listed(record.Values, value))
            PutBack(value, SavedFor(earlier.Saved, value));
    for (const std::wstring& file : earlier.Files)
        if (!Listed(record.Files, file))
            DeleteFileW(HostPath(file).c_str());
    TakeAwayKeys(record.Keys);
}

bool Install(const std::wstring& path, std::wstring* said) {
    Bytes cabinet;
    if (!ReadWholeFile(path, &cabinet, said))
        return false;
    std::vector<CabinetFile> files;
    InstallPlan plan;
    std::string problem;
    if (!ReadCabinet(cabinet, &files, &problem) || !PlanInstall(files, &plan, &problem)) {
        *said = L"refused " + path + L": " + Wide(problem) + L"; nothing was installed";
        return false;
    }
    std::wstring program = Wide(plan.Program), why;
    Written earlier;
    RecordState state = LoadRecord(program, &earlier, &why);
    if (state == RecordRefused || !CheckDestinations(plan, earlier, &why)) {
        *said = L"refused " + path + L": " + why + L"; nothing was installed";
        return false;
    }

    Journal journal;
    Written record;
    bool done = WritePlan(plan, &journal, said);
    if (done) {
        record = NewRecord(plan, journal, earlier);
        done = SaveRecord(program, record);
        if (!done)
            *said = L"cannot record the installation under HKLM\\" + AppKey(program);
    }
    if (!done) {
        Undo(journal);
        if (state == RecordRead)
            SaveRecord(program, earlier);
        else
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, AppKey(program).c_str());
        *said += L"; what was written is taken back";
        if (state == RecordRead)
            *said += L", and the earlier installation is as it was";
        return false;
    }
    TakeAwayLeftovers(earlier, record);
    *said = L"installed " + program + L": " +
            Counted(plan.Files.size() + plan.Links.size(), L"file", L"files") + L", " +
            Counted(journal.Made.Values.size(), L"registry value", L"registry values") +
            (state == RecordRead ? L" (over the earlier installation)" : L"");
    return true;
}

bool Remove(const std::wstring& name, std::wstring* said) {
    std::string narrow, problem;
    Written written;
    RecordState state = Narrow(name, &narrow) && CheckProgramName(narrow, &problem)
                            ? LoadRecord(name, &written, said)
                            : NoRecord;
    if (state == NoRecord)
        *said = L"no program " + name + L" is installed";
    if (state != RecordRead) {
        if (state == RecordRefused)
            *said += L"; nothing was removed";
        return false;
    }
    // Every file is checked before any goes, so that a program holding one stops the removal
    // with nothing taken away.
    for (const std::wstring& file : written.Files) {
        DWORD error = 0;
        if (Exists(file) && !Writable(file, &error)) {
            *said = L"cannot remove " + name + L": " + file + L" cannot be deleted, " +
                    ErrorText(error) + L"; nothing was removed, and its record is kept";
            return false;
        }
    }
    Written left = written;
    left.Files.clear();
    for (const std::wstring& file : written.Files)
        if (!DeleteFileW(HostPath(file).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND &&
            GetLastError() != ERROR_PATH_NOT_FOUND)
            left.Files.push_back(file);
    if (!left.Files.empty()) {
        // The record keeps what is still there, so that a later removal can finish.
        SaveRecord(name, left);
        *said = L"cannot remove " + name + L": " + left.Files[0] +
                L" cannot be deleted; its record keeps what is left";
        return false;
    }
    for (auto value = written.Values.rbegin(); value != written.Values.rend(); ++value)
        PutBack(*value, SavedFor(written.Saved, *value));
    TakeAwayKeys(written.Keys);
    TakeAwayFolders(written.Folders);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, AppKey(name).c_str());
    *said = L"removed " + name + L": " + Counted(written.Files.size(), L"file", L"files") + L", " +
            Counted(written.Values.size(), L"registry value", L"registry values");
    return true;
}
} // namespace

bool InstallCabinet(const std::wstring& path, std::wstring* said) {
    try {
        return Install(path, said);
    } catch (const std::bad_alloc&) {
        *said = L"refused " + path + L": there is not enough memory to read it";
        return false;
    }
}

bool RemoveProgram(const std::wstring& name, std::wstring* said) {
    try {
        return Remove(name, said);
    } catch (const std::bad_alloc&) {
        *said = L"cannot remove " + name + L": there is not enough memory";
        return false;
    }
}
