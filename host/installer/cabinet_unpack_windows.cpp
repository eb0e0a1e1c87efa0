// Compressed folders unpacked by the system's own cabinet library, cabinet.dll's FDI, as on the
// device. FDI reads and writes through callbacks; ours work on memory, so the cabinet is never
// written out and no file FDI unpacks can grow past the length the caller allowed.
#include "host/installer/cabinet_unpack.h"

#include <windows.h>

#include <fcntl.h>
#include <fdi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <new>

namespace {

struct Unpacking;

// What an FDI handle stands for: the cabinet, read from memory, or a file it unpacks.
struct Handle {
    Unpacking* Owner;
    bool InUse, Writing;
    size_t Position; // in the cabinet, when reading
    size_t File;     // the file's index, when writing
};

struct Unpacking {
    const uint8_t* Cabinet;
    size_t Size;
    std::vector<UnpackedFile>* Files;
    size_t Next;    // the index of the file FDI names next
    size_t Current; // the file being written, or Files->size()
    bool OutOfMemory, Overrun, Short, Mismatch;
    // FDI holds the cabinet open once or twice, and one file it writes; handles come from here so
    // that none is left over when FDI gives up part way.
    Handle Handles[8];
};

// FDI's open callback has no context of its own but the name it is given, which is FDICopy's
// path and cabinet name joined: the cabinet's name is made up of this prefix and the address of
// its Unpacking, in hexadecimal.
const char NamePrefix[] = "memory-cabinet-";

const char Digits[] = "0123456789abcdef";

std::string NameOf(Unpacking* unpacking) {
    std::string name = NamePrefix;
    uintptr_t address = (uintptr_t)unpacking;
    for (int shift = 8 * sizeof address - 4; shift >= 0; shift -= 4)
        name += Digits[address >> shift & 15];
    return name;
}

Unpacking* FromName(const char* name) {
    size_t prefix = sizeof NamePrefix - 1;
    if (strncmp(name, NamePrefix, prefix) != 0 || strlen(name) != prefix + 2 * sizeof(void*))
        return NULL;
    uintptr_t address = 0;
    for (const char* at = name + prefix; *at; ++at) {
        const char* digit = strchr(Digits, *at);
        if (!digit)
            return NULL;
        address = address << 4 | (uintptr_t)(digit - Digits);
    }
    return (Unpacking*)address;
}

Handle* NewHandle(Unpacking* unpacking, bool writing) {
    for (Handle& handle : unpacking->Handles)
        if (!handle.InUse) {
            handle = Handle{unpacking, true, writing, 0, unpacking->Files->size()};
            return &handle;
        }
    return NULL;
}

Handle* FromHandle(INT_PTR value) {
    return (Handle*)value;
}

FNALLOC(Alloc) {
    return malloc(cb);
}

FNFREE(Free) {
    free(pv);
}

FNOPEN(Open) {
    (void)pmode;
    Unpacking* unpacking = FromName(pszFile);
    if (!unpacking || (oflag & (_O_WRONLY | _O_RDWR | _O_CREAT)))
        return -1;
    Handle* handle = NewHandle(unpacking, false);
    return handle ? (INT_PTR)handle : -1;
}

FNREAD(Read) {
    Handle* handle = FromHandle(hf);
    if (handle->Writing)
        return (UINT)-1;
    size_t count = std::min((size_t)cb, handle->Owner->Size - handle->Position);
    memcpy(pv, handle->Owner->Cabinet + handle->Position, count);
    handle->Position += count;
    return (UINT)count;
}

FNWRITE(Write) {
    Handle* handle = FromHandle(hf);
    if (!handle->Writing)
        return (UINT)-1;
    UnpackedFile& file = (*handle->Owner->Files)[handle->File];
    if (cb > file.Length - file.Data.size()) {
        handle->Owner->Overrun = true;
        return (UINT)-1;
    }
    const uint8_t* data = (const uint8_t*)pv;
    // Nothing may throw through FDI's frames.
    try {
        file.Data.insert(file.Data.end(), data, data + cb);
    } catch (const std::bad_alloc&) {
        handle->Owner->OutOfMemory = true;
        return (UINT)-1;
    }
    return cb;
}

FNCLOSE(Close) {
    FromHandle(hf)->InUse = false;
    return 0;
}

FNSEEK(Seek) {
    Handle* handle = FromHandle(hf);
    if (handle->Writing)
        return -1;
    long long size = (long long)handle->Owner->Size, base = 0;
    if (seektype == SEEK_CUR)
        base = (long long)handle->Position;
    else if (seektype == SEEK_END)
        base = size;
    else if (seektype != SEEK_SET)
        return -1;
    long long position = base + dist;
    if (position < 0 || position > size || position > 0x7FFFFFFF)
        return -1;
    handle->Position = (size_t)position;
    return (__LONG32)position;
}

// A file FDI is about to unpack: the next of the file list, which the caller's lengths describe.
INT_PTR StartFile(Unpacking* unpacking, PFDINOTIFICATION note) {
    std::vector<UnpackedFile>& files = *unpacking->Files;
    size_t index = unpacking->Next++;
    if (index >= files.size() || note->cb < 0 || (uint32_t)note->cb != files[index].Length) {
        unpacking->Mismatch = true;
        unpacking->Current = std::min(index, files.size());
        return -1;
    }
    if (!files[index].Wanted)
        return 0; // FDI passes over it
    Handle* handle = NewHandle(unpacking, true);
    if (!handle)
        return -1;
    // The file's whole length at once: its buffer never grows by doubling.
    try {
        files[index].Data.clear();
        files[index].Data.reserve(files[index].Length);
    } catch (const std::bad_alloc&) {
        unpacking->OutOfMemory = true;
        handle->InUse = false;
        return -1;
    }
    handle->File = index;
    unpacking->Current = index;
    return (INT_PTR)handle;
}

FNFDINOTIFY(Notify) {
    Unpacking* unpacking = (Unpacking*)pfdin->pv;
    switch (fdint) {
    case fdintCOPY_FILE: return StartFile(unpacking, pfdin);
    case fdintCLOSE_FILE_INFO: {
        // FDI leaves closing the file to us. Wine's FDI gives this notice also for a file whose
        // data failed to decompress: that one stays the file at fault.
        Handle* handle = FromHandle(pfdin->hf);
        const UnpackedFile& file = (*unpacking->Files)[handle->File];
        bool whole = file.Data.size() == file.Length;
        Close(pfdin->hf);
        if (whole)
            unpacking->Current = unpacking->Files->size();
        else
            unpacking->Short = true;
        return whole;
    }
    case fdintNEXT_CABINET: return -1; // the caller has refused sets of cabinets
    default: return 0;
    }
}

std::string Reason(const ERF& error, const Unpacking& unpacking) {
    if (unpacking.Overrun)
        return "a file unpacks past the length its entry gives";
    if (unpacking.Mismatch)
        return "cabinet.dll lists its files otherwise";
    switch (error.erfOper) {
    case FDIERROR_CABINET_NOT_FOUND: return "cabinet.dll cannot open it";
    case FDIERROR_NOT_A_CABINET: return "cabinet.dll finds no cabinet";
    case FDIERROR_UNKNOWN_CABINET_VERSION: return "cabinet.dll does not know its version";
    case FDIERROR_CORRUPT_CABINET: return "cabinet.dll finds it damaged";
    case FDIERROR_BAD_COMPR_TYPE: return "cabinet.dll does not know its compression";
    case FDIERROR_MDI_FAIL: return "cabinet.dll finds its compressed data damaged";
    case FDIERROR_TARGET_FILE: return "cabinet.dll cannot write a file";
    case FDIERROR_RESERVE_MISMATCH: return "cabinet.dll does not take its reserved space";
    case FDIERROR_USER_ABORT:
        if (unpacking.Short)
            return "a file unpacks short of the length its entry gives";
        return "cabinet.dll stops short";
    default: return "cabinet.dll fails with error " + std::to_string(error.erfOper);
    }
}

} // namespace

