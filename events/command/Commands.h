// The command line's commands carried out on the events: by the running program on its table,
// or by the command itself on the event file when none runs.
#pragma once

#include "CommandLine.h"
#include "Editor.h"
#include "EventFile.h"
#include "EventTable.h"
#include "History.h"
#include "Platform.h"

#include <string>

struct CommandOutcome {
    int exitCode = exitDone;
    std::string text;     // what the console shows, UTF-8, lines ended with CR LF
    std::string exported; // /export: the CSV the file is to hold
};

// Adds, deletes and imports as the editor does (the events composed as the event form composes
// them, the file written once with the table's rows); lists and exports the table. Bad input
// changes nothing; an import adds the rows it can take and names the others with their lines.
// `importText` is the text of the file /import names, read by the caller.
CommandOutcome runCommand(const Command &command, EventTable &table, Editor &editor,
                          EventFile &file, Platform &platform, History *history,
                          const std::string &importText = std::string());
