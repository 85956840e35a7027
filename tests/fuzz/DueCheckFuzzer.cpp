// libFuzzer target: the due check, its warning and the missed-event sweep driven by random
// tables and a scripted clock (ticks, late ticks, ticks only when needed while hidden, clocks
// set forward and back, daylight-saving changes, changes of zone, sleep) and by the user's answers
// and edits, checked against the program's promises after every step.
#include "DueCheck.h"
#include "FakePlatform.h"
#include "MissedSweep.h"
#include "Promises.h"
#include "TestZones.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

const char *const kinds[] = {"", "Hourly", "Daily", "Weekly", "Monthly", "Yearly"};
const char *const actions[] = {"", "Restart", "Shut down"};

void check(bool promise, const std::string &what = "") {
    if (promise)
        return;
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

class Input {
public:
    Input(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    unsigned byte() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// The zones the clock is in, and changes between: daylight-saving zones both sides of the
// equator, zones of equal standard offsets, a half-hour one.
const TestZone *const allZones[] = {&zones::berlin,  &zones::newYork, &zones::sydney,
                                    &zones::stJohns, &zones::lagos,   &zones::phoenix,
                                    &zones::denver,  &zones::kolkata};
// The changes a run starts half an hour before: spring and autumn in the first four zones.
const std::int64_t changes[] = {
    secondsOf(2026, 3, 29, 1, 0, 0), secondsOf(2026, 10, 25, 1, 0, 0),
    secondsOf(2026, 3, 8, 7, 0, 0),  secondsOf(2026, 11, 1, 6, 0, 0),
    secondsOf(2026, 4, 4, 16, 0, 0), secondsOf(2026, 10, 3, 16, 0, 0),
    secondsOf(2026, 3, 8, 5, 30, 0), secondsOf(2026, 11, 1, 4, 30, 0),
};

// The clock as the platform reads it: real seconds, the zone, and what the wall clock was set
// by.
struct Clock {
    std::int64_t utc;
    TestZone zone;
    std::int64_t setBy = 0;
    LocalTime reading() const {
        const std::int64_t system = utc + setBy;
        const int offset = zone.offsetAt(system);
        LocalTime time = fromWallSecond(system + offset);
        time.utcOffset = offset;
        time.elapsed = utc * 1000 + 20;
        return time;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    Input input(data, size);
    FakePlatform platform;
    const std::string path = "InformationSW";
    EventFile file(platform, path);
    EventTable table;
    History history(platform, "");
    Promises promises(platform, history.path());
    const unsigned start = input.byte() % 8;
    Clock clock{changes[start] - 1800, *allZones[start / 2]};
    platform.zone = &clock.zone;
    const std::int64_t base = wallSecond(clock.reading());

    // Up to ten rows, each of a kind and an action at a moment within an hour and a half of the
    // start: across the change and the hour it repeats.
    std::map<std::string, std::int64_t> oneTime; // key -> moment (wall second)
    auto addRow = [&](std::int64_t wall) {
        const char *kind = kinds[input.byte() % 6];
        const LocalTime when = fromWallSecond(wall);
        Event row = eventAt(when, kind, clockText(platform, repeatKindOf(kind), when));
        const char *action = actions[input.byte() % 3];
        (*action == 'R' ? row.restart : row.shutDown) = *action ? action : "";
        for (int i = 0; i < table.rowCount(); ++i)
            if (table.event(i).matchKey == row.matchKey)
                return; // keys tell the rows apart
        if (!*kind)
            oneTime[row.matchKey] = wall;
        promises.kindOf(row.matchKey, kind);
        table.insertRow(table.rowCount(), row);
    };
    const unsigned rows = input.byte() % 11;
    for (unsigned i = 0; i < rows; ++i)
        addRow(base + (input.byte() * 256 + input.byte()) % 5400);
    file.save(table);

    DueCheck due(table, file, platform);
    due.setHistory(&history);
    platform.watchedFile = path;
    platform.now = clock.reading();
    due.noteStored(sweepMissedEvents(table, file, platform, platform.now, &history), platform.now);
    due.startAfter(platform.now);
    check(promises.check(platform.now, false, false).empty(), "at the start");
    std::int64_t latest = wallSecond(platform.now); // the latest wall second reached
    std::int64_t lastSystem = clock.utc;            // the computer's UTC at the last step
    std::map<std::string, bool> leftOtherwise;      // carried out early, or deleted
    // The promises, the file and the one-time rows checked after every step.
    auto checkStep = [&](bool plain, bool nowPressed) {
        const std::int64_t wall = wallSecond(platform.now);
        if (wall > latest)
            latest = wall;
        // A late tick across a change back read the wall seconds before it too.
        const std::int64_t system = clock.utc + clock.setBy;
        const std::int64_t change = clock.zone.nextChange(lastSystem);
        if (change <= system && change != INT64_MAX &&
            change - 1 + clock.zone.offsetAt(change - 1) > latest)
            latest = change - 1 + clock.zone.offsetAt(change - 1);
        lastSystem = system;
        const std::string broken = promises.check(platform.now, plain, nowPressed);
        check(broken.empty(), broken);
        EventTable saved;
        file.loadAll(saved);
        check(saved.rowCount() == table.rowCount(), "file and table differ");
        for (int i = 0; i < table.rowCount(); ++i)
            check(saved.event(i).matchKey == table.event(i).matchKey, "file and table differ");
        // A one-time row leaves only once the clock has reached its moment, and with one
        // firing, one missed notice, or Now.
        std::size_t gone = 0;
        for (const auto &[key, moment] : oneTime) {
            bool present = false;
            for (int i = 0; i < table.rowCount(); ++i)
                present = present || table.event(i).matchKey == key;
            if (present)
                continue;
            check(leftOtherwise.count(key) || moment <= latest, key + " left before its moment");
            gone += !leftOtherwise.count(key) && promises.fired(key) == 0;
        }
        std::size_t reported = 0; // a notice may tell of several events
        for (const std::string &notice : platform.notices)
            for (std::size_t at = notice.find("Date&Time:"); at != std::string::npos;
                 at = notice.find("Date&Time:", at + 1))
                ++reported;
        check(gone <= reported, "a one-time row left unreported");
        // The wake is armed only while an action lies ahead.
        check(!platform.wakeArmed || due.nextAction().has_value(), "a wake with nothing ahead");
    };
    auto tick = [&](bool plain) {
        platform.now = clock.reading();
        due.checkDueEvents(platform.now);
        checkStep(plain, false);
    };
    while (!input.empty()) {
        const unsigned step = input.byte();
        if (step < 100) { // time runs on: a tick a second for a while
            for (unsigned second = 0; second <= step % 40; ++second) {
                clock.utc += 1;
                tick(true);
            }
        } else if (step < 120) {
            // Hidden in the tray for up to half an hour: a tick only at each second the due
            // check says it is needed.
            const std::int64_t until = clock.utc + 60 + (step - 100) * 90;
            while (clock.utc < until) {
                const std::int64_t needed = due.neededAt(clock.reading()) - clock.setBy;
                check(needed > clock.utc, "a plan for a second gone by");
                clock.utc = std::min(needed, until);
                tick(true);
            }
        } else if (step < 160) { // ticks that skip seconds, or come twice in one
            clock.utc += step % 4;
            tick(step % 4 == 1);
        } else if (step < 175) {
            clock.utc += 61 + (step - 160) * 479; // late, up to two hours
            tick(false);
        } else if (step < 185) {
            clock.utc += 1; // set forward by hand
            clock.setBy += 61 + (step - 175) * 997;
            tick(false);
        } else if (step < 200) {
            clock.utc += 1; // set back, by seconds to hours
            const std::int64_t back = (step - 184) * (step < 195 ? 3 : 900);
            clock.setBy -= back;
            if (back >= Schedule::repeatLimit)
                promises.startAfresh();
            tick(false);
        } else if (step < 208) {
            // One tick late across the zone's next change, when it comes within hours, landing up
            // to half an hour past it.
            const std::int64_t change = clock.zone.nextChange(clock.utc + clock.setBy);
            clock.utc += 61;
            if (change - (clock.utc + clock.setBy) < 4 * 3600) {
                const std::int64_t landing =
                    change - clock.setBy + 450 * (static_cast<int>(step) - 204);
                clock.utc = std::max(clock.utc, landing);
            }
            tick(false);
        } else if (step < 213) {
            clock.utc += 1; // another zone
            const TestZone &zone = *allZones[(step + input.byte()) % 8];
            const std::int64_t system = clock.utc + clock.setBy;
            if (zone.offsetAt(system) - clock.zone.offsetAt(system) <= -Schedule::repeatLimit)
                promises.startAfresh();
            clock.zone = zone;
            tick(false);
        } else if (step >= 250) {
            // Asleep for a while; Windows tells of the wake, before or after the first tick.
            platform.now = clock.reading();
            due.asleep(platform.now);
            clock.utc += 3 + input.byte() * 37;
            if (step % 2)
                tick(false);
            platform.now = clock.reading();
            due.awake(platform.now);
            checkStep(false, false);
        } else {
            // The user, between two ticks.
            platform.now = clock.reading();
            bool nowPressed = false;
            if (step < 220) {
                due.skipWarned(platform.now);
            } else if (step < 225) {
                due.setLaterLimit(step == 224 ? std::optional<std::int64_t>(1800) : std::nullopt);
                due.postponeWarned(platform.now, input.byte() % DueCheck::laterChoiceCount);
            } else if (step < 235) {
                std::map<std::string, bool> present;
                for (int i = 0; i < table.rowCount(); ++i)
                    present[table.event(i).matchKey] = true;
                due.runWarnedNow(platform.now);
                nowPressed = true;
                for (const auto &entry : oneTime) {
                    bool still = false;
                    for (int i = 0; i < table.rowCount(); ++i)
                        still = still || table.event(i).matchKey == entry.first;
                    if (present.count(entry.first) && !still)
                        leftOtherwise[entry.first] = true;
                }
            } else if (step < 245 && table.rowCount() > 0) {
                const int row = static_cast<int>(input.byte() % table.rowCount());
                leftOtherwise[table.event(row).matchKey] = true;
                table.deleteRow(row);
                due.noteStored(file.saveAndReload(table), platform.now);
                due.tableChanged(platform.now);
            } else {
                addRow(wallSecond(platform.now) + input.byte() % 90);
                due.noteStored(file.save(table), platform.now);
                due.tableChanged(platform.now);
            }
            checkStep(false, nowPressed);
        }
    }
    return 0;
}
