// The clock face: the skin picture with the date and time over it in the font colour, the
// skins and the colour of the main window's text.
#pragma once

#include <windows.h>

// Shared with the settings store, the event list and the Today window.
extern COLORREF fontColour; // 0x00BBGGRR, black until read at start-up
extern int skinsSetting;    // 0 White, 1 Metal

// The local time the most recent tick read; all zero before the first tick.
const SYSTEMTIME &tickTime();

void paintClockFace(HWND window);

// The clock work of a tick: takes the reading, formats the date and time, redraws the time
// line, and the whole face once when the date text changes.
void clockWork(HWND window, const SYSTEMTIME &now);

// WM_CTLCOLOREDIT and WM_CTLCOLORLISTBOX: the combo boxes' text in the font colour on white.
HBRUSH controlColours(HDC dc);

// Makes the skin of the Skins setting current and stores the setting; any other value
// changes nothing.
void applySkin(HWND window);

// Commands 31 and 32.
void chooseSkin(HWND window, int skins);

// Gives the main list (and, through a repaint, the face and the combo boxes) the font colour.
void showFontColour(HWND window, BOOL erase);

// Command 34: the colour dialog; a confirmed colour, black included, becomes the font colour.
void chooseFontColour(HWND window);

// The colour dialog: true with the colour the user confirmed, false when cancelled or failed.
bool chooseColour(HWND owner, HINSTANCE instance, DWORD flags, COLORREF &chosen);
