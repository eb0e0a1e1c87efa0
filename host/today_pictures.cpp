#include "platform/platform.h"
#include "host/today_pictures.h"
#include "host/console_text.h"
#include "host/png_writer.h"
#include "host/today_screen.h"

#include <string>

namespace {

enum { CaptionCapacity = 128 };

// Copies width x height pixels from the source context into a PNG file.
bool WritePicture(HDC source, int width, int height, const std::wstring& path) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP picture = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool written = false;
    if (picture && bits) {
        HGDIOBJ previous = SelectObject(memory, picture);
        BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
        GdiFlush();
        int stride = (width * 3 + 3) & ~3;
        written = WritePng(path.c_str(), width, height, (const BYTE*)bits, stride) != 0;
        SelectObject(memory, previous);
        DeleteObject(picture);
    }
    DeleteDC(memory);
    if (!written)
        Say(L"today: cannot write the picture " + path + L": " + SystemMessage(GetLastError()));
    return written;
}

} // namespace

bool TakeSnapshot() {
    RedrawWindow(Today.Window, NULL, NULL,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC screen = GetDC(Today.Window);
    bool written = WritePicture(screen, Today.Width, Today.Height, Today.Args.Snapshot);
    ReleaseDC(Today.Window, screen);
    if (written)
        Say(L"today: wrote " + Today.Args.Snapshot + L" (the screen: " +
                std::to_wstring(Today.Width) + L"x" + std::to_wstring(Today.Height) +
                L", the item's row: " + std::to_wstring(Today.RowHeight) + L" pixels high)",
            STD_OUTPUT_HANDLE);
    return written;
}

bool TakeDialogSnapshot(HWND dialog) {
    RedrawWindow(dialog, NULL, NULL,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT frame;
    GetWindowRect(dialog, &frame);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0) {
        Say(L"today: cannot picture the dialog on top: it has no size");
        return false;
    }
    HDC window = GetWindowDC(dialog);
    bool written = WritePicture(window, width, height, Today.Args.DialogSnapshot);
    ReleaseDC(dialog, window);
    if (written) {
        WCHAR caption[CaptionCapacity] = L"";
        GetWindowTextW(dialog, caption, CaptionCapacity);
        Say(L"today: wrote " + Today.Args.DialogSnapshot + L" (dialog \"" + caption + L"\", " +
                std::to_wstring(width) + L"x" + std::to_wstring(height) + L")",
            STD_OUTPUT_HANDLE);
    }
    return written;
}
