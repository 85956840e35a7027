// A command of the command line handed to the copy of the program that runs for the same
// events: sent in a WM_COPYDATA message, carried out there like the editor's changes, and
// answered with the command's outcome to a window of the sender's.
#pragma once

#include "Commands.h"

#include <windows.h>

#include <string>
#include <vector>

// The sender: false, with the reason in the outcome's text, when the running copy did not
// answer (it runs for another user and the sender is no administrator, or it hangs).
bool handCommandTo(HWND running, const std::vector<std::string> &words,
                   const std::string &importText, CommandOutcome &outcome);

// The running copy, for WM_COPYDATA: carries out a command sent by a process of the same user
// or of an administrator and answers it; TRUE when it was such a command.
BOOL takeHandedCommand(HWND window, HWND sender, const COPYDATASTRUCT &data);
