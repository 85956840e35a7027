// One program per event file: a second start hands over to the copy that keeps the file.
#pragma once

#include <string>

// True when a copy of the program already keeps this directory's event file (by the lock it
// holds on "InformationSW.lock" beside it, whatever path named the directory): that copy's
// main window is then brought to the front, out of the tray too, or, when it runs for another
// user, the user is told so once. False, with the lock held for the life of the process, when
// this copy is the first.
bool handOverToRunningCopy(const std::string &programDirectory);
