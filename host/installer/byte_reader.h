// Little-endian fields read from bytes held in memory, for the cabinet and its installation data.
// A read past the end yields zeros and leaves the reader no longer good, so a parser reads a
// record whole and checks once.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

class ByteReader {
  public:
    ByteReader(const Bytes& bytes, size_t start)
        : Data(bytes.data()), Size(bytes.size()), Position(start), Ok(start <= bytes.size()) {}
    ByteReader(const uint8_t* data, size_t size, size_t start)
        : Data(data), Size(size), Position(start), Ok(start <= size) {}

    bool Good() const { return Ok; }
    size_t At() const { return Position; }

    // The next size bytes, or null when fewer are left.
    const uint8_t* Take(size_t size) {
        if (!Ok || size > Size - Position) {
            Ok = false;
            return nullptr;
        }
        const uint8_t* at = Data + Position;
        Position += size;
        return at;
    }
    void Skip(size_t size) { Take(size); }
    uint8_t U8() {
        const uint8_t* at = Take(1);
        return at ? at[0] : 0;
    }
    uint16_t U16() {
        const uint8_t* at = Take(2);
        return at ? (uint16_t)(at[0] | at[1] << 8) : 0;
    }
    uint32_t U32() {
        const uint8_t* at = Take(4);
        return at ? (uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 |
                        (uint32_t)at[3] << 24
                  : 0;
    }
    // A text ending in a zero byte, which it leaves out; false when none ends before the end.
    bool Text(std::string* text) {
        for (size_t end = Position; Ok && end < Size; ++end)
            if (Data[end] == 0) {
                text->assign((const char*)Data + Position, end - Position);
                Position = end + 1;
                return true;
            }
        Ok = false;
        return false;
    }

  private:
    const uint8_t* Data;
    size_t Size, Position;
    bool Ok;
};
