// The missed-event sweep.
#include "MissedSweep.h"

#include "Occurrence.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

bool isMissed(const Event &event, const LocalTime &now) {
    return isMissed(TableRow("", event), now);
}

bool isMissed(const TableRow &row, const LocalTime &now) {
    // A row whose date fields are missing, zero or out of range (a hand-edited file) names no
    // moment that could have passed: it stays, and fires if its text comes due.
    const FieldMoment moment = fieldMomentOf(row);
    if (row.field(yearField).empty() || row.field(monthField).empty() ||
        row.field(dayField).empty() || !isRealDate(moment.year, moment.month, moment.day) ||
        !moment.realTime())
        return false;
    const std::uint16_t current[] = {low16(now.year), low16(now.month),  low16(now.day),
                                     low16(now.hour), low16(now.minute), low16(now.second)};
    const std::uint16_t held[] = {low16(moment.year), low16(moment.month),  low16(moment.day),
                                  low16(moment.hour), low16(moment.minute), low16(moment.second)};
    for (std::size_t i = 0; i < std::size(current); ++i)
        if (current[i] != held[i])
            return current[i] > held[i];
    return false; // its very second: the due check's first tick examines it and fires it
}

std::string missedNoticeText(const Event &event) {
    return "Date&Time:" + event.matchKey + "\r\nRestart:" + event.restart +
           "\r\nShut down:" + event.shutDown;
}

std::string manyMissedText(const std::vector<std::string> &notices) {
    std::string text = std::to_string(notices.size()) + " more missed events:";
    for (const std::string &notice : notices)
        text += "\r\n\r\n" + notice;
    return text;
}

std::string sleptNoticeText(const std::vector<std::string> &notices) {
    if (notices.size() == 1)
        return notices.front();
    std::string text = std::to_string(notices.size()) + " events passed while the computer slept:";
    for (const std::string &notice : notices)
        text += "\r\n\r\n" + notice;
    return text;
}

bool sweepMissedEvents(EventTable &table, EventFile &file, Platform &platform, const LocalTime &now,
                       History *history, MissedNotices told,
                       const std::vector<Event> &actionsSleptThrough) {
    // One pass finds the passed rows and one change removes them all, however many there are.
    std::vector<int> passed;
    std::vector<std::string> notices;
    std::vector<Event> passedEvents;
    for (int index = 0; index < table.rowCount(); ++index) {
        const TableRow &row = table.row(index);
        if (row.kind() != RepeatKind::OneTime || !isMissed(row, now))
            continue;
        passed.push_back(index);
        passedEvents.push_back(row.event());
    }
    std::vector<const Event *> missed;
    for (const std::vector<Event> *events : {&actionsSleptThrough, &std::as_const(passedEvents)})
        for (const Event &event : *events) {
            notices.push_back(platform.utf8From(missedNoticeText(event)));
            missed.push_back(&event);
        }
    if (history)
        history->recordEach(now, "missed", missed);
    table.deleteRows(passed);
    if (told == MissedNotices::Together) {
        if (!notices.empty())
            platform.showMissedEventNotice(sleptNoticeText(notices));
        return file.saveAndReload(table);
    }
    // A notice of its own for each of the first ones; the rest together in one more, so any
    // number is reported at once without a window for each.
    const std::size_t own =
        notices.size() <= maxMissedNotices + 1 ? notices.size() : maxMissedNotices;
    for (std::size_t i = 0; i < own; ++i)
        platform.showMissedEventNotice(notices[i]);
    if (own < notices.size())
        platform.showMissedEventNotice(manyMissedText(std::vector<std::string>(
            notices.begin() + static_cast<std::ptrdiff_t>(own), notices.end())));
    return file.saveAndReload(table);
}
