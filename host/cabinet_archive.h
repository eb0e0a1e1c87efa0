// The files of a Microsoft cabinet, as the Pocket PC's installer reads one: a single cabinet (no
// set spanning several), its folders stored without compression. Pure code: the installer
// stand-in, its tests and the fuzzer share it.
#pragma once

#include "host/byte_reader.h"

#include <string>
#include <vector>

struct CabinetFile {
    std::string Name; // as stored, an 8.3 name whose extension is the file's number
    Bytes Data;
};

// The cabinet's files in their stored order. False, with what is wrong in problem, for bytes that
// are not such a cabinet or do not hold together: every size, count and offset is checked against
// the bytes there are, and each data block against its checksum when it has one.
bool ReadCabinet(const Bytes& cabinet, std::vector<CabinetFile>* files, std::string* problem);

// The checksum of a cabinet's data block over its bytes, seeded as the format asks.
uint32_t CabinetChecksum(const uint8_t* bytes, size_t size, uint32_t seed);
