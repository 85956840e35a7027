// The test zones' rules.
#include "TestZones.h"

#include <algorithm>
#include <vector>

namespace {

// Days since 1 January 1970, counted year by year and month by month.
std::int64_t daysOf(int year, int month, int day) {
    const auto leap = [](int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); };
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    std::int64_t days = 0;
    for (int y = 1970; y < year; ++y)
        days += leap(y) ? 366 : 365;
    for (int m = 1; m < month; ++m)
        days += lengths[m - 1] + (m == 2 && leap(year));
    return days + day - 1;
}

int yearOf(std::int64_t utc) {
    int year = 1970;
    while (secondsOf(year + 1, 1, 1, 0, 0, 0) <= utc)
        ++year;
    return year;
}

// The day of the month of a month's nth Sunday (n = 5: the last).
int sunday(int year, int month, int n) {
    const int weekdayOfFirst = static_cast<int>((daysOf(year, month, 1) + 4) % 7); // 0 = Sunday
    int day = 1 + (7 - weekdayOfFirst) % 7 + 7 * (n - 1);
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    while (day > lengths[month - 1])
        day -= 7;
    return day;
}

struct Change {
    std::int64_t utc;
    int offset; // from then on
};

// The zone's changes in a year, in order.
std::vector<Change> changesIn(const TestZone &zone, int year) {
    switch (zone.rule) {
    case TestZone::Rule::None: return {};
    case TestZone::Rule::Once: return {{zone.changeAt, zone.after}};
    case TestZone::Rule::Europe:
        return {{secondsOf(year, 3, sunday(year, 3, 5), 1, 0, 0), zone.daylight},
                {secondsOf(year, 10, sunday(year, 10, 5), 1, 0, 0), zone.standard}};
    case TestZone::Rule::US:
        return {{secondsOf(year, 3, sunday(year, 3, 2), 2, 0, 0) - zone.standard, zone.daylight},
                {secondsOf(year, 11, sunday(year, 11, 1), 2, 0, 0) - zone.daylight, zone.standard}};
    case TestZone::Rule::Sydney:
        return {{secondsOf(year, 4, sunday(year, 4, 1), 3, 0, 0) - zone.daylight, zone.standard},
                {secondsOf(year, 10, sunday(year, 10, 1), 2, 0, 0) - zone.standard, zone.daylight}};
    }
    return {};
}

} // namespace

std::int64_t secondsOf(int year, int month, int day, int hour, int minute, int second) {
    return daysOf(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

int TestZone::offsetAt(std::int64_t utc) const {
    if (rule == Rule::None)
        return daylight;
    if (rule == Rule::Once)
        return utc >= changeAt ? after : daylight;
    const int year = yearOf(utc);
    // Where the southern summer spans the new year, it is in force on the first of January.
    int offset = rule == Rule::Sydney ? daylight : standard;
    for (const Change &change : changesIn(*this, year))
        if (utc >= change.utc)
            offset = change.offset;
    return offset;
}

std::int64_t TestZone::nextChange(std::int64_t utc) const {
    if (rule == Rule::None)
        return INT64_MAX;
    if (rule == Rule::Once)
        return utc < changeAt ? changeAt : INT64_MAX;
    const int year = yearOf(utc);
    for (int y = year; y <= year + 1; ++y)
        for (const Change &change : changesIn(*this, y))
            if (change.utc > utc)
                return change.utc;
    return INT64_MAX;
}

std::int64_t TestZone::utcOfWall(std::int64_t wall) const {
    const int other = rule == Rule::Once ? after : standard;
    const int low = std::min(other, daylight), high = std::max(other, daylight);
    for (int offset : {high, low}) // the earlier UTC second first
        if (offsetAt(wall - offset) == offset)
            return wall - offset;
    return nextChange(wall - high); // skipped: the change that skips it
}

namespace zones {
const TestZone berlin{"W. Europe Standard Time", 3600, 7200, TestZone::Rule::Europe};
const TestZone lagos{"W. Central Africa Standard Time", 3600, 3600, TestZone::Rule::None};
const TestZone newYork{"Eastern Standard Time", -18000, -14400, TestZone::Rule::US};
const TestZone denver{"Mountain Standard Time", -25200, -21600, TestZone::Rule::US};
const TestZone phoenix{"US Mountain Standard Time", -25200, -25200, TestZone::Rule::None};
const TestZone stJohns{"Newfoundland Standard Time", -12600, -9000, TestZone::Rule::US};
const TestZone sydney{"AUS Eastern Standard Time", 36000, 39600, TestZone::Rule::Sydney};
const TestZone kolkata{"India Standard Time", 19800, 19800, TestZone::Rule::None};

TestZone fixed(const std::string &name, int offset) {
    return TestZone{name, offset, offset, TestZone::Rule::None};
}
} // namespace zones
