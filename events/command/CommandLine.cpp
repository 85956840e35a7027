// Reading the command line's words.
#include "CommandLine.h"

#include <algorithm>
#include <cctype>

const char commandHelp[] =
    "Velkorin.exe: the clock and event scheduler, and its events from the command line.\r\n"
    "\r\n"
    "  Velkorin.exe /list [/csv]\r\n"
    "      The events: number, moment, repeat, action; as CSV with a header line.\r\n"
    "  Velkorin.exe /add yyyy-mm-dd hh:mm:ss [/repeat once|hourly|daily|weekly|monthly|yearly]\r\n"
    "                    [/restart | /shutdown]\r\n"
    "      Adds an event as the event form composes it (once, without an action, unless told).\r\n"
    "  Velkorin.exe /delete <number>\r\n"
    "      Deletes the event of that number, as DELETE does.\r\n"
    "  Velkorin.exe /export <file>\r\n"
    "      Writes the events into a CSV file, as /list /csv prints them.\r\n"
    "  Velkorin.exe /import <file>\r\n"
    "      Adds the events of such a file; rows it cannot take are named with their lines.\r\n"
    "  Velkorin.exe /?\r\n"
    "      This text.\r\n"
    "\r\n"
    "When Velkorin runs, it takes the change at once; otherwise the command changes the event\r\n"
    "file itself. Exit codes: 0 done, 1 nothing changed because of a file (told why), 2 bad\r\n"
    "input (told why), nothing changed.\r\n";

namespace {

std::string lower(std::string text) {
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool isSwitch(const std::string &word) {
    return word.size() > 1 && (word[0] == '/' || word[0] == '-');
}

// "/ADD" and "-add" alike: "add".
std::string switchName(const std::string &word) {
    return lower(word.substr(1));
}

const char momentForm[] = "write it as yyyy-mm-dd hh:mm:ss, for example 2026-12-24 18:00:00";

// Digits only, at least one and at most `most`; the number they make.
bool digits(const std::string &text, std::size_t most, int &number) {
    if (text.empty() || text.size() > most ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    number = std::stoi(text);
    return true;
}

// Splits at a separator: exactly `count` parts.
bool split(const std::string &text, char separator, std::size_t count,
           std::vector<std::string> &parts) {
    parts.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string::npos)
            break;
        start = at + 1;
    }
    return parts.size() == count;
}

const char *const monthNames[] = {"January",   "February", "March",    "April",
                                  "May",       "June",     "July",     "August",
                                  "September", "October",  "November", "December"};

bool parseTime(const std::string &text, LocalTime &time, std::string &error) {
    std::vector<std::string> parts;
    int hour = 0, minute = 0, second = 0;
    if (!split(text, ':', 3, parts) || !digits(parts[0], 2, hour) || !digits(parts[1], 2, minute) ||
        !digits(parts[2], 2, second)) {
        error = "\"" + text + "\" is not a time of day: " + momentForm + ".";
        return false;
    }
    if (hour > 23 || minute > 59 || second > 59) {
        error = text + " is not a time of day: hours go from 00 to 23, minutes and seconds from "
                       "00 to 59.";
        return false;
    }
    time.hour = hour;
    time.minute = minute;
    time.second = second;
    return true;
}

bool parseDate(const std::string &text, LocalTime &time, std::string &error) {
    std::vector<std::string> parts;
    int year = 0, month = 0, day = 0;
    if (!split(text, '-', 3, parts) || !digits(parts[0], 4, year) || parts[0].size() != 4 ||
        !digits(parts[1], 2, month) || !digits(parts[2], 2, day)) {
        error = "\"" + text + "\" is not a date: " + momentForm + ".";
        return false;
    }
    if (month < 1 || month > 12) {
        error = text + " is not a date: there is no month " + std::to_string(month) + ".";
        return false;
    }
    if (!isRealDate(year, month, day)) {
        error = text + " is not a date: there is no " + std::to_string(day) + " " +
                monthNames[month - 1] + " " + std::to_string(year) + ".";
        return false;
    }
    time.year = year;
    time.month = month;
    time.day = day;
    return true;
}

} // namespace

bool parseMoment(const std::string &text, CommandMoment &moment, std::string &error) {
    std::string trimmed = text;
    trimmed.erase(0, trimmed.find_first_not_of(' '));
    trimmed.erase(trimmed.find_last_not_of(' ') + 1);
    const std::size_t blank = trimmed.find(' ');
    moment = CommandMoment();
    if (blank == std::string::npos) {
        if (trimmed.find(':') == std::string::npos) {
            error = "\"" + trimmed + "\" is not a moment: " + momentForm + ".";
            return false;
        }
        return parseTime(trimmed, moment.time, error);
    }
    const std::string time = trimmed.substr(trimmed.find_first_not_of(' ', blank));
    if (time.find(' ') != std::string::npos) {
        error = "\"" + trimmed + "\" is not a moment: " + momentForm + ".";
        return false;
    }
    if (!parseDate(trimmed.substr(0, blank), moment.time, error) ||
        !parseTime(time, moment.time, error))
        return false;
    moment.dated = true;
    moment.time = fromWallSecond(wallSecond(moment.time));
    return true;
}

