// Sharp at any scaling: the program is aware of each screen's dots per inch, lays out and paints
// in pixels of 100% multiplied by the window's scale, and takes each picture made at the scale
// nearest the screen's, stretched to the rest.
#pragma once

#include <windows.h>

constexpr UINT baseDpi = 96; // 100%

// The dots per inch of the screen a window stands on (the system's before Windows 10).
UINT dpiOf(HWND window);

// Pixels of 100% at a window's dots per inch.
int scaled(int pixels, UINT dpi);

// A picture resource made at the scale nearest a dpi: its 100% id, that id + 100 for 150% or
// + 200 for 200%; `madeFor` gets that scale's dpi.
int pictureIdAt(int picture, UINT dpi, UINT &madeFor);

// A screen bitmap of a size, drawn smoothly from a picture; the picture stays the caller's.
HBITMAP copyOfBitmap(HBITMAP picture, int width, int height);

// A bitmap made for one dpi, brought to another, smoothly; the bitmap itself when they agree.
// The one given is released when a new one is made.
HBITMAP stretchedTo(HBITMAP picture, UINT madeFor, UINT dpi);

// A dialog the dialog manager made at a dpi other than 96 is laid out in its font's units,
// which do not grow in step with the dpi: its controls and client area are placed again at
// exactly their size at 100% times the scale, so they meet the face drawn at that scale.
void layOutAtScale(HWND dialog, UINT dpi);

// The dialog moved from one dpi to another: every control and the font they share go with it.
// The font made for the last move is `font`, released when replaced.
void moveControlsToScale(HWND dialog, UINT from, UINT to, HFONT &font);

// A button bitmap (resource type BITMAP) at a dpi.
HBITMAP bitmapAt(HINSTANCE module, int picture, UINT dpi);
