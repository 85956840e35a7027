// When a row next comes due by its number fields, on the wall clock.
#pragma once

#include "EventTable.h"

#include <cstdint>
#include <optional>

// The first wall second at or after `from` at which a row of its kind comes due by its fields:
// the time of day every hour (minute and second), every day, on the weekday of its date, on its
// day of the month in the months that have it, on its date in the years that have it, or once
// at its moment. None when its fields name no moment (out of range, a one-time moment gone).
std::optional<std::int64_t> nextOccurrence(const Event &row, RepeatKind kind, std::int64_t from);
std::optional<std::int64_t> nextOccurrence(const TableRow &row, std::int64_t from);
