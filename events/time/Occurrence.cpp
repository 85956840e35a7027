// The rows' next wall seconds.
#include "Occurrence.h"

#include "LocalTime.h"

namespace {

constexpr std::int64_t day = 86400;

std::int64_t wallOf(int year, int month, int dayOfMonth, std::int64_t timeOfDay) {
    LocalTime date;
    date.year = year;
    date.month = month;
    date.day = dayOfMonth;
    return wallSecond(date) + timeOfDay;
}

// A month's span ahead is enough for every Monthly day (31 comes within 2 months), years for
// 29 February (8 years across a century that is not leap).
constexpr int monthsAhead = 3;
constexpr int yearsAhead = 9;

} // namespace

FieldMoment fieldMomentOf(const TableRow &row) {
    return {parseNumber(row.field(yearField)),   parseNumber(row.field(monthField)),
            parseNumber(row.field(dayField)),    parseNumber(row.field(hourField)),
            parseNumber(row.field(minuteField)), parseNumber(row.field(secondField))};
}

std::optional<std::int64_t> nextOccurrence(const TableRow &row, std::int64_t from) {
    const FieldMoment fields = fieldMomentOf(row);
    const auto [year, month, dayOfMonth, hour, minute, second] = fields;
    if (!fields.realTime())
        return std::nullopt;
    const std::int64_t timeOfDay = hour * 3600 + minute * 60 + second;
    const bool dated = isRealDate(year, month, dayOfMonth);
    const LocalTime start = fromWallSecond(from);
    switch (row.kind()) {
    case RepeatKind::OneTime: {
        if (!dated)
            return std::nullopt;
        const std::int64_t at = wallOf(year, month, dayOfMonth, timeOfDay);
        if (at >= from)
            return at;
        return std::nullopt;
    }
    case RepeatKind::Hourly: {
        const std::int64_t at = floorDiv(from, 3600) * 3600 + minute * 60 + second;
        return at >= from ? at : at + 3600;
    }
    case RepeatKind::Daily: {
        const std::int64_t at = floorDiv(from, day) * day + timeOfDay;
        return at >= from ? at : at + day;
    }
    case RepeatKind::Weekly: {
        if (!dated)
            return std::nullopt;
        const int weekday = fromWallSecond(wallOf(year, month, dayOfMonth, 0)).dayOfWeek;
        const std::int64_t today = floorDiv(from, day);
        std::int64_t at = (today + (weekday - start.dayOfWeek + 7) % 7) * day + timeOfDay;
        return at >= from ? at : at + 7 * day;
    }
    case RepeatKind::Monthly: {
        if (dayOfMonth < 1 || dayOfMonth > 31)
            return std::nullopt;
        int y = start.year, m = start.month;
        for (int i = 0; i < monthsAhead; ++i) {
            if (isRealDate(y, m, dayOfMonth)) {
                const std::int64_t at = wallOf(y, m, dayOfMonth, timeOfDay);
                if (at >= from)
                    return at;
            }
            if (++m > 12)
                m = 1, ++y;
        }
        return std::nullopt;
    }
    case RepeatKind::Yearly: {
        if (month < 1 || month > 12 || dayOfMonth < 1 || dayOfMonth > 31)
            return std::nullopt;
        for (int y = start.year; y < start.year + yearsAhead; ++y)
            if (isRealDate(y, month, dayOfMonth)) {
                const std::int64_t at = wallOf(y, month, dayOfMonth, timeOfDay);
                if (at >= from)
                    return at;
            }
        return std::nullopt;
    }
    case RepeatKind::Unknown: return std::nullopt;
    }
    return std::nullopt;
}
