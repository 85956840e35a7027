// The zone's rules as the core asks them: the offset in force at a UTC second, and where the
// wall clock reads a wall second. Every moment the schedule keeps is a UTC second worked out
// from them, never a wall second guessed from two readings of the clock.
#pragma once

#include "LocalTime.h"
#include "Platform.h"

#include <cstdint>
#include <map>
#include <optional>

// Where in real time the wall clock reads a wall second: its UTC second; or, when the clocks
// go forward over it, the UTC second of that change, at which the seconds skipped come due.
struct RealMoment {
    std::int64_t utc = 0;
    bool skipped = false;
};

class ZoneRules {
public:
    explicit ZoneRules(Platform &platform) : platform_(platform) {}

    // A stretch of UTC seconds [from, until) with one offset.
    struct Span {
        std::int64_t from = 0, until = 0;
        int offset = 0;
    };
    // The span a UTC second lies in; the platform is asked only for one not known yet, so a tick
    // asks it nothing until the clock leaves the span it is in.
    Span spanAt(std::int64_t utc);
    int offsetAt(std::int64_t utc) { return spanAt(utc).offset; }
    // The local time at a UTC second, with its offset.
    LocalTime localAt(std::int64_t utc);

    // The first moment, not before the UTC second `notBefore`, at which the wall clock reads a
    // wall second. None when it does not read it again (its moment has passed).
    std::optional<RealMoment> firstReading(std::int64_t wall, std::int64_t notBefore);

    // The zone changed, or its rules: every span is asked for afresh.
    void forget() {
        spans_.clear();
        last_ = Span();
    }

private:
    Platform &platform_;
    std::map<std::int64_t, Span> spans_; // by `until`: the platform names one span alike
    Span last_;                          // the one asked for last
};
