// Carrying out the command line's commands.
#include "Commands.h"

#include "EventCsv.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace {

CommandOutcome outcome(int exitCode, const std::string &text) {
    return {exitCode, text + "\r\n", std::string()};
}

std::string shownNumber(const TableRow &row) {
    std::string number(row.rowNumber());
    number.erase(0, number.find_first_not_of(' '));
    return number;
}

// An event as the console names it: "2026-12-24 18:00:00 once restart".
std::string described(const TableRow &row) {
    std::string text = momentOf(row) + " " + wordOfRepeat(std::string(row.field(repeatField)));
    if (row.action() != PowerAction::None)
        text += std::string(" ") + actionWord(row.action());
    return text;
}

// The same event: key, repeat and action.
using Identity = std::tuple<std::string, std::string, PowerAction>;
Identity identityOf(const TableRow &row) {
    return {std::string(row.matchKey()), std::string(row.field(repeatField)), row.action()};
}
Identity identityOf(const Event &event) {
    return {event.matchKey, event.repeat, powerActionOf(event)};
}

// The event a moment, repeat and action make, as the event form composes it; false, with the
// reason, for a one-time moment that has passed already.
bool compose(const CommandMoment &moment, const std::string &repeat, PowerAction action,
             Platform &platform, const LocalTime &now, Event &event, std::string &why) {
    if (repeat.empty() && wallSecond(moment.time) <= wallSecond(now)) {
        why = "the moment has passed: a one-time event then could only be reported missed";
        return false;
    }
    LocalTime time = moment.time;
    if (!moment.dated) { // a Daily or Hourly time: the date plays no part
        time.year = now.year;
        time.month = now.month;
        time.day = now.day;
        time.dayOfWeek = now.dayOfWeek;
    }
    composeEventOf(formAt(time, repeat, action), platform, event);
    return true;
}

std::string notStored(const EventFile &file, Editor::Outcome result) {
    if (result == Editor::Outcome::FileTooLarge)
        return "Nothing was changed: the event file " + file.path() +
               " is too large to read and is left alone.";
    return "Nothing was changed: the event file " + file.path() +
           " could not be written: " + file.lastError();
}

CommandOutcome add(const Command &command, EventTable &table, Editor &editor, EventFile &file,
                   Platform &platform, History *history) {
    const LocalTime now = platform.localTime();
    Event event;
    std::string why;
    if (!compose(command.moment, command.repeat, command.action, platform, now, event, why))
        return outcome(exitBadInput, "Nothing was added: " + why + ".");
    for (int index = 0; index < table.rowCount(); ++index)
        if (identityOf(table.row(index)) == identityOf(event))
            return outcome(exitDone, "Event " + shownNumber(table.row(index)) +
                                         " is this event already: nothing was added.");
    if (const Editor::Outcome result = editor.addEvents({event}); result != Editor::Outcome::Added)
        return outcome(exitFileProblem, notStored(file, result));
    const TableRow &added = table.row(table.rowCount() - 1);
    if (history)
        history->record(now, "added from the command line", event);
    return outcome(exitDone, "Added event " + shownNumber(added) + ": " + described(added) + " (" +
                                 platform.utf8From(event.matchKey) + ")");
}

CommandOutcome remove(const Command &command, EventTable &table, Editor &editor, EventFile &file,
                      Platform &platform, History *history) {
    for (int index = 0; index < table.rowCount(); ++index) {
        const TableRow &row = table.row(index);
        if (parseNumber(row.rowNumber()) != command.number)
            continue;
        const Event event = row.event();
        const std::string what = described(row);
        if (!editor.deleteSelected(index))
            return outcome(exitFileProblem, notStored(file, Editor::Outcome::NotStored));
        if (history)
            history->record(platform.localTime(), "deleted from the command line", event);
        return outcome(exitDone, "Deleted event " + std::to_string(command.number) + ": " + what);
    }
    return outcome(exitBadInput, "There is no event number " + std::to_string(command.number) +
                                     ": nothing was deleted. /list shows the numbers.");
}

CommandOutcome import(const Command &command, EventTable &table, Editor &editor, EventFile &file,
                      Platform &platform, History *history, const std::string &text) {
    const CsvEvents read = readCsv(text);
    if (!read.isCsv)
        return outcome(exitBadInput, command.path + " is not a CSV file of events: " + read.error +
                                         ". Nothing was added.");
    const LocalTime now = platform.localTime();
    std::set<Identity> known;
    for (int index = 0; index < table.rowCount(); ++index)
        known.insert(identityOf(table.row(index)));
    std::vector<Event> events;
    std::vector<CsvEvents::Refused> refused = read.refused;
    for (const CsvEvents::Row &row : read.rows) {
        Event event;
        std::string why;
        if (!compose(row.moment, row.repeat, row.action, platform, now, event, why))
            refused.push_back({row.line, why});
        else if (!known.insert(identityOf(event)).second)
            refused.push_back({row.line, "the same event is in the list already"});
        else
            events.push_back(event);
    }
    if (!events.empty()) {
        if (const Editor::Outcome result = editor.addEvents(events);
            result != Editor::Outcome::Added)
            return outcome(exitFileProblem, notStored(file, result));
        if (history) {
            std::vector<const Event *> added;
            for (const Event &event : events)
                added.push_back(&event);
            history->recordEach(now, "imported from the command line", added);
        }
    }
    std::sort(refused.begin(), refused.end(),
              [](const auto &a, const auto &b) { return a.line < b.line; });
    std::string report = "Added " + std::to_string(events.size()) +
                         (events.size() == 1 ? " event" : " events") + " from " + command.path +
                         ".";
    for (const CsvEvents::Refused &line : refused)
        report += "\r\nLine " + std::to_string(line.line) + " refused: " + line.why +
                  (line.why.back() == '.' ? "" : ".");
    return outcome(refused.empty() ? exitDone : exitBadInput, report);
}

} // namespace

CommandOutcome runCommand(const Command &command, EventTable &table, Editor &editor,
                          EventFile &file, Platform &platform, History *history,
                          const std::string &importText) {
    switch (command.verb) {
    case Command::Verb::Help: return {exitDone, commandHelp, std::string()};
    case Command::Verb::List:
        return {exitDone, command.csv ? listCsv(table) : listText(table), std::string()};
    case Command::Verb::Export: {
        CommandOutcome exported =
            outcome(exitDone, std::to_string(table.rowCount()) +
                                  (table.rowCount() == 1 ? " event" : " events") + " exported to " +
                                  command.path + ".");
        exported.exported = listCsv(table);
        return exported;
    }
    case Command::Verb::Add: return add(command, table, editor, file, platform, history);
    case Command::Verb::Delete: return remove(command, table, editor, file, platform, history);
    case Command::Verb::Import:
        return import(command, table, editor, file, platform, history, importText);
    }
    return outcome(exitBadInput, "Unknown command.");
}
