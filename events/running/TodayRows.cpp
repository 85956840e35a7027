// The Today window's choice of rows.
#include "TodayRows.h"

#include "Occurrence.h"

bool concernsDay(const Event &row, const LocalTime &today) {
    return concernsDay(TableRow("", row), today);
}

bool concernsDay(const TableRow &row, const LocalTime &today) {
    // Date fields are compared in their low 16 bits, as a date member holds them; an empty
    // field reads 0 and matches no real date.
    const FieldMoment moment = fieldMomentOf(row);
    const auto same = [](int field, int value) { return low16(field) == low16(value); };
    const auto onDate = [&] {
        return same(moment.year, today.year) && same(moment.month, today.month) &&
               same(moment.day, today.day);
    };
    const auto weekdayOfDate = [&] {
        LocalTime date;
        date.year = moment.year;
        date.month = moment.month;
        date.day = moment.day;
        return fromWallSecond(wallSecond(date)).dayOfWeek;
    };
    const std::string_view dayOfWeek = row.field(dayOfWeekField);
    switch (row.kind()) {
    case RepeatKind::Hourly:
    case RepeatKind::Daily: return true;
    case RepeatKind::Weekly:
        return dayOfWeek.empty() ? weekdayOfDate() == today.dayOfWeek
                                 : same(parseNumber(dayOfWeek), today.dayOfWeek);
    case RepeatKind::Monthly: return same(moment.day, today.day);
    case RepeatKind::Yearly: return same(moment.month, today.month) && same(moment.day, today.day);
    case RepeatKind::OneTime:
    case RepeatKind::Unknown: return onDate();
    }
    return false;
}

std::vector<int> todaysRows(const EventTable &table, const LocalTime &today) {
    std::vector<int> rows;
    for (int index = 0; index < table.rowCount(); ++index)
        if (concernsDay(table.row(index), today))
            rows.push_back(index);
    return rows;
}
