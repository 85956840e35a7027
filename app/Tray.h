// The tray icon, the tray menu and the main menu's commands for the settings, the Today
// setting, the help file and the vendor's site.
#pragma once

#include <windows.h>

#include <string>

constexpr UINT trayCallbackMessage = WM_USER + 5;

// The Today setting in memory: 1 opens the Today window at start.
extern int todaySetting;

// Hides the main window into the tray and shows the icon there.
void hideToTray(HWND window);

// The icon's messages, in the tray's newest form (the event and the icon id in lParam, the
// icon's place in wParam): a right click opens the tray menu, a left click brings the window
// back; from the keyboard the menu key or Shift+F10 opens the menu, Enter or space brings the
// window back. Another icon id is not this icon's.
void trayCallback(HWND window, WPARAM anchor, LPARAM event);

// A tray menu entry, translated into what it stands for; false for any other command.
bool trayCommand(HWND window, WORD id);

// The main menu's commands that the tray menu offers too: Settings, Today, Help Topics and
// the site (30, 33, 35 and 36); false for any other command.
bool mainMenuCommand(HWND window, WORD id);

// Puts the check mark of item 33 in step with the Today setting.
void showTodayMark(HWND window);
// Greys the main menu's items of the settings a policy fixes.
void showFixedSettings(HWND window);

// While the window is in the tray only the tray brings it back: the dialog manager shows a
// hidden dialog when its queue first runs empty, and Wine shows a window again that it hid in
// the middle of a minimise. Takes the show out of any other change of the window's place.
void keepHiddenInTray(WINDOWPOS &change);

// While the window is in the tray none of its controls takes the focus back: an activation or
// focus the system gives the hidden window stays with the window itself, so no caret blinks
// unseen. True when the message was taken; the dialog's own handling runs otherwise.
bool keepFocusInTray(HWND window);

// The icon's tip: the next power action, so a look at the tray tells what comes.
void showTrayTip(const std::string &tip);

// Removes the icon, when the program ends.
void removeTrayIcon();
