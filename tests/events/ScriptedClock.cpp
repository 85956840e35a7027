// The scripted clock and the promises it checks.
#include "ScriptedClock.h"

#include <gtest/gtest.h>

namespace {

// The timer lands a little after each second boundary, never exactly on it.
std::int64_t jitterMs(std::int64_t utc) {
    return 5 + (utc * 7919 % 31 + 31) % 31;
}

} // namespace

ScriptedClock::ScriptedClock(const LocalTime &start, int standardOffset, int utcOffset)
    : start_(start), utc_(wallSecond(start) - utcOffset),
      zone_(zones::fixed("Zone " + std::to_string(standardOffset), utcOffset)) {
    zone_.standard = standardOffset;
    zone_.daylight = utcOffset;
    platform.zone = &zone_;
    platform.watchedFile = file.path();
    due.setHistory(&history);
}

ScriptedClock::ScriptedClock(const TestZone &zone, const LocalTime &wall)
    : start_(wall), utc_(zone.utcOfWall(wallSecond(wall))), zone_(zone) {
    platform.zone = &zone_;
    platform.watchedFile = file.path();
    due.setHistory(&history);
}

LocalTime ScriptedClock::reading() const {
    const std::int64_t system = utc_ + setBy_; // the UTC second the computer's clock reads
    const int offset = zone_.offsetAt(system);
    LocalTime time = fromWallSecond(system + offset);
    time.utcOffset = offset;
    time.elapsed = utc_ * 1000 + jitterMs(utc_);
    return time;
}

std::string ScriptedClock::addAt(const std::string &repeat, const LocalTime &when,
                                 const std::string &action) {
    Event row = eventAt(when, repeat, clockText(platform, repeatKindOf(repeat), when));
    if (action == "Restart")
        row.restart = action;
    if (action == "Shut down")
        row.shutDown = action;
    table.insertRow(table.rowCount(), row);
    promises_.kindOf(row.matchKey, repeat);
    userActed_ = true;
    file.save(table); // a failed write is tried again at the next tick
    due.tableChanged(reading());
    return row.matchKey;
}

std::string ScriptedClock::add(const std::string &repeat, std::int64_t in,
                               const std::string &action) {
    return addAt(repeat, fromWallSecond(wallSecond(start_) + in), action);
}

void ScriptedClock::begin() {
    platform.now = reading();
    due.noteStored(sweepMissedEvents(table, file, platform, platform.now, &history), platform.now);
    due.startAfter(platform.now);
    checkPromises(false);
}

void ScriptedClock::tick(bool plain) {
    platform.now = reading();
    due.checkDueEvents(platform.now);
    checkPromises(plain && !userActed_);
    userActed_ = false;
    nowPressed_ = false;
}

void ScriptedClock::run(std::int64_t seconds, std::int64_t step) {
    for (std::int64_t done = step; done <= seconds; done += step) {
        const int before = reading().utcOffset;
        utc_ += step;
        tick(step == 1 && reading().utcOffset == before);
    }
}

int ScriptedClock::runHidden(std::int64_t seconds) {
    const std::int64_t end = utc_ + seconds;
    int asked = 0;
    while (utc_ < end) {
        const int before = reading().utcOffset;
        // The second as the computer's clock reads it, however it was set.
        const std::int64_t needed = due.neededAt(reading()) - setBy_;
        EXPECT_GT(needed, utc_) << "a plan for a second gone by";
        asked += needed <= end;
        utc_ = std::min(std::max(needed, utc_ + 1), end);
        tick(reading().utcOffset == before);
    }
    return asked;
}

void ScriptedClock::late(std::int64_t seconds) {
    utc_ += seconds;
    tick(false);
}

void ScriptedClock::doubled() {
    tick(true);
}

void ScriptedClock::set(std::int64_t seconds) {
    setBy_ += seconds;
    if (seconds <= -Schedule::repeatLimit)
        promises_.startAfresh(); // rows fire again at their times
    utc_ += 1;
    tick(false);
}

