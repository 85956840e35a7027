// The missed-event sweep.
#include "MissedSweep.h"

#include <cstdint>

namespace {

std::uint16_t low16(const std::string &text) {
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(parseNumber(text)));
}

// A moment the calendar and the clock have: a row whose date fields are missing, zero or out
// of range (a hand-edited file) names no moment that could have passed.
bool isRealMoment(const Event &fields) {
    const int hour = parseNumber(fields.hour), minute = parseNumber(fields.minute);
    const int second = parseNumber(fields.second);
    return !fields.year.empty() && !fields.month.empty() && !fields.day.empty() &&
           isRealDate(parseNumber(fields.year), parseNumber(fields.month),
                      parseNumber(fields.day)) &&
           hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

} // namespace

bool isMissed(const Event &fields, const LocalTime &now) {
    if (!isRealMoment(fields))
        return false; // it stays, and fires if its text comes due
    const std::uint16_t current[] = {
        static_cast<std::uint16_t>(now.year),   static_cast<std::uint16_t>(now.month),
        static_cast<std::uint16_t>(now.day),    static_cast<std::uint16_t>(now.hour),
        static_cast<std::uint16_t>(now.minute), static_cast<std::uint16_t>(now.second)};
    const std::uint16_t stored[] = {low16(fields.year), low16(fields.month),  low16(fields.day),
                                    low16(fields.hour), low16(fields.minute), low16(fields.second)};
    for (int i = 0; i < 6; ++i)
        if (current[i] != stored[i])
            return current[i] > stored[i];
    return false; // its very second: the due check's first tick examines it and fires it
}

std::string missedNoticeText(const Event &fields) {
    return "Date&Time:" + fields.matchKey + "\r\nRestart:" + fields.restart +
           "\r\nShut down:" + fields.shutDown;
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
    std::vector<const Event *> missed;
    for (const Event &action : actionsSleptThrough) {
        notices.push_back(missedNoticeText(action));
        missed.push_back(&action);
    }
    for (int index = 0; index < table.rowCount(); ++index) {
        const Event &row = table.event(index);
        if (table.row(index).kind != RepeatKind::OneTime || !isMissed(row, now))
            continue;
        passed.push_back(index);
        notices.push_back(missedNoticeText(row));
        missed.push_back(&row);
    }
    if (history)
        history->recordEach(now, "missed", missed);
    table.deleteRows(passed);
    if (told == MissedNotices::Together) {
        if (!notices.empty())
            platform.showMissedEventNotice(sleptNoticeText(notices));
        return file.rewriteEventFile(table);
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
    return file.rewriteEventFile(table);
}
