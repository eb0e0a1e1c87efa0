// A minimal PNG writer: 24-bit colour, no interlace, stored (uncompressed) deflate blocks.
#pragma once

#include "platform/platform.h"

// Writes width x height pixels, rows top first, each pixel 3 bytes blue-green-red (the layout of
// a 24-bit top-down DIB), stride bytes from one row to the next. Returns 1 on success, 0 when the
// file could not be written.
int WritePng(const WCHAR* path, int width, int height, const BYTE* pixels, int stride);
