// The missed-event sweep.
#include "MissedSweep.h"

#include <cstdint>

namespace {

std::uint16_t low16(const std::string &text) {
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(parseNumber(text)));
}

} // namespace

bool isMissed(const EventFields &fields, const LocalTime &now) {
    const std::uint16_t current[] = {
        static_cast<std::uint16_t>(now.year),   static_cast<std::uint16_t>(now.month),
        static_cast<std::uint16_t>(now.day),    static_cast<std::uint16_t>(now.hour),
        static_cast<std::uint16_t>(now.minute), static_cast<std::uint16_t>(now.second)};
    const std::uint16_t stored[] = {low16(fields.year), low16(fields.month),  low16(fields.day),
                                    low16(fields.hour), low16(fields.minute), low16(fields.second)};
    for (int i = 0; i < 6; ++i)
        if (current[i] != stored[i]) return current[i] > stored[i];
    return true;
}

std::string missedNoticeText(const EventFields &fields) {
    return "Date&Time:" + fields.matchKey + "\r\nRestart:" + fields.restart +
           "\r\nShut down:" + fields.shutDown;
}

void sweepMissedEvents(EventTable &table, EventFile &file, Platform &platform,
                       const LocalTime &now) {
    for (int index = 0; index < table.rowCount();) {
        EventFields fields = table.readRow(index);
        if (repeatKindOf(fields.repeat) != RepeatKind::OneTime || !isMissed(fields, now)) {
            ++index;
            continue;
        }
        // The row that moves up into this index is examined next.
        std::string text = missedNoticeText(fields);
        table.deleteRow(index);
        platform.showMissedEventNotice(text);
    }
    file.rewriteEventFile(table);
}
