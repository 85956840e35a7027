// Real time zones for the tests: their daylight-saving rules worked out here from the calendar,
// with date arithmetic of their own, so that nothing the core computes answers its own question.
#pragma once

#include <cstdint>
#include <string>

struct TestZone {
    enum class Rule {
        None,   // `daylight` all year (for a real zone, equal to its standard offset)
        Europe, // last Sunday of March to last Sunday of October, at 01:00 UTC
        US,     // second Sunday of March to first Sunday of November, at 02:00 local time
        Sydney, // first Sunday of October to first Sunday of April: 02:00 standard, 03:00 summer
        Once,   // one change, at `changeAt`: `daylight` before, `after` after
    };
    std::string name; // as Windows names the zone
    int standard = 0; // seconds east of UTC
    int daylight = 0; // in daylight saving
    Rule rule = Rule::None;
    std::int64_t changeAt = INT64_MAX;
    int after = 0;

    int offsetAt(std::int64_t utc) const;
    // The first UTC second after `utc` at which the offset changes; INT64_MAX when never.
    std::int64_t nextChange(std::int64_t utc) const;
    // The UTC second at which the wall clock first reads a wall second (seconds since 1970 on
    // the wall clock); for one the clocks skip, the change that skips it.
    std::int64_t utcOfWall(std::int64_t wall) const;
};

namespace zones {
extern const TestZone berlin, lagos, newYork, denver, phoenix, stJohns, sydney, kolkata;
TestZone fixed(const std::string &name, int offset);
} // namespace zones

// The UTC second of a wall-clock moment's digits, counted with the tests' own calendar.
std::int64_t secondsOf(int year, int month, int day, int hour, int minute, int second);
