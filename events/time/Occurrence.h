// When a row comes due by its number fields, on the wall clock; and those fields read as a
// moment, the one reading the missed sweep and the Today window use too.
#pragma once

#include "EventTable.h"

#include <cstdint>
#include <optional>

// A row's date and time fields read as numbers, as every event routine reads them.
struct FieldMoment {
    int year, month, day, hour, minute, second;
    // Whether the time of day is one the clock has.
    bool realTime() const {
        return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 &&
               second <= 59;
    }
};
FieldMoment fieldMomentOf(const TableRow &row);

// A number in the 16 bits a date member holds.
inline std::uint16_t low16(int number) {
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(number));
}

// The first wall second at or after `from` at which a row of its kind comes due by its fields:
// the time of day every hour (minute and second), every day, on the weekday of its date, on its
// day of the month in the months that have it, on its date in the years that have it, or once
// at its moment. None when its fields name no moment (out of range, a one-time moment gone).
std::optional<std::int64_t> nextOccurrence(const TableRow &row, std::int64_t from);
