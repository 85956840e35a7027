// The due check, driven by scripted time through the platform double.
#include "DueCheck.h"
#include "FakePlatform.h"
#include "ScriptedClock.h"

#include <gtest/gtest.h>

namespace {

const std::string path = "InformationSW";

struct DueCheckTest : ::testing::Test {
    FakePlatform platform;
    EventFile file{platform, path};
    EventTable table;
    DueCheck due{table, file, platform};

    DueCheckTest() { platform.watchedFile = path; }

    // A row composed the way the editor composes it for that moment and kind.
    void add(const std::string &repeat, const LocalTime &when, const char *restart = "",
             const char *shutDown = "") {
        Event fields = eventAt(when, repeat, clockText(platform, repeatKindOf(repeat), when));
        fields.restart = restart;
        fields.shutDown = shutDown;
        table.insertRow(table.rowCount(), fields);
    }

    void addKey(const std::string &repeat, const std::string &key, const char *restart = "") {
        Event fields;
        fields.repeat = repeat;
        fields.matchKey = key;
        fields.restart = restart;
        table.insertRow(table.rowCount(), fields);
    }

    // Ticks at each given moment, the clock's reading at that tick.
    void tickAt(const LocalTime &time) { due.checkDueEvents(time); }
};

LocalTime plus(const LocalTime &time, std::int64_t seconds) {
    return later(time, seconds);
}

const LocalTime t0 = at(2010, 6, 7, 8, 5, 0);

} // namespace

TEST(ClockText, HasTheShapeOfEachRepeatKind) {
    FakePlatform platform;
    const LocalTime t = at(2010, 6, 7, 8, 5, 9);
    EXPECT_EQ(clockText(platform, RepeatKind::OneTime, t), "Monday 07 June 2010 08:05:09");
    EXPECT_EQ(clockText(platform, RepeatKind::Hourly, t), ":05:09");
    EXPECT_EQ(clockText(platform, RepeatKind::Daily, t), "08:05:09");
    EXPECT_EQ(clockText(platform, RepeatKind::Weekly, t), "Monday 08:05:09");
    EXPECT_EQ(clockText(platform, RepeatKind::Monthly, t), "07 08:05:09");
    EXPECT_EQ(clockText(platform, RepeatKind::Yearly, t), "07 June 08:05:09");
    EXPECT_EQ(clockText(platform, RepeatKind::Unknown, t), "");
}

TEST_F(DueCheckTest, AdjacentOneTimeRowsDueTogetherFireAndRewriteOnce) {
    add("", plus(t0, 1));
    add("", plus(t0, 1));
    add("Hourly", plus(t0, 9));
    due.startAfter(t0);
    const int writesBefore = platform.fileWrites;
    tickAt(plus(t0, 1));
    EXPECT_EQ(table.rowCount(), 1);
    EXPECT_EQ(platform.fileWrites - writesBefore, 1);
    EXPECT_EQ(table.cell(0, 0), " 1");
}

TEST_F(DueCheckTest, UnknownAndLowerCaseKindsAreNeverDue) {
    addKey("hourly", ":05:01", "Restart");
    addKey("Often", "08:05:01", "Restart");
    due.startAfter(t0);
    tickAt(plus(t0, 1));
    EXPECT_TRUE(platform.requests.empty());
    EXPECT_EQ(table.rowCount(), 2);
}

TEST_F(DueCheckTest, ADueRepeatingRowWithoutActionTouchesNothing) {
    add("Hourly", plus(t0, 1));
    due.startAfter(t0);
    tickAt(plus(t0, 1));
    EXPECT_EQ(platform.fileWrites, 0);
    EXPECT_EQ(table.rowCount(), 1);
}

TEST_F(DueCheckTest, EachShapeIsFormattedOnceASecondWhateverTheRows) {
    for (int i = 0; i < 500; ++i)
        add(i % 2 ? "Daily" : "", plus(t0, 3600 + i));
    due.startAfter(plus(t0, 1));
    platform.formatCalls = 0;
    tickAt(plus(t0, 1));
    EXPECT_LE(platform.formatCalls, 3); // the time once for Daily, date and time for one-time
}

TEST_F(DueCheckTest, ASecondOfATimeNoKeyEndsInIsNotFormattedAtAll) {
    add("", plus(t0, 3600));
    add("Daily", plus(t0, 7200));
    add("Hourly", plus(t0, 1800)); // minute 35 of every hour
    due.startAfter(t0);
    tickAt(plus(t0, 1));
    platform.formatCalls = 0;
    for (int second = 2; second <= 1799; ++second)
        tickAt(plus(t0, second));
    EXPECT_EQ(platform.formatCalls, 0);
    tickAt(plus(t0, 1800)); // the Hourly row's time: looked at, and it fires
    EXPECT_GT(platform.formatCalls, 0);
    for (int second = 1801; second <= 3600; ++second)
        tickAt(plus(t0, second));
    EXPECT_EQ(table.rowCount(), 2); // the one-time row fired at its second and left
}

