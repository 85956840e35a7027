// The schedule asks the zone's rules: late ticks, sleeps, answers, wakes and clock sets around
// the daylight-saving changes of real zones, and changes between zones with equal offsets. Every
// step is checked by the scripted clock's promises, the history's stamps against the zone's rules
// among them.
#include "ScriptedClock.h"

#include "Occurrences.h"

#include <gtest/gtest.h>

namespace {

std::string historyOf(ScriptedClock &clock) {
    return clock.platform.files[clock.history.path()];
}

// The autumn and spring changes of 2026 used below, as UTC seconds.
const std::int64_t berlinBack = secondsOf(2026, 10, 25, 1, 0, 0);
const std::int64_t newYorkForward = secondsOf(2026, 3, 8, 7, 0, 0);

struct Change {
    const char *name;
    const TestZone &zone;
    std::int64_t utc;
};
// Clocks going back.
const Change autumns[] = {
    {"Berlin", zones::berlin, berlinBack},
    {"New York", zones::newYork, secondsOf(2026, 11, 1, 6, 0, 0)},
    {"Sydney", zones::sydney, secondsOf(2026, 4, 4, 16, 0, 0)},
    {"St John's", zones::stJohns, secondsOf(2026, 11, 1, 4, 30, 0)},
};

// The wall moment of a UTC second in a zone.
LocalTime wallOf(const TestZone &zone, std::int64_t utc) {
    return fromWallSecond(utc + zone.offsetAt(utc));
}

} // namespace

TEST(TimeZone, TheTestZonesChangeWhereTheCalendarSays) {
    EXPECT_EQ(zones::berlin.offsetAt(berlinBack - 1), 7200);
    EXPECT_EQ(zones::berlin.offsetAt(berlinBack), 3600);
    EXPECT_EQ(zones::berlin.nextChange(berlinBack - 1), berlinBack);
    EXPECT_EQ(zones::newYork.offsetAt(newYorkForward), -14400);
    EXPECT_EQ(zones::newYork.offsetAt(newYorkForward - 1), -18000);
    // Sydney's summer spans the new year.
    EXPECT_EQ(zones::sydney.offsetAt(secondsOf(2026, 1, 1, 0, 0, 0)), 39600);
    EXPECT_EQ(zones::sydney.nextChange(secondsOf(2026, 1, 1, 0, 0, 0)), autumns[2].utc);
    EXPECT_EQ(zones::sydney.nextChange(autumns[2].utc), secondsOf(2026, 10, 3, 16, 0, 0));
    EXPECT_EQ(zones::stJohns.offsetAt(autumns[3].utc - 1), -9000);
    EXPECT_EQ(zones::kolkata.nextChange(0), INT64_MAX);
}

// A tick 45 minutes late across the autumn change reaches 02:25 of the repeated hour: rows at
// 03:05 and 03:06 are an hour ahead still.
TEST(TimeZone, ALateTickAcrossTheAutumnChangeCatchesUpByTheRules) {
    ScriptedClock clock(zones::berlin, at(2026, 10, 25, 2, 39, 0));
    const std::string daily = clock.addAt("Daily", at(2026, 10, 25, 3, 5, 0), "Restart");
    const std::string once = clock.addAt("", at(2026, 10, 25, 3, 6, 0), "");
    clock.begin();
    clock.run(68);
    clock.late(45 * 60);
    EXPECT_EQ(clock.fired(daily), 0);
    EXPECT_EQ(clock.fired(once), 0);
    EXPECT_FALSE(clock.platform.warningOpen);
    clock.run(42 * 60);
    EXPECT_EQ(clock.fired(daily), 1);
    EXPECT_EQ(clock.fired(once), 1);
    ASSERT_EQ(clock.requests(), 1);
    EXPECT_EQ(clock.utc(), berlinBack + 3600 + 7 * 60 + 8);
    EXPECT_NE(historyOf(clock).find("2026-10-25 03:05:00 +01:00  restart requested"),
              std::string::npos);
}

