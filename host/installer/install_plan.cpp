#include "host/installer/install_plan.h"

#include <string.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

// The Pocket PC's standard folders, %CE1% to %CE17%; those it leaves undefined are empty.
const char* const StandardFolders[] = {
    "\\Program Files",                 // %CE1%
    "\\Windows",                       // %CE2%
    "",                                // %CE3%
    "\\Windows\\StartUp",              // %CE4%
    "\\My Documents",                  // %CE5%
    "",                                // %CE6%
    "",                                // %CE7%
    "",                                // %CE8%
    "",                                // %CE9%
    "",                                // %CE10%
    "\\Windows\\Start Menu\\Programs", // %CE11%
    "",                                // %CE12%
    "",                                // %CE13%
    "\\Windows\\Start Menu\\Games",    // %CE14%
    "\\Windows\\Fonts",                // %CE15%
    "",                                // %CE16%
    "\\Windows\\Start Menu",           // %CE17%
};
enum { StandardFolderCount = sizeof StandardFolders / sizeof StandardFolders[0] };

bool Fail(std::string* problem, const std::string& why) {
    *problem = why;
    return false;
}

// The device path of a folder the data gives as %CEn% and further parts.
bool FolderPath(const std::string& folder, std::string* path) {
    size_t end = folder.find('\\');
    std::string first = folder.substr(0, end);
    *path = DeviceFolder(first);
    if (path->empty())
        return false;
    if (end != std::string::npos)
        *path += folder.substr(end);
    return true;
}

// The text with each %CEn% replaced by its folder; false for a %CE...% that is none of them.
bool Substituted(const Bytes& data, Bytes* out, std::string* problem) {
    std::string text(data.begin(), data.end()), result;
    size_t at = 0;
    for (size_t start; (start = text.find("%CE", at)) != std::string::npos;) {
        size_t end = text.find('%', start + 1);
        std::string folder =
            end == std::string::npos ? "" : DeviceFolder(text.substr(start, end - start + 1));
        if (folder.empty())
            return Fail(problem,
                        "\"" + text.substr(start, 8) + "...\" is none of the %CEn% folders");
        result += text.substr(at, start - at) + folder;
        at = end + 1;
    }
    result += text.substr(at);
    out->assign(result.begin(), result.end());
    return true;
}

// The cabinet's files by their number, the extension of their 8.3 name.
std::map<unsigned, const CabinetFile*> Numbered(const std::vector<CabinetFile>& files) {
    std::map<unsigned, const CabinetFile*> numbered;
    for (const CabinetFile& file : files) {
        size_t dot = file.Name.rfind('.');
        std::string extension = dot == std::string::npos ? "" : file.Name.substr(dot + 1);
        if (extension.size() == 3 && extension.find_first_not_of("0123456789") == std::string::npos)
            numbered.emplace((unsigned)std::stoi(extension), &file);
    }
    return numbered;
}

bool VersionBelow(const uint32_t version[2], unsigned major, unsigned minor) {
    return version[0] < major || (version[0] == major && version[1] < minor);
}

// The processors a cabinet may name: none (any), or the x86 family the desktop's Wine runs.
const uint32_t X86Processors[] = {386, 486, 586};
// The ARM processor types Pocket PC cabinets name (StrongARM, ARM720, ARM820, ARM920, ARM7TDMI).
const uint32_t ArmProcessors[] = {2577, 1824, 2080, 2336, 70001};

template <size_t N> bool OneOf(uint32_t value, const uint32_t (&list)[N]) {
    return std::find(list, list + N, value) != list + N;
}

bool CheckDevice(const InstallData& data, std::string* problem) {
    if (OneOf(data.Processor, ArmProcessors))
        return Fail(problem, "it is made for an ARM processor (" + std::to_string(data.Processor) +
                                 "), and this device runs x86 code");
    if (data.Processor != 0 && !OneOf(data.Processor, X86Processors))
        return Fail(problem, "it is made for processor " + std::to_string(data.Processor) +
                                 ", and this device runs x86 code (0, 386, 486 or 586)");
    bool tooOld = VersionBelow(data.VersionMax, DeviceVersionMajor, DeviceVersionMinor) &&
                  (data.VersionMax[0] | data.VersionMax[1]) != 0;
    bool tooNew = !VersionBelow(data.VersionMin, DeviceVersionMajor, DeviceVersionMinor + 1);
    if (tooOld || tooNew)
        return Fail(problem, "it asks for Windows CE " + std::to_string(data.VersionMin[0]) + "." +
                                 std::to_string(data.VersionMin[1]) + " to " +
                                 std::to_string(data.VersionMax[0]) + "." +
                                 std::to_string(data.VersionMax[1]) + ", and this device is 5.01");
    return true;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = (char)tolower((unsigned char)c);
    return text;
}

