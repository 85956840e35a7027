// The warning a minute before a restart or shutdown: topmost, shown without taking the
// keyboard focus, counting down, with "Later", "Skip this time" and "Now".
#pragma once

#include <windows.h>

#include <string>
#include <vector>

extern const char warningWindowClass[];

// Shows the warning, or updates the one that shows, with the seconds left. Its buttons send
// IDC_WARNING_SKIP and IDC_WARNING_NOW (with the button as sender) to the main window; its
// Later button opens a menu of the choices offered, and the one chosen is sent as
// IDM_WARNING_LATER_FIRST + its index (with the Later button as sender). Without choices Later
// is disabled; why some are not offered shows below the buttons. After its close box it stays
// away until the next warning: closing it is no answer.
void showWarningWindow(HWND mainWindow, bool shutDown, const std::string &matchKey, int secondsLeft,
                       const std::vector<std::string> &laterChoices, const std::string &laterWhy);
void closeWarningWindow();

// The text of its first line: "Velkorin will restart this computer in 57 s".
std::string warningText(bool shutDown, int secondsLeft);
