// Hidden in the tray the program ticks only when the due check needs it. Whatever the clock
// does, what happens must be exactly what a tick every second gives: the same history line for
// line, the same requests at the same seconds, and both promises after every step.
#include "ScriptedClock.h"

#include "Occurrences.h"

#include <gtest/gtest.h>

namespace {

std::string historyOf(ScriptedClock &clock) {
    return clock.platform.files[clock.history.path()];
}

// Berlin on the evening before the autumn change (03:00 CEST becomes 02:00 CET).
ScriptedClock evening() {
    return ScriptedClock(zones::berlin, at(2026, 10, 24, 20, 0, 0));
}

// A day and a half of every kind of row, with actions, a row whose fields disagree with its
// key (a hand-edited file), a row composed while hidden, a clock set forward and a sleep.
int liveThrough(ScriptedClock &clock, bool hidden) {
    int asked = 0;
    const auto pass = [&](std::int64_t seconds) {
        if (hidden)
            asked += clock.runHidden(seconds);
        else
            clock.run(seconds);
    };
    clock.add("", 30, "");
    clock.add("", 2 * 3600, "Restart");
    clock.add("Hourly", 15 * 60 + 9, "");
    clock.addAt("Daily", at(2026, 10, 25, 2, 30, 0), "Shut down"); // twice that night
    clock.add("Weekly", 5 * 3600 + 1, "");
    clock.add("Monthly", 6 * 3600 + 7, "Restart");
    clock.add("Yearly", 7 * 3600, "");
    Event edited = eventAt(at(2026, 10, 24, 23, 0, 0), "Daily", "22:00:00");
    edited.shutDown = "Shut down";
    clock.table.insertRow(clock.table.rowCount(), edited);
    clock.begin();
    pass(3 * 3600);
    clock.add("", 3 * 3600 + 40, "Restart"); // forty seconds ahead, while hidden
    pass(600);
    clock.set(600);
    pass(3600);
    clock.sleep(1800);
    pass(26 * 3600);
    return asked;
}

} // namespace

TEST(Hidden, ADayAndAHalfHappensExactlyAsWithATickEverySecond) {
    ScriptedClock shown = evening(), hidden = evening();
    liveThrough(shown, false);
    const int asked = liveThrough(hidden, true);
    EXPECT_EQ(historyOf(hidden), historyOf(shown));
    EXPECT_EQ(hidden.requestTimes, shown.requestTimes);
    EXPECT_EQ(hidden.requests(), shown.requests());
    EXPECT_GE(shown.requests(), 5);
    // Some 34 hourly firings, a handful of others, a minute of warning for each of six actions
    // and an hour's plan at most: a few hundred ticks instead of 120,000.
    EXPECT_LT(asked, 600);
    EXPECT_GT(occurrences(historyOf(hidden), "fired"), 30);
}

TEST(Hidden, AThousandRowsNothingDueForAnHourWakeItOnceInThatHour) {
    ScriptedClock clock(at(2026, 3, 2, 10, 0, 0));
    for (int i = 0; i < 1000; ++i)
        clock.add(i % 2 ? "" : "Daily", 2 * 3600 + i * 60, i % 3 ? "" : "Restart");
    clock.begin();
    EXPECT_LE(clock.runHidden(3600), 1);
    EXPECT_FALSE(clock.platform.warningOpen);
}

TEST(Hidden, AFailedWriteIsTriedAgainOnItsTimeNotAnHourLater) {
    ScriptedClock clock(at(2026, 3, 2, 10, 0, 0));
    clock.add("", 5, "");
    clock.begin();
    clock.platform.failWrites = true;
    clock.runHidden(10); // fires, and the write fails
    clock.platform.failWrites = false;
    EXPECT_EQ(occurrences(historyOf(clock), "events stored again"), 0);
    EXPECT_LE(clock.runHidden(120), 8); // 1, 2, 4 ... seconds after each failure
    EXPECT_EQ(occurrences(historyOf(clock), "events stored again"), 1);
}

TEST(Hidden, AnActionComposedLessThanAMinuteAheadIsWarnedOfAtOnce) {
    ScriptedClock clock(at(2026, 3, 2, 10, 0, 0));
    clock.begin();
    clock.runHidden(600);
    clock.add("", 600 + 20, "Shut down");
    EXPECT_TRUE(clock.platform.warningOpen);
    clock.runHidden(300);
    EXPECT_EQ(clock.lastRequest(), "shutdown");
}