void ScriptedClock::changeZone(int standardOffset, int utcOffset) {
    TestZone zone = zones::fixed("Zone " + std::to_string(standardOffset), utcOffset);
    zone.standard = standardOffset;
    changeZone(zone);
}

void ScriptedClock::changeZone(const TestZone &zone) {
    if (zone.offsetAt(utc_ + setBy_ + 1) - reading().utcOffset <= -Schedule::repeatLimit)
        promises_.startAfresh();
    zone_ = zone;
    utc_ += 1;
    tick(false);
}

void ScriptedClock::daylightChangeAt(std::int64_t utcSecond, int utcOffset) {
    zone_.daylight = reading().utcOffset;
    zone_.after = utcOffset;
    zone_.rule = TestZone::Rule::Once;
    zone_.changeAt = utcSecond;
}

void ScriptedClock::sleep(std::int64_t seconds, bool tickFirst) {
    platform.now = reading();
    due.asleep(platform.now);
    utc_ += seconds;
    if (tickFirst)
        tick(false);
    platform.now = reading();
    due.awake(platform.now);
    checkPromises(false);
}

void ScriptedClock::skip() {
    platform.now = reading();
    due.skipWarned(platform.now);
    userActed_ = true;
    checkPromises(false);
}

bool ScriptedClock::later(std::size_t choice) {
    platform.now = reading();
    const bool postponed = due.postponeWarned(platform.now, choice);
    userActed_ = true;
    checkPromises(false);
    return postponed;
}

void ScriptedClock::now() {
    platform.now = reading();
    nowPressed_ = true;
    due.runWarnedNow(platform.now);
    userActed_ = true;
    checkPromises(false);
}

void ScriptedClock::remove(const std::string &key) {
    for (int row = 0; row < table.rowCount(); ++row)
        if (table.event(row).matchKey == key) {
            table.deleteRow(row);
            break;
        }
    file.saveAndReload(table);
    platform.now = reading();
    due.tableChanged(platform.now);
    userActed_ = true;
    checkPromises(false);
}

std::string ScriptedClock::move(const std::string &key, std::int64_t seconds) {
    for (int row = 0; row < table.rowCount(); ++row) {
        const Event event = table.event(row);
        if (event.matchKey != key)
            continue;
        table.deleteRow(row);
        platform.now = reading();
        due.tableChanged(platform.now); // taken out for editing
        const LocalTime was =
            at(parseNumber(event.year), parseNumber(event.month), parseNumber(event.day),
               parseNumber(event.hour), parseNumber(event.minute), parseNumber(event.second));
        userActed_ = true;
        return addAt(event.repeat, ::later(was, seconds),
                     !event.shutDown.empty()  ? "Shut down"
                     : !event.restart.empty() ? "Restart"
                                              : "");
    }
    return "";
}

void ScriptedClock::checkPromises(bool plain) {
    const std::size_t before = promises_.requestWalls().size();
    EXPECT_EQ(promises_.check(platform.now, plain, nowPressed_), "")
        << "at " << wallSecond(platform.now) - wallSecond(start_) << " s on the wall clock";
    for (std::size_t i = before; i < promises_.requestWalls().size(); ++i)
        requestTimes.push_back(promises_.requestWalls()[i] - wallSecond(start_));
}

const DaylightChange daylightChanges[4] = {
    {"Europe forward", 2026, 3, 29, 1, 3600, 3600, 7200},
    {"Europe back", 2026, 10, 25, 1, 3600, 7200, 3600},
    {"US forward", 2026, 3, 8, 7, -18000, -18000, -14400},
    {"US back", 2026, 11, 1, 6, -18000, -14400, -18000},
};

std::int64_t changeUtc(const DaylightChange &change) {
    return wallSecond(at(change.year, change.month, change.day, change.utcHour, 0, 0));
}

ScriptedClock beforeChange(const DaylightChange &change) {
    const std::int64_t utc = changeUtc(change) - 2 * 3600;
    ScriptedClock clock(fromWallSecond(utc + change.before), change.standard, change.before);
    clock.daylightChangeAt(changeUtc(change), change.after);
    return clock;
}
