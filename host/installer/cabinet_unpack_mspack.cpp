// Compressed folders unpacked by libmspack, for the native build (its tests and fuzzer). libmspack
// reads and writes through a table of system calls; ours works on memory, so the cabinet is never
// written out and no file the library unpacks can grow past the length the caller allowed.
#include "host/installer/cabinet_unpack.h"

#include <mspack.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <new>

namespace {

// libmspack knows files by name only: the cabinet is opened as CabinetName, and each file it
// unpacks as OutputName, which writes to the file the caller is unpacking at that moment.
const char CabinetName[] = "cabinet", OutputName[] = "file";

struct MemorySystem {
    mspack_system System; // first, so that the library's pointer to it is one to the whole
    const uint8_t* Cabinet;
    size_t Size;
    UnpackedFile* Output;
    bool OutOfMemory, Overrun;
    // The library's last message: it often says more than its error code. A fixed buffer, as
    // nothing may throw inside the library's frames.
    char Message[160];
};

struct MemoryFile {
    MemorySystem* Owner;
    bool Writing;
    size_t Position; // in the cabinet, when reading
};

MemorySystem* Owner(mspack_file* file) {
    return ((MemoryFile*)file)->Owner;
}

mspack_file* Open(mspack_system* self, const char* name, int mode) {
    MemorySystem* memory = (MemorySystem*)self;
    bool reading = mode == MSPACK_SYS_OPEN_READ && strcmp(name, CabinetName) == 0;
    bool writing = mode == MSPACK_SYS_OPEN_WRITE && strcmp(name, OutputName) == 0 && memory->Output;
    if (!reading && !writing)
        return NULL;
    MemoryFile* file = new (std::nothrow) MemoryFile{memory, writing, 0};
    if (!file) {
        memory->OutOfMemory = true;
        return NULL;
    }
    if (writing) {
        // The file's whole length at once: its buffer never grows by doubling.
        try {
            memory->Output->Data.clear();
            memory->Output->Data.reserve(memory->Output->Length);
        } catch (const std::bad_alloc&) {
            memory->OutOfMemory = true;
            delete file;
            return NULL;
        }
    }
    return (mspack_file*)file;
}

void Close(mspack_file* file) {
    delete (MemoryFile*)file;
}

int Read(mspack_file* handle, void* buffer, int bytes) {
    MemoryFile* file = (MemoryFile*)handle;
    if (file->Writing || bytes < 0)
        return -1;
    size_t count = std::min((size_t)bytes, file->Owner->Size - file->Position);
    memcpy(buffer, file->Owner->Cabinet + file->Position, count);
    file->Position += count;
    return (int)count;
}

int Write(mspack_file* handle, void* buffer, int bytes) {
    MemoryFile* file = (MemoryFile*)handle;
    if (!file->Writing || bytes < 0)
        return -1;
    UnpackedFile* output = file->Owner->Output;
    if ((size_t)bytes > output->Length - output->Data.size()) {
        file->Owner->Overrun = true;
        return -1;
    }
    const uint8_t* data = (const uint8_t*)buffer;
    try {
        output->Data.insert(output->Data.end(), data, data + bytes);
    } catch (const std::bad_alloc&) {
        file->Owner->OutOfMemory = true;
        return -1;
    }
    return bytes;
}

int Seek(mspack_file* handle, off_t offset, int mode) {
    MemoryFile* file = (MemoryFile*)handle;
    if (file->Writing)
        return -1;
    off_t size = (off_t)file->Owner->Size, base = 0;
    if (mode == MSPACK_SYS_SEEK_CUR)
        base = (off_t)file->Position;
    else if (mode == MSPACK_SYS_SEEK_END)
        base = size;
    else if (mode != MSPACK_SYS_SEEK_START)
        return -1;
    if (offset < -base || offset > size - base)
        return -1;
    file->Position = (size_t)(base + offset);
    return 0;
}

off_t Tell(mspack_file* file) {
    return (off_t)((MemoryFile*)file)->Position;
}

// The system whose unpacking is under way on this thread: the library gives no file with some
// of its messages, and so no way back to the system but this.
thread_local MemorySystem* Speaking = NULL;

void Message(mspack_file* file, const char* format, ...) {
    MemorySystem* memory = file ? Owner(file) : Speaking;
    if (!memory)
        return;
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(memory->Message, sizeof memory->Message, format, arguments);
    va_end(arguments);
    // One line, without the library's trailing line break.
    size_t end = strlen(memory->Message);
    while (end > 0 && (memory->Message[end - 1] == '\n' || memory->Message[end - 1] == ' '))
        memory->Message[--end] = 0;
}

void* Alloc(mspack_system* self, size_t bytes) {
    void* block = malloc(bytes);
    if (!block)
        ((MemorySystem*)self)->OutOfMemory = true;
    return block;
}

void Free(void* block) {
    free(block);
}

void Copy(void* from, void* to, size_t bytes) {
    memmove(to, from, bytes);
}

std::string Reason(int error, const MemorySystem& memory) {
    if (memory.Overrun)
        return "a file unpacks past the length its entry gives";
    std::string reason;
    switch (error) {
    case MSPACK_ERR_OPEN: reason = "libmspack cannot open it"; break;
    case MSPACK_ERR_READ: reason = "libmspack finds it cut short"; break;
    case MSPACK_ERR_WRITE: reason = "libmspack cannot write a file"; break;
    case MSPACK_ERR_SEEK: reason = "libmspack cannot seek in it"; break;
    case MSPACK_ERR_SIGNATURE: reason = "libmspack finds no cabinet"; break;
    case MSPACK_ERR_DATAFORMAT: reason = "libmspack finds its data malformed"; break;
    case MSPACK_ERR_CHECKSUM: reason = "a data block does not match its checksum"; break;
    case MSPACK_ERR_DECRUNCH: reason = "libmspack finds its compressed data damaged"; break;
    default: reason = "libmspack fails with error " + std::to_string(error); break;
    }
    if (memory.Message[0])
        reason += std::string(" (") + memory.Message + ")";
    return reason;
}

// The decompressor and its cabinet, let go of on every way out.
struct Decompressor {
    mscab_decompressor* Library = NULL;
    mscabd_cabinet* Cabinet = NULL;
    ~Decompressor() {
        if (Cabinet)
            Library->close(Library, Cabinet);
        if (Library)
            mspack_destroy_cab_decompressor(Library);
    }
};

} // namespace

