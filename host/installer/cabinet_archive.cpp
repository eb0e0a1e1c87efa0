#include "host/installer/cabinet_archive.h"
#include "host/installer/cabinet_unpack.h"

#include <algorithm>
#include <new>

namespace {

const char CabinetSignature[] = "MSCF";
enum {
    HeaderSize = 36,
    FolderSize = 8,
    DataHeaderSize = 8,
    FlagPreviousCabinet = 0x0001,
    FlagNextCabinet = 0x0002,
    FlagReservePresent = 0x0004,
    CompressionMask = 0x000F,
    CompressionNone = 0,
    CompressionKnown = 4, // none, MSZIP, Quantum, LZX
    FirstContinuedFolder =
        0xFFFD,          // 0xFFFD to 0xFFFF: a file continued from or into another cabinet
    BlockLimit = 0x8000, // a data block's most bytes, uncompressed
    // A signed cabinet's header reserve: this tag, then the offset and length of the signature
    // appended after the cabinet's own bytes.
    SignatureTag = 0x00100000,
    SignatureReserve = 12
};

const char* const CompressionNames[] = {"none", "MSZIP", "Quantum", "LZX"};

// The cabinet's own bytes: the whole of what was read, or the part before its signature.
struct Span {
    const uint8_t* Data;
    size_t Size;
};

struct Folder {
    uint32_t FirstBlock;
    uint16_t Blocks, Compression;
    uint64_t Unpacked; // its blocks' unpacked sizes together
    Bytes Data;        // a stored folder's bytes, its blocks joined
};

struct Entry {
    std::string Name;
    uint32_t Length, Offset;
    uint16_t Folder;
};

std::string Number(uint64_t value) {
    return std::to_string(value);
}

// True for bytes past the header's size that are exactly the signature its reserve describes.
bool SignedTail(const Bytes& cabinet, uint32_t size, uint16_t flags) {
    if (!(flags & FlagReservePresent) || size >= cabinet.size())
        return false;
    ByteReader reserve(cabinet, HeaderSize);
    uint16_t headerReserve = reserve.U16();
    reserve.Skip(2); // the folders' and data blocks' reserves
    uint32_t tag = reserve.U32(), offset = reserve.U32(), length = reserve.U32();
    return reserve.Good() && headerReserve >= SignatureReserve && tag == SignatureTag &&
           offset == size && (uint64_t)offset + length == cabinet.size();
}

bool ReadFolders(ByteReader* in, unsigned count, size_t folderReserve, std::vector<Folder>* folders,
                 std::string* problem) {
    for (unsigned i = 0; i < count; ++i) {
        Folder folder;
        folder.FirstBlock = in->U32();
        folder.Blocks = in->U16();
        folder.Compression = in->U16();
        folder.Unpacked = 0;
        in->Skip(folderReserve);
        if (!in->Good()) {
            *problem = "its folder list runs past the end";
            return false;
        }
        unsigned method = folder.Compression & CompressionMask;
        if (method >= CompressionKnown) {
            *problem = "folder " + Number(i) + " is compressed (an unknown method, " +
                       Number(method) + "); this installer reads stored, MSZIP, Quantum and " +
                       "LZX folders";
            return false;
        }
        folders->push_back(folder);
    }
    return true;
}

// Each folder's unpacked size, from its data blocks' headers alone: what unpacking it would take
// is known before any of it is unpacked. The blocks walked, headers and data, may not come to
// more than the cabinet's bytes, which bounds the walk where folders claim the same blocks.
bool MeasureFolders(Span cabinet, size_t dataReserve, std::vector<Folder>* folders,
                    std::string* problem) {
    uint64_t walked = 0, unpacked = 0;
    for (Folder& folder : *folders) {
        ByteReader in(cabinet.Data, cabinet.Size, folder.FirstBlock);
        for (unsigned block = 0; block < folder.Blocks; ++block) {
            size_t start = in.At();
            in.Skip(4); // the checksum
            uint16_t stored = in.U16(), size = in.U16();
            in.Skip(dataReserve);
            if (!in.Take(stored)) {
                *problem = "data block " + Number(block) + " at " + Number(start) +
                           " runs past the end of the cabinet";
                return false;
            }
            if ((folder.Compression & CompressionMask) == CompressionNone
                    ? stored != size || size > BlockLimit
                    : size > BlockLimit) {
                *problem = "data block " + Number(block) + " holds " + Number(stored) +
                           " bytes for " + Number(size) + " unpacked";
                return false;
            }
            walked += DataHeaderSize + dataReserve + stored;
            if (walked > cabinet.Size) {
                *problem = "its folders share their data";
                return false;
            }
            folder.Unpacked += size;
        }
        unpacked += folder.Unpacked;
    }
    if (unpacked > CabinetUnpackedLimit) {
        *problem = "its folders unpack to " + Number(unpacked) + " bytes, more than the " +
                   Number(CabinetUnpackedLimit) + " (64 MiB) this installer reads";
        return false;
    }
    return true;
}

// The file list, each entry within its folder's unpacked bytes and no two taking the same bytes:
// files that overlap would multiply the memory (and the unpacking) a cabinet takes.
bool ReadEntries(Span cabinet, uint32_t fileList, unsigned count,
                 const std::vector<Folder>& folders, std::vector<Entry>* entries,
                 std::string* problem) {
    ByteReader list(cabinet.Data, cabinet.Size, fileList);
    uint64_t taken = 0;
    for (unsigned i = 0; i < count; ++i) {
        Entry entry;
        entry.Length = list.U32();
        entry.Offset = list.U32();
        entry.Folder = list.U16();
        list.Skip(6); // date, time, attributes
        if (!list.Text(&entry.Name)) {
            *problem = "its file list runs past the end";
            return false;
        }
        if (entry.Folder >= FirstContinuedFolder) {
            *problem = "the file " + entry.Name + " continues in another cabinet";
            return false;
        }
        if (entry.Folder >= folders.size() || entry.Offset > folders[entry.Folder].Unpacked ||
            entry.Length > folders[entry.Folder].Unpacked - entry.Offset) {
            *problem = "the file " + entry.Name + " lies outside its cabinet's data";
            return false;
        }
        taken += entry.Length;
        entries->push_back(entry);
    }
    uint64_t unpacked = 0;
    for (const Folder& folder : folders)
        unpacked += folder.Unpacked;
    if (taken > unpacked) {
        *problem = "its files overlap: they take " + Number(taken) + " bytes of " +
                   Number(unpacked) + " unpacked";
        return false;
    }
    std::vector<size_t> order;
    for (size_t i = 0; i < entries->size(); ++i)
        if ((*entries)[i].Length > 0)
            order.push_back(i);
    auto place = [&](size_t i) {
        return std::make_pair((*entries)[i].Folder, (*entries)[i].Offset);
    };
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return place(a) < place(b); });
    for (size_t k = 1; k < order.size(); ++k) {
        const Entry &before = (*entries)[order[k - 1]], &after = (*entries)[order[k]];
        if (before.Folder == after.Folder && after.Offset - before.Offset < before.Length) {
            *problem = "its files " + before.Name + " and " + after.Name + " overlap";
            return false;
        }
    }
    return true;
}

