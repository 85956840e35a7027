// Later on the warning: the action put off as a one-time event of its own, within the
// administrator's limit, on a scripted clock that checks both promises after every step.
#include "ScriptedClock.h"

#include <gtest/gtest.h>

namespace {

const LocalTime t0 = at(2027, 1, 29, 10, 0, 0); // a Friday

std::string keyAt(FakePlatform &platform, std::int64_t seconds) {
    return clockText(platform, RepeatKind::OneTime, later(t0, seconds));
}

// Restart requests of a clock.
int restarts(const ScriptedClock &clock) {
    int count = 0;
    for (const FakePlatform::Request &request : clock.platform.requests)
        count += request.kind == "restart";
    return count;
}

} // namespace

TEST(Later, ADailyRestartPutOffTenMinutesWarnsAndRunsOnceAtItsNewSecondAndGoesOnTomorrow) {
    ScriptedClock clock(t0);
    const std::string daily = clock.add("Daily", 120);
    clock.begin();
    clock.run(70); // warned of since 60
    ASSERT_TRUE(clock.platform.warningOpen);
    EXPECT_EQ(clock.platform.warningLater.choices,
              (std::vector<std::string>{"10 minutes", "30 minutes", "1 hour", "4 hours"}));
    ASSERT_TRUE(clock.later(0));
    // Ten minutes after the action's own second, in the list and the file at once.
    const std::string postponed = keyAt(clock.platform, 720);
    ASSERT_EQ(clock.table.rowCount(), 2);
    const Event added = clock.table.event(1);
    EXPECT_EQ(added.matchKey, postponed);
    EXPECT_EQ(added.restart, "Restart");
    EXPECT_EQ(added.repeat, "");
    EXPECT_EQ(added.hour + added.minute + added.second, "101200");
    EXPECT_EQ(added.year + "-" + added.month + "-" + added.day, "2027- 1-29");
    EXPECT_NE(clock.platform.files["C:\\Tools\\InformationSW"].find(postponed), std::string::npos);
    EXPECT_FALSE(clock.platform.warningOpen);
    EXPECT_NE(
        clock.platform.files["C:\\Tools\\Velkorin.log"].find("restart postponed to " + postponed),
        std::string::npos);

    clock.run(60); // past the daily second: it fires without its action
    EXPECT_EQ(clock.fired(daily), 1);
    EXPECT_EQ(clock.requests(), 0);
    clock.run(600); // to 10:12:10: the new one warned of from 10:11:00, run at 10:12:00
    EXPECT_EQ(clock.fired(postponed), 1);
    ASSERT_EQ(clock.requestTimes.size(), 1u);
    EXPECT_EQ(clock.requestTimes[0], 720);
    EXPECT_EQ(clock.table.rowCount(), 1); // the daily row goes on by its rule
    clock.run(86400 - 710, 10);           // to 10:00:20 the next day
    clock.run(120);
    EXPECT_EQ(clock.fired(daily), 2);
    EXPECT_EQ(restarts(clock), 2);
    EXPECT_EQ(clock.requestTimes[1], 86400 + 120);
}

TEST(Later, WhereBothActionsMeetTheWinnerIsPutOffAndNeitherRunsThen) {
    ScriptedClock clock(t0);
    clock.add("", 120, "Restart");
    clock.add("Daily", 120, "Shut down");
    clock.begin();
    clock.run(70);
    ASSERT_TRUE(clock.later(1));
    clock.run(120);
    EXPECT_EQ(clock.requests(), 0);
    ASSERT_EQ(clock.table.rowCount(), 2);
    EXPECT_EQ(clock.table.event(1).shutDown, "Shut down");
    EXPECT_EQ(clock.table.event(1).matchKey, keyAt(clock.platform, 120 + 1800));
    clock.run(1800);
    ASSERT_EQ(clock.requests(), 1);
    EXPECT_EQ(clock.lastRequest(), "shutdown");
}