bool UnpackCabinet(const uint8_t* cabinet, size_t size, std::vector<UnpackedFile>* files,
                   size_t* failed, std::string* problem) {
    *failed = files->size();
    int selftest;
    MSPACK_SYS_SELFTEST(selftest);
    if (selftest != MSPACK_ERR_OK) {
        *problem = "libmspack was built with another size of file offset";
        return false;
    }
    MemorySystem memory = {{Open, Close, Read, Write, Seek, Tell, Message, Alloc, Free, Copy, NULL},
                           cabinet,
                           size,
                           NULL,
                           false,
                           false,
                           {0}};
    Speaking = &memory;
    struct Hush {
        ~Hush() { Speaking = NULL; }
    } hush;
    Decompressor decompressor;
    decompressor.Library = mspack_create_cab_decompressor(&memory.System);
    if (!decompressor.Library)
        throw std::bad_alloc();
    mscab_decompressor* library = decompressor.Library;
    decompressor.Cabinet = library->open(library, CabinetName);
    if (memory.OutOfMemory)
        throw std::bad_alloc();
    if (!decompressor.Cabinet) {
        *problem = Reason(library->last_error(library), memory);
        return false;
    }

    // The library's file list is read from the same bytes as the caller's; both must agree on
    // which file is which before the caller's lengths can bound the library's output.
    std::vector<mscabd_file*> listed;
    for (mscabd_file* file = decompressor.Cabinet->files; file; file = file->next)
        listed.push_back(file);
    if (listed.size() != files->size()) {
        *problem = "libmspack finds " + std::to_string(listed.size()) + " files in it";
        return false;
    }
    std::vector<size_t> order;
    for (size_t i = 0; i < listed.size(); ++i) {
        if (listed[i]->length != (*files)[i].Length) {
            *failed = i;
            *problem = "libmspack reads file " + std::to_string(i) + " as " +
                       std::to_string(listed[i]->length) + " bytes long";
            return false;
        }
        if ((*files)[i].Wanted)
            order.push_back(i);
    }
    // Folder by folder, each in the order of its files' offsets: libmspack decompresses onwards
    // from the last file it unpacked, and starts the folder over for a file that lies behind it.
    std::map<mscabd_folder*, size_t> folderIndex;
    for (mscabd_folder* folder = decompressor.Cabinet->folders; folder; folder = folder->next)
        folderIndex.emplace(folder, folderIndex.size());
    std::vector<std::pair<std::pair<size_t, unsigned>, size_t>> places;
    for (size_t i : order)
        places.push_back({{folderIndex[listed[i]->folder], listed[i]->offset}, i});
    std::sort(places.begin(), places.end());
    for (size_t k = 0; k < places.size(); ++k)
        order[k] = places[k].second;
    for (size_t i : order) {
        memory.Output = &(*files)[i];
        memory.Message[0] = 0;
        int error = library->extract(library, listed[i], OutputName);
        memory.Output = NULL;
        if (memory.OutOfMemory)
            throw std::bad_alloc();
        if (error != MSPACK_ERR_OK || memory.Overrun) {
            *failed = i;
            *problem = Reason(error, memory);
            return false;
        }
    }
    return true;
}
