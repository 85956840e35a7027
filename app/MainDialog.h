// The main window "DIAL": the hub that routes every message to the part that handles it.
#pragma once

#include "OneCopy.h"

#include <windows.h>

INT_PTR CALLBACK mainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the main window until the user exits; the result is the process's exit code. With a
// lock on the event file that could not be had, the user is told why and no event is carried
// out.
INT_PTR runMainDialog(const CopyCheck &copy);
