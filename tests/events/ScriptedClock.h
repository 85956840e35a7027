// A scripted clock driving the real due check, with the program's two promises checked after
// every step: a row fires once at its second, and no power action runs unannounced.
#pragma once

#include "DueCheck.h"
#include "FakePlatform.h"
#include "MissedSweep.h"
#include "Promises.h"

#include <string>
#include <vector>

class ScriptedClock {
public:
    // Starts in a zone of that standard offset, with that offset in effect now.
    explicit ScriptedClock(const LocalTime &start, int standardOffset = 0, int utcOffset = 0);
    // Starts in a zone at a moment of its wall clock (the first time it reads it).
    ScriptedClock(const TestZone &zone, const LocalTime &wall);

    // A row composed for a moment this many seconds after the start (on the wall clock as it
    // reads now), with its action: "" none, "Restart", "Shut down".
    std::string add(const std::string &repeat, std::int64_t in,
                    const std::string &action = "Restart");
    // A row composed for a wall-clock moment.
    std::string addAt(const std::string &repeat, const LocalTime &when, const std::string &action);

    // The program starts: the sweep, then the due check from that second.
    void begin();

    // Time passes: a tick every `step` seconds for `seconds` seconds.
    void run(std::int64_t seconds, std::int64_t step = 1);
    // Hidden in the tray for `seconds` seconds: a tick only at each second the due check says
    // it is needed (and one at the end). The ticks it asked for.
    int runHidden(std::int64_t seconds);
    // One tick, that many seconds late (a busy machine, or asleep).
    void late(std::int64_t seconds);
    // Two ticks in the same second.
    void doubled();
    // The wall clock set by that many seconds (time synchronisation, or by hand), then a tick.
    void set(std::int64_t seconds);
    // The zone changes: new standard offset and offset in effect, then a tick.
    void changeZone(int standardOffset, int utcOffset);
    // The zone changes to another, then a tick.
    void changeZone(const TestZone &zone);
    // The offset in effect changes to this at that UTC second (daylight saving).
    void daylightChangeAt(std::int64_t utcSecond, int utcOffset);

    // The computer sleeps that many seconds: Windows tells of it before, and of the wake
    // after (or, with the tick first, the first tick after the wake comes before the message).
    void sleep(std::int64_t seconds, bool tickFirst = false);

    // The user answers the warning, or changes the table, between two ticks.
    void skip();
    void now();
    // Later, by the choice of that index; false when it was not offered.
    bool later(std::size_t choice);
    void remove(const std::string &key);
    // The row is taken out for editing and put back for a moment `seconds` later.
    std::string move(const std::string &key, std::int64_t seconds);

    // What happened to a row: how often it fired, per the history.
    int fired(const std::string &key) const { return promises_.fired(key); }
    int requests() const { return static_cast<int>(platform.requests.size()); }
    std::string lastRequest() const {
        return platform.requests.empty() ? "" : platform.requests.back().kind;
    }
    // The wall-clock second of each request, counted from the start.
    std::vector<std::int64_t> requestTimes;
    LocalTime reading() const;
    std::int64_t utc() const { return utc_; }

    FakePlatform platform;
    EventTable table;
    EventFile file{platform, "C:\\Tools\\InformationSW"};
    History history{platform, "C:\\Tools\\"};
    DueCheck due{table, file, platform};

private:
    void tick(bool plain);
    void checkPromises(bool plain);

    LocalTime start_;
    std::int64_t utc_;       // real seconds since 1970
    std::int64_t setBy_ = 0; // what the wall clock was set by
    TestZone zone_;
    Promises promises_{platform, history.path()};
    bool nowPressed_ = false;
    bool userActed_ = false;
};

// Central Europe: 02:00 CET becomes 03:00 CEST on 29 March, 03:00 CEST 02:00 CET on 25 October;
// US Eastern: 02:00 EST becomes 03:00 EDT on 8 March, 02:00 EDT 01:00 EST on 1 November.
struct DaylightChange {
    const char *name;
    int year, month, day;
    int utcHour;  // of the change
    int standard; // standard offset
    int before, after;
};
extern const DaylightChange daylightChanges[4];

std::int64_t changeUtc(const DaylightChange &change);

// A clock two hours before a change, which it will make.
ScriptedClock beforeChange(const DaylightChange &change);
