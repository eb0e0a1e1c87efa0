#include "platform/platform.h"
#include "host/today/png_writer.h"

#include <vector>

namespace {

enum { StoredBlockMax = 65535, AdlerModulus = 65521 };

unsigned long Crc32(const BYTE* data, size_t size, unsigned long crc = 0) {
    static unsigned long table[256];
    if (table[1] == 0) {
        for (unsigned long n = 0; n < 256; ++n) {
            unsigned long c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320UL ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    }
    crc ^= 0xFFFFFFFFUL;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFUL;
}

void PutBig32(std::vector<BYTE>* out, unsigned long value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out->push_back((BYTE)(value >> shift));
}

void PutChunk(std::vector<BYTE>* out, const char* type, const std::vector<BYTE>& data) {
    PutBig32(out, (unsigned long)data.size());
    std::vector<BYTE> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out->insert(out->end(), typed.begin(), typed.end());
    PutBig32(out, Crc32(typed.data(), typed.size()));
}

// A zlib stream of stored blocks: no compression, but any decoder reads it.
std::vector<BYTE> ZlibStored(const std::vector<BYTE>& raw) {
    std::vector<BYTE> out = {0x78, 0x01};
    size_t offset = 0;
    do {
        size_t length = raw.size() - offset;
        if (length > StoredBlockMax)
            length = StoredBlockMax;
        bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back((BYTE)(length & 0xFF));
        out.push_back((BYTE)(length >> 8));
        out.push_back((BYTE)(~length & 0xFF));
        out.push_back((BYTE)((~length >> 8) & 0xFF));
        out.insert(out.end(), raw.begin() + offset, raw.begin() + offset + length);
        offset += length;
    } while (offset < raw.size());
    unsigned long a = 1, b = 0;
    for (BYTE byte : raw) {
        a = (a + byte) % AdlerModulus;
        b = (b + a) % AdlerModulus;
    }
    PutBig32(&out, (b << 16) | a);
    return out;
}

} // namespace

int WritePng(const WCHAR* path, int width, int height, const BYTE* pixels, int stride) {
    if (width <= 0 || height <= 0)
        return 0;
    std::vector<BYTE> raw;
    raw.reserve((size_t)height * (1 + 3 * (size_t)width));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // filter: none
        const BYTE* row = pixels + (size_t)y * stride;
        for (int x = 0; x < width; ++x) {
            raw.push_back(row[3 * x + 2]);
            raw.push_back(row[3 * x + 1]);
            raw.push_back(row[3 * x]);
        }
    }

    std::vector<BYTE> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<BYTE> header;
    PutBig32(&header, (unsigned long)width);
    PutBig32(&header, (unsigned long)height);
    header.insert(header.end(),
                  {8, 2, 0, 0, 0}); // 8 bits, truecolour, deflate, no filter, no interlace
    PutChunk(&file, "IHDR", header);
    PutChunk(&file, "IDAT", ZlibStored(raw));
    PutChunk(&file, "IEND", std::vector<BYTE>());

    HANDLE handle =
        CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written = 0;
    BOOL ok = WriteFile(handle, file.data(), (DWORD)file.size(), &written, NULL);
    ok = CloseHandle(handle) && ok;
    return ok && written == file.size();
}
