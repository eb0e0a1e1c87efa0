// A cabinet the build made, read back with the installer's own readers and compared with the
// information file it was made from, line by line: who and what it installs, for which processor
// and Windows CE, every file with its folder, flags and bytes, every registry line. The cabinet is
// named by the environment: MORVANE_CABINET, MORVANE_CABINET_INF, MORVANE_CABINET_SOURCE (the
// folder holding the files it packs) and MORVANE_CABINET_CPU (none for any processor).
#include "host/installer/install_data.h"
#include "host/installer/install_plan.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

// A path of the environment, which names Linux paths; under Wine they are on drive Z:.
std::string EnvironmentPath(const char* name) {
    const char* value = getenv(name);
    std::string path = value ? value : "";
#ifdef _WIN32
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
#endif
    return path;
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Trim(const std::string& text) {
    size_t start = text.find_first_not_of(" \t\r\n"), end = text.find_last_not_of(" \t\r\n");
    std::string trimmed = start == std::string::npos ? "" : text.substr(start, end - start + 1);
    if (trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"')
        trimmed = trimmed.substr(1, trimmed.size() - 2);
    return trimmed;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), ::tolower);
    return text;
}

std::vector<std::string> Split(const std::string& line, size_t fields) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t comma; parts.size() + 1 < fields && (comma = line.find(',', start)) != line.npos;
         start = comma + 1)
        parts.push_back(Trim(line.substr(start, comma - start)));
    parts.push_back(Trim(line.substr(start)));
    return parts;
}

// The information file as sections of lines, comments and blank lines left out; section names in
// lower case.
struct Inf {
    std::map<std::string, std::vector<std::string>> Sections;
    std::vector<std::string> RegistryLines; // every HKCR/HKCU/HKLM/HKU line, in the file's order

    // The value of KEY = VALUE in the section, keys compared as the file's reader does, in any
    // case.
    std::string Value(const std::string& section, const std::string& key) const {
        auto lines = Sections.find(Lower(section));
        if (lines != Sections.end())
            for (const std::string& line : lines->second)
                if (Lower(Trim(line.substr(0, line.find('=')))) == Lower(key))
                    return Trim(line.substr(line.find('=') + 1));
        return "";
    }
};

Inf ReadInf(const std::string& path) {
    Inf inf;
    std::ifstream in(path);
    std::string section;
    for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find(';'));
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        if (line[0] == '[') {
            section = Lower(line.substr(1, line.find(']') - 1));
            continue;
        }
        inf.Sections[section].push_back(line);
        std::string root = Split(line, 2)[0];
        if (root == "HKCR" || root == "HKCU" || root == "HKLM" || root == "HKU") {
            std::vector<std::string> f = Split(line, 5);
            // A DWORD as a number, however the file writes it; a text as it stands.
            if (strtoul(f[3].c_str(), NULL, 0) == EntryDword)
                f[4] = std::to_string(strtoul(f[4].c_str(), NULL, 0));
            char type[16];
            snprintf(type, sizeof type, "0x%08lX", strtoul(f[3].c_str(), NULL, 0));
            inf.RegistryLines.push_back(f[0] + "," + f[1] + "," + f[2] + "," + type + "," + f[4]);
        }
    }
    return inf;
}

// A registry entry read back, written as the information file's line.
std::string RegistryLine(const InstallEntry& entry) {
    char type[16];
    snprintf(type, sizeof type, "0x%08lX", (unsigned long)entry.Flags);
    std::string value;
    if ((entry.Flags & EntryTypeMask) == EntryDword)
        value = std::to_string(entry.Data[0] | entry.Data[1] << 8 | entry.Data[2] << 16 |
                               (unsigned long)entry.Data[3] << 24);
    else
        value = std::string(entry.Data.begin(), entry.Data.end() - 1);
    return std::string(RootName(entry.Root)) + "," + entry.Key + "," + entry.Name + "," + type +
           "," + value;
}

