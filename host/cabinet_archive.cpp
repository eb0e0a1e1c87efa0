#include "host/cabinet_archive.h"

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
    FirstContinuedFolder =
        0xFFFD,         // 0xFFFD to 0xFFFF: a file continued from or into another cabinet
    BlockLimit = 0x8000 // a data block's most bytes, uncompressed
};

const char* const CompressionNames[] = {"none", "MSZIP", "Quantum", "LZX"};

struct Folder {
    uint32_t FirstBlock;
    uint16_t Blocks, Compression;
    Bytes Data; // the folder's bytes, its blocks joined
};

// The folder's data blocks, joined; checked block by block.
bool JoinBlocks(const Bytes& cabinet, size_t dataReserve, Folder* folder, std::string* problem) {
    ByteReader in(cabinet, folder->FirstBlock);
    for (unsigned block = 0; block < folder->Blocks; ++block) {
        size_t start = in.At();
        uint32_t checksum = in.U32();
        uint16_t stored = in.U16(), unpacked = in.U16();
        in.Skip(dataReserve);
        const uint8_t* data = in.Take(stored);
        if (!data) {
            *problem = "data block " + std::to_string(block) + " at " + std::to_string(start) +
                       " runs past the end of the cabinet";
            return false;
        }
        if (stored != unpacked || unpacked > BlockLimit) {
            *problem = "data block " + std::to_string(block) + " holds " + std::to_string(stored) +
                       " bytes for " + std::to_string(unpacked) + " unpacked";
            return false;
        }
        // A stored checksum of 0 means none was computed.
        uint8_t sizes[4] = {(uint8_t)stored, (uint8_t)(stored >> 8), (uint8_t)unpacked,
                            (uint8_t)(unpacked >> 8)};
        if (checksum != 0 &&
            CabinetChecksum(sizes, sizeof sizes, CabinetChecksum(data, stored, 0)) != checksum) {
            *problem = "data block " + std::to_string(block) + " does not match its checksum";
            return false;
        }
        folder->Data.insert(folder->Data.end(), data, data + stored);
    }
    return true;
}

bool ReadFolders(ByteReader* in, unsigned count, size_t folderReserve, std::vector<Folder>* folders,
                 std::string* problem) {
    for (unsigned i = 0; i < count; ++i) {
        Folder folder;
        folder.FirstBlock = in->U32();
        folder.Blocks = in->U16();
        folder.Compression = in->U16();
        in->Skip(folderReserve);
        if (!in->Good()) {
            *problem = "its folder list runs past the end";
            return false;
        }
        unsigned method = folder.Compression & CompressionMask;
        if (method != CompressionNone) {
            *problem = "folder " + std::to_string(i) + " is compressed (" +
                       (method < 4 ? CompressionNames[method] : "an unknown method") +
                       "); this installer reads stored folders only";
            return false;
        }
        folders->push_back(folder);
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
    ByteReader in(cabinet, 0);
    const uint8_t* signature = in.Take(4);
    if (!signature || std::string((const char*)signature, 4) != CabinetSignature) {
        *problem = "it is not a cabinet (no \"MSCF\" signature)";
        return false;
    }
    in.Skip(4);
    uint32_t size = in.U32();
    in.Skip(4);
    uint32_t fileList = in.U32();
    in.Skip(6);
    uint16_t folderCount = in.U16(), fileCount = in.U16(), flags = in.U16();
    in.Skip(4);
    if (!in.Good()) {
        *problem = "its header is cut short";
        return false;
    }
    if (size != cabinet.size()) {
        *problem = "its header gives " + std::to_string(size) + " bytes, and it has " +
                   std::to_string(cabinet.size());
        return false;
    }
    if (flags & (FlagPreviousCabinet | FlagNextCabinet)) {
        *problem = "it is one of a set of cabinets; this installer reads a cabinet on its own";
        return false;
    }
    size_t folderReserve = 0, dataReserve = 0;
    if (flags & FlagReservePresent) {
        uint16_t headerReserve = in.U16();
        folderReserve = in.U8();
        dataReserve = in.U8();
        in.Skip(headerReserve);
    }
    std::vector<Folder> folders;
    if (!in.Good()) {
        *problem = "its header's reserved space runs past the end";
        return false;
    }
    if (!ReadFolders(&in, folderCount, folderReserve, &folders, problem))
        return false;
    size_t joined = 0;
    for (Folder& folder : folders) {
        if (!JoinBlocks(cabinet, dataReserve, &folder, problem))
            return false;
        // Folders are laid end to end; ones sharing blocks could multiply the memory taken.
        joined += folder.Data.size();
        if (joined > cabinet.size()) {
            *problem = "its folders share their data";
            return false;
        }
    }

    ByteReader list(cabinet, fileList);
    for (unsigned i = 0; i < fileCount; ++i) {
        uint32_t length = list.U32(), offset = list.U32();
        uint16_t folder = list.U16();
        list.Skip(6); // date, time, attributes
        CabinetFile file;
        if (!list.Text(&file.Name)) {
            *problem = "its file list runs past the end";
            return false;
        }
        if (folder >= FirstContinuedFolder) {
            *problem = "the file " + file.Name + " continues in another cabinet";
            return false;
        }
        if (folder >= folders.size() || offset > folders[folder].Data.size() ||
            length > folders[folder].Data.size() - offset) {
            *problem = "the file " + file.Name + " lies outside its cabinet's data";
            return false;
        }
        const uint8_t* data = folders[folder].Data.data() + offset;
        file.Data.assign(data, data + length);
        files->push_back(file);
    }
    if (files->empty()) {
        *problem = "it holds no files";
        return false;
    }
    return true;
}