// A stored folder's data blocks, joined; checked block by block. MeasureFolders has checked
// their sizes and that they lie within the cabinet.
bool JoinBlocks(Span cabinet, size_t dataReserve, Folder* folder, std::string* problem) {
    folder->Data.reserve(folder->Unpacked);
    ByteReader in(cabinet.Data, cabinet.Size, folder->FirstBlock);
    for (unsigned block = 0; block < folder->Blocks; ++block) {
        uint32_t checksum = in.U32();
        uint16_t stored = in.U16(), unpacked = in.U16();
        in.Skip(dataReserve);
        const uint8_t* data = in.Take(stored);
        // A stored checksum of 0 means none was computed.
        uint8_t sizes[4] = {(uint8_t)stored, (uint8_t)(stored >> 8), (uint8_t)unpacked,
                            (uint8_t)(unpacked >> 8)};
        if (checksum != 0 &&
            CabinetChecksum(sizes, sizeof sizes, CabinetChecksum(data, stored, 0)) != checksum) {
            *problem = "data block " + Number(block) + " does not match its checksum";
            return false;
        }
        folder->Data.insert(folder->Data.end(), data, data + stored);
    }
    return true;
}

// The files of the compressed folders, unpacked by the platform's cabinet library.
bool UnpackFolders(Span cabinet, const std::vector<Folder>& folders,
                   const std::vector<Entry>& entries, std::vector<UnpackedFile>* unpacked,
                   std::string* problem) {
    bool any = false;
    for (const Entry& entry : entries) {
        bool compressed = (folders[entry.Folder].Compression & CompressionMask) != CompressionNone;
        unpacked->push_back(UnpackedFile{entry.Length, compressed, Bytes()});
        any = any || compressed;
    }
    if (!any)
        return true;
    size_t failed;
    std::string reason;
    if (!UnpackCabinet(cabinet.Data, cabinet.Size, unpacked, &failed, &reason)) {
        if (failed < entries.size()) {
            unsigned folder = entries[failed].Folder;
            *problem = "folder " + Number(folder) + " (" +
                       CompressionNames[folders[folder].Compression & CompressionMask] +
                       ") does not unpack: " + reason;
        } else {
            *problem = "its compressed folders do not unpack: " + reason;
        }
        return false;
    }
    for (size_t i = 0; i < entries.size(); ++i)
        if ((*unpacked)[i].Wanted && (*unpacked)[i].Data.size() != entries[i].Length) {
            *problem = "the file " + entries[i].Name + " unpacks to " +
                       Number((*unpacked)[i].Data.size()) + " bytes; its entry gives " +
                       Number(entries[i].Length);
            return false;
        }
    return true;
}

