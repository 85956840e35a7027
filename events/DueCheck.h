// The once-a-second due check: which events fall on a second, and what a due event does.
#pragma once

#include "EventFile.h"
#include "EventTable.h"
#include "Platform.h"

#include <array>
#include <cstdint>
#include <string>

// The date pictures of the clock texts, which the editor's match keys use too: the one-time
// picture, and one per repeat kind (null for Hourly, Daily and Unknown, which have no date).
extern const char longDatePicture[]; // "dddd dd MMMM yyyy"
extern const char clockTimePicture[]; // "HH:mm:ss"
const char *datePictureOf(RepeatKind kind);

// The clock texts of one second, each shape formatted at most once however many rows ask.
class ClockTexts {
public:
    ClockTexts(Platform &platform, const LocalTime &time) : platform_(platform), time_(time) {}

    // The clock text of a repeat kind; empty for Unknown, which no row can equal.
    const std::string &text(RepeatKind kind);

private:
    Platform &platform_;
    LocalTime time_;
    std::array<std::string, 6> texts_;
    std::array<bool, 6> made_{};
};

// The clock text of a repeat kind for one moment, formatted afresh.
std::string clockText(Platform &platform, RepeatKind kind, const LocalTime &time);

// Carries out a row's power action: the event file is saved from the table first, then the
// platform is asked to go down. Shut down wins when both are set.
void runPowerAction(const EventFields &fields, const EventTable &table, EventFile &file,
                    Platform &platform);

class DueCheck {
public:
    DueCheck(EventTable &table, EventFile &file, Platform &platform)
        : table_(table), file_(file), platform_(platform) {}

    // A forward jump longer than this is not caught up second by second.
    static constexpr std::int64_t catchUpLimit = 60;

    // The second that the start-up sweep judged against; the first tick examines the seconds
    // after it.
    void startAfter(const LocalTime &swept);

    // One tick: examines, in order and each exactly once, every second after the last one
    // examined up to now. A jump forward of more than a minute examines only now and reports
    // the one-time events it passed at once; a step back examines only now.
    void checkDueEvents(const LocalTime &now);

private:
    // One pass over the table for one second; true when a one-time row went.
    bool examineSecond(const LocalTime &time);

    EventTable &table_;
    EventFile &file_;
    Platform &platform_;
    bool started_ = false;
    std::int64_t lastExamined_ = 0;
};