TEST_F(DueCheckTest, AKeyThatEndsInNoTimeHasEverySecondOfItsKindLookedAt) {
    addKey("", "hand-edited, no time at its end");
    add("", plus(t0, 30));
    due.startAfter(t0);
    platform.formatCalls = 0;
    for (int second = 1; second < 30; ++second)
        tickAt(plus(t0, second));
    EXPECT_GE(platform.formatCalls, 29);
    tickAt(plus(t0, 30));
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.event(0).matchKey, "hand-edited, no time at its end");
}

TEST(DueCheck, ASecondSkippedByTheTimerIsStillExamined) {
    ScriptedClock clock(t0);
    const std::string key = clock.add("", 2);
    clock.begin();
    clock.run(1);
    clock.late(2); // the tick for second 2 never came
    EXPECT_EQ(clock.fired(key), 1);
    EXPECT_EQ(clock.table.rowCount(), 0);
}

TEST(DueCheck, TheOnlyRowWithAnActionLeavesNoFileBeforeTheRequest) {
    ScriptedClock clock(t0);
    clock.platform.files[clock.file.path()] = "stale";
    clock.add("", 61);
    clock.begin();
    clock.run(61);
    ASSERT_EQ(clock.requests(), 1);
    EXPECT_FALSE(clock.platform.requests[0].fileExisted);
}

TEST(DueCheck, TheFileWrittenBeforeTheRequestHoldsTheOtherRowsOnly) {
    ScriptedClock clock(t0);
    clock.add("Weekly", 7, "");
    clock.add("", 61, "Shut down");
    clock.begin();
    clock.run(61);
    ASSERT_EQ(clock.requests(), 1);
    const std::string &written = clock.platform.requests[0].fileContents;
    EXPECT_NE(written.find("Repeat 1=Weekly"), std::string::npos);
    EXPECT_EQ(written.find("Date&Time 2"), std::string::npos);
}

TEST_F(DueCheckTest, RestartAndShutDownTogetherOnlyShutDown) {
    add("", plus(t0, 61), "Restart", "Shut down");
    due.startAfter(t0);
    for (int second = 1; second <= 61; ++second)
        tickAt(plus(t0, second));
    ASSERT_EQ(platform.requests.size(), 1u);
    EXPECT_EQ(platform.requests[0].kind, "shutdown");
}

TEST_F(DueCheckTest, MonthlyOnThe31stAndYearlyOnLeapDayWaitForTheirDays) {
    History history(platform, "");
    due.setHistory(&history);
    addKey("Monthly", "31 00:00:00", "Restart");
    addKey("Yearly", "29 February 00:00:00", "Restart");
    const LocalTime days[] = {at(2026, 4, 30, 23, 59, 59), at(2026, 5, 31, 0, 0, 0),
                              at(2027, 2, 28, 23, 59, 59), at(2028, 2, 29, 0, 0, 0)};
    for (const LocalTime &day : days) {
        due.startAfter(plus(day, -1));
        tickAt(day);
    }
    const std::string &log = platform.files[history.path()];
    EXPECT_NE(log.find("2026-05-31 00:00:00 +00:00  fired  31 00:00:00"), std::string::npos);
    EXPECT_NE(log.find("2028-02-29 00:00:00 +00:00  fired  29 February"), std::string::npos);
    EXPECT_EQ(log.find("2027-02-28 23:59:59 +00:00  fired"), std::string::npos) << log;
    EXPECT_EQ(log.find("2026-04-30 23:59:59 +00:00  fired"), std::string::npos) << log;
}

TEST(DueCheck, ARefusedRequestIsReportedWithItsReasonAndTheEventCountsAsFired) {
    ScriptedClock clock(t0);
    const std::string key = clock.add("", 60, "Shut down");
    clock.platform.refuseWith = "A required privilege is not held by the client (error 1314).";
    clock.begin();
    clock.run(120);
    ASSERT_EQ(clock.platform.refusedNotices.size(), 1u);
    EXPECT_EQ(clock.platform.refusedNotices[0],
              "Velkorin could not shut down this computer for the event\r\n" + key + "\r\n\r\n" +
                  clock.platform.refuseWith);
    EXPECT_EQ(clock.table.rowCount(), 0); // the one-time row has gone all the same
    EXPECT_EQ(clock.requests(), 1);       // and is not tried again
}

// A copy that could not take the file's lock carries nothing out, whatever comes: no warning,
// no request, no row leaves, not even for Now on a warning or a wake.
TEST_F(DueCheckTest, ACopyThatStoppedWatchingWarnsAndRequestsNothing) {
    add("", plus(t0, 30), "Restart");
    add("Daily", plus(t0, 90), "", "Shut down");
    due.stopWatching();
    due.startAfter(t0);
    for (int second = 1; second <= 200; ++second) {
        tickAt(plus(t0, second));
        due.runWarnedNow(plus(t0, second));
        if (second == 100) {
            due.asleep(plus(t0, second));
            due.awake(plus(t0, second));
        }
        ASSERT_EQ(platform.warningsOpened, 0) << second;
        ASSERT_TRUE(platform.requests.empty()) << second;
    }
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_TRUE(platform.notices.empty());
}
