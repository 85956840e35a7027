// The clock text: what the wall clock reads for a repeat kind at a second, in the user's
// language. A row comes due when its match key equals it; the editor composes match keys the
// same way, so the two agree at the event's second in every language.
#pragma once

#include "EventTable.h"
#include "LocalTime.h"
#include "Platform.h"

#include <array>
#include <cstdint>
#include <string>

// The picture of an Hourly row's clock text: the minute and second of every hour.
extern const char hourlyTimePicture[]; // ":mm:ss"

// The date pictures of the clock texts: the one-time picture (the face's), and one per repeat
// kind (null for Hourly, Daily and Unknown, which have no date).
const char *datePictureOf(RepeatKind kind);

// A match key from its parts: the time of day alone for Hourly (":mm:ss") and Daily, else the
// date, a blank and the time; cut to the match key's field.
std::string joinedKey(RepeatKind kind, const std::string &date, const std::string &time);

// The clock text of a repeat kind for one moment, formatted afresh; empty for Unknown, which no
// row can equal.
std::string clockText(Platform &platform, RepeatKind kind, const LocalTime &time);

// The date pictures of the clock texts, which the editor's match keys use too: the one-time
// picture (the face's), and one per repeat kind (null for Hourly, Daily and Unknown, which have
// no date).
const char *datePictureOf(RepeatKind kind);

// The clock texts of wall seconds, each picture of each second formatted once: the due check
// and the warning ask for the same seconds tick after tick, and a date for a whole day.
class ClockTextCache {
public:
    explicit ClockTextCache(Platform &platform) : platform_(platform) {}

    // Equal to clockText(kind, the moment of that wall second).
    const std::string &text(RepeatKind kind, std::int64_t second);

    // The formats changed: every text is made afresh.
    void clear() {
        seconds_.fill(Second());
        days_.fill(Day());
    }

private:
    static constexpr std::size_t kinds = dueKindCount;
    struct Second {
        std::int64_t at = INT64_MIN;
        std::array<std::string, kinds> texts;
        std::array<bool, kinds> made{};
    };
    struct Day {
        std::int64_t at = INT64_MIN;
        std::array<std::string, kinds> dates;
        std::array<bool, kinds> made{};
    };
    const std::string &date(RepeatKind kind, std::int64_t day, const LocalTime &time);

    Platform &platform_;
    std::array<Second, 128> seconds_; // the recent seconds, by wall second modulo 128
    std::array<Day, 4> days_;
};
