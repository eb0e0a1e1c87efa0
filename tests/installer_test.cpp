// The stand-in installer on damaged cabinets: the build's morvane.cab cut at each of its sections'
// boundaries, each byte of its headers flipped, and the faults a cabinet can hold that its
// installer must refuse by name. Every one is refused with nothing written, or, where the damage
// touched nothing the installer reads, installed whole. Then the cabinets the build makes as the
// device's tools make them (test-cabinets/manifest.tsv), each installed and removed whole, and the
// hostile ones, each refused with nothing written; and installing over, and removing, a library a
// program holds.
#include "platform/platform.h"
#include "host/installer/cabinet_archive.h"
#include "host/installer/installer.h"
#include "tests/support/process.h"
#include "tests/support/text.h"
#include "tests/support/today.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const WCHAR InstalledDll[] = L"C:\\windows\\morvane.dll";
const WCHAR Program[] = L"Morvane developers Morvane";

struct Damaged {
    std::string Name;
    Bytes Cabinet;
    const char* Said; // what the refusal must name; null where installing whole is fine too
};

Bytes Built(const char* name) {
    std::ifstream in(Utf8(BuildPath(name)), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t U32(const Bytes& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | (uint32_t)bytes[at + 3] << 24;
}

// The layout of the built cabinet: one folder of one or more blocks; the installation data is the
// first file, at the start of the first block's data.
enum { CabinetHeader = 36, InstallHeader = 100, BlockHeader = 8 };
size_t FirstBlock(const Bytes& cabinet) {
    return U32(cabinet, CabinetHeader);
}
size_t InstallData(const Bytes& cabinet) {
    return FirstBlock(cabinet) + BlockHeader;
}

// The cabinet with bytes of its installation data changed; the block's checksum is cleared, so
// that the change reaches the installation data's own checks.
Damaged Patched(const std::string& name, const Bytes& built, size_t header, size_t plus,
                std::vector<uint8_t> bytes, const char* said) {
    Damaged damaged{name, built, said};
    size_t data = InstallData(built);
    size_t at = data + (header == SIZE_MAX ? 0 : U32(built, data + header)) + plus;
    for (size_t i = 0; i < bytes.size(); ++i)
        damaged.Cabinet[at + i] = bytes[i];
    for (int i = 0; i < 4; ++i)
        damaged.Cabinet[FirstBlock(built) + i] = 0;
    return damaged;
}

std::vector<Damaged> DamagedCabinets(const Bytes& built) {
    std::vector<Damaged> all;
    enum { Strings = 60, Dirs = 64, Files = 68, Hives = 72, Keys = 76, Processor = 20 };
    // The faults named one by one.
    all.push_back({"the library, no cabinet", Built("morvane.dll"), "is not a cabinet"});
    std::string name = "0morvane.000";
    Damaged renamed{"no .000 first", built, "is not the installation data"};
    size_t at = std::search(built.begin(), built.end(), name.begin(), name.end()) - built.begin();
    renamed.Cabinet[at + name.size() - 1] = '9';
    all.push_back(renamed);
    all.push_back(Patched("no MSCE", built, SIZE_MAX, 0, {'M', 'S', 'C', 'F'}, "no \"MSCE\""));
    all.push_back(
        Patched("offset past the end", built, SIZE_MAX, Keys, {0xFF, 0xFF}, "REGKEYS section"));
    all.push_back(Patched("count past the end", built, SIZE_MAX, 48, {0xFF}, "STRINGS section"));
    all.push_back(Patched("undefined string", built, Dirs, 4, {99}, "string 99"));
    all.push_back(Patched("undefined directory", built, Files, 2, {9}, "directory 9"));
    all.push_back(Patched("undefined file", built, Files, 0, {7}, "file 7"));
    all.push_back(Patched("undefined hive", built, Keys, 2, {9}, "hive 9"));
    all.push_back(Patched("outside %CEn%", built, Strings, 4 + 3, {'0'}, "outside"));
    all.push_back(
        Patched("a parent folder", built, Strings, 4, {'.', '.', '\\', '.', '.'}, "no plain"));
    all.push_back(Patched("for ARM", built, SIZE_MAX, Processor, {0x11, 0x0A}, "ARM processor"));

    // Cut at every boundary: the cabinet's header, folder and file list, its data block, and each
    // section of the installation data.
    std::vector<size_t> cuts = {CabinetHeader,
                                CabinetHeader + 8,
                                U32(built, 16),
                                FirstBlock(built),
                                InstallData(built) + InstallHeader,
                                built.size() / 2,
                                built.size() - 1};
    for (size_t section = Strings; section <= Keys + 4; section += 4)
        cuts.push_back(InstallData(built) + U32(built, InstallData(built) + section));
    for (size_t cut : cuts)
        all.push_back({"cut at " + std::to_string(cut), Bytes(built.begin(), built.begin() + cut),
                       "bytes, and it has"});
    // Every byte of both headers flipped.
    for (size_t i = 0; i < CabinetHeader; ++i) {
        Damaged flipped{"cabinet header byte " + std::to_string(i), built, nullptr};
        flipped.Cabinet[i] ^= 0xFF;
        all.push_back(flipped);
    }
    for (size_t i = 0; i < InstallHeader; ++i) {
        uint8_t flipped = built[InstallData(built) + i] ^ 0xFF;
        all.push_back(Patched("installation header byte " + std::to_string(i), built, SIZE_MAX, i,
                              {flipped}, nullptr));
    }
    return all;
}

// The number of values in the key HKLM\PATH; -1 when there is no such key.
int ValuesIn(const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    DWORD values = 0;
    RegQueryInfoKeyW(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return (int)values;
}

std::wstring RecordOf(const std::wstring& program) {
    return std::wstring(INSTALLED_APPS_KEY) + L"\\" + program;
}

// Installed whole: the item's six values, its library, and the installation's record.
bool Installed(const std::wstring& program) {
    return ValuesIn(std::wstring(TodayItemsKey) + L"\\Morvane") == 6 &&
           ValuesIn(RecordOf(program)) >= 0 &&
           GetFileAttributesW(InstalledDll) != INVALID_FILE_ATTRIBUTES;
}

bool NothingWritten() {
    return ValuesIn(TodayItemsKey) < 0 && ValuesIn(RecordOf(Program)) < 0 &&
           GetFileAttributesW(InstalledDll) == INVALID_FILE_ATTRIBUTES;
}

TEST(Installer, DamagedCabinetsAreRefusedWithNothingWritten) {
    Bytes built = Built("morvane.cab");
    ASSERT_GT(built.size(), 1000u) << "no morvane.cab in the build";
    std::wstring said, path = BuildPath("damaged.cab");
    RemoveProgram(Program, &said);
    ClearTodayItems();
    DeleteFileW(InstalledDll); // left by a run that did not install it
    ASSERT_TRUE(NothingWritten());
    int refused = 0, installed = 0;
    for (const Damaged& damaged : DamagedCabinets(built)) {
        {
            std::ofstream out(Utf8(path).substr(2), std::ios::binary | std::ios::trunc);
            out.write((const char*)damaged.Cabinet.data(), damaged.Cabinet.size());
        }
        said.clear();
        if (!InstallCabinet(path, &said)) {
            ++refused;
            EXPECT_TRUE(NothingWritten()) << damaged.Name << ": " << Utf8(said);
            EXPECT_NE(std::wstring::npos, said.find(L"nothing was installed"))
                << damaged.Name << ": " << Utf8(said);
        } else {
            // "installed PROGRAM: ...": a damaged name would be installed under that name.
            ++installed;
            std::wstring program = said.substr(10, said.find(L':') - 10);
            EXPECT_TRUE(Installed(program)) << damaged.Name << ": " << Utf8(said);
            std::wstring removed;
            RemoveProgram(program, &removed);
            ClearTodayItems();
        }
        if (damaged.Said)
            EXPECT_NE(std::wstring::npos, said.find(Utf16(damaged.Said)))
                << damaged.Name << ": " << Utf8(said);
    }
    DeleteFileW(path.c_str());
    printf("%d damaged cabinets refused, %d installed whole\n", refused, installed);
}

// A row of test-cabinets/manifest.tsv: a cabinet, the program it installs, whether it installs,
// and the device paths it makes or the text its refusal holds.
struct Row {
    std::string Name, Program, Outcome, Detail;
};

std::vector<Row> ManifestRows() {
    std::vector<Row> rows;
    std::ifstream in(Utf8(BuildPath("test-cabinets\\manifest.tsv")).substr(2));
    for (std::string line; std::getline(in, line);) {
        Row row;
        std::vector<std::string*> fields = {&row.Name, &row.Program, &row.Outcome, &row.Detail};
        size_t start = 0;
        for (std::string* field : fields) {
            size_t tab = std::min(line.find('\t', start), line.size());
            *field = line.substr(start, tab - start);
            start = tab + 1;
        }
        if (!row.Name.empty() && row.Name[0] != '#')
            rows.push_back(row);
    }
    return rows;
}

std::vector<std::wstring> DevicePaths(const std::string& detail) {
    std::vector<std::wstring> paths;
    for (size_t start = 0, end; start < detail.size(); start = end + 1) {
        end = std::min(detail.find('|', start), detail.size());
        paths.push_back(L"C:" + Utf16(detail.substr(start, end - start).c_str()));
    }
    return paths;
}

std::string FileText(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    std::string text(file == INVALID_HANDLE_VALUE ? 0 : GetFileSize(file, NULL), '\0');
    DWORD got = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, &text[0], (DWORD)text.size(), &got, NULL);
        CloseHandle(file);
    }
    return text.substr(0, got);
}

int AppsRecords() {
    HKEY apps;
    DWORD keys = 0;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, INSTALLED_APPS_KEY, 0, KEY_READ, &apps) != ERROR_SUCCESS)
        return 0;
    RegQueryInfoKeyW(apps, NULL, NULL, NULL, &keys, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    RegCloseKey(apps);
    return (int)keys;
}

