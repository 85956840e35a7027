// The start of scheduling: the event file loaded (the user asked when it cannot be read), the
// events missed while the program was not running reported, and the due check started.
#pragma once

#include "OneCopy.h"

#include <windows.h>

// A file that exists but cannot be read is never taken for an empty one: after Cancel the
// program runs without events and leaves the file alone. Without the event file's lock the
// events are shown and none is carried out, and the user is told why.
void startScheduling(HWND window, const CopyCheck &copy);

// The administrator's limit of Later, read at start and whenever Group Policy is applied anew.
void readLaterPolicy();
