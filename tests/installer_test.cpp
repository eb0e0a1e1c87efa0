// The stand-in installer on damaged cabinets: the build's morvane.cab cut at each of its sections'
// boundaries, each byte of its headers flipped, and the faults a cabinet can hold that its
// installer must refuse by name. Every one is refused with nothing written, or, where the damage
// touched nothing the installer reads, installed whole.
#include "platform/platform.h"
#include "host/cabinet_archive.h"
#include "host/installer.h"
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
    all.push_back(Patched("for ARM", built, SIZE_MAX, Processor, {0x11, 0x0A}, "processor 2577"));

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

} // namespace