bool UnpackCabinet(const uint8_t* cabinet, size_t size, std::vector<UnpackedFile>* files,
                   size_t* failed, std::string* problem) {
    *failed = files->size();
    Unpacking unpacking = {cabinet, size, files, 0, files->size(), false, false, false, false, {}};
    ERF error = {};
    HFDI fdi = FDICreate(Alloc, Free, Open, Read, Write, Close, Seek, cpuUNKNOWN, &error);
    if (!fdi) {
        if (error.erfOper == FDIERROR_ALLOC_FAIL)
            throw std::bad_alloc();
        *problem = "cabinet.dll does not start (error " + std::to_string(error.erfOper) + ")";
        return false;
    }
    std::string name = NameOf(&unpacking);
    char path[] = "";
    bool copied = FDICopy(fdi, &name[0], path, 0, Notify, NULL, &unpacking);
    FDIDestroy(fdi);
    if (unpacking.OutOfMemory || (!copied && error.erfOper == FDIERROR_ALLOC_FAIL))
        throw std::bad_alloc();
    if (!copied || unpacking.Overrun || unpacking.Mismatch) {
        *failed = unpacking.Current;
        *problem = Reason(error, unpacking);
        return false;
    }
    // Each wanted file named and closed: FDI may stop short of the end of the list without an
    // error when its own reading of the cabinet finds fewer files.
    for (size_t i = unpacking.Next; i < files->size(); ++i)
        if ((*files)[i].Wanted) {
            *failed = i;
            *problem = "cabinet.dll finds " + std::to_string(unpacking.Next) + " files in it";
            return false;
        }
    return true;
}
