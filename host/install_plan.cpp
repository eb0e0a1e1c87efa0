#include "host/install_plan.h"

#include <map>

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

bool CheckDevice(const InstallData& data, std::string* problem) {
    if (data.Processor != 0)
        return Fail(problem, "it is made for processor " + std::to_string(data.Processor) +
                                 ", and this device takes cabinets for any processor (0)");
    bool tooOld = VersionBelow(data.VersionMax, DeviceVersionMajor, DeviceVersionMinor) &&
                  (data.VersionMax[0] | data.VersionMax[1]) != 0;
    bool tooNew = !VersionBelow(data.VersionMin, DeviceVersionMajor, DeviceVersionMinor + 1);
    if (tooOld || tooNew)
        return Fail(problem, "it asks for Windows CE " + std::to_string(data.VersionMin[0]) + "." +
                                 std::to_string(data.VersionMin[1]) + " to " +
                                 std::to_string(data.VersionMax[0]) + "." +
                                 std::to_string(data.VersionMax[1]) + ", and this device is 5.01");
    if (data.Links != 0)
        return Fail(problem, "it makes " + std::to_string(data.Links) +
                                 " shortcuts, which this installer does not make");
    return true;
}

} // namespace

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

    std::map<unsigned, const CabinetFile*> numbered = Numbered(files);
    for (const InstallFile& file : data.Files) {
        auto found = numbered.find(file.Id);
        if (found == numbered.end())
            return Fail(problem, "file " + std::to_string(file.Id) + " (" + file.Name +
                                     ") is not in the cabinet");
        std::string folder;
        if (!FolderPath(file.Folder, &folder))
            return Fail(problem, "file " + file.Name + " goes to " + file.Folder +
                                     ", outside the device's %CEn% folders");
        plan->Files.push_back(PlannedFile{folder + "\\" + file.Name, &found->second->Data,
                                          (file.Flags & FileNoOverwrite) != 0});
    }
    for (const InstallEntry& entry : data.Entries) {
        PlannedValue value{entry.Root, entry.Key,
                           entry.Name, entry.Flags & EntryTypeMask,
                           entry.Data, (entry.Flags & EntryNoClobber) != 0};
        bool text = value.Type == EntryString || value.Type == EntryMultiString;
        if (entry.Substitute && text && !Substituted(entry.Data, &value.Data, &why))
            return Fail(problem, "registry value " + entry.Name + ": " + why);
        plan->Values.push_back(value);
    }
    return true;
}
