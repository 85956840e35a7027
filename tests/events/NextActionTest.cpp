// The next power action, the wake before it and the tray tip; sleep and wake. Every moment the
// schedule names is checked against the due check itself: the scripted clock runs up to it and
// the row must fire at that very tick, not before.
#include "ScriptedClock.h"

#include "Occurrences.h"

#include <gtest/gtest.h>

namespace {

const char *const kinds[] = {"", "Hourly", "Daily", "Weekly", "Monthly", "Yearly"};
const LocalTime t0 = at(2027, 1, 29, 10, 0, 0); // a Friday

std::string named(const char *kind) {
    return *kind ? kind : "one-time";
}

// Ticks every second until the row has fired, for at most `seconds`: the UTC second of the
// tick it fired at, or -1.
std::int64_t firstFiring(ScriptedClock &clock, const std::string &key, std::int64_t seconds) {
    for (std::int64_t done = 0; done < seconds; ++done) {
        clock.run(1);
        if (clock.fired(key) > 0)
            return clock.utc();
    }
    return -1;
}

std::string historyOf(ScriptedClock &clock) {
    return clock.platform.files[clock.history.path()];
}

} // namespace

TEST(NextAction, NamesTheTickAtWhichTheDueCheckFiresEveryKindAcrossDaylightSaving) {
    for (const DaylightChange &change : daylightChanges) {
        const bool usBack = std::string(change.name) == "US back";
        const int changed = usBack ? 1 : 2; // the wall hour that is skipped or repeated
        for (int hour = changed - 1; hour <= changed + 1; ++hour)
            for (int minute : {10, 40})
                for (const char *kind : kinds) {
                    ScriptedClock clock = beforeChange(change);
                    const std::string key = clock.addAt(
                        kind, at(change.year, change.month, change.day, hour, minute, 0),
                        "Restart");
                    clock.begin();
                    const auto next = clock.due.nextAction();
                    const std::string where = std::string(change.name) + ", " + named(kind) +
                                              " at " + std::to_string(hour) + ":" +
                                              std::to_string(minute);
                    ASSERT_TRUE(next.has_value()) << where;
                    EXPECT_EQ(next->event.matchKey, key) << where;
                    EXPECT_EQ(clock.platform.wakeSecond, next->utc - DueCheck::wakeLead) << where;
                    EXPECT_EQ(firstFiring(clock, key, 5 * 3600), next->utc) << where;
                    clock.run(DueCheck::warningLead); // a skipped second's action waits
                    EXPECT_EQ(clock.requests(), 1) << where;
                }
    }
}

