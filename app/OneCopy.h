// One program per event file: a second start in the same directory hands over to the copy
// that runs there.
#pragma once

#include <string>

// True when a copy of the program already runs from this directory; that copy's main window
// is then brought to the front, out of the tray too. Copies in other directories do not count.
bool handOverToRunningCopy(const std::string &programDirectory);
