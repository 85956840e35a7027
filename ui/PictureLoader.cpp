// The picture loader: resource bytes, a stream that owns a copy of them, the OLE picture
// decoder, and a render into a bitmap compatible with the screen.
#include "PictureLoader.h"

#include "Scale.h"

#include "resource.h"

namespace {

const char pictureType[] = "IMAGE";

// Copies forward four bytes at a time, then the remaining zero to three bytes singly.
void copyMemory(const void *source, void *destination, DWORD length) {
    const BYTE *from = static_cast<const BYTE *>(source);
    BYTE *to = static_cast<BYTE *>(destination);
    DWORD words = length / 4;
    for (DWORD i = 0; i < words; ++i, from += 4, to += 4)
        CopyMemory(to, from, 4);
    for (DWORD i = 0; i < length % 4; ++i)
        *to++ = *from++;
}

// The screen context and a memory context beside it, released together.
struct ScreenContexts {
    ScreenContexts() : screen(GetDC(nullptr)), memory(CreateCompatibleDC(screen)) {}
    ~ScreenContexts() {
        if (memory)
            DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    ScreenContexts(const ScreenContexts &) = delete;
    ScreenContexts &operator=(const ScreenContexts &) = delete;
    HDC screen;
    HDC memory;
};

} // namespace

HBITMAP bitmapFromPicture(IPicture *picture) {
    if (!picture) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HRESULT rendered = S_OK;
    HBITMAP bitmap = nullptr;
    {
        ScreenContexts dc;
        if (!dc.memory)
            return nullptr;
        OLE_XSIZE_HIMETRIC himetricWidth = 0;
        OLE_YSIZE_HIMETRIC himetricHeight = 0;
        picture->get_Width(&himetricWidth);
        picture->get_Height(&himetricHeight);
        // 2540 HIMETRIC units make an inch; MulDiv rounds to the nearest pixel.
        const int width = MulDiv(himetricWidth, GetDeviceCaps(dc.screen, LOGPIXELSX), 2540);
        const int height = MulDiv(himetricHeight, GetDeviceCaps(dc.screen, LOGPIXELSY), 2540);
        // Compatible with the screen, not with the fresh memory context, which is monochrome.
        bitmap = CreateCompatibleBitmap(dc.screen, width, height);
        if (!bitmap)
            return nullptr;
        HGDIOBJ previous = SelectObject(dc.memory, bitmap);
        if (!previous) {
            DeleteObject(bitmap);
            return nullptr;
        }
        // The HIMETRIC y axis runs upwards: starting at the bottom edge with a negative height
        // draws the picture upright.
        rendered = picture->Render(dc.memory, 0, 0, width, height, 0, himetricHeight, himetricWidth,
                                   -himetricHeight, nullptr);
        SelectObject(dc.memory, previous);
        if (FAILED(rendered)) {
            DeleteObject(bitmap);
            bitmap = nullptr;
        }
    }
    // Set after the clean-up, which could overwrite it otherwise.
    if (FAILED(rendered))
        SetLastError(static_cast<DWORD>(rendered));
    return bitmap;
}

HBITMAP pictureFromMemory(const void *data, DWORD size) {
    // The stream frees its block with GlobalFree, so the block comes from GlobalAlloc: memory
    // of another allocator would only work where both happen to share a heap.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return nullptr;
    void *copy = GlobalLock(block);
    if (!copy) {
        GlobalFree(block);
        return nullptr;
    }
    copyMemory(data, copy, size);
    GlobalUnlock(block);
    IStream *stream = nullptr;
    // From here on the stream owns the block and frees it when released.
    if (CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK) {
        GlobalFree(block);
        return nullptr;
    }
    IPicture *picture = nullptr;
    // Not in run mode: Windows' picture object always owns the bitmap it decodes, and Wine's
    // owns it only then. Either way it frees the bitmap itself when released, and the program
    // never touches a handle it no longer holds.
    if (OleLoadPicture(stream, 0, FALSE, IID_IPicture, reinterpret_cast<void **>(&picture)) !=
        S_OK) {
        stream->Release();
        return nullptr;
    }
    HBITMAP bitmap = bitmapFromPicture(picture);
    stream->Release();
    picture->Release();
    return bitmap;
}

HBITMAP pictureFromResource(HINSTANCE module, int id) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), pictureType);
    const DWORD size = found ? SizeofResource(module, found) : 0;
    if (size == 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return pictureFromMemory(LockResource(LoadResource(module, found)), size);
}

HBITMAP pictureAt(HINSTANCE module, int id, UINT dpi) {
    UINT madeFor = baseDpi;
    HBITMAP decoded = pictureFromResource(module, pictureIdAt(id, dpi, madeFor));
    // Each picture says the dpi it was made for, so it decodes at the screen's system dpi.
    return stretchedTo(decoded, dpiOf(nullptr), dpi);
}

void drawPicture(HDC dc, const RECT &client, HBITMAP picture, HBRUSH withoutPicture,
                 bool drawnOut) {
    if (!picture) {
        FillRect(dc, &client, withoutPicture);
        return;
    }
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    if (drawnOut) {
        // The edges drawn out only where the paint reaches them: the clock's paint of its time
        // line does not.
        BITMAP size = {};
        GetObjectA(picture, sizeof size, &size);
        const RECT right = {size.bmWidth, 0, client.right, size.bmHeight};
        const RECT below = {0, size.bmHeight, client.right, client.bottom};
        if (size.bmWidth < client.right && RectVisible(dc, &right))
            StretchBlt(dc, size.bmWidth, 0, client.right - size.bmWidth, size.bmHeight, memory,
                       size.bmWidth - 1, 0, 1, size.bmHeight, SRCCOPY);
        if (size.bmHeight < client.bottom && RectVisible(dc, &below))
            StretchBlt(dc, 0, size.bmHeight, client.right, client.bottom - size.bmHeight, memory, 0,
                       size.bmHeight - 1, size.bmWidth, 1, SRCCOPY);
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
}

void paintPictureBackground(HWND window, HBITMAP picture, HBRUSH withoutPicture) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    drawPicture(dc, client, picture, withoutPicture);
    EndPaint(window, &paint);
}

HICON programIcon(int size) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM),
                                         IMAGE_ICON, size, size, LR_SHARED));
}
