// The schedule: which rows of the event table come due at which moments, under the zone's rules
// for a clock that ticks late, changes for daylight saving, changes zone or is set. The
// due check fires what it lists for the time that passed; the warning shows the first power
// action it lists in the coming minute. Nothing else decides when a row is due.
#pragma once

#include "ClockText.h"
#include "EventTable.h"
#include "LocalTime.h"
#include "Occurrence.h"
#include "Platform.h"
#include "ZoneRules.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Which rows of a wall second are examined.
enum class Examined {
    All,       // every row: the first time the wall clock reaches the second
    NotHourly, // the rows with a date or a time of day: a second the clocks skipped going
               // forward (an Hourly row's minute comes in every real hour), or one whose real
               // second Hourly rows had already before the clock was set back a little
    Repeated,  // a second the wall clock reads again: Hourly rows, whose hour really came again,
               // and one-time rows still waiting (one that fired has left)
    OneTime,   // read again, its real second examined for Hourly rows already: one-time rows
};

// A run of wall seconds examined alike, and the real moments they come at.
struct SecondRun {
    std::int64_t from, to; // wall seconds, both included
    std::int64_t utc;      // the UTC second of `from`; for skipped seconds, the change's
    int utcOffset;         // in force at those UTC seconds
    bool skipped;          // seconds the clocks skipped: they all come at the change
    Examined rows;
    std::int64_t utcOf(std::int64_t wall) const { return skipped ? utc : utc + (wall - from); }
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
    // A clock set forward by less than this many seconds, with no change of zone, is caught up
    // second by second (time synchronisation); a minute or more is a clock set by hand.
    static constexpr std::int64_t catchUpLimit = 60;
    // A wall clock set back by less than this fires nothing again; by more, rows fire again at
    // their times, as after any clock set back by hand.
    static constexpr std::int64_t repeatLimit = 3600;

    Schedule(const EventTable &table, Platform &platform)
        : table_(table), platform_(platform), texts_(platform), rules_(platform) {}

    // The reading the start-up sweep judged by: the first advance examines its second and
    // every one after it.
    void start(const LocalTime &swept);
    bool started() const { return started_; }

    // Moves to a new reading and tells what came due since the last one. The UTC seconds that
    // passed are walked by the zone's rules however long the gap: each reads its wall second,
    // a change forward brings the seconds it skips (Hourly rows excepted, whose minute comes in
    // every real hour), a change back repeats seconds for Hourly and waiting one-time rows only.
    // A change of zone (its name) or a clock set by hand examines only the new second, and one
    // moved forward reports the one-time rows it passed.
    Passage advance(const LocalTime &now);

    // The seconds the clock reaches in the next `seconds` seconds if it runs on, by the rules.
    std::vector<SecondRun> ahead(std::int64_t seconds);

    // The UTC second of the last reading, and the next change of the zone's offset after it
    // (INT64_MAX when none is known).
    std::int64_t lastUtc() const { return last_.utc; }
    std::int64_t nextOffsetChange() { return rules_.spanAt(last_.utc).until; }

    // The rows due in a wall second, in table order; with actionsOnly those with a power action.
    void dueAt(std::int64_t second, Examined rows, std::vector<int> &due, bool actionsOnly = false);

    // The language of the formats changed: the clock texts are made afresh.
    void formatsChanged() { texts_.clear(); }

    // Whether any row carries a power action: without one there is nothing to warn of.
    bool anyActions();

    // Whether the clock has reached a UTC second already.
    bool reached(std::int64_t utc) const { return utc <= marks_.utcUpTo; }

    // The local time at a UTC second, by the zone's rules.
    LocalTime localAt(std::int64_t utc) { return rules_.localAt(utc); }

    // The computer slept until this reading: the seconds in between are passed over unexamined
    // (one-time rows in them are missed, repeating rows come at their next times); the
    // reading's own second is examined by the next advance.
    void sleptUntil(const LocalTime &now);

    // The next power action the clock reaches if it runs on by the zone's rules, passing over
    // the UTC seconds `answered` names: when it comes, its wall second, and the row whose action
    // wins it. Worked out from the rows' number fields, each candidate checked against its row's
    // match key, so the moment it names is one at which the due check fires that row. None when
    // no action lies ahead.
    struct Occurrence {
        int row = -1;
        std::int64_t wall = 0;
        std::int64_t utc = 0;
    };
    std::optional<Occurrence> nextAction(const std::function<bool(std::int64_t)> &answered);

private:
    struct Reading {
        std::int64_t wall = 0, utc = 0;
        int offset = 0;
        std::int64_t elapsed = 0;
        std::string zone;
    };
    Reading readingOf(const LocalTime &now);
    // How far the clock has been examined: the UTC seconds, the real seconds Hourly rows were
    // examined in (ahead of the others after a clock set back a little), and the wall seconds
    // the rows with a date or a time of day were.
    struct Marks {
        std::int64_t utcUpTo = 0;
        std::int64_t hourlyUpTo = 0;
        std::int64_t wallUpTo = 0;
    };
    // The runs that take the marks to a UTC second, by the rules.
    void reach(Marks &marks, std::vector<SecondRun> &runs, std::int64_t utc);
    // When a row next fires, not before a UTC second nor, with a date or a time of day, before
    // a wall second: its UTC and wall seconds.
    std::optional<Occurrence> nextFiring(int row, std::int64_t fromUtc, std::int64_t fromWall);
    void index();

    const EventTable &table_;
    Platform &platform_;
    ClockTextCache texts_;
    ZoneRules rules_;
    bool started_ = false;
    Reading last_;
    Marks marks_;

    // The rows by repeat kind and match key, worked out again when the table changes.
    struct Index {
        bool built = false;
        unsigned version = 0;
        // Per kind, each row's key by its hash: (hash, row), in order.
        std::array<std::vector<std::pair<std::uint64_t, int>>, dueKindCount> byKey;
        std::array<bool, dueKindCount> actions{}; // whether a kind has rows with a power action
        // Per kind, the times of day (of the hour for Hourly) its keys end in. A clock text
        // ends in the time of its second, so a second of another time equals no key of the
        // kind and is not formatted at all: an idle tick costs no formatting. A kind with a
        // key that ends in no time has every second looked at.
        std::array<std::vector<bool>, dueKindCount> times;
        std::array<bool, dueKindCount> everySecond{};
    } index_;
    // Whether the platform writes the clock's times as two-digit numbers, as the times of the
    // keys are read; otherwise every second is looked at.
    bool timesReadable_ = false;
    bool timesChecked_ = false;
};
