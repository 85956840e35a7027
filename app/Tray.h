// The tray icon and the tray menu, whose entries are the main menu's commands.
#pragma once

#include <windows.h>

#include <string>

constexpr UINT trayCallbackMessage = WM_USER + 5;

// Hides the main window into the tray and shows the icon there.
void hideToTray(HWND window);

// The icon's messages, in the tray's newest form (the event and the icon id in lParam, the
// icon's place in wParam): a right click opens the tray menu, a left click brings the window
// back; from the keyboard the menu key or Shift+F10 opens the menu, Enter or space brings the
// window back. Another icon id is not this icon's.
void trayCallback(HWND window, WPARAM anchor, LPARAM event);

// A tray menu entry, translated into what it stands for; false for any other command.
bool trayCommand(HWND window, WORD id);

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
