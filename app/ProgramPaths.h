// Where the program lives: its executable and its directory, of any length Windows allows.
#pragma once

#include <string>

// The full path of the running executable, however long.
std::string runningExecutablePath();

// The directory of an executable path, ending with its backslash: C:\Tools\clock.exe gives
// C:\Tools\ .
std::string directoryOf(const std::string &executablePath);

// A path for the wide file functions, whatever its length: a long absolute path gets the
// "\\?\" prefix that lifts the MAX_PATH limit, which the ANSI functions never lift.
std::wstring fileSystemPath(const std::string &path);
