// The schedule: which rows of the event table come due at which wall-clock seconds, under the
// rules for a clock that ticks late, changes for daylight saving, changes zone or is set. The
// due check fires what it lists for the time that passed; the warning shows the first power
// action it lists in the coming minute. Nothing else decides when a row is due.
#pragma once

#include "EventTable.h"
#include "LocalTime.h"
#include "NextAction.h"
#include "Platform.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

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
    static constexpr std::size_t kinds = 6;
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

// Which rows of a wall second are examined.
enum class Examined {
    All,       // every row: the first time the wall clock reaches the second
    NotHourly, // a second the clocks skipped going forward: an Hourly row's minute comes again
               // within the hour
    Repeated,  // a second the clocks repeat going back: Hourly rows, whose hour really came
               // again, and one-time rows still waiting (one seen the first time has left)
};

// A run of wall seconds examined alike, with the UTC offset in effect in them.
struct SecondRun {
    std::int64_t from, to; // wall seconds, both included
    int utcOffset;
    Examined rows;
};

// What the clock did between two readings, beside time passing.
enum class ClockChange { None, DaylightSaving, Zone, SetForward, SetBack };

// The seconds that came due between two readings, in the order the clock reached them.
struct Passage {
    ClockChange change = ClockChange::None;
    std::int64_t step = 0; // seconds the wall clock was set by, beyond the time that passed
    std::vector<SecondRun> runs;
    bool reportPassed = false; // set forward: the one-time rows it passed are missed
    bool anew = false;         // set back an hour or more: seconds come again as new ones
};

class Schedule {
public:
    // A clock set forward by up to this many seconds, with no change of zone, is caught up
    // second by second (time synchronisation); further is a clock set by hand.
    static constexpr std::int64_t catchUpLimit = 60;
    // A wall clock set back by less than this fires nothing again; by more, rows fire again at
    // their times, as after any clock set back by hand.
    static constexpr std::int64_t repeatLimit = 3600;

    Schedule(const EventTable &table, Platform &platform)
        : table_(table), platform_(platform), texts_(platform) {}

    // The reading the start-up sweep judged by: the first advance examines its second and
    // every one after it.
    void start(const LocalTime &swept);
    bool started() const { return started_; }

    // Moves to a new reading and tells what came due since the last one. Time that passed is
    // caught up second by second however long the gap; a daylight-saving change follows the
    // clock's own rules (the seconds skipped forward are examined, Hourly rows excepted; in the
    // hour repeated back only Hourly and waiting one-time rows are); a change of zone or a clock
    // set by hand examines only the new second, and one set forward reports the one-time rows
    // it passed. No wall second is examined twice for a row, but in a repeated hour.
    Passage advance(const LocalTime &now);

    // The seconds the clock reaches in the next `seconds` seconds if it runs on as it does now,
    // under the same rules.
    std::vector<SecondRun> ahead(std::int64_t seconds) const;

    // The rows due in a wall second, in table order; with actionsOnly those with a power action.
    void dueAt(std::int64_t second, Examined rows, std::vector<int> &due, bool actionsOnly = false);

    // The language of the formats changed: the clock texts are made afresh.
    void formatsChanged() { texts_.clear(); }

    // Whether any row carries a power action: without one there is nothing to warn of.
    bool anyActions();

    // Whether a wall second is still to be examined if the clock runs on.
    bool comesAgain(std::int64_t second) const;

    // The computer slept until this reading: the seconds in between are passed over unexamined
    // (one-time rows in them are missed, repeating rows come at their next times); the
    // reading's own second is examined by the next advance.
    void sleptUntil(const LocalTime &now);

    // The next power action the clock reaches if it runs on by the zone's rules, passing over
    // the wall seconds `answered` names: its wall second, when that comes in real time, and the
    // row whose action wins it. Worked out from the rows' number fields, each candidate checked
    // against its row's match key, so the second it names is one at which the due check fires
    // that row. None when no action lies ahead.
    struct Upcoming {
        int row = -1;
        std::int64_t wall = 0;
        RealMoment real;
    };
    std::optional<Upcoming> nextAction(const std::function<bool(std::int64_t)> &answered);

private:
    struct Reading {
        std::int64_t wall = 0;
        int offset = 0;
        int standardOffset = 0;
        std::int64_t elapsed = 0;
    };
    // How far the wall clock has been examined: every row up to `upTo`; while the clocks repeat
    // an hour, the repeated seconds up to `repeatUpTo` for the rows examined in it.
    struct Marks {
        std::int64_t upTo = 0;
        // The last UTC second examined for Hourly rows: their minute comes once an hour of real
        // time, so a wall clock set back a little and then changed for daylight saving does
        // not bring one again.
        std::int64_t hourlyUpTo = INT64_MIN / 2;
        bool repeating = false;
        std::int64_t repeatFrom = 0, repeatTo = 0, repeatUpTo = 0;
        // The runs that take the wall clock to `to` from where the marks stand.
        void reach(std::vector<SecondRun> &runs, std::int64_t to, int offset);
    };

    void crossDaylightChange(Passage &passage, const Reading &now);
    void setClock(Passage &passage, const Reading &now, std::int64_t real);
    void index();

    const EventTable &table_;
    Platform &platform_;
    ClockTextCache texts_;
    bool started_ = false;
    Reading last_;
    Marks marks_;

    // The rows by repeat kind and match key, worked out again when the table changes.
    struct Index {
        bool built = false;
        unsigned version = 0;
        std::array<std::unordered_map<std::string, std::vector<int>>, 6> byKey;
        std::array<bool, 6> actions{}; // whether a kind has rows with a power action
        // Per kind, the times of day (of the hour for Hourly) its keys end in. A clock text
        // ends in the time of its second, so a second of another time equals no key of the
        // kind and is not formatted at all: an idle tick costs no formatting. A kind with a
        // key that ends in no time has every second looked at.
        std::array<std::vector<bool>, 6> times;
        std::array<bool, 6> everySecond{};
    } index_;
    // Whether the platform writes the clock's times as two-digit numbers, as the times of the
    // keys are read; otherwise every second is looked at.
    bool timesReadable_ = false;
    bool timesChecked_ = false;
};
