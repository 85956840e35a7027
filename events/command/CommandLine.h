// The command line for administrators: Velkorin.exe /list, /add, /delete, /export, /import and
// /?, read into one command, or refused with the reason.
#pragma once

#include "Event.h"
#include "LocalTime.h"

#include <string>
#include <vector>

// The exit codes: done; nothing changed because of the event file or another file (told why);
// bad input (told why), nothing changed.
enum ExitCode : int { exitDone = 0, exitFileProblem = 1, exitBadInput = 2 };

// A moment as a command writes it: "yyyy-mm-dd hh:mm:ss", or "hh:mm:ss" alone where the date
// plays no part (Daily and Hourly).
struct CommandMoment {
    bool dated = false;
    LocalTime time; // its day of week worked out when dated
};

struct Command {
    enum class Verb { Help, List, Add, Delete, Export, Import };
    Verb verb = Verb::Help;
    bool csv = false;     // /list /csv
    CommandMoment moment; // /add
    std::string repeat;   // /add: the repeat kind's text, empty for once
    PowerAction action = PowerAction::None;
    int number = 0;   // /delete: the number as the list shows it
    std::string path; // /export, /import
    // Whether the command may change the events.
    bool changes() const {
        return verb == Verb::Add || verb == Verb::Delete || verb == Verb::Import;
    }
};

struct ParsedCommand {
    bool ok = false;
    Command command;
    std::string error; // why the words were refused
};

// The words after the program's name, as the shell split them ("yyyy-mm-dd" and "hh:mm:ss" may
// come as two words or as one in quotes). Switches are read in any case, "-" for "/" too.
ParsedCommand parseCommandLine(const std::vector<std::string> &words);

// "yyyy-mm-dd hh:mm:ss", or "hh:mm:ss" alone: false with the reason (30 February, hour 25,
// names of months) when it is no such moment.
bool parseMoment(const std::string &text, CommandMoment &moment, std::string &error);

// The repeat words of the command line and the CSV: "once", "hourly", "daily", "weekly",
// "monthly", "yearly" (in any case), as the event's repeat text; false for any other.
bool repeatOfWord(const std::string &word, std::string &repeat);
// And back: "once" for a one-time event; the event's own text for a kind not known.
std::string wordOfRepeat(const std::string &repeat);

// What /? prints.
extern const char commandHelp[];
