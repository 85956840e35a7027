// The clock face: the skin picture with the date and time over it in the font colour. The face
// paints what it is given; the shell's menu code chooses skins and colours and stores them.
#pragma once

#include <windows.h>

// The face's text colour, shared with the event list and the Today window.
extern COLORREF fontColour; // 0x00BBGGRR, black until the shell gives the stored one

void paintClockFace(HWND window);

// The face's font, made for each paint; the caller deletes it.
HFONT createClockFont();

// The clock work of a tick: takes the reading and, while the face shows, formats the date and
// time, redraws the time line, and the whole face once when the date text changes. Hidden or
// minimised, the face keeps the reading only: nothing is formatted or drawn.
void clockWork(HWND window, const SYSTEMTIME &now);
// The face is on screen: the window is shown and not minimised.
bool faceOnScreen(HWND window);

// The face shows again (or for the first time): a reading formatted, and the face drawn whole.
void faceShown(HWND window, const SYSTEMTIME &now);

// WM_CTLCOLOREDIT and WM_CTLCOLORLISTBOX of the main window: the combo boxes' text in the font
// colour on white. Null for a window it only owns (a notice is an edit window of its own),
// which keeps the system's colours.
HBRUSH controlColours(HWND window, HDC dc, HWND control);

// Shows skin 0 (White) or 1 (Metal); any other value changes nothing and is false.
bool setSkin(HWND window, int skin);

// The face at a window's dots per inch (96 until told): the skin made for it, the lines and
// the font scaled; drawn afresh.
void scaleFace(HWND window, UINT dpi);

// Makes a colour the font colour of the face and (through a repaint of the window and its
// children) of the combo boxes.
void colourFace(HWND window, COLORREF colour, BOOL erase);

// The colour dialog: true with the colour the user confirmed, false when cancelled or failed.
bool chooseColour(HWND owner, HINSTANCE instance, DWORD flags, COLORREF &chosen);
