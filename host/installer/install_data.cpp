#include "host/installer/install_data.h"

#include <algorithm>
#include <set>

namespace {

const char Signature[] = "MSCE";
enum { HeaderSize = 100, RootFirst = RootClasses, RootLast = RootUsers };

// A section's place in the header: its entry count and its offset.
struct Section {
    const char* Name;
    uint16_t Count;
    uint32_t Offset;
};
enum { Strings, Dirs, Files, RegHives, RegKeys, Links, SectionCount };

std::string Number(unsigned n) {
    return std::to_string(n);
}

bool Fail(std::string* problem, const std::string& why) {
    *problem = why;
    return false;
}

// A text of the data: printable ASCII ending in its zero byte, exactly as long as given; the SDK's
// wizard pads its texts to four bytes, so only zeros may follow that zero.
bool ReadText(const uint8_t* at, size_t length, std::string* text) {
    size_t end = 0;
    while (end < length && at[end] != 0)
        ++end;
    if (end == length)
        return false;
    for (size_t pad = end; pad < length; ++pad)
        if (at[pad] != 0)
            return false;
    text->assign((const char*)at, end);
    for (char c : *text)
        if (c < ' ' || c > '~')
            return false;
    return true;
}

bool PlainName(const std::string& part) {
    return !part.empty() && part != "." && part != ".." &&
           part.find_first_of("/:") == std::string::npos;
}

// A path given as string ids ending in 0, joined with backslashes. A string may itself hold
// several parts (the wizard stores "%CE1%\Name" whole); each part must be a plain name, so that no
// path leaves the folder it starts from.
bool ReadPath(const InstallData& data, const uint8_t* at, size_t length, std::string* path,
              std::string* problem) {
    if (length < 2 || length % 2 != 0 || at[length - 2] != 0 || at[length - 1] != 0)
        return Fail(problem, "a path that is not a list of string ids ending in 0");
    path->clear();
    for (size_t i = 0; i + 2 < length; i += 2) {
        uint16_t id = (uint16_t)(at[i] | at[i + 1] << 8);
        auto found = data.Strings.find(id);
        if (found == data.Strings.end())
            return Fail(problem, "string " + Number(id) + ", which no entry defines");
        const std::string& text = found->second;
        for (const std::string& part : PathParts(text))
            if (!PlainName(part))
                return Fail(problem, "the path part \"" + part + "\", which is no plain name");
        *path += (path->empty() ? "" : "\\") + text;
    }
    if (path->empty())
        return Fail(problem, "an empty path");
    return true;
}

bool ReadStrings(const Bytes& bytes, const Section& section, InstallData* data,
                 std::string* problem) {
    ByteReader in(bytes, section.Offset);
    for (unsigned i = 0; i < section.Count; ++i) {
        uint16_t id = in.U16(), length = in.U16();
        const uint8_t* at = in.Take(length);
        std::string text;
        if (!at)
            return Fail(problem, "STRINGS entry " + Number(i) + " runs past the end");
        if (!ReadText(at, length, &text))
            return Fail(problem, "string " + Number(id) + " is not a printable text");
        if (id == 0 || !data->Strings.emplace(id, text).second)
            return Fail(problem, "string id " + Number(id) + " is 0 or defined twice");
    }
    return true;
}

bool ReadDirs(const Bytes& bytes, const Section& section, const InstallData& data,
              std::map<uint16_t, std::string>* dirs, std::string* problem) {
    ByteReader in(bytes, section.Offset);
    for (unsigned i = 0; i < section.Count; ++i) {
        uint16_t id = in.U16(), length = in.U16();
        const uint8_t* at = in.Take(length);
        std::string path;
        if (!at)
            return Fail(problem, "DIRS entry " + Number(i) + " runs past the end");
        if (!ReadPath(data, at, length, &path, problem))
            return Fail(problem, "directory " + Number(id) + " has " + *problem);
        if (id == 0 || !dirs->emplace(id, path).second)
            return Fail(problem, "directory id " + Number(id) + " is 0 or defined twice");
    }
    return true;
}

bool ReadFiles(const Bytes& bytes, const Section& section,
               const std::map<uint16_t, std::string>& dirs, InstallData* data,
               std::string* problem) {
    ByteReader in(bytes, section.Offset);
    std::set<uint16_t> ids;
    for (unsigned i = 0; i < section.Count; ++i) {
        InstallFile file;
        file.Id = in.U16();
        uint16_t dir = in.U16();
        in.Skip(2);
        file.Flags = in.U32();
        uint16_t length = in.U16();
        const uint8_t* at = in.Take(length);
        if (!at)
            return Fail(problem, "FILES entry " + Number(i) + " runs past the end");
        if (!ReadText(at, length, &file.Name) || !PlainName(file.Name) ||
            file.Name.find('\\') != std::string::npos)
            return Fail(problem, "file " + Number(file.Id) + " has no plain name");
        auto folder = dirs.find(dir);
        if (folder == dirs.end())
            return Fail(problem, "file " + Number(file.Id) + " goes to directory " + Number(dir) +
                                     ", which no entry defines");
        if (file.Id == 0 || file.Id > 998 || !ids.insert(file.Id).second)
            return Fail(problem, "file id " + Number(file.Id) + " is out of 1 to 998 or twice");
        file.Folder = folder->second;
        data->Files.push_back(file);
    }
    return true;
}

struct Hive {
    int Root;
    std::string Key;
};

bool ReadHives(const Bytes& bytes, const Section& section, const InstallData& data,
               std::map<uint16_t, Hive>* hives, std::string* problem) {
    ByteReader in(bytes, section.Offset);
    for (unsigned i = 0; i < section.Count; ++i) {
        Hive hive;
        uint16_t id = in.U16();
        hive.Root = in.U16();
        in.Skip(2);
        uint16_t length = in.U16();
        const uint8_t* at = in.Take(length);
        if (!at)
            return Fail(problem, "REGHIVES entry " + Number(i) + " runs past the end");
        if (hive.Root < RootFirst || hive.Root > RootLast)
            return Fail(problem, "hive " + Number(id) + " has the root " + Number(hive.Root) +
                                     ", none of 1 to 4");
        if (!ReadPath(data, at, length, &hive.Key, problem))
            return Fail(problem, "hive " + Number(id) + " has " + *problem);
        if (id == 0 || !hives->emplace(id, hive).second)
            return Fail(problem, "hive id " + Number(id) + " is 0 or defined twice");
    }
    return true;
}

// An entry's data as its type asks, without the zeros the wizard pads it with: a DWORD's four
// bytes, a text ending in its zero, a list of texts ending in an empty one. False when it is none.
bool TrimData(uint32_t type, Bytes* data) {
    size_t size = data->size(), end = size;
    switch (type) {
    case EntryDword: end = 4; break;
    case EntryString: end = std::find(data->begin(), data->end(), 0) - data->begin() + 1; break;
    case EntryMultiString:
        for (end = 2; end <= size && ((*data)[end - 1] != 0 || (*data)[end - 2] != 0); ++end) {
        }
        break;
    default: return true; // binary, as it is
    }
    if (end > size || std::any_of(data->begin() + end, data->end(), [](uint8_t b) { return b; }))
        return false;
    data->resize(end);
    return true;
}

bool ReadEntries(const Bytes& bytes, const Section& section, const std::map<uint16_t, Hive>& hives,
                 InstallData* data, std::string* problem) {
    ByteReader in(bytes, section.Offset);
    for (unsigned i = 0; i < section.Count; ++i) {
        InstallEntry entry;
        uint16_t id = in.U16(), hive = in.U16();
        entry.Substitute = in.U16() != 0;
        entry.Flags = in.U32();
        uint16_t length = in.U16();
        const uint8_t* at = in.Take(length);
        if (!at)
            return Fail(problem, "REGKEYS entry " + Number(i) + " runs past the end");
        auto found = hives.find(hive);
        if (found == hives.end())
            return Fail(problem, "registry entry " + Number(id) + " is in hive " + Number(hive) +
                                     ", which no entry defines");
        if (entry.Flags & ~(EntryTypeMask | EntryNoClobber))
            return Fail(problem, "registry entry " + Number(id) + " has unknown flags " +
                                     Number(entry.Flags));
        ByteReader body(at, length, 0);
        if (!body.Text(&entry.Name))
            return Fail(problem, "registry entry " + Number(id) + " has no name");
        entry.Data.assign(at + body.At(), at + length);
        if (!TrimData(entry.Flags & EntryTypeMask, &entry.Data))
            return Fail(problem, "registry entry " + Number(id) + " (" + entry.Name +
                                     ") holds data that is not of its type");
        entry.Root = found->second.Root;
        entry.Key = found->second.Key;
        data->Entries.push_back(entry);
    }
    return true;
}

bool ReadLinks(const Bytes& bytes, const Section& section,
               const std::map<uint16_t, std::string>& dirs, InstallData* data,
               std::string* problem) {
    ByteReader in(bytes, section.Offset);
    for (unsigned i = 0; i < section.Count; ++i) {
        InstallLink link;
        link.Id = in.U16();
        in.Skip(2);
        link.Base = in.U16();
        link.Target = in.U16();
        uint16_t type = in.U16(), length = in.U16();
        const uint8_t* at = in.Take(length);
        if (!at)
            return Fail(problem, "LINKS entry " + Number(i) + " runs past the end");
        if (type != LinkToFolder && type != LinkToFile)
            return Fail(problem, "shortcut " + Number(link.Id) + " has the type " + Number(type) +
                                     ", neither a file (1) nor a folder (0)");
        link.ToFile = type == LinkToFile;
        bool known = link.ToFile
                         ? std::any_of(data->Files.begin(), data->Files.end(),
                                       [&](const InstallFile& f) { return f.Id == link.Target; })
                         : dirs.count(link.Target) != 0;
        if (!known)
            return Fail(problem, "shortcut " + Number(link.Id) + " leads to " +
                                     (link.ToFile ? "file " : "directory ") + Number(link.Target) +
                                     ", which no entry defines");
        if (!ReadPath(*data, at, length, &link.Path, problem))
            return Fail(problem, "shortcut " + Number(link.Id) + " has " + *problem);
        if (!link.ToFile)
            link.TargetFolder = dirs.at(link.Target);
        data->Links.push_back(link);
    }
    return true;
}

// A header text, or list of texts, by its offset and length (its zero bytes counted); none when
// the length is 0.
bool HeaderTexts(const Bytes& bytes, ByteReader* header, const char* name,
                 std::vector<std::string>* texts, std::string* problem) {
    uint16_t offset = header->U16(), length = header->U16();
    if (length == 0)
        return true;
    size_t end = (size_t)offset + length;
    if (end > bytes.size())
        return Fail(problem, std::string("the ") + name + " text runs past the end");
    if (bytes[end - 1] != 0)
        return Fail(problem, std::string("the ") + name + " text does not end in a zero byte");
    ByteReader in(bytes.data(), end, offset);
    std::string text;
    while (in.At() < end && in.Text(&text))
        if (!text.empty())
            texts->push_back(text);
    return true;
}

} // namespace

