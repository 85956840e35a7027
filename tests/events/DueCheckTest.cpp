// The due check, driven by scripted time through the platform double.
#include "DueCheck.h"
#include "FakePlatform.h"

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
        EventFields fields =
            eventAt(when, repeat, clockText(platform, repeatKindOf(repeat), when));
        fields.restart = restart;
        fields.shutDown = shutDown;
        table.insertRow(table.rowCount(), fields);
    }

    void addKey(const std::string &repeat, const std::string &key, const char *restart = "") {
        EventFields fields;
        fields.repeat = repeat;
        fields.matchKey = key;
        fields.restart = restart;
        table.insertRow(table.rowCount(), fields);
    }

    // Ticks at each given moment, the clock's reading at that tick.
    void tickAt(const LocalTime &time) { due.checkDueEvents(time); }

    int restarts() const {
        int n = 0;
        for (const auto &r : platform.requests) n += r.kind == "restart";
        return n;
    }
};

LocalTime plus(const LocalTime &time, std::int64_t seconds) {
    return fromWallSecond(wallSecond(time) + seconds);
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

TEST_F(DueCheckTest, ASecondSkippedByTheTimerIsStillExamined) {
    add("", plus(t0, 2), "Restart");
    due.startAfter(t0);
    tickAt(plus(t0, 1));
    tickAt(plus(t0, 3)); // the tick for second 2 never came
    EXPECT_EQ(restarts(), 1);
    EXPECT_EQ(table.rowCount(), 0);
}

TEST_F(DueCheckTest, TwoTicksInOneSecondFireARepeatingActionOnce) {
    add("Daily", plus(t0, 1), "Restart");
    due.startAfter(t0);
    tickAt(plus(t0, 1));
    tickAt(plus(t0, 1));
    EXPECT_EQ(restarts(), 1);
    EXPECT_EQ(table.rowCount(), 1);
}

TEST_F(DueCheckTest, GapsUpToAMinuteAreCaughtUpInOrder) {
    add("", plus(t0, 59), "Restart");
    add("", plus(t0, 2), "", "Shut down");
    due.startAfter(t0);
    tickAt(plus(t0, 60));
    ASSERT_EQ(platform.requests.size(), 2u);
    EXPECT_EQ(platform.requests[0].kind, "shutdown"); // its second came first
    EXPECT_EQ(platform.requests[1].kind, "restart");
    EXPECT_TRUE(platform.notices.empty());
}

TEST_F(DueCheckTest, AGapOfMoreThanAMinuteIsSweptNotCaughtUp) {
    add("", plus(t0, 30), "Restart");
    add("Daily", plus(t0, 30), "Restart");
    add("", plus(t0, 61));
    add("", plus(t0, 500));
    due.startAfter(t0);
    tickAt(plus(t0, 61));
    EXPECT_EQ(restarts(), 0);                   // neither the passed row nor the daily one fired
    ASSERT_EQ(platform.notices.size(), 1u);     // the passed one-time row is reported at once
    EXPECT_NE(platform.notices[0].find("Restart:Restart"), std::string::npos);
    ASSERT_EQ(table.rowCount(), 2);             // the current second's row fired and left
    EXPECT_EQ(table.cell(0, 4), "Daily");
    EXPECT_EQ(table.cell(1, 1), clockText(platform, RepeatKind::OneTime, plus(t0, 500)));
    EXPECT_NE(platform.files[path].find("Daily"), std::string::npos);
}

TEST_F(DueCheckTest, HoursAsleepReportPassedEventsOnWaking) {
    add("", plus(t0, 3600));
    due.startAfter(t0);
    tickAt(plus(t0, 5 * 3600));
    EXPECT_EQ(platform.notices.size(), 1u);
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(platform.files.count(path), 0u);
}

TEST_F(DueCheckTest, AClockSetBackFiresRepeatingRowsAgain) {
    add("Daily", plus(t0, 1), "Restart");
    due.startAfter(t0);
    tickAt(plus(t0, 1));
    tickAt(plus(t0, 2));
    tickAt(plus(t0, 1)); // set back a second: only now is examined
    EXPECT_EQ(restarts(), 2);
    tickAt(plus(t0, -600)); // set back ten minutes: nothing in between is examined
    EXPECT_EQ(restarts(), 2);
}

TEST_F(DueCheckTest, SpringForwardSkipsTheHourAndReportsOneTimeRowsInIt) {
    const LocalTime before = at(2026, 3, 29, 1, 59, 59);
    const LocalTime after = at(2026, 3, 29, 3, 0, 0);
    add("", at(2026, 3, 29, 2, 30, 0));
    add("Daily", at(2026, 3, 29, 2, 30, 0), "Restart");
    due.startAfter(before);
    tickAt(after);
    EXPECT_EQ(platform.notices.size(), 1u);
    EXPECT_EQ(restarts(), 0);
    EXPECT_EQ(table.rowCount(), 1);
}

TEST_F(DueCheckTest, AutumnsRepeatedHourFiresDailyRowsTwiceAndOneTimeRowsOnce) {
    const LocalTime first = at(2026, 10, 25, 2, 30, 0);
    add("Daily", first, "Restart");
    add("", first);
    due.startAfter(plus(first, -1));
    for (int s = 0; s < 1800; ++s) // 02:30:00 to 02:59:59 summer time
        tickAt(plus(first, s));
    for (int s = 0; s <= 1800; ++s) // the clocks go back: 02:00:00 to 02:30:00 winter time
        tickAt(plus(at(2026, 10, 25, 2, 0, 0), s));
    EXPECT_EQ(restarts(), 2);
    EXPECT_EQ(table.rowCount(), 1);
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

TEST_F(DueCheckTest, TheOnlyRowWithAnActionLeavesNoFileBeforeTheRequest) {
    platform.files[path] = "stale";
    add("", plus(t0, 1), "Restart");
    due.startAfter(t0);
    tickAt(plus(t0, 1));
    ASSERT_EQ(platform.requests.size(), 1u);
    EXPECT_FALSE(platform.requests[0].fileExisted);
}

TEST_F(DueCheckTest, TheFileWrittenBeforeTheRequestHoldsTheOtherRowsOnly) {
    add("Weekly", plus(t0, 7));
    add("", plus(t0, 1), "", "Shut down");
    due.startAfter(t0);
    tickAt(plus(t0, 1));
    ASSERT_EQ(platform.requests.size(), 1u);
    const std::string &written = platform.requests[0].fileContents;
    EXPECT_NE(written.find("Repeat 1=Weekly"), std::string::npos);
    EXPECT_EQ(written.find("Date&Time 2"), std::string::npos);
}

TEST_F(DueCheckTest, RestartAndShutDownTogetherOnlyShutDown) {
    add("", plus(t0, 1), "Restart", "Shut down");
    due.startAfter(t0);
    tickAt(plus(t0, 1));
    ASSERT_EQ(platform.requests.size(), 1u);
    EXPECT_EQ(platform.requests[0].kind, "shutdown");
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

TEST_F(DueCheckTest, MonthlyOnThe31stAndYearlyOnLeapDayWaitForTheirDays) {
    addKey("Monthly", "31 00:00:00", "Restart");
    addKey("Yearly", "29 February 00:00:00", "Restart");
    const LocalTime days[] = {at(2026, 4, 30, 23, 59, 59), at(2026, 5, 31, 0, 0, 0),
                              at(2027, 2, 28, 23, 59, 59), at(2028, 2, 29, 0, 0, 0)};
    for (const LocalTime &day : days) {
        due.startAfter(plus(day, -1));
        tickAt(day);
    }
    EXPECT_EQ(restarts(), 2);
}

TEST_F(DueCheckTest, EachShapeIsFormattedOnceASecondWhateverTheRows) {
    for (int i = 0; i < 500; ++i)
        add(i % 2 ? "Daily" : "", plus(t0, 3600 + i));
    due.startAfter(t0);
    platform.formatCalls = 0;
    tickAt(plus(t0, 1));
    EXPECT_LE(platform.formatCalls, 3); // the time once for Daily, date and time for one-time
}

TEST_F(DueCheckTest, TheFirstTickExaminesTheSecondsSinceTheSweep) {
    add("", plus(t0, 1), "Restart");
    due.startAfter(t0);
    tickAt(plus(t0, 2));
    EXPECT_EQ(restarts(), 1);
}