TEST(Installer, CabinetsAsTheDevicesToolsMakeThemInstallAndRemoveWhole) {
    std::vector<Row> rows = ManifestRows();
    ASSERT_GT(rows.size(), 10u) << "no test-cabinets/manifest.tsv in the build";
    // Left by a run that stopped half-way, they would be taken for another program's.
    for (const Row& row : rows) {
        std::wstring said;
        RemoveProgram(Utf16(row.Program.c_str()), &said);
    }
    const std::wstring winIni = L"C:\\windows\\win.ini";
    std::string winIniBefore = FileText(winIni);
    for (const Row& row : rows) {
        std::wstring said, cabinet = BuildPath(("test-cabinets\\" + row.Name + ".cab").c_str());
        std::wstring program = Utf16(row.Program.c_str());
        int records = AppsRecords();
        bool installed = InstallCabinet(cabinet, &said);
        if (row.Outcome == "refused") {
            EXPECT_FALSE(installed) << row.Name << ": " << Utf8(said);
            EXPECT_NE(std::wstring::npos, said.find(Utf16(row.Detail.c_str())))
                << row.Name << ": " << Utf8(said);
            EXPECT_NE(std::wstring::npos, said.find(L"nothing was installed"))
                << row.Name << ": " << Utf8(said);
            EXPECT_EQ(records, AppsRecords()) << row.Name;
            EXPECT_EQ(winIniBefore, FileText(winIni)) << row.Name;
            printf("%s: %s\n", row.Name.c_str(), Utf8(said).c_str());
            continue;
        }
        ASSERT_TRUE(installed) << row.Name << ": " << Utf8(said);
        printf("%s: %s\n", row.Name.c_str(), Utf8(said).c_str());
        std::vector<std::wstring> paths = DevicePaths(row.Detail);
        for (const std::wstring& path : paths) {
            EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()))
                << row.Name << ": " << Utf8(path);
            // A shortcut as the device writes one: the length of what follows the #, then the
            // quoted target, which the installation wrote.
            if (path.size() > 4 && path.substr(path.size() - 4) == L".lnk") {
                std::string text = FileText(path);
                size_t hash = text.find('#');
                ASSERT_NE(std::string::npos, hash) << text;
                EXPECT_EQ(std::to_string(text.size() - hash - 1), text.substr(0, hash)) << text;
                std::string target = text.substr(hash + 2, text.size() - hash - 3);
                EXPECT_NE(INVALID_FILE_ATTRIBUTES,
                          GetFileAttributesW((L"C:" + Utf16(target.c_str())).c_str()))
                    << row.Name << ": " << text;
            }
        }
        ASSERT_TRUE(RemoveProgram(program, &said)) << row.Name << ": " << Utf8(said);
        // The folders the installation made go with it.
        for (const std::wstring& path : paths)
            for (std::wstring folder = path.substr(0, path.rfind(L'\\'));
                 folder.find(L"Morvane Tests") != std::wstring::npos;
                 folder = folder.substr(0, folder.rfind(L'\\')))
                EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.c_str()))
                    << row.Name << ": " << Utf8(folder);
        for (const std::wstring& path : paths)
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()))
                << row.Name << ": " << Utf8(path);
        EXPECT_EQ(records, AppsRecords()) << row.Name;
    }
}

