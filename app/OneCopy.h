// One program per event file: a second start hands over to the copy that keeps the file.
#pragma once

#include <windows.h>

#include <string>

// What a start found of the copies on an event file.
struct CopyCheck {
    bool handedOver = false; // another copy keeps the file: this one ends
    // Where the lock is and, when it could not be had, the error why.
    std::string lockPath, lockError;
};

// Another copy of the program already keeps the event file of eventDirectory when it holds the
// lock on "InformationSW.lock" beside it (whatever path named the directory): that copy's main
// window, found by the program directory it runs from, is then brought to the front, out of the
// tray too, or, when it runs for another user, the user is told so once, and this copy is handed
// over. When this copy is the first it holds the lock for the life of the process. When the lock
// can be neither made nor opened for any other reason, lockError says why: this copy then carries
// out no event, since another one may.
CopyCheck handOverToRunningCopy(const std::string &eventDirectory,
                                const std::string &programDirectory);

// The session ends: the lock goes before the process does, so nothing is left to wait for.
void letGoOfLock();

// A command of the command line on the events of eventDirectory: this process holds their lock
// (until it ends), or a copy of the program keeps them (its main window; null when it cannot be
// found on this desktop), or the lock failed for another reason (told why).
struct CommandLock {
    enum class State { Held, Running, Failed } state = State::Failed;
    HWND running = nullptr;
    std::string lockPath, error;
};
CommandLock lockForCommand(const std::string &eventDirectory, const std::string &programDirectory);