TEST(NextAction, FindsLateMonthlyDaysLeapDaysAndWeekdaysAhead) {
    struct Case {
        const char *kind;
        LocalTime composed, start, expected;
    };
    const Case cases[] = {
        // The 31st skips February; the 30th too.
        {"Monthly", at(2027, 1, 31, 12, 0, 0), at(2027, 2, 1, 9, 0, 0), at(2027, 3, 31, 12, 0, 0)},
        {"Monthly", at(2027, 1, 30, 12, 0, 0), at(2027, 2, 1, 9, 0, 0), at(2027, 3, 30, 12, 0, 0)},
        {"Monthly", at(2027, 1, 31, 12, 0, 0), at(2027, 3, 31, 12, 0, 1),
         at(2027, 5, 31, 12, 0, 0)},
        // 29 February comes in leap years only, and not in 2100.
        {"Yearly", at(2024, 2, 29, 6, 0, 0), at(2026, 12, 7, 9, 0, 0), at(2028, 2, 29, 6, 0, 0)},
        {"Yearly", at(2096, 2, 29, 6, 0, 0), at(2096, 3, 1, 9, 0, 0), at(2104, 2, 29, 6, 0, 0)},
        // A weekday: the next Friday, or today's later.
        {"Weekly", at(2027, 1, 29, 8, 0, 0), at(2027, 1, 30, 9, 0, 0), at(2027, 2, 5, 8, 0, 0)},
        {"Weekly", at(2027, 1, 22, 18, 0, 0), at(2027, 1, 29, 9, 0, 0), at(2027, 1, 29, 18, 0, 0)},
        {"Daily", at(2027, 1, 1, 8, 0, 0), at(2027, 1, 29, 9, 0, 0), at(2027, 1, 30, 8, 0, 0)},
        {"Hourly", at(2027, 1, 1, 8, 15, 30), at(2027, 1, 29, 9, 20, 0),
         at(2027, 1, 29, 10, 15, 30)},
        {"", at(2027, 6, 1, 8, 0, 0), at(2027, 1, 29, 9, 0, 0), at(2027, 6, 1, 8, 0, 0)},
    };
    for (const Case &c : cases) {
        ScriptedClock clock(c.start);
        const std::string key = clock.addAt(c.kind, c.composed, "Shut down");
        clock.begin();
        const auto next = clock.due.nextAction();
        const std::string where = named(c.kind) + " composed for " + key;
        ASSERT_TRUE(next.has_value()) << where;
        EXPECT_EQ(wallSecond(next->at), wallSecond(c.expected)) << where;
        EXPECT_TRUE(next->shutDown);
        EXPECT_TRUE(clock.platform.wakeArmed) << where;
        EXPECT_EQ(clock.platform.wakeSecond, next->utc - DueCheck::wakeLead) << where;
        // The due check agrees: set the clock to three minutes before, and run it across.
        const std::int64_t before = wallSecond(c.expected) - wallSecond(clock.reading()) - 180;
        clock.set(before);
        EXPECT_NE(firstFiring(clock, key, 240), -1) << where;
        EXPECT_EQ(wallSecond(clock.reading()), wallSecond(c.expected)) << where;
        EXPECT_EQ(clock.lastRequest(), "shutdown") << where;
    }
}

TEST(NextAction, TheWakeFollowsTheTableTheAnswersAndTheClock) {
    ScriptedClock clock(t0);
    const std::int64_t start = clock.utc();
    clock.add("", 300, ""); // no action: nothing to wake for
    clock.begin();
    EXPECT_FALSE(clock.platform.wakeArmed);
    EXPECT_FALSE(clock.due.nextAction().has_value());

    const std::string first = clock.add("", 600, "Restart");
    const std::string daily = clock.add("Daily", 900, "Shut down");
    EXPECT_EQ(clock.platform.wakeSecond, start + 600 - DueCheck::wakeLead);
    clock.remove(first);
    EXPECT_EQ(clock.platform.wakeSecond, start + 900 - DueCheck::wakeLead);
    EXPECT_TRUE(clock.due.nextAction()->shutDown);

    // Skip on the warning: the Daily row's next action is tomorrow's.
    clock.run(850);
    ASSERT_TRUE(clock.platform.warningOpen);
    clock.skip();
    EXPECT_EQ(clock.platform.wakeSecond, start + 900 + 86400 - DueCheck::wakeLead);

    // A zone an hour east: the row's wall second comes an hour earlier in real time.
    clock.changeZone(3600, 3600);
    EXPECT_EQ(clock.platform.wakeSecond, start + 900 + 86400 - 3600 - DueCheck::wakeLead);

    // Without any action left, no wake.
    clock.remove(daily);
    EXPECT_FALSE(clock.platform.wakeArmed);
    EXPECT_EQ(clock.requests(), 0);
}

TEST(NextAction, IsWorkedOutAgainOnlyWhenSomethingChanged) {
    ScriptedClock clock(t0);
    for (int i = 1; i <= 50; ++i)
        clock.add("Daily", 600 + i * 60, "Restart");
    clock.begin();
    const int settings = clock.platform.wakeSettings;
    const int formats = clock.platform.formatCalls;
    clock.run(100);
    EXPECT_EQ(clock.platform.wakeSettings, settings);
    // The due check formats a few texts a second; working out the next action every tick
    // would format at least one more.
    EXPECT_LE(clock.platform.formatCalls - formats, 100 * 3);
}

