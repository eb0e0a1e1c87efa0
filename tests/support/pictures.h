// What a window drew, or a PNG file holds, as pixels to count and look for.
#pragma once

#include "platform/platform.h"

#include <wincodec.h>

#include <string.h>

#include <string>
#include <vector>

// Antialiased text blends the edges of its glyphs into the background, so fewer of its pixels carry
// the text colour exactly: a pixel within this much of a colour in every channel counts as it.
enum { TextColourTolerance = 0x50 };

// The red hub at the centre of the item's icon (resources/make_icon.py draws it).
const COLORREF IconHubColor = RGB(255, 0, 0);

inline bool NearColour(COLORREF pixel, COLORREF colour) {
    for (int shift = 0; shift < 24; shift += 8) {
        int a = (pixel >> shift) & 0xFF, b = (colour >> shift) & 0xFF;
        if (a - b > TextColourTolerance || b - a > TextColourTolerance)
            return false;
    }
    return true;
}

// Pixels, rows top first, as 32-bit blue-green-red-unused words (a top-down DIB's layout).
// Regions are [x0, x1) x [y0, y1), a negative end meaning the edge of the picture.
struct Picture {
    int Width = 0, Height = 0;
    std::vector<DWORD> Pixels;
    COLORREF Background = CLR_INVALID; // what Ink passes over

    COLORREF At(int x, int y) const {
        DWORD p = Pixels[(size_t)y * Width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    template <typename Test> int CountWhere(Test test, int x0, int x1, int y0, int y1) const {
        int n = 0;
        for (int y = y0; y < (y1 < 0 ? Height : y1); ++y)
            for (int x = x0; x < (x1 < 0 ? Width : x1); ++x)
                n += test(At(x, y));
        return n;
    }
    // Pixels of exactly this colour, and of this colour or near it.
    int Count(COLORREF color, int x0 = 0, int x1 = -1, int y0 = 0, int y1 = -1) const {
        return CountWhere([&](COLORREF p) { return p == color; }, x0, x1, y0, y1);
    }
    int CountNear(COLORREF color, int x0 = 0, int x1 = -1, int y0 = 0, int y1 = -1) const {
        return CountWhere([&](COLORREF p) { return NearColour(p, color); }, x0, x1, y0, y1);
    }
    // Bounding box of the pixels that pass the test; left is -1 when none does.
    template <typename Test> RECT BoundsWhere(Test test, int x0, int x1, int y0, int y1) const {
        RECT box = {-1, -1, -1, -1};
        for (int y = y0; y < (y1 < 0 ? Height : y1); ++y)
            for (int x = x0; x < (x1 < 0 ? Width : x1); ++x) {
                if (!test(At(x, y)))
                    continue;
                if (box.left < 0) {
                    box = {x, y, x + 1, y + 1};
                    continue;
                }
                box.left = x < box.left ? x : box.left;
                box.top = y < box.top ? y : box.top;
                box.right = x + 1 > box.right ? x + 1 : box.right;
                box.bottom = y + 1 > box.bottom ? y + 1 : box.bottom;
            }
        return box;
    }
    // Where everything but the background lies, and where a colour (or near it) lies.
    RECT Ink(int x0 = 0, int x1 = -1, int y0 = 0, int y1 = -1) const {
        return BoundsWhere([&](COLORREF p) { return p != Background; }, x0, x1, y0, y1);
    }
    RECT BoundsNear(COLORREF color, int x0 = 0, int x1 = -1, int y0 = 0, int y1 = -1) const {
        return BoundsWhere([&](COLORREF p) { return NearColour(p, color); }, x0, x1, y0, y1);
    }
    bool operator==(const Picture& other) const {
        return Width == other.Width && Height == other.Height && Pixels == other.Pixels;
    }
};

// Has the window repaint itself and its children (erase and paint messages, as the system sends
// them) and reads back its client area; Ink then passes over the given background.
inline Picture CaptureWindow(HWND window, COLORREF background = CLR_INVALID) {
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client;
    GetClientRect(window, &client);
    Picture picture;
    picture.Width = client.right;
    picture.Height = client.bottom;
    picture.Background = background;
    picture.Pixels.resize((size_t)picture.Width * picture.Height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.Width;
    info.bmiHeader.biHeight = -picture.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = NULL;
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.Width, picture.Height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    memcpy(picture.Pixels.data(), bits, picture.Pixels.size() * 4);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return picture;
}

// Decodes a PNG file with the system's own codecs; false when it is no readable PNG.
inline bool ReadPng(const std::wstring& path, Picture* picture) {
    CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = NULL;
    IWICBitmapDecoder* decoder = NULL;
    IWICBitmapFrameDecode* frame = NULL;
    IWICFormatConverter* converter = NULL;
    UINT width = 0, height = 0;
    bool ok =
        SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, NULL, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, (void**)&factory)) &&
        SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), NULL, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&width, &height)) &&
        SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA,
                                        WICBitmapDitherTypeNone, NULL, 0,
                                        WICBitmapPaletteTypeCustom));
    if (ok) {
        picture->Width = (int)width;
        picture->Height = (int)height;
        picture->Pixels.resize((size_t)width * height);
        ok = SUCCEEDED(converter->CopyPixels(NULL, width * 4, (UINT)picture->Pixels.size() * 4,
                                             (BYTE*)picture->Pixels.data()));
    }
    for (IUnknown* object :
         {(IUnknown*)converter, (IUnknown*)frame, (IUnknown*)decoder, (IUnknown*)factory})
        if (object)
            object->Release();
    CoUninitialize();
    return ok;
}
