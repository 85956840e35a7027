// The Today window "DIALT": today's events, shown once at start before the main window.
#pragma once

#include <windows.h>

// Runs the window modally, without an owner, until its close box closes it.
void runTodayWindow();