TEST(NextAction, TheTrayTipNamesTheNextActionAndItsDay) {
    ScriptedClock clock(t0);
    EXPECT_EQ(trayTipOf(std::nullopt, clock.reading(), clock.platform), "Velkorin");
    clock.add("", 300, "Restart");
    clock.addAt("Weekly", at(2027, 1, 22, 8, 0, 0), "Shut down");
    clock.begin();
    EXPECT_EQ(trayTipOf(clock.due.nextAction(), clock.reading(), clock.platform),
              "Velkorin: restart at 10:05:00");
    clock.run(400);
    EXPECT_EQ(trayTipOf(clock.due.nextAction(), clock.reading(), clock.platform),
              "Velkorin: shut down at 08:00:00 on Friday 05 February 2027");
}

TEST(NextAction, WhatCameDueWhileAsleepIsMissedNotCaughtUp) {
    for (bool tickFirst : {false, true}) {
        const std::string order = tickFirst ? "tick before the wake message" : "message first";
        ScriptedClock clock(t0);
        const std::string restart = clock.add("", 600, "Restart");
        const std::string plain = clock.add("", 700, "");
        const std::string daily = clock.add("Daily", 800, "Shut down");
        const std::string after = clock.add("", 5000, "Restart");
        clock.begin();
        clock.run(100);
        clock.sleep(3600, tickFirst);
        // One notice for both one-time rows; nothing fired, nothing requested.
        ASSERT_EQ(clock.platform.notices.size(), 1u) << order;
        EXPECT_NE(clock.platform.notices[0].find("2 events passed while the computer slept:"),
                  std::string::npos)
            << order;
        EXPECT_NE(clock.platform.notices[0].find(restart), std::string::npos) << order;
        EXPECT_NE(clock.platform.notices[0].find(plain), std::string::npos) << order;
        EXPECT_EQ(clock.fired(daily), 0) << order;
        EXPECT_EQ(clock.requests(), 0) << order;
        EXPECT_EQ(clock.table.rowCount(), 2) << order;
        // Windows tells of the wake a second time: one wake, one line.
        clock.platform.now = clock.reading();
        clock.due.awake(clock.platform.now);
        const std::string history = historyOf(clock);
        EXPECT_EQ(occurrences(history, "  asleep"), 1) << order;
        EXPECT_EQ(occurrences(history, "  awake"), 1) << order;
        EXPECT_EQ(occurrences(history, "  missed  "), 2) << order;
        // After the wake the clock runs as before.
        clock.run(1400);
        EXPECT_EQ(clock.fired(after), 1) << order;
        ASSERT_EQ(clock.requestTimes.size(), 1u) << order;
        EXPECT_EQ(clock.requestTimes[0], 5000) << order;
    }
}

TEST(NextAction, AComputerWokenForItsActionShowsTheWholeMinuteFirst) {
    ScriptedClock clock(t0);
    const std::int64_t start = clock.utc();
    clock.add("Daily", 4 * 3600, "Restart");
    clock.begin();
    clock.run(60);
    ASSERT_TRUE(clock.platform.wakeArmed);
    // Asleep until the timer wakes the computer.
    clock.sleep(clock.platform.wakeSecond - clock.utc());
    EXPECT_EQ(clock.utc(), start + 4 * 3600 - DueCheck::wakeLead);
    EXPECT_FALSE(clock.platform.warningOpen);
    clock.run(DueCheck::wakeLead + 5);
    EXPECT_EQ(clock.platform.warningsOpened, 1);
    ASSERT_EQ(clock.requestTimes.size(), 1u);
    EXPECT_EQ(clock.requestTimes[0], 4 * 3600);
    EXPECT_TRUE(clock.platform.notices.empty());
}

TEST(NextAction, AnActionWaitingForItsMinuteIsNotRunAfterASleep) {
    ScriptedClock clock(t0);
    const std::string key = clock.add("Daily", 20, "Restart");
    clock.begin();
    clock.run(30); // fired at 20, waiting for its minute
    EXPECT_EQ(clock.fired(key), 1);
    EXPECT_EQ(clock.requests(), 0);
    clock.sleep(600);
    clock.run(120);
    EXPECT_EQ(clock.requests(), 0);
    EXPECT_NE(historyOf(clock).find("restart not run: the computer slept through its warning"),
              std::string::npos);
}
