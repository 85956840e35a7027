// The main window "DIAL": the hub that routes every message to the part that handles it.
#pragma once

#include <windows.h>

INT_PTR CALLBACK mainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the main window until the user exits; the result is the process's exit code.
INT_PTR runMainDialog();
