// The moments ahead: when a row next comes due by its number fields, and when the wall clock
// will read a moment by the zone's rules. The wake timer and the tray tip are set from them.
#pragma once

#include "Event.h"
#include "Platform.h"

#include <cstdint>
#include <optional>

// The first wall second at or after `from` at which a row of its kind comes due by its fields:
// the time of day every hour (minute and second), every day, on the weekday of its date, on its
// day of the month in the months that have it, on its date in the years that have it, or once
// at its moment. None when its fields name no moment (out of range, a one-time moment gone).
std::optional<std::int64_t> nextOccurrence(const Event &row, RepeatKind kind, std::int64_t from);

// Where, in real time, the wall clock first reads a wall second, not before the UTC second
// `notBefore`, by the zone's rules: the UTC second; or, when the clocks go forward over it, the
// UTC second of that change, at which the skipped seconds are examined.
struct RealMoment {
    std::int64_t utc = 0;
    bool skipped = false;
};
RealMoment realMomentOf(Platform &platform, std::int64_t wall, std::int64_t notBefore);
