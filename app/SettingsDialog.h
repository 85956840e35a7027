// The Settings dialog "DIALS": start with Windows and start minimised.
#pragma once

#include <windows.h>

// Runs the dialog modally, without an owner; the result is always 0.
INT_PTR runSettingsDialog();