bool repeatOfWord(const std::string &word, std::string &repeat) {
    static const char *const kinds[] = {"Hourly", "Daily", "Weekly", "Monthly", "Yearly"};
    const std::string asked = lower(word);
    if (asked == "once") {
        repeat.clear();
        return true;
    }
    for (const char *kind : kinds)
        if (asked == lower(kind)) {
            repeat = kind;
            return true;
        }
    return false;
}

std::string wordOfRepeat(const std::string &repeat) {
    if (repeat.empty())
        return "once";
    return repeatKindOf(repeat) == RepeatKind::Unknown ? repeat : lower(repeat);
}

namespace {

struct Reader {
    const std::vector<std::string> &words;
    std::size_t at = 0;
    std::string error;

    bool more() const { return at < words.size(); }
    const std::string &next() { return words[at++]; }
    bool refuse(const std::string &why) {
        error = why;
        return false;
    }
    // The one value a switch takes.
    bool value(const char *what, std::string &into) {
        if (!more() || isSwitch(words[at]))
            return refuse(std::string("/") + what + " needs " +
                          (std::string(what) == "delete" ? "the number of an event, as /list "
                                                           "shows it."
                                                         : "the name of a file."));
        into = next();
        return true;
    }
    // "yyyy-mm-dd hh:mm:ss" as one word or two.
    bool moment(CommandMoment &into) {
        if (!more() || isSwitch(words[at]))
            return refuse(std::string("/add needs a moment: ") + momentForm + ".");
        std::string text = next();
        if (text.find(' ') == std::string::npos && text.find(':') == std::string::npos && more() &&
            !isSwitch(words[at]))
            text += " " + next();
        return parseMoment(text, into, error);
    }
    bool unknown(const std::string &word) {
        return refuse(isSwitch(word)
                          ? "Unknown switch " + word + ". Velkorin.exe /? lists the switches."
                          : "\"" + word +
                                "\" was not expected here. Velkorin.exe /? "
                                "lists the switches.");
    }
};

bool readAdd(Reader &reader, Command &command) {
    if (!reader.moment(command.moment))
        return false;
    bool repeatGiven = false, actionGiven = false;
    while (reader.more()) {
        const std::string word = reader.next();
        const std::string name = isSwitch(word) ? switchName(word) : "";
        if (name == "repeat" && !repeatGiven) {
            std::string kind;
            if (!reader.value("repeat", kind) || !repeatOfWord(kind, command.repeat))
                return reader.refuse("/repeat takes once, hourly, daily, weekly, monthly or "
                                     "yearly" +
                                     (kind.empty() ? std::string(".") : ", not \"" + kind + "\"."));
            repeatGiven = true;
        } else if ((name == "restart" || name == "shutdown") && !actionGiven) {
            command.action = name == "restart" ? PowerAction::Restart : PowerAction::ShutDown;
            actionGiven = true;
        } else if (name == "restart" || name == "shutdown" || name == "repeat") {
            return reader.refuse(name == "repeat" ? "/repeat is given twice."
                                                  : "An event has one action: /restart or "
                                                    "/shutdown, not both.");
        } else {
            return reader.unknown(word);
        }
    }
    const RepeatKind kind = repeatKindOf(command.repeat);
    if (!command.moment.dated && kind != RepeatKind::Daily && kind != RepeatKind::Hourly)
        return reader.refuse("A " + wordOfRepeat(command.repeat) +
                             " event needs its date: " + momentForm + ".");
    return true;
}

} // namespace

ParsedCommand parseCommandLine(const std::vector<std::string> &words) {
    ParsedCommand parsed;
    Reader reader{words, 0, std::string()};
    Command &command = parsed.command;
    if (!reader.more()) {
        parsed.ok = true; // no words: the help
        return parsed;
    }
    const std::string first = reader.next();
    const std::string verb = isSwitch(first) ? switchName(first) : "";
    bool read = true;
    if (verb == "?" || verb == "help") {
        command.verb = Command::Verb::Help;
    } else if (verb == "list") {
        command.verb = Command::Verb::List;
        if (reader.more()) {
            const std::string word = reader.next();
            read = isSwitch(word) && switchName(word) == "csv" ? (command.csv = true)
                                                               : reader.unknown(word);
        }
    } else if (verb == "add") {
        command.verb = Command::Verb::Add;
        read = readAdd(reader, command);
    } else if (verb == "delete") {
        command.verb = Command::Verb::Delete;
        std::string number;
        read = reader.value("delete", number) &&
               (digits(number, 9, command.number) ||
                reader.refuse("\"" + number +
                              "\" is not the number of an event: /list shows the numbers."));
    } else if (verb == "export" || verb == "import") {
        command.verb = verb == "export" ? Command::Verb::Export : Command::Verb::Import;
        read = reader.value(verb.c_str(), command.path);
    } else {
        read = reader.unknown(first);
    }
    if (read && reader.more())
        read = reader.unknown(reader.next());
    parsed.ok = read;
    parsed.error = reader.error;
    return parsed;
}
