// The schedule following the clock: each reading, and what came due since the last one.
#include "Schedule.h"

#include <algorithm>
#include <cmath>

Schedule::Reading Schedule::readingOf(const LocalTime &now) {
    const std::int64_t wall = wallSecond(now);
    return {wall, wall - now.utcOffset, now.utcOffset, now.elapsed, platform_.zoneName()};
}

void Schedule::start(const LocalTime &swept) {
    started_ = true;
    last_ = readingOf(swept);
    rules_.forget();
    marks_ = {last_.utc - 1, last_.utc - 1, last_.wall - 1};
}

void Schedule::reach(Marks &marks, std::vector<SecondRun> &runs, std::int64_t utc) {
    while (marks.utcUpTo < utc) {
        const std::int64_t from = marks.utcUpTo + 1;
        const ZoneRules::Span span = rules_.spanAt(from);
        const std::int64_t to = std::min(utc, span.until - 1);
        const int offset = span.offset;
        // The clocks went forward at `from`: the wall seconds they skipped come due now, for the
        // rows with a date or a time of day.
        if (from + offset - 1 > marks.wallUpTo) {
            runs.push_back(
                {marks.wallUpTo + 1, from + offset - 1, from, offset, true, Examined::NotHourly});
            marks.wallUpTo = from + offset - 1;
        }
        // Each UTC second reads its wall second: new to the rows with a date or a time of day
        // only past the latest one they had, to Hourly rows past the latest real second.
        for (std::int64_t second = from; second <= to;) {
            const bool dated = second + offset > marks.wallUpTo;
            const bool hourly = second > marks.hourlyUpTo;
            std::int64_t end = to;
            if (!dated)
                end = std::min(end, marks.wallUpTo - offset);
            if (!hourly)
                end = std::min(end, marks.hourlyUpTo);
            const Examined rows = dated ? (hourly ? Examined::All : Examined::NotHourly)
                                        : (hourly ? Examined::Repeated : Examined::OneTime);
            runs.push_back({second + offset, end + offset, second, offset, false, rows});
            second = end + 1;
        }
        marks.wallUpTo = std::max(marks.wallUpTo, to + offset);
        marks.hourlyUpTo = std::max(marks.hourlyUpTo, to);
        marks.utcUpTo = to;
    }
}

Passage Schedule::advance(const LocalTime &now) {
    if (!started_)
        start(now);
    const Reading reading = readingOf(now);
    Passage passage;
    const std::int64_t realMs = std::max<std::int64_t>(0, reading.elapsed - last_.elapsed);
    const std::int64_t real = (realMs + 500) / 1000;
    // What the UTC clock moved beyond the time that really passed. Wall seconds are whole, so
    // a second and a half of it is no setting; nor is the drift of a long gap (0.1 %).
    const double stepped =
        static_cast<double>(reading.utc - last_.utc) - static_cast<double>(realMs) / 1000.0;
    const double tolerance = 1.5 + static_cast<double>(realMs) / 1e6;
    // Another zone is told by its name; rules that no longer give the clock's offset changed
    // too.
    bool zoneChanged = reading.zone != last_.zone;
    if (!zoneChanged && rules_.offsetAt(reading.utc) != reading.offset) {
        rules_.forget();
        zoneChanged = rules_.offsetAt(reading.utc) != reading.offset;
    }
    const bool timePassed =
        std::fabs(stepped) <= tolerance || (stepped > 0 && stepped < catchUpLimit - tolerance);
    if (!zoneChanged && timePassed) {
        reach(marks_, passage.runs, reading.utc);
        if (reading.offset != last_.offset) {
            passage.change = ClockChange::DaylightSaving;
            passage.step = reading.offset - last_.offset;
        }
    } else {
        // The time that passed is reached on the old clock first, its last second included;
        // then the new second alone.
        reach(marks_, passage.runs, last_.utc + std::max<std::int64_t>(real - 1, 0));
        if (zoneChanged)
            rules_.forget();
        // A clock set by hand is measured in UTC (a change of offset in between is the zone's,
        // not the user's); a change of zone by what it does to the wall clock.
        passage.step =
            zoneChanged ? reading.wall - last_.wall - real : reading.utc - last_.utc - real;
        passage.change = zoneChanged        ? ClockChange::Zone
                         : passage.step > 0 ? ClockChange::SetForward
                                            : ClockChange::SetBack;
        if (passage.step > 0) {
            // What it passed over is not caught up: one-time rows are reported missed,
            // repeating rows come at their next times.
            marks_.wallUpTo = std::max(marks_.wallUpTo, reading.wall - 1);
            marks_.hourlyUpTo = std::max(marks_.hourlyUpTo, reading.utc - 1);
            passage.reportPassed = true;
        } else if (-passage.step >= repeatLimit) {
            marks_.wallUpTo = reading.wall - 1;
            marks_.hourlyUpTo = reading.utc - 1;
            passage.anew = true;
        }
        // Set back a little, the seconds read again are new to waiting one-time rows only.
        marks_.utcUpTo = reading.utc - 1;
        reach(marks_, passage.runs, reading.utc);
    }
    last_ = reading;
    return passage;
}

std::vector<SecondRun> Schedule::ahead(std::int64_t seconds) {
    Marks marks = marks_;
    std::vector<SecondRun> runs;
    reach(marks, runs, last_.utc + seconds);
    return runs;
}

void Schedule::sleptUntil(const LocalTime &now) {
    if (!started_)
        start(now);
    const Reading reading = readingOf(now);
    if (reading.zone != last_.zone)
        rules_.forget();
    marks_.utcUpTo = reading.utc - 1;
    marks_.hourlyUpTo = std::max(marks_.hourlyUpTo, reading.utc - 1);
    marks_.wallUpTo = std::max(marks_.wallUpTo, reading.wall - 1);
    last_ = reading;
}
