// What a window shows of a text held in UTF-8. Paths, the system's reasons and every notice,
// title and message are held in UTF-8 and shown through the wide functions, so a name in any
// alphabet shows as it is, whatever the user's code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

std::wstring shownText(std::string_view utf8);

// The window's text (a title, a notice's body).
void showText(HWND window, const std::string &utf8);

// A message box with a UTF-8 text and caption; the button chosen.
int askUser(HWND owner, const std::string &text, const std::string &caption, UINT flags);
