// The files of a Microsoft cabinet, as the Pocket PC's installer reads one: a single cabinet (no
// set spanning several), its folders stored or compressed (MSZIP, Quantum, LZX), maybe signed.
// Pure code apart from the library that unpacks compressed folders (cabinet_unpack.h): the
// installer stand-in, its tests and the fuzzer share it.
#pragma once

#include "host/installer/byte_reader.h"

#include <string>
#include <vector>

struct CabinetFile {
    std::string Name; // as stored, an 8.3 name whose extension is the file's number
    Bytes Data;
};

// The most bytes a cabinet's folders may unpack to, together. A few megabytes is what a device's
// installation holds; the bound keeps a cabinet that claims more from taking the memory it claims.
const size_t CabinetUnpackedLimit = 64u << 20;

// The cabinet's files in their stored order. False, with what is wrong in problem, for bytes that
// are not such a cabinet or do not hold together: every size, count and offset is checked against
// the bytes there are, each stored data block against its checksum when it has one, and all the
// sizes against CabinetUnpackedLimit before anything is unpacked or copied. A signature appended
// after the cabinet's bytes, as its header's reserve describes it, is passed over. Never throws:
// running out of memory is one more refusal.
bool ReadCabinet(const Bytes& cabinet, std::vector<CabinetFile>* files, std::string* problem);

// The checksum of a cabinet's data block over its bytes, seeded as the format asks.
uint32_t CabinetChecksum(const uint8_t* bytes, size_t size, uint32_t seed);
