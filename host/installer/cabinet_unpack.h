// The compressed folders of a cabinet (MSZIP, Quantum, LZX), unpacked by a well-kept library
// rather than a decompressor of our own: the system's cabinet library (cabinet.dll's FDI) under
// Windows, libmspack elsewhere. The build links one of the two. The cabinet's reader has checked
// the cabinet's structure and sizes first; this adds the library's own checks of the data.
#pragma once

#include "host/installer/byte_reader.h"

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// One entry of the cabinet's file list, in its stored order.
struct UnpackedFile {
    uint32_t Length; // as the file list gives it; the unpacked file may not grow past it
    bool Wanted;     // false for a file the caller reads itself (one in a stored folder)
    Bytes Data;      // the file's bytes, when wanted
};

// Unpacks each wanted file of the cabinet held in size bytes at cabinet into its Data. False,
// with the library's reason in problem, when the library refuses the cabinet or a file; failed
// is then the index of the file being unpacked, or files->size() when no one file is at fault.
// Throws std::bad_alloc when memory runs out, as the rest of the reader does.
bool UnpackCabinet(const uint8_t* cabinet, size_t size, std::vector<UnpackedFile>* files,
                   size_t* failed, std::string* problem);
