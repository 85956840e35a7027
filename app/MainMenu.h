// The main menu: its commands (the skins, the font colour, About, Settings, Today, Help Topics
// and the vendor's site), and its marks: the skin and the Today setting ticked, what a policy
// fixes greyed. The tray menu's entries come here as these commands.
#pragma once

#include <windows.h>

// The Today setting in memory: 1 opens the Today window at start.
extern int todaySetting;

// Makes the menu the window's, and shows the stored settings behind it: the font colour, the
// Today mark, the skin and the settings a policy fixes.
void setUpMainMenu(HWND window);

// A command of the main menu; false for any other command.
bool mainMenuCommand(HWND window, WORD id);

// Shows skin 0 (White) or 1 (Metal) on the face and ticks its menu entry; any other value
// changes nothing and is false.
bool showSkin(HWND window, int skin);

// Makes a colour the font colour of the main list, the face and the combo boxes.
void showFontColour(HWND window, COLORREF colour, BOOL erase);

// Puts the check mark of item 33 in step with the Today setting.
void showTodayMark(HWND window);
// Greys the main menu's items of the settings a policy fixes.
void showFixedSettings(HWND window);
