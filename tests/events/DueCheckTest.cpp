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
    due.startAfter(plus(t0, 1));
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

TEST_F(DueCheckTest, ARepeatingRowDueInTheSecondOfTheStartFiresOnce) {
    add("Daily", t0, "Restart");
    due.startAfter(t0); // the sweep read this very second
    tickAt(t0);
    tickAt(plus(t0, 1));
    EXPECT_EQ(restarts(), 1);
}

namespace {

// A daylight-saving change as the platform reports it: the offset from UTC steps at a real
// moment, and the local clock with it.
struct ClockChange {
    const char *name;
    LocalTime standardDay; // any moment of the day of the change, in local standard time
    std::int64_t changeUtc;   // the real second at which the new offset begins
    int offsetBefore, offsetAfter;
};

LocalTime localAt(const ClockChange &change, std::int64_t utc) {
    const int offset = utc < change.changeUtc ? change.offsetBefore : change.offsetAfter;
    LocalTime local = fromWallSecond(utc + offset);
    local.utcOffset = offset;
    return local;
}

// Seconds since 1970 of a UTC moment.
std::int64_t utcOf(int year, int month, int day, int hour, int minute) {
    return wallSecond(at(year, month, day, hour, minute, 0));
}

const ClockChange changes[] = {
    // Central Europe: 02:00 CET becomes 03:00 CEST on 29 March, 03:00 CEST 02:00 CET on 25 October.
    {"Europe forward", at(2026, 3, 29, 0, 0, 0), utcOf(2026, 3, 29, 1, 0), 3600, 7200},
    {"Europe back", at(2026, 10, 25, 0, 0, 0), utcOf(2026, 10, 25, 1, 0), 7200, 3600},
    // US Eastern: 02:00 EST becomes 03:00 EDT on 8 March, 02:00 EDT 01:00 EST on 1 November.
    {"US forward", at(2026, 3, 8, 0, 0, 0), utcOf(2026, 3, 8, 7, 0), -18000, -14400},
    {"US back", at(2026, 11, 1, 0, 0, 0), utcOf(2026, 11, 1, 6, 0), -14400, -18000},
};

} // namespace

// How often one row with a Restart action fires while the clock runs in real seconds from two
// hours before a change to two hours after it, ticking every step seconds; and how many
// missed-event notices came.
std::pair<int, int> firingsAcross(const ClockChange &change, int step, const char *repeat,
                                  int wallHour) {
    FakePlatform clock;
    EventFile eventFile{clock, path};
    EventTable rows;
    DueCheck check{rows, eventFile, clock};
    LocalTime when = change.standardDay;
    when.hour = wallHour;
    when.minute = 30;
    when = fromWallSecond(wallSecond(when));
    EventFields row = eventAt(when, repeat, clockText(clock, repeatKindOf(repeat), when));
    row.restart = "Restart";
    rows.insertRow(0, row);
    const std::int64_t from = change.changeUtc - 2 * 3600;
    check.startAfter(localAt(change, from));
    for (std::int64_t utc = from + step; utc <= change.changeUtc + 2 * 3600; utc += step)
        check.checkDueEvents(localAt(change, utc));
    return {static_cast<int>(clock.requests.size()), static_cast<int>(clock.notices.size())};
}

TEST(DaylightSaving, EveryRowFiresExactlyOnceAndHourlyRowsOncePerRealHour) {
    for (const ClockChange &change : changes) {
        // The hour that changes is 02:00 to 03:00, or 01:00 to 02:00 when US clocks go back;
        // rows stand in the hour before it, in it, and in the hour after it.
        const int changed = std::string(change.name) == "US back" ? 1 : 2;
        for (int step : {1, 5, 7}) { // ticks every second, and ticks that land late
            for (int hour = changed - 1; hour <= changed + 1; ++hour)
                for (const char *kind : {"", "Daily", "Weekly", "Monthly", "Yearly"}) {
                    const auto [fired, missed] = firingsAcross(change, step, kind, hour);
                    EXPECT_EQ(fired, 1) << change.name << ", " << (*kind ? kind : "one-time")
                                        << " at " << hour << ":30, ticks every " << step << " s";
                    EXPECT_EQ(missed, 0) << change.name << ", " << kind << " at " << hour;
                }
            // Four real hours pass: an Hourly row fires four times, once in each, also where the
            // wall clock skips or repeats its minute.
            EXPECT_EQ(firingsAcross(change, step, "Hourly", 0).first, 4)
                << change.name << ", ticks every " << step << " s";
        }
    }
}

TEST(DaylightSaving, AClockSetByHandKeepsItsRules) {
    // The offset stays: an hour forward is a clock set by hand, and the one-time row in it is
    // reported as missed; the daily one waits for tomorrow.
    FakePlatform clock;
    EventFile eventFile{clock, path};
    EventTable rows;
    DueCheck check{rows, eventFile, clock};
    const LocalTime start = at(2026, 6, 7, 10, 0, 0);
    rows.insertRow(0, eventAt(plus(start, 1800), "", clockText(clock, RepeatKind::OneTime, plus(start, 1800))));
    rows.insertRow(1, eventAt(plus(start, 1800), "Daily", clockText(clock, RepeatKind::Daily, plus(start, 1800))));
    check.startAfter(start);
    check.checkDueEvents(plus(start, 3600));
    EXPECT_EQ(clock.notices.size(), 1u);
    EXPECT_EQ(rows.rowCount(), 1);
    // Set back by hand: the daily row fires again at its time.
    check.checkDueEvents(plus(start, 1799));
    check.checkDueEvents(plus(start, 1800));
    EXPECT_EQ(clock.requests.size(), 0u); // no action on it, but it was examined:
    EXPECT_EQ(rows.rowCount(), 1);
}

TEST_F(DueCheckTest, ARefusedRequestIsReportedWithItsReasonAndTheEventCountsAsFired) {
    add("", plus(t0, 1), "", "Shut down");
    add("Daily", plus(t0, 2), "Restart");
    platform.refuseWith = "A required privilege is not held by the client (error 1314).";
    due.startAfter(t0);
    tickAt(plus(t0, 2));
    ASSERT_EQ(platform.refusedNotices.size(), 2u);
    EXPECT_EQ(platform.refusedNotices[0],
              "Velkorin could not shut down this computer for the event\r\n" +
                  clockText(platform, RepeatKind::OneTime, plus(t0, 1)) + "\r\n\r\n" +
                  platform.refuseWith);
    EXPECT_EQ(platform.refusedNotices[1].rfind("Velkorin could not restart", 0), 0u);
    EXPECT_EQ(table.rowCount(), 1); // the one-time row has gone all the same
    tickAt(plus(t0, 3));
    EXPECT_EQ(platform.refusedNotices.size(), 2u); // and is not tried again
}
