// The Settings dialog "DIALS": start with Windows and start minimised.
#pragma once

#include <windows.h>

// Runs the dialog modally, owned by the main window while that shows; one at a time: asked
// for while it is open, the open one comes to the front.
void runSettingsDialog(HWND owner);
