// Velkorin.exe started with words after its name: a command of the command line for
// administrators, carried out without the main window, its outcome printed to the console the
// program was started from.
#pragma once

#include <string>
#include <vector>

// The words after the program's name, in UTF-8; none for a start of the program itself.
std::vector<std::string> commandLineWords();

// Carries out the command: handed to the copy that runs for the same events, or on the event
// file under its lock when none does. The exit code: 0 done, 1 nothing changed because of a
// file, 2 bad input.
int runCommandLine(const std::vector<std::string> &words);
