// The shell's process-wide state: one of each per process, alive for the whole run.
#pragma once

#include "DueCheck.h"
#include "Editor.h"
#include "EventFile.h"
#include "EventList.h"
#include "EventTable.h"
#include "Win32Platform.h"

#include <windows.h>

#include <string>

extern HINSTANCE programInstance;
extern std::string executablePath;
extern std::string programDirectory; // ends with a backslash
// Where the event file, its lock and copies and the history live: the program directory, or
// the computer's event folder for an installation for all users. Ends with a backslash.
extern std::string eventDirectory;

// The scheduling core as the program holds it: the table (the source of truth), the event
// list that mirrors it, the event file, the due check and the editor.
struct Scheduling {
    explicit Scheduling(const std::string &directory)
        : file(platform, eventFilePath(directory)), due(table, file, platform),
          editor(table, file, platform), history(platform, directory) {}

    Win32Platform platform;
    EventTable table;
    EventFile file;
    DueCheck due;
    Editor editor;
    History history;
    EventList list;
};

// A check box of a dialog is ticked.
bool ticked(HWND dialog, int box);

// Made once the event directory is known.
Scheduling &scheduling();
