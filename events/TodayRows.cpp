// The Today window's choice of rows.
#include "TodayRows.h"

namespace {

// Date fields are compared in their low 16 bits, as a date member holds them; an empty field
// reads 0 and matches no real date.
bool sameNumber(const std::string &field, int value) {
    return (parseNumber(field) & 0xFFFF) == (value & 0xFFFF);
}

bool onDate(const Event &row, const LocalTime &today) {
    return sameNumber(row.year, today.year) && sameNumber(row.month, today.month) &&
           sameNumber(row.day, today.day);
}

int weekdayOfDate(const Event &row) {
    LocalTime date;
    date.year = parseNumber(row.year);
    date.month = parseNumber(row.month);
    date.day = parseNumber(row.day);
    return fromWallSecond(wallSecond(date)).dayOfWeek;
}

} // namespace

bool concernsDay(const Event &row, const LocalTime &today) {
    switch (repeatKindOf(row.repeat)) {
    case RepeatKind::Hourly:
    case RepeatKind::Daily: return true;
    case RepeatKind::Weekly:
        return row.dayOfWeek.empty() ? weekdayOfDate(row) == today.dayOfWeek
                                     : sameNumber(row.dayOfWeek, today.dayOfWeek);
    case RepeatKind::Monthly: return sameNumber(row.day, today.day);
    case RepeatKind::Yearly:
        return sameNumber(row.month, today.month) && sameNumber(row.day, today.day);
    case RepeatKind::OneTime:
    case RepeatKind::Unknown: return onDate(row, today);
    }
    return false;
}

std::vector<int> todaysRows(const EventTable &table, const LocalTime &today) {
    std::vector<int> rows;
    for (int index = 0; index < table.rowCount(); ++index)
        if (concernsDay(table.event(index), today))
            rows.push_back(index);
    return rows;
}
