// The missed-event sweep.
#include "MissedSweep.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

namespace {

std::uint16_t low16(std::string_view text) {
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(parseNumber(text)));
}

// A row's date and time fields, year to second.
using MomentTexts = std::array<std::string_view, 6>;

// A moment the calendar and the clock have: a row whose date fields are missing, zero or out
// of range (a hand-edited file) names no moment that could have passed.
bool isRealMoment(const MomentTexts &texts) {
    const auto [year, month, day, hourText, minuteText, secondText] = texts;
    const int hour = parseNumber(hourText), minute = parseNumber(minuteText);
    const int second = parseNumber(secondText);
    return !year.empty() && !month.empty() && !day.empty() &&
           isRealDate(parseNumber(year), parseNumber(month), parseNumber(day)) && hour >= 0 &&
           hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

bool isMissedMoment(const MomentTexts &texts, const LocalTime &now) {
    if (!isRealMoment(texts))
        return false; // it stays, and fires if its text comes due
    const std::uint16_t current[] = {
        static_cast<std::uint16_t>(now.year),   static_cast<std::uint16_t>(now.month),
        static_cast<std::uint16_t>(now.day),    static_cast<std::uint16_t>(now.hour),
        static_cast<std::uint16_t>(now.minute), static_cast<std::uint16_t>(now.second)};
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (current[i] != low16(texts[i]))
            return current[i] > low16(texts[i]);
    return false; // its very second: the due check's first tick examines it and fires it
}

} // namespace

bool isMissed(const Event &fields, const LocalTime &now) {
    return isMissedMoment(
        {fields.year, fields.month, fields.day, fields.hour, fields.minute, fields.second}, now);
}

bool isMissed(const TableRow &row, const LocalTime &now) {
    return isMissedMoment({row.field(yearField), row.field(monthField), row.field(dayField),
                           row.field(hourField), row.field(minuteField), row.field(secondField)},
                          now);
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