std::vector<std::string> PathParts(const std::string& path) {
    std::vector<std::string> parts;
    for (size_t start = 0, end; start <= path.size(); start = end + 1) {
        end = std::min(path.find('\\', start), path.size());
        parts.push_back(path.substr(start, end - start));
    }
    return parts;
}

const char* RootName(int root) {
    static const char* const names[] = {"HKCR", "HKCU", "HKLM", "HKU"};
    return root >= RootFirst && root <= RootLast ? names[root - RootFirst] : "?";
}

bool ReadInstallData(const Bytes& bytes, InstallData* data, std::string* problem) {
    *data = InstallData();
    if (bytes.size() < HeaderSize)
        return Fail(problem, "the installation data is shorter than its 100-byte header");
    if (std::string((const char*)bytes.data(), 4) != Signature)
        return Fail(problem, "the installation data has no \"MSCE\" signature");
    ByteReader header(bytes, 4);
    header.Skip(4); // of no known use, 0
    uint32_t length = header.U32();
    if (length != bytes.size())
        return Fail(problem, "the installation data gives its length as " + Number(length) +
                                 " bytes, and it has " + Number((unsigned)bytes.size()));
    header.Skip(8); // of no known use, 0 and 1
    data->Processor = header.U32();
    data->VersionMin[0] = header.U32();
    data->VersionMin[1] = header.U32();
    data->VersionMax[0] = header.U32();
    data->VersionMax[1] = header.U32();
    data->BuildMin = header.U32();
    data->BuildMax = header.U32();
    Section sections[SectionCount] = {{"STRINGS", 0, 0},  {"DIRS", 0, 0},    {"FILES", 0, 0},
                                      {"REGHIVES", 0, 0}, {"REGKEYS", 0, 0}, {"LINKS", 0, 0}};
    for (Section& section : sections)
        section.Count = header.U16();
    for (Section& section : sections) {
        section.Offset = header.U32();
        // Each entry takes four bytes at least; a count or offset past the end is refused here.
        if (section.Offset > bytes.size() ||
            (uint64_t)section.Count * 4 > bytes.size() - section.Offset)
            return Fail(problem, std::string("the ") + section.Name + " section (" +
                                     Number(section.Count) + " entries at " +
                                     Number(section.Offset) + ") runs past the end");
    }
    std::vector<std::string> name, provider;
    if (!HeaderTexts(bytes, &header, "APPNAME", &name, problem) ||
        !HeaderTexts(bytes, &header, "PROVIDER", &provider, problem) ||
        !HeaderTexts(bytes, &header, "UNSUPPORTED", &data->Unsupported, problem))
        return false;
    data->AppName = name.empty() ? "" : name[0];
    data->Provider = provider.empty() ? "" : provider[0];
    if (data->AppName.empty())
        return Fail(problem, "the installation data names no application");
    for (const std::string* text : {&data->AppName, &data->Provider})
        for (char c : *text)
            if (c < ' ' || c > '~')
                return Fail(problem, "the application's name or provider is not printable");

    std::map<uint16_t, std::string> dirs;
    std::map<uint16_t, Hive> hives;
    return ReadStrings(bytes, sections[Strings], data, problem) &&
           ReadDirs(bytes, sections[Dirs], *data, &dirs, problem) &&
           ReadFiles(bytes, sections[Files], dirs, data, problem) &&
           ReadHives(bytes, sections[RegHives], *data, &hives, problem) &&
           ReadEntries(bytes, sections[RegKeys], hives, data, problem) &&
           ReadLinks(bytes, sections[Links], dirs, data, problem);
}