TEST(CabinetReadBack, HoldsWhatItsInformationFileSays) {
    std::string cabinetPath = EnvironmentPath("MORVANE_CABINET"),
                infPath = EnvironmentPath("MORVANE_CABINET_INF"),
                source = EnvironmentPath("MORVANE_CABINET_SOURCE");
    const char* cpu = getenv("MORVANE_CABINET_CPU");
    ASSERT_FALSE(cabinetPath.empty() || infPath.empty() || source.empty())
        << "name the cabinet, its information file and its source folder in the environment";
    Bytes cabinet = ReadBytes(cabinetPath);
    Inf inf = ReadInf(infPath);
    ASSERT_FALSE(inf.Sections.empty()) << infPath;
    std::vector<CabinetFile> files;
    std::string problem;
    ASSERT_TRUE(ReadCabinet(cabinet, &files, &problem)) << cabinetPath << ": " << problem;
    ASSERT_GE(files[0].Name.size(), 4u);
    EXPECT_EQ(".000", files[0].Name.substr(files[0].Name.size() - 4));
    InstallData data;
    ASSERT_TRUE(ReadInstallData(files[0].Data, &data, &problem)) << problem;

    EXPECT_EQ(inf.Value("cestrings", "AppName"), data.AppName);
    EXPECT_EQ(inf.Value("version", "Provider"), data.Provider);
    // Both ends of the Windows CE range, which the SDK's wizard requires together.
    for (auto end : {std::make_pair("VersionMin", data.VersionMin),
                     std::make_pair("VersionMax", data.VersionMax)}) {
        char version[16];
        snprintf(version, sizeof version, "%u.%02u", end.second[0], end.second[1]);
        EXPECT_EQ(inf.Value("cedevice", end.first), end.second[0] ? version : "") << end.first;
    }
    std::string processor =
        cpu && *cpu ? inf.Value(std::string("cedevice.") + cpu, "ProcessorType") : "";
    EXPECT_EQ(processor.empty() ? 0u : strtoul(processor.c_str(), NULL, 0), data.Processor);
    EXPECT_EQ(0u, data.Links.size());

    // Each file as its copy list's line, in the folder [DestinationDirs] gives that list, with
    // the bytes of the file packed.
    size_t listed = 0;
    for (const auto& section : inf.Sections) {
        std::string folder = Split(inf.Value("destinationdirs", section.first), 2).back();
        for (const std::string& line : section.second) {
            if (folder.empty() || section.first == "destinationdirs")
                continue;
            std::vector<std::string> f = Split(line, 4);
            auto file = std::find_if(data.Files.begin(), data.Files.end(),
                                     [&](const InstallFile& x) { return x.Name == f[0]; });
            ASSERT_NE(data.Files.end(), file) << line;
            ++listed;
            EXPECT_EQ(folder, file->Folder) << line;
            EXPECT_EQ(strtoul(f[3].c_str(), NULL, 0), file->Flags) << line;
            auto packed = std::find_if(files.begin(), files.end(), [&](const CabinetFile& x) {
                return x.Name.size() > 3 &&
                       atoi(x.Name.substr(x.Name.size() - 3).c_str()) == file->Id;
            });
            ASSERT_NE(files.end(), packed) << line;
            Bytes original = ReadBytes(source + "/" + (f[1].empty() ? f[0] : f[1]));
            EXPECT_FALSE(original.empty()) << line;
            EXPECT_TRUE(original == packed->Data) << line << ": not the same bytes";
        }
    }
    EXPECT_EQ(listed, data.Files.size());

    // The setup library [DefaultInstall] names is file 999, which the installer runs.
    std::string setup = inf.Value("defaultinstall", "CESetupDLL");
    auto packedSetup = std::find_if(files.begin(), files.end(), [](const CabinetFile& x) {
        return x.Name.size() > 4 && x.Name.substr(x.Name.size() - 4) == ".999";
    });
    EXPECT_EQ(!setup.empty(), packedSetup != files.end()) << "file 999";
    if (!setup.empty() && packedSetup != files.end())
        EXPECT_TRUE(ReadBytes(source + "/" + setup) == packedSetup->Data) << setup;

    std::vector<std::string> lines;
    for (const InstallEntry& entry : data.Entries)
        lines.push_back(RegistryLine(entry));
    ASSERT_EQ(inf.RegistryLines.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(inf.RegistryLines[i], lines[i]) << "registry line " << i + 1;
}

} // namespace
