// The picture loader: turns the program's JPEG pictures (resource type "IMAGE") into device
// bitmaps in the screen's format at the pictures' natural size, and gives the program's icon.
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

// The IMAGE resource with that id, decoded; null with last error 2 when there is none.
HBITMAP pictureFromResource(HINSTANCE module, int id);

// The IMAGE resource made at the scale nearest a dpi, decoded and brought to that dpi.
HBITMAP pictureAt(HINSTANCE module, int id, UINT dpi);

// A picture file held in memory, decoded; null when it cannot be decoded.
HBITMAP pictureFromMemory(const void *data, DWORD size);

// A decoded picture drawn upright into a new bitmap of its size in screen pixels; null with
// last error 87 when there is no picture, or with the render's failure code.
HBITMAP bitmapFromPicture(IPicture *picture);

// A picture at the top left of a client area, unscaled, cut at its edges; with no picture, the
// given brush. Drawn out, a picture smaller than the area has its last column and row drawn
// out to the edges (where the paint reaches them), so it seems to go on.
void drawPicture(HDC dc, const RECT &client, HBITMAP picture, HBRUSH withoutPicture,
                 bool drawnOut = false);

// Handles WM_PAINT of a window whose background is a picture, drawn as above.
void paintPictureBackground(HWND window, HBITMAP picture, HBRUSH withoutPicture);

// The program's icon (icon 14) at a size, shared: it is never released and never leaks,
// however often asked for.
HICON programIcon(int size);
