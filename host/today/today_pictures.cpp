#include "platform/platform.h"
#include "host/today/today_pictures.h"
#include "host/today/png_writer.h"
#include "host/today/today_rows.h"
#include "host/today/today_run.h"

#include <string>

namespace {

enum { CaptionCapacity = 128 };

// Copies width x height pixels from (x, y) of the source context into a PNG file.
bool WritePicture(HDC source, int x, int y, int width, int height, const std::wstring& path) {
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
        BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
        GdiFlush();
        int stride = (width * 3 + 3) & ~3;
        written = WritePng(path.c_str(), width, height, (const BYTE*)bits, stride) != 0;
        SelectObject(memory, previous);
        DeleteObject(picture);
    }
    DeleteDC(memory);
    if (!written)
        Complain(L"cannot write the picture " + path + L": " + SystemMessage(GetLastError()));
    return written;
}

// Where the item under test's row lies, for the picture's caption and the gallery's crop.
std::wstring ItemRowPlace() {
    int index = RowNamed(Today.Args.Item);
    if (index < 0 || !Rows[index].Height)
        return L"no row for the item";
    return L"the item's row: " + std::to_wstring(Rows[index].Height) + L" pixels high at " +
           std::to_wstring(Rows[index].Top);
}

} // namespace

bool TakeSnapshot(HWND menu) {
    RedrawWindow(Today.Window, NULL, NULL,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    bool written;
    if (menu) {
        // A menu is a window of its own over the screen: only the display holds both.
        RedrawWindow(menu, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
        POINT origin = {0, 0};
        ClientToScreen(Today.Window, &origin);
        HDC display = GetDC(NULL);
        written = WritePicture(display, origin.x, origin.y, Today.Width, Today.Height,
                               Today.Args.Snapshot);
        ReleaseDC(NULL, display);
    } else {
        HDC screen = GetDC(Today.Window);
        written = WritePicture(screen, 0, 0, Today.Width, Today.Height, Today.Args.Snapshot);
        ReleaseDC(Today.Window, screen);
    }
    if (written)
        Report(L"wrote " + Today.Args.Snapshot + L" (the screen: " + std::to_wstring(Today.Width) +
               L"x" + std::to_wstring(Today.Height) + L", " + ItemRowPlace() +
               (menu ? L", with the menu" : L"") + L")");
    return written;
}

bool TakeDialogSnapshot(HWND dialog) {
    RedrawWindow(dialog, NULL, NULL,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT frame;
    GetWindowRect(dialog, &frame);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0) {
        Complain(L"cannot picture the dialog on top: it has no size");
        return false;
    }
    HDC window = GetWindowDC(dialog);
    bool written = WritePicture(window, 0, 0, width, height, Today.Args.DialogSnapshot);
    ReleaseDC(dialog, window);
    if (written) {
        WCHAR caption[CaptionCapacity] = L"";
        GetWindowTextW(dialog, caption, CaptionCapacity);
        Report(L"wrote " + Today.Args.DialogSnapshot + L" (dialog \"" + caption + L"\", " +
               std::to_wstring(width) + L"x" + std::to_wstring(height) + L")");
    }
    return written;
}
