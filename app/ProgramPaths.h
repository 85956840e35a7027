// Where the program lives: its executable and its directory, of any length Windows allows and
// in any language. Paths are held in UTF-8 and handed to the wide file functions.
#pragma once

#include <windows.h>

#include <string>

// Text between UTF-16 and a code page (UTF-8 unless another is named).
std::wstring wideOf(const std::string &text, UINT codePage = CP_UTF8);
std::string narrowOf(const std::wstring &wide, UINT codePage = CP_UTF8);
// A UTF-8 text in the user's ANSI code page; false when some character has no place in it.
bool ansiOf(const std::string &utf8, std::string &ansi);

// The full path of the running executable, however long, in UTF-8.
std::string runningExecutablePath();

// The directory of an executable path, ending with its backslash: C:\Tools\clock.exe gives
// C:\Tools\ .
std::string directoryOf(const std::string &executablePath);

// A UTF-8 path for the wide file functions, whatever its length: a long absolute path gets the
// "\\?\" prefix that lifts the MAX_PATH limit, which the ANSI functions never lift.
std::wstring fileSystemPath(const std::string &path);
