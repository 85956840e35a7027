// The Today window's choice of rows.
#include "TodayRows.h"

namespace {

// Date fields are compared in their low 16 bits, as a date member holds them; an empty field
// reads 0 and matches no real date.
bool sameNumber(std::string_view field, int value) {
    return (parseNumber(field) & 0xFFFF) == (value & 0xFFFF);
}

// field(i) is the text of a row's field i, in the order of eventFields.
template <class Field> bool concerns(Field field, RepeatKind kind, const LocalTime &today) {
    const auto onDate = [&] {
        return sameNumber(field(yearField), today.year) &&
               sameNumber(field(monthField), today.month) && sameNumber(field(dayField), today.day);
    };
    const auto weekdayOfDate = [&] {
        LocalTime date;
        date.year = parseNumber(field(yearField));
        date.month = parseNumber(field(monthField));
        date.day = parseNumber(field(dayField));
        return fromWallSecond(wallSecond(date)).dayOfWeek;
    };
    switch (kind) {
    case RepeatKind::Hourly:
    case RepeatKind::Daily: return true;
    case RepeatKind::Weekly:
        return field(dayOfWeekField).empty() ? weekdayOfDate() == today.dayOfWeek
                                             : sameNumber(field(dayOfWeekField), today.dayOfWeek);
    case RepeatKind::Monthly: return sameNumber(field(dayField), today.day);
    case RepeatKind::Yearly:
        return sameNumber(field(monthField), today.month) && sameNumber(field(dayField), today.day);
    case RepeatKind::OneTime:
    case RepeatKind::Unknown: return onDate();
    }
    return false;
}

} // namespace

bool concernsDay(const Event &row, const LocalTime &today) {
    return concerns(
        [&row](std::size_t field) { return std::string_view(row.*eventFields[field].member); },
        repeatKindOf(row.repeat), today);
}

bool concernsDay(const TableRow &row, const LocalTime &today) {
    return concerns([&row](std::size_t field) { return row.field(field); }, row.kind(), today);
}

std::vector<int> todaysRows(const EventTable &table, const LocalTime &today) {
    std::vector<int> rows;
    for (int index = 0; index < table.rowCount(); ++index)
        if (concernsDay(table.row(index), today))
            rows.push_back(index);
    return rows;
}