// A name the file system takes for a device whatever its extension: NUL.txt opens NUL.
bool ReservedName(const std::string& part) {
    static const char* const devices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    std::string stem = Lower(part.substr(0, part.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (const char* device : devices)
        if (stem == device)
            return true;
    return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

// Where the installer may write and what it may touch, as a registry key's parts in lower case
// with the 32-bit view's Wow6432Node left out.
bool KeyUnder(const std::vector<std::string>& key, size_t at, const char* const* prefix,
              size_t count) {
    if (key.size() < at + count)
        return false;
    for (size_t i = 0; i < count; ++i)
        if (key[at + i] != prefix[i])
            return false;
    return true;
}

} // namespace

bool CheckDevicePath(const std::string& path, std::string* problem) {
    if (path.size() >= DeviceMaxPath)
        return Fail(problem, "the path " + path.substr(0, 60) +
                                 "... is longer than the device's "
                                 "MAX_PATH (" +
                                 std::to_string(DeviceMaxPath - 1) + " characters)");
    std::vector<std::string> parts = PathParts(path);
    if (parts.size() < 2 || !parts[0].empty())
        return Fail(problem, "the path " + path + " does not start at the device's root");
    bool inside = false;
    for (const char* folder : StandardFolders)
        inside =
            inside ||
            (*folder &&
             Lower(path + "\\").compare(0, strlen(folder) + 1, Lower(std::string(folder) + "\\")) ==
                 0);
    if (!inside)
        return Fail(problem, "the path " + path + " is outside the device's %CEn% folders");
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part.empty() || part == "." || part == ".." || part.back() == '.' ||
            part.back() == ' ' || part.find_first_of("<>:\"/|?*") != std::string::npos)
            return Fail(problem, "the path part \"" + part + "\" of " + path + " is no plain name");
        if (ReservedName(part))
            return Fail(problem,
                        "the path " + path + " has \"" + part + "\", a reserved device name");
    }
    return true;
}

bool CheckRegistryKey(int root, const std::string& key, std::string* problem) {
    static const char* const apps[] = {"software", "apps"};
    static const char* const wine[] = {"software", "wine"};
    static const char* const run[] = {"software", "microsoft", "windows", "currentversion"};
    std::vector<std::string> parts;
    for (const std::string& part : PathParts(Lower(key)))
        if (part != "wow6432node")
            parts.push_back(part);
    // Under HKU the first part is the user's own key.
    size_t at = root == RootUsers ? 1 : 0;
    const std::string where = std::string(RootName(root)) + "\\" + key;
    if (root == RootLocalMachine && KeyUnder(parts, 0, apps, 2))
        return Fail(problem, where + " is among the installer's own records");
    if (KeyUnder(parts, at, wine, 2))
        return Fail(problem, where + " is Wine's configuration");
    if (KeyUnder(parts, at, run, 4) && parts.size() > at + 4 &&
        parts[at + 4].compare(0, 3, "run") == 0)
        return Fail(problem, where + " is among the desktop's start-up keys");
    return true;
}

bool CheckProgramName(const std::string& program, std::string* problem) {
    if (program.empty() || program.size() > ProgramNameLimit ||
        program.find_first_of("\\/") != std::string::npos ||
        program.find("..") != std::string::npos)
        return Fail(problem, "the application name \"" + program.substr(0, 60) +
                                 "\" is not one its record could be found by again (at most " +
                                 std::to_string(ProgramNameLimit) +
                                 " characters, no \\ or /, no ..)");
    return true;
}