// A row at 02:00:xx in New York, or 03:00:30 in Berlin, is not reached when the clocks go back
// at 02:00 (03:00): no warning counts toward it before the change.
TEST(TimeZone, NoWarningForAWallSecondTheChangeTakesAway) {
    struct Case {
        const Change &change;
        int hour; // the wall hour at which the clocks go back
    };
    for (const Case &c : {Case{autumns[0], 3}, Case{autumns[1], 2}}) {
        const LocalTime start = wallOf(c.change.zone, c.change.utc - 150);
        ScriptedClock clock(c.change.zone, start);
        const std::string key =
            clock.addAt("Daily", at(2026, start.month, start.day, c.hour, 0, 30), "Restart");
        clock.begin();
        for (int second = 0; second < 150; ++second) {
            clock.run(1);
            ASSERT_FALSE(clock.platform.warningOpen) << c.change.name << " at " << second;
        }
        clock.run(3600 + 60);
        EXPECT_EQ(clock.fired(key), 1) << c.change.name;
        EXPECT_EQ(clock.requests(), 1) << c.change.name;
    }
}

// Skip, given in the last minute before a change, answers the Hourly action warned of in the
// first minute after it; and without Skip the countdown never jumps.
TEST(TimeZone, SkipHoldsForAnHourlyActionJustAfterAChange) {
    // Spring in New York: an Hourly shutdown at :00:30 comes at 03:00:30 EDT.
    {
        ScriptedClock clock(zones::newYork, wallOf(zones::newYork, newYorkForward - 40));
        const std::string key = clock.addAt("Hourly", at(2026, 3, 8, 3, 0, 30), "Shut down");
        clock.begin();
        clock.run(15);
        ASSERT_TRUE(clock.platform.warningOpen);
        clock.skip();
        clock.run(30 * 60);
        EXPECT_EQ(clock.fired(key), 1);
        EXPECT_EQ(clock.requests(), 0);
        EXPECT_EQ(occurrences(historyOf(clock), "action skipped"), 1);
    }
    // Autumn in Berlin: the Hourly shutdown at :00:30 comes at 02:00:30 CET, then 03:00:30 CET.
    for (bool skip : {true, false}) {
        ScriptedClock clock(zones::berlin, wallOf(zones::berlin, berlinBack - 40));
        const std::string key = clock.addAt("Hourly", at(2026, 10, 25, 2, 0, 30), "Shut down");
        clock.begin();
        clock.run(15);
        ASSERT_TRUE(clock.platform.warningOpen);
        if (skip)
            clock.skip();
        clock.run(100);
        EXPECT_EQ(clock.requests(), skip ? 0 : 1) << "skip " << skip;
        clock.run(3600);
        EXPECT_EQ(clock.requests(), skip ? 1 : 2) << "skip " << skip;
        EXPECT_EQ(clock.fired(key), 2) << "skip " << skip;
    }
}

// Ten minutes before the clocks go back, an Hourly restart ten minutes after the change: the
// computer is woken two minutes before it, in the repeated hour.
TEST(TimeZone, TheWakeForAnHourlyActionInTheRepeatedHourIsArmedForIt) {
    for (const Change &change : autumns) {
        ScriptedClock clock(change.zone, wallOf(change.zone, change.utc - 600));
        clock.addAt("Hourly", wallOf(change.zone, change.utc + 600), "Restart");
        clock.begin();
        clock.run(1);
        ASSERT_TRUE(clock.platform.wakeArmed) << change.name;
        EXPECT_EQ(clock.platform.wakeSecond, change.utc + 600 - DueCheck::wakeLead) << change.name;
    }
}

// Asleep in the first pass of the repeated hour, awake in the second: Hourly rows come each real
// hour, so those of the second pass still fire.
TEST(TimeZone, TheSecondPassOfARepeatedHourFollowsASleepWithinIt) {
    ScriptedClock clock(zones::berlin, at(2026, 10, 25, 2, 44, 0));
    const std::string half = clock.addAt("Hourly", at(2026, 10, 25, 2, 30, 0), "");
    const std::string forty = clock.addAt("Hourly", at(2026, 10, 25, 2, 40, 0), "Restart");
    clock.begin();
    clock.run(60);
    clock.sleep(30 * 60); // awake at 02:15 CET
    clock.run(30 * 60);
    EXPECT_EQ(clock.fired(half), 1);
    EXPECT_EQ(clock.fired(forty), 1);
    EXPECT_EQ(clock.requests(), 1);
}