DWORD OrderValue() {
    DWORD order = 0, size = sizeof order;
    RegGetValueW(HKEY_LOCAL_MACHINE, (std::wstring(TodayItemsKey) + L"\\Morvane").c_str(), L"Order",
                 RRF_RT_REG_DWORD, NULL, &order, &size);
    return order;
}

// A program holding the installed library, and no setup library to take the item off first:
// neither an installation over it nor its removal can replace or delete it, so both stop with the
// installation whole and say which file is in use. A value the installation overwrote is put back
// when it goes.
TEST(Installer, ALibraryAProgramHoldsStopsInstallAndRemovalWithNothingLost) {
    std::wstring said, cabinet = BuildPath("morvane-no-setup.cab");
    RemoveProgram(Program, &said);
    ClearTodayItems();
    DeleteFileW(InstalledDll);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                                             (std::wstring(TodayItemsKey) + L"\\Morvane").c_str(),
                                             0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
    DWORD before = 7;
    RegSetValueExW(key, L"Order", 0, REG_DWORD, (const BYTE*)&before, sizeof before);
    RegCloseKey(key);

    ASSERT_TRUE(InstallCabinet(cabinet, &said)) << Utf8(said);
    EXPECT_EQ(2u, OrderValue());
    HMODULE held = LoadLibraryW(InstalledDll);
    ASSERT_TRUE(held != NULL);
    EXPECT_FALSE(RemoveProgram(L"Morvane", &said)) << "found by the end of its name";
    EXPECT_FALSE(RemoveProgram(Program, &said));
    printf("removal while held: %s\n", Utf8(said).c_str());
    EXPECT_NE(std::wstring::npos, said.find(L"in use")) << Utf8(said);
    EXPECT_TRUE(Installed(Program)) << "a removal that failed took part of the installation";
    EXPECT_FALSE(InstallCabinet(cabinet, &said));
    printf("installation over it while held: %s\n", Utf8(said).c_str());
    EXPECT_NE(std::wstring::npos, said.find(L"in use")) << Utf8(said);
    EXPECT_TRUE(Installed(Program)) << "an installation that failed took the earlier one";
    FreeLibrary(held);

    ASSERT_TRUE(InstallCabinet(cabinet, &said)) << Utf8(said);
    EXPECT_NE(std::wstring::npos, said.find(L"over the earlier installation")) << Utf8(said);
    ASSERT_TRUE(RemoveProgram(Program, &said)) << Utf8(said);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(InstalledDll));
    EXPECT_EQ(before, OrderValue()) << "the value the installation overwrote is not put back";
    ClearTodayItems();
}