std::string DeviceFolder(const std::string& name) {
    if (name.size() < 5 || name.compare(0, 3, "%CE") != 0 || name.back() != '%')
        return "";
    std::string digits = name.substr(3, name.size() - 4);
    if (digits.empty() || digits.size() > 2 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return "";
    int n = std::stoi(digits);
    return n >= 1 && n <= StandardFolderCount ? StandardFolders[n - 1] : "";
}

std::string SetupLibraryPath(const std::string& program) {
    return SETUP_LIBRARY_FOLDER + program + ".dll";
}

bool PlanInstall(const std::vector<CabinetFile>& files, InstallPlan* plan, std::string* problem) {
    *plan = InstallPlan();
    const std::string& first = files.empty() ? "" : files[0].Name;
    if (first.size() < 4 || first.compare(first.size() - 4, 4, ".000") != 0)
        return Fail(problem, "its first file, \"" + first +
                                 "\", is not the installation data (a .000 file)");
    std::string why;
    if (!ReadInstallData(files[0].Data, &plan->Data, &why))
        return Fail(problem, first + ": " + why);
    const InstallData& data = plan->Data;
    if (!CheckDevice(data, problem))
        return false;
    plan->Program = data.Provider.empty() ? data.AppName : data.Provider + " " + data.AppName;
    if (!CheckProgramName(plan->Program, problem))
        return false;

    std::map<unsigned, const CabinetFile*> numbered = Numbered(files);
    std::map<uint16_t, std::string> installedAt; // each FILES entry's device path
    std::set<std::string> destinations;
    for (const InstallFile& file : data.Files) {
        auto found = numbered.find(file.Id);
        if (found == numbered.end())
            return Fail(problem, "file " + std::to_string(file.Id) + " (" + file.Name +
                                     ") is not in the cabinet");
        std::string folder;
        if (!FolderPath(file.Folder, &folder))
            return Fail(problem, "file " + file.Name + " goes to " + file.Folder +
                                     ", outside the device's %CEn% folders");
        std::string path = folder + "\\" + file.Name;
        if (!CheckDevicePath(path, problem))
            return false;
        if (!destinations.insert(Lower(path)).second)
            return Fail(problem, "the destination " + path + " is named twice");
        installedAt[file.Id] = path;
        plan->Files.push_back(
            PlannedFile{path, &found->second->Data, (file.Flags & FileNoOverwrite) != 0});
    }
    for (const InstallLink& link : data.Links) {
        PlannedLink planned;
        std::string base = "%CE" + std::to_string(link.Base) + "%", target;
        if (!FolderPath(base + "\\" + link.Path, &planned.Path) ||
            (!link.ToFile && !FolderPath(link.TargetFolder, &target)))
            return Fail(problem,
                        "shortcut " + link.Path + " is outside the device's %CEn% folders");
        planned.Path += ".lnk";
        if (link.ToFile)
            target = installedAt[link.Target];
        if (!CheckDevicePath(planned.Path, problem))
            return false;
        if (!destinations.insert(Lower(planned.Path)).second)
            return Fail(problem, "the destination " + planned.Path + " is named twice");
        // The device's shortcut: the length of what follows the #, then the target in quotes.
        std::string quoted = "\"" + target + "\"";
        std::string text = std::to_string(quoted.size()) + "#" + quoted;
        planned.Text.assign(text.begin(), text.end());
        plan->Links.push_back(planned);
    }
    // The setup library is installed beside the others' in \Windows\AppMgr, so that removal can
    // run it again; it is checked as any file is.
    auto setup = numbered.find(SetupLibraryNumber);
    if (setup != numbered.end()) {
        std::string path = SetupLibraryPath(plan->Program);
        if (!CheckDevicePath(path, problem))
            return false;
        if (!destinations.insert(Lower(path)).second)
            return Fail(problem, "the destination " + path + " is named twice");
        plan->SetupLibrary = &setup->second->Data;
        plan->Files.push_back(PlannedFile{path, plan->SetupLibrary, false});
    }
    std::set<std::string> values;
    for (const InstallEntry& entry : data.Entries) {
        PlannedValue value{entry.Root, entry.Key,
                           entry.Name, entry.Flags & EntryTypeMask,
                           entry.Data, (entry.Flags & EntryNoClobber) != 0};
        if (!CheckRegistryKey(entry.Root, entry.Key, problem))
            return false;
        std::string where =
            std::string(RootName(entry.Root)) + "\\" + entry.Key + "\\" + entry.Name;
        if (!values.insert(Lower(where)).second)
            return Fail(problem, "the registry value " + where + " is named twice");
        bool text = value.Type == EntryString || value.Type == EntryMultiString;
        if (entry.Substitute && text && !Substituted(entry.Data, &value.Data, &why))
            return Fail(problem, "registry value " + entry.Name + ": " + why);
        plan->Values.push_back(value);
    }
    return true;
}
