// The bitmap push button: a picture that shows pressed while the left button is held on it and
// sends its parent a click when released over it.
#pragma once

#include <windows.h>

extern const char bitmapButtonClass[]; // "Bmp_Button_Class"

// A button at (x, y) of the parent's client area, as large as its up picture; it sends
// WM_COMMAND (control id, BN_CLICKED) with its own handle, like a push button. Tab reaches it,
// where it shows a focus frame, and Space or Enter click it. Its words ("OK") are its window
// text, which screen readers read. Its pictures are those made for the dpi (96 for 100%).
HWND createBitmapButton(HWND parent, int x, int y, int upPicture, int downPicture, int controlId,
                        const char *words, UINT dpi = 96);