TEST(Later, AnActionWaitingForItsMinuteIsPutOffFromNow) {
    ScriptedClock clock(t0);
    clock.begin();
    clock.run(10);
    clock.add("", 30); // composed twenty seconds ahead: it waits for its minute after 30
    clock.run(30);
    ASSERT_TRUE(clock.platform.warningOpen);
    ASSERT_TRUE(clock.later(0)); // at 40, ten seconds after it fired
    EXPECT_EQ(clock.table.event(0).matchKey, keyAt(clock.platform, 640));
    clock.run(700);
    ASSERT_EQ(clock.requestTimes.size(), 1u);
    EXPECT_EQ(clock.requestTimes[0], 640);
}

TEST(Later, TheAdministratorsLimitCountsEveryLaterOfOneActionAndTheWarningSaysWhy) {
    ScriptedClock off(t0);
    off.due.setLaterLimit(0);
    off.add("Daily", 120);
    off.begin();
    off.run(70);
    EXPECT_TRUE(off.platform.warningLater.choices.empty());
    EXPECT_EQ(off.platform.warningLater.why, "Later is turned off by your administrator.");
    EXPECT_FALSE(off.later(0));
    EXPECT_EQ(off.table.rowCount(), 1);
    off.run(60);
    EXPECT_EQ(off.requests(), 1);

    ScriptedClock clock(t0);
    clock.due.setLaterLimit(3600);
    clock.add("", 120);
    clock.begin();
    clock.run(70);
    EXPECT_EQ(clock.platform.warningLater.choices.size(), 3u); // not 4 hours
    EXPECT_EQ(clock.platform.warningLater.why, "Later: at most 1 hour in all, as your "
                                               "administrator set.");
    EXPECT_FALSE(clock.later(3));
    ASSERT_TRUE(clock.later(1)); // 30 minutes: to 10:32:00
    clock.run(1800);             // its own warning, with 30 minutes left of the hour
    ASSERT_TRUE(clock.platform.warningOpen);
    EXPECT_EQ(clock.platform.warningLater.choices,
              (std::vector<std::string>{"10 minutes", "30 minutes"}));
    ASSERT_TRUE(clock.later(1)); // to 11:02:00, the whole hour
    clock.run(1800);
    ASSERT_TRUE(clock.platform.warningOpen);
    EXPECT_TRUE(clock.platform.warningLater.choices.empty());
    EXPECT_EQ(clock.platform.warningLater.why,
              "No later: your administrator allows at most 1 hour in all, and this action has "
              "been put off by 1 hour.");
    EXPECT_FALSE(clock.later(0));
    clock.run(120);
    ASSERT_EQ(clock.requestTimes.size(), 1u);
    EXPECT_EQ(clock.requestTimes[0], 120 + 3600);
}

TEST(Later, NothingWarnedOfIsNothingToPutOff) {
    ScriptedClock clock(t0);
    clock.add("Daily", 600);
    clock.begin();
    clock.run(10);
    EXPECT_FALSE(clock.later(0));
    EXPECT_EQ(clock.table.rowCount(), 1);
}

TEST(Later, TheLimitCountsAcrossARestartOfTheProgram) {
    ScriptedClock clock(t0);
    clock.due.setLaterLimit(3600);
    clock.add("Daily", 120);
    clock.begin();
    clock.run(70);
    ASSERT_TRUE(clock.later(2)); // the whole hour: to 11:02:00
    // The program ends and starts again before the postponed restart.
    DueCheck again{clock.table, clock.file, clock.platform};
    again.setLaterLimit(3600);
    const LocalTime warned = later(t0, 120 + 3600 - 30);
    clock.platform.now = warned;
    again.startAfter(warned);
    ASSERT_TRUE(clock.platform.warningOpen);
    EXPECT_EQ(clock.platform.warningKey, keyAt(clock.platform, 120 + 3600));
    EXPECT_TRUE(clock.platform.warningLater.choices.empty());
    EXPECT_FALSE(again.postponeWarned(warned, 0));
}