bool Read(const Bytes& bytes, std::vector<CabinetFile>* files, std::string* problem) {
    ByteReader head(bytes, 0);
    const uint8_t* signature = head.Take(4);
    if (!signature || std::string((const char*)signature, 4) != CabinetSignature) {
        *problem = "it is not a cabinet (no \"MSCF\" signature)";
        return false;
    }
    head.Skip(4);
    uint32_t size = head.U32();
    head.Skip(4);
    uint32_t fileList = head.U32();
    head.Skip(6);
    uint16_t folderCount = head.U16(), fileCount = head.U16(), flags = head.U16();
    head.Skip(4);
    if (!head.Good()) {
        *problem = "its header is cut short";
        return false;
    }
    if (size != bytes.size() && !SignedTail(bytes, size, flags)) {
        *problem =
            "its header gives " + Number(size) + " bytes, and it has " + Number(bytes.size());
        return false;
    }
    // From here on, the cabinet's own bytes only.
    Span cabinet = {bytes.data(), size};
    if (size < HeaderSize) {
        *problem = "its header is cut short";
        return false;
    }
    if (flags & (FlagPreviousCabinet | FlagNextCabinet)) {
        *problem = "it is one of a set of cabinets; this installer reads a cabinet on its own";
        return false;
    }
    ByteReader in(cabinet.Data, cabinet.Size, HeaderSize);
    size_t folderReserve = 0, dataReserve = 0;
    if (flags & FlagReservePresent) {
        uint16_t headerReserve = in.U16();
        folderReserve = in.U8();
        dataReserve = in.U8();
        in.Skip(headerReserve);
    }
    if (!in.Good()) {
        *problem = "its header's reserved space runs past the end";
        return false;
    }
    // Everything is checked and measured before anything is copied or unpacked.
    std::vector<Folder> folders;
    std::vector<Entry> entries;
    if (!ReadFolders(&in, folderCount, folderReserve, &folders, problem) ||
        !MeasureFolders(cabinet, dataReserve, &folders, problem) ||
        !ReadEntries(cabinet, fileList, fileCount, folders, &entries, problem))
        return false;
    if (entries.empty()) {
        *problem = "it holds no files";
        return false;
    }

    for (Folder& folder : folders)
        if ((folder.Compression & CompressionMask) == CompressionNone &&
            !JoinBlocks(cabinet, dataReserve, &folder, problem))
            return false;
    std::vector<UnpackedFile> unpacked;
    if (!UnpackFolders(cabinet, folders, entries, &unpacked, problem))
        return false;
    files->reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        CabinetFile file;
        file.Name = entries[i].Name;
        if (unpacked[i].Wanted) {
            file.Data.swap(unpacked[i].Data);
        } else {
            const uint8_t* data = folders[entries[i].Folder].Data.data() + entries[i].Offset;
            file.Data.assign(data, data + entries[i].Length);
        }
        files->push_back(std::move(file));
    }
    return true;
}

} // namespace

uint32_t CabinetChecksum(const uint8_t* bytes, size_t size, uint32_t seed) {
    uint32_t sum = seed;
    size_t whole = size / 4 * 4;
    for (size_t i = 0; i < whole; i += 4)
        sum ^= (uint32_t)bytes[i] | (uint32_t)bytes[i + 1] << 8 | (uint32_t)bytes[i + 2] << 16 |
               (uint32_t)bytes[i + 3] << 24;
    // The last one to three bytes go in with the first of them highest.
    uint32_t tail = 0;
    for (size_t i = whole; i < size; ++i)
        tail = tail << 8 | bytes[i];
    return sum ^ tail;
}

bool ReadCabinet(const Bytes& cabinet, std::vector<CabinetFile>* files, std::string* problem) {
    files->clear();
    try {
        if (Read(cabinet, files, problem))
            return true;
    } catch (const std::bad_alloc&) {
        // What was read so far goes, so that the refusal itself has memory to say so.
        std::vector<CabinetFile>().swap(*files);
        *problem = "not enough memory to read it";
        return false;
    }
    files->clear();
    return false;
}
