// The once-a-second due check: which events fall on a second, and what a due event does.
#pragma once

#include "EventFile.h"
#include "EventTable.h"
#include "History.h"
#include "Platform.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

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
// platform is asked to go down, also when the save failed. Shut down wins when both are set. A
// request the system refuses is reported in a notice with its reason. False when the save
// failed.
bool runPowerAction(const EventFields &fields, const EventTable &table, EventFile &file,
                    Platform &platform, History *history = nullptr, const LocalTime *when = nullptr);

// The notice for events that could not be stored.
extern const char notStoredNoticeTitle[];
std::string notStoredNoticeText(const std::string &path, const std::string &reason);

// The notice for a refused restart or shutdown.
extern const char refusedNoticeTitle[];
std::string refusedNoticeText(const EventFields &fields, PowerAction action,
                              const std::string &reason);

class DueCheck {
public:
    DueCheck(EventTable &table, EventFile &file, Platform &platform)
        : table_(table), file_(file), platform_(platform) {}

    // A forward jump longer than this that is no daylight-saving change is a clock set by hand:
    // it is not caught up second by second.
    static constexpr std::int64_t catchUpLimit = 60;

    // The second that the start-up sweep judged against: the first tick examines it and every
    // second after it, so a repeating row due in the very second of the start fires.
    void startAfter(const LocalTime &swept);

    // One tick: examines every local second since the last tick, in order and each exactly once.
    // Across a daylight-saving change every row fires exactly once: the seconds the clocks skip
    // forward are examined (Hourly rows excepted, their minute comes again within the hour),
    // and in the hour they repeat only Hourly rows are examined again. A clock set forward by
    // hand by more than a minute examines only now and reports the one-time events it passed;
    // one set back examines only now.
    void checkDueEvents(const LocalTime &now);

    // The outcome of a write that kept the file in step with the table. After a failure the
    // table stays the truth: the user is told once, with the reason, and the file is written
    // again at every later tick until it succeeds.
    void noteStored(bool stored);
    bool unsaved() const { return unsaved_; }

    // Where what happens is written down; none by default.
    void setHistory(History *history) { history_ = history; }

    // A restart or shutdown is announced this many seconds before its second.
    static constexpr std::int64_t warningLead = 60;
    // The warning's answers. Skip: the events of that second fire at it without their actions.
    // Now: their action runs at once (one-time rows leave and the file is saved first), and at
    // that second nothing more happens. Closing the warning is no answer.
    void skipWarned(const LocalTime &now);
    void runWarnedNow(const LocalTime &now);

private:
    struct Warning {
        enum State { None, Open, Skipped, Done } state = None;
        std::int64_t due = 0;
        EventFields event; // the row whose action wins in that second
        bool shutDown() const { return powerActionOf(event) == PowerAction::ShutDown; }
    };

    // Looks ahead for power actions to warn of: the one second a minute ahead at each tick,
    // every second up to a minute ahead after the start and after any change of the table.
    void lookAhead(std::int64_t current, int offset);
    void closeWarning();
    // The rows with a power action due in a second, in table order.
    std::vector<int> actionsDueAt(std::int64_t second, int offset);
    // Among them, the row whose action runs: the first to shut down, else the first.
    int winningRow(const std::vector<int> &due) const;

    // One pass over the table for one second, Hourly rows and the others as asked; true when a
    // one-time row went.
    bool examineSecond(const LocalTime &time, bool hourly, bool others);
    // A wall second: Hourly rows as asked, the others only the first time the wall clock
    // reaches it.
    bool examineWallSecond(std::int64_t second, bool hourly);
    bool crossDaylightChange(std::int64_t current, std::int64_t real, std::int64_t shift);

    EventTable &table_;
    EventFile &file_;
    Platform &platform_;
    bool started_ = false;
    bool startPending_ = false;     // the start's own second is still to be examined
    std::int64_t lastWall_ = 0;     // the wall second of the last tick
    int lastOffset_ = 0;            // and its UTC offset
    std::int64_t examinedUpTo_ = 0; // the latest wall second whose other rows were examined
    bool unsaved_ = false;          // the file lags behind the table
    bool told_ = false;             // and the user has been told so
    History *history_ = nullptr;
    Warning warning_;
    std::int64_t lookedAhead_ = 0;  // the latest second looked at for warnings
    unsigned lookedAtVersion_ = 0;
    bool lookedOnce_ = false;
};
