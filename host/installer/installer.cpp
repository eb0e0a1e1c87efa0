#include "platform/platform.h"
#include "host/installer/installer.h"
#include "host/installer/install_plan.h"
#include "host/installer/install_writes.h"
#include "host/installer/setup_library.h"

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
    replaced.insert(replaced.end(), earlier.Files.begin(), earlier.Files.end());
    std::wstring held;
    DWORD error = 0;
    if (AnyHeld(replaced, &held, &error)) {
        *said = L"cannot replace " + held + L", " + ErrorText(error);
        return false;
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
    for (const PlannedValue& value : plan.Values)
        if (value.KeepExisting && Listed(earlier.Values, ValueWhere(value)) &&
            !Listed(record.Values, ValueWhere(value)))
            record.Values.push_back(ValueWhere(value));
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

// The folder of a program's first file, which its setup library is told as the installation's.
std::wstring InstallFolder(const std::wstring& firstFile) {
    size_t slash = firstFile.rfind(L'\\');
    return slash == std::wstring::npos || slash == 0 ? L"\\" : firstFile.substr(0, slash);
}

// Installing: what is written, with what it replaced; the earlier installation's record; the
// cabinet's setup library while it runs.
struct Installation {
    InstallPlan Plan;
    std::wstring Program, Folder;
    Written Earlier;
    RecordState State = NoRecord;
    SetupLibrary Setup;
    Journal Writes;
};

// Tells a setup library whose start continued that the installation failed, so that it puts back
// what its start took away, and lets it go.
void AbandonSetup(Installation* run) {
    if (run->Setup.Module)
        run->Setup.InstallExit(NULL, run->Folder.c_str(), 0, 1, 0, 0, 0);
    UnloadSetupLibrary(&run->Setup);
}

// Writes the plan and records it; the setup library, if any, is told afterwards and may still ask
// for the installation to be taken back.
bool WriteInstallation(Installation* run, Written* record, std::wstring* said) {
    if (!WritePlan(run->Plan, &run->Writes, said))
        return false;
    *record = NewRecord(run->Plan, run->Writes, run->Earlier);
    if (!SaveRecord(run->Program, *record)) {
        *said = L"cannot record the installation under HKLM\\" + AppKey(run->Program);
        return false;
    }
    if (run->Setup.Module && run->Setup.InstallExit(NULL, run->Folder.c_str(), 0, 0, 0, 0, 0) ==
                                 codeINSTALL_EXIT_UNINSTALL) {
        *said = L"its setup library asked for the installation to be taken back";
        return false;
    }
    return true;
}

bool Install(const std::wstring& path, std::wstring* said) {
    Bytes cabinet;
    if (!ReadWholeFile(path, &cabinet, said))
        return false;
    std::vector<CabinetFile> files;
    Installation run;
    std::string problem;
    std::wstring why;
    if (!ReadCabinet(cabinet, &files, &problem) || !PlanInstall(files, &run.Plan, &problem)) {
        *said = L"refused " + path + L": " + Wide(problem) + L"; nothing was installed";
        return false;
    }
    run.Program = Wide(run.Plan.Program);
    run.Folder = InstallFolder(run.Plan.Files.empty() ? L"" : Wide(run.Plan.Files[0].Path));
    run.State = LoadRecord(run.Program, &run.Earlier, &why);
    bool ready = run.State != RecordRefused;
    // The setup library runs before anything is checked on the device: it may first have to take
    // its program off the Today screen, which holds its library.
    if (ready && run.Plan.SetupLibrary) {
        ready = LoadSetupLibrary(*run.Plan.SetupLibrary, &run.Setup, &why);
        if (ready && run.Setup.InstallInit(NULL, TRUE, run.State == RecordRead,
                                           run.Folder.c_str()) != codeINSTALL_INIT_CONTINUE) {
            why = L"its setup library cancelled the installation";
            UnloadSetupLibrary(&run.Setup);
            ready = false;
        }
    }
    if (!ready || !CheckDestinations(run.Plan, run.Earlier, &why)) {
        AbandonSetup(&run);
        *said = L"refused " + path + L": " + why + L"; nothing was installed";
        return false;
    }

    Written record;
    if (!WriteInstallation(&run, &record, said)) {
        Undo(run.Writes);
        if (run.State == RecordRead)
            SaveRecord(run.Program, run.Earlier);
        else
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, AppKey(run.Program).c_str());
        *said += L"; what was written is taken back";
        if (run.State == RecordRead)
            *said += L", and the earlier installation is as it was";
        AbandonSetup(&run);
        return false;
    }
    UnloadSetupLibrary(&run.Setup);
    TakeAwayLeftovers(run.Earlier, record);
    *said = L"installed " + run.Program + L": " +
            Counted(run.Plan.Files.size() + run.Plan.Links.size(), L"file", L"files") + L", " +
            Counted(run.Writes.Made.Values.size(), L"registry value", L"registry values") +
            (run.Plan.SetupLibrary ? L", its setup library run" : L"") +
            (run.State == RecordRead ? L" (over the earlier installation)" : L"");
    return true;
}

// The setup library an installation left in \Windows\AppMgr, loaded to run its removal's start;
// false with why in said when it cancels.
bool StartRemoval(const std::wstring& name, const Written& written, SetupLibrary* setup,
                  std::wstring* said) {
    std::string narrow;
    Narrow(name, &narrow);
    std::wstring path = Wide(SetupLibraryPath(narrow));
    Bytes bytes;
    if (!Listed(written.Files, path) || !Exists(path))
        return true;
    if (!ReadWholeFile(HostPath(path), &bytes, said) || !LoadSetupLibrary(bytes, setup, said))
        return false;
    std::wstring folder = InstallFolder(written.Files.empty() ? L"" : written.Files[0]);
    if (setup->UninstallInit(NULL, folder.c_str()) != codeUNINSTALL_INIT_CONTINUE) {
        *said = L"its setup library cancelled the removal";
        UnloadSetupLibrary(setup);
        return false;
    }
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
    SetupLibrary setup;
    std::wstring why;
    if (!StartRemoval(name, written, &setup, &why)) {
        *said = L"cannot remove " + name + L": " + why + L"; nothing was removed";
        return false;
    }
    // Every file is checked before any goes, so that a program holding one stops the removal
    // with nothing taken away.
    std::wstring held;
    DWORD error = 0;
    if (AnyHeld(written.Files, &held, &error)) {
        UnloadSetupLibrary(&setup);
        *said = L"cannot remove " + name + L": " + held + L" cannot be deleted, " +
                ErrorText(error) + L"; nothing was removed, and its record is kept";
        return false;
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
        UnloadSetupLibrary(&setup);
        *said = L"cannot remove " + name + L": " + left.Files[0] +
                L" cannot be deleted; its record keeps what is left";
        return false;
    }
    for (auto value = written.Values.rbegin(); value != written.Values.rend(); ++value)
        PutBack(*value, SavedFor(written.Saved, *value));
    TakeAwayKeys(written.Keys);
    TakeAwayFolders(written.Folders);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, AppKey(name).c_str());
    if (setup.Module)
        setup.UninstallExit(NULL);
    UnloadSetupLibrary(&setup);
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