// Records the installer did not write: one naming a file outside the device's folders, or a key
// of Wine's own, is refused with nothing deleted; an overlong key among the records keeps no other
// program from being found.
TEST(Installer, ForgedRecordsAreRefusedWithNothingDeleted) {
    struct Forged {
        const WCHAR* Program;
        const WCHAR* List;
        std::wstring Item;
    } forged[] = {
        {L"Forged Home", L"Files", L"\\users\\Public\\forged.txt"},
        {L"Forged Climb", L"Files", L"\\Windows\\..\\users\\Public\\forged.txt"},
        {L"Forged Wine", L"Values", L"HKCU\\Software\\Wine\tForged"},
    };
    const WCHAR victim[] = L"C:\\users\\Public\\forged.txt";
    CreateDirectoryW(L"C:\\users\\Public", NULL);
    for (const Forged& f : forged) {
        HANDLE file = CreateFileW(victim, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        CloseHandle(file);
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, RecordOf(f.Program).c_str(), 0,
                                                 NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
        std::wstring list = f.Item + L'\0' + L'\0';
        RegSetValueExW(key, f.List, 0, REG_MULTI_SZ, (const BYTE*)list.data(),
                       (DWORD)(list.size() * sizeof(WCHAR)));
        RegCloseKey(key);
        std::wstring said;
        EXPECT_FALSE(RemoveProgram(f.Program, &said)) << Utf8(f.Program);
        printf("%s: %s\n", Utf8(f.Program).c_str(), Utf8(said).c_str());
        EXPECT_NE(std::wstring::npos, said.find(L"nothing was removed")) << Utf8(said);
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(victim)) << Utf8(f.Program);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, RecordOf(f.Program).c_str());
    }
    DeleteFileW(victim);

    std::wstring said, overlong = RecordOf(std::wstring(300, L'x'));
    HKEY key;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, overlong.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                    NULL);
    RegCloseKey(key);
    RemoveProgram(Program, &said);
    ASSERT_TRUE(InstallCabinet(BuildPath("morvane.cab"), &said)) << Utf8(said);
    EXPECT_TRUE(RemoveProgram(Program, &said)) << Utf8(said);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, overlong.c_str());
    ClearTodayItems();
}

} // namespace