// Phoenix to Denver in July, Lagos to Berlin in summer: the standard offsets are equal, the
// clock moves an hour, and it is a change of zone, not of daylight saving. What it passed is
// missed, not fired.
TEST(TimeZone, AChangeBetweenZonesWithEqualStandardOffsetsIsAChangeOfZone) {
    struct Case {
        const TestZone &from, &to;
    };
    for (const Case &c : {Case{zones::phoenix, zones::denver}, Case{zones::lagos, zones::berlin}}) {
        ScriptedClock clock(c.from, at(2026, 7, 15, 11, 58, 0));
        const std::string once = clock.add("", 30 * 60, "");
        const std::string daily = clock.add("Daily", 20 * 60, "Restart");
        clock.begin();
        clock.run(60);
        clock.changeZone(c.to);
        clock.run(120);
        EXPECT_EQ(clock.fired(once), 0) << c.to.name;
        EXPECT_EQ(clock.fired(daily), 0) << c.to.name;
        EXPECT_EQ(clock.requests(), 0) << c.to.name;
        EXPECT_EQ(clock.platform.notices.size(), 1u) << c.to.name;
        EXPECT_EQ(occurrences(historyOf(clock), "time zone changed"), 1) << c.to.name;
    }
}

// The clock set back half an hour at noon; then a restart is composed for 11:40, which the clock
// now reads again: it fires, after its warning.
TEST(TimeZone, ARowComposedInsideASpanSetBackOverFires) {
    ScriptedClock clock(at(2027, 1, 29, 11, 59, 0));
    clock.begin();
    clock.run(60);
    clock.set(-30 * 60);
    const std::string key = clock.addAt("", at(2027, 1, 29, 11, 40, 0), "Restart");
    clock.run(11 * 60);
    EXPECT_EQ(clock.fired(key), 1);
    EXPECT_EQ(clock.requests(), 1);
}

// A minute forward is a clock set, not a late tick: the one-time row in it is missed, the
// Daily shutdown in it comes tomorrow.
TEST(TimeZone, AClockSetForwardByAWholeMinuteIsASetting) {
    ScriptedClock clock(at(2027, 1, 29, 12, 0, 0));
    const std::string once = clock.add("", 30, "");
    const std::string daily = clock.add("Daily", 40, "Shut down");
    clock.begin();
    clock.run(10);
    clock.set(60);
    clock.run(120);
    EXPECT_EQ(clock.fired(once), 0);
    EXPECT_EQ(clock.fired(daily), 0);
    EXPECT_EQ(clock.requests(), 0);
    EXPECT_EQ(clock.platform.notices.size(), 1u);
}

// The first tick after the start is a clock set: the start second is examined all the same.
TEST(TimeZone, TheStartSecondIsExaminedWhenTheFirstTickIsAClockSet) {
    for (std::int64_t by : {120, -30}) {
        ScriptedClock clock(at(2027, 1, 29, 12, 0, 0));
        const std::string key = clock.add("", 0, "");
        clock.begin();
        clock.set(by);
        EXPECT_EQ(clock.fired(key), 1) << by;
        EXPECT_TRUE(clock.platform.notices.empty()) << by;
        EXPECT_NE(historyOf(clock).find("2027-01-29 12:00:00 +00:00  fired"), std::string::npos)
            << by;
    }
}

// Put to sleep 90 s before a Daily restart: the history says so, the wake is set for the
// restart's second, and a wake after it reports the restart missed, naming it.
TEST(TimeZone, ARestartLessThanTwoMinutesAheadOfASleepIsToldOf) {
    ScriptedClock clock(at(2027, 1, 29, 11, 58, 0));
    const std::string key = clock.add("Daily", 120, "Restart");
    clock.begin();
    clock.run(30);
    clock.platform.now = clock.reading();
    clock.due.asleep(clock.platform.now);
    EXPECT_NE(historyOf(clock).find("asleep with its restart less than two minutes ahead  " + key),
              std::string::npos);
    EXPECT_TRUE(clock.platform.wakeArmed);
    EXPECT_EQ(clock.platform.wakeSecond, clock.utc() + 90);
    clock.sleep(600);
    ASSERT_EQ(clock.platform.notices.size(), 1u);
    EXPECT_NE(clock.platform.notices[0].find(key), std::string::npos);
    EXPECT_NE(clock.platform.notices[0].find("Restart:Restart"), std::string::npos);
    EXPECT_EQ(occurrences(historyOf(clock), "  missed  " + key + "  Restart"), 1);
    EXPECT_EQ(clock.requests(), 0);
}
