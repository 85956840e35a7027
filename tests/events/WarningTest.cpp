// The minute's warning before a restart or shutdown, and the history of what happened, driven
// by scripted time through the platform double.
#include "DueCheck.h"
#include "FakePlatform.h"
#include "MissedSweep.h"

#include <gtest/gtest.h>

namespace {

const std::string path = "C:\\Tools\\InformationSW";

struct Warned : testing::Test {
    FakePlatform platform;
    EventTable table;
    EventFile file{platform, path};
    DueCheck due{table, file, platform};
    History history{platform, "C:\\Tools\\"};
    const LocalTime t0 = at(2027, 1, 29, 10, 0, 0);

    Warned() {
        platform.watchedFile = path;
        due.setHistory(&history);
    }
    LocalTime plus(std::int64_t seconds) const { return later(t0, seconds); }
    void add(const std::string &repeat, std::int64_t in, const char *restart = "Restart",
             const char *shutDown = "") {
        const LocalTime when = plus(in);
        Event row = eventAt(when, repeat, clockText(platform, repeatKindOf(repeat), when));
        row.restart = restart;
        row.shutDown = shutDown;
        table.insertRow(table.rowCount(), row);
    }
    void ticks(std::int64_t from, std::int64_t to) {
        for (std::int64_t s = from; s <= to; ++s)
            due.checkDueEvents(plus(s));
    }
    std::string log() { return platform.files["C:\\Tools\\Velkorin.log"]; }
};

} // namespace

TEST_F(Warned, EachKindIsAnnouncedAMinuteAheadAndCountsDown) {
    for (const char *kind : {"", "Hourly", "Daily", "Weekly", "Monthly", "Yearly"}) {
        FakePlatform clock;
        EventTable rows;
        EventFile events{clock, path};
        DueCheck check{rows, events, clock};
        const LocalTime when = plus(200);
        Event row = eventAt(when, kind, clockText(clock, repeatKindOf(kind), when));
        row.restart = "Restart";
        rows.insertRow(0, row);
        check.startAfter(t0);
        for (std::int64_t s = 0; s < 140; ++s)
            check.checkDueEvents(plus(s));
        EXPECT_FALSE(clock.warningOpen) << kind;
        check.checkDueEvents(plus(140));
        ASSERT_TRUE(clock.warningOpen) << kind;
        EXPECT_EQ(clock.warningSeconds, 60);
        EXPECT_EQ(clock.warningKey, row.matchKey);
        check.checkDueEvents(plus(143));
        EXPECT_EQ(clock.warningSeconds, 57);
        for (std::int64_t s = 144; s <= 200; ++s)
            check.checkDueEvents(plus(s));
        EXPECT_FALSE(clock.warningOpen) << kind;
        EXPECT_EQ(clock.requests.size(), 1u) << kind; // unanswered, the action runs at its second
        EXPECT_EQ(clock.warningsOpened, 1) << kind;
    }
}

TEST_F(Warned, SkipFiresTheEventAtItsSecondWithoutItsAction) {
    add("", 70);
    add("Daily", 130, "", "Shut down");
    due.startAfter(t0);
    ticks(0, 20);
    ASSERT_TRUE(platform.warningOpen);
    due.skipWarned(plus(20));
    EXPECT_FALSE(platform.warningOpen);
    ticks(21, 70);
    EXPECT_TRUE(platform.requests.empty());
    EXPECT_EQ(table.rowCount(), 1); // the one-time row has left, as if it had fired
    EXPECT_EQ(platform.files[path].find(clockText(platform, RepeatKind::OneTime, plus(70))),
              std::string::npos);
    // The repeating row is skipped this time only.
    ticks(71, 80);
    ASSERT_TRUE(platform.warningOpen);
    EXPECT_TRUE(platform.warningShutDown);
    due.skipWarned(plus(80));
    ticks(81, 130);
    EXPECT_TRUE(platform.requests.empty());
    EXPECT_EQ(table.rowCount(), 1);
    due.checkDueEvents(plus(130 + 86400 - 60)); // a day later, by hand: warned again
    due.checkDueEvents(plus(130 + 86400 - 59));
    EXPECT_TRUE(platform.warningOpen);
}

TEST_F(Warned, NowRunsTheActionAtOnceAndNothingMoreAtItsSecond) {
    add("", 70);
    add("Weekly", 300);
    due.startAfter(t0);
    ticks(0, 20);
    ASSERT_TRUE(platform.warningOpen);
    due.runWarnedNow(plus(20));
    ASSERT_EQ(platform.requests.size(), 1u);
    EXPECT_EQ(platform.requests[0].kind, "restart");
    // The one-time row left and the file was saved before the request.
    EXPECT_EQ(
        platform.requests[0].fileContents.find(clockText(platform, RepeatKind::OneTime, plus(70))),
        std::string::npos);
    EXPECT_EQ(table.rowCount(), 1);
    ticks(21, 80);
    EXPECT_EQ(platform.requests.size(), 1u);
    // A repeating row carried out early does not fire again at its second.
    ticks(81, 260);
    ASSERT_TRUE(platform.warningOpen);
    due.runWarnedNow(plus(260));
    ticks(261, 320);
    EXPECT_EQ(platform.requests.size(), 2u);
    EXPECT_EQ(table.rowCount(), 1);
}

TEST_F(Warned, TwoEventsInOneSecondGiveOneWarningAndShutDownWins) {
    add("", 90);
    add("Daily", 90, "", "Shut down");
    due.startAfter(t0);
    ticks(0, 30);
    ASSERT_TRUE(platform.warningOpen);
    EXPECT_TRUE(platform.warningShutDown);
    ticks(31, 90);
    EXPECT_EQ(platform.warningsOpened, 1);
}

TEST_F(Warned, AClockChangePastTheSecondClosesTheWarningAndTheRulesDecide) {
    add("", 70);
    due.startAfter(t0);
    ticks(0, 20);
    ASSERT_TRUE(platform.warningOpen);
    due.checkDueEvents(setTo(plus(21), 2000)); // set forward by hand past it
    EXPECT_FALSE(platform.warningOpen);
    EXPECT_TRUE(platform.requests.empty());
    EXPECT_EQ(platform.notices.size(), 1u); // reported as missed, as a clock set forward decides
}

TEST_F(Warned, TheHistoryHoldsEachHappeningInOrderBeforeTheRequest) {
    add("", 70);
    platform.refuseWith = "Access is denied (error 5).";
    due.startAfter(t0);
    ticks(0, 70);
    const std::string text = log();
    const std::size_t fired = text.find("  fired  ");
    const std::size_t requested = text.find("restart requested");
    const std::size_t refused = text.find("restart refused: Access is denied");
    ASSERT_NE(fired, std::string::npos) << text;
    ASSERT_NE(requested, std::string::npos) << text;
    ASSERT_NE(refused, std::string::npos) << text;
    EXPECT_LT(fired, requested);
    EXPECT_LT(requested, refused);
    EXPECT_EQ(text.rfind("2027-01-29 10:01:10 +00:00  fired  ", 0), 0u) << text;
    EXPECT_NE(text.find(clockText(platform, RepeatKind::OneTime, plus(70)) + "  Restart\r\n"),
              std::string::npos);
}

TEST_F(Warned, AFullHistoryBeginsAnewAndOneThatCannotBeWrittenStopsNothing) {
    platform.files[history.path()] = std::string(History::maxBytes - 10, 'x');
    history.record(t0, "missed");
    EXPECT_EQ(platform.files[history.path() + ".old"].size(), History::maxBytes - 10);
    EXPECT_LT(platform.files[history.path()].size(), 100u);
    add("", 5);
    due.startAfter(t0);
    platform.failWrites = true;
    ticks(0, 60);
    EXPECT_EQ(platform.requests.size(), 1u);
}

// The session ends while an action waits for its minute, and while one is only warned of: each
// is written down as not run, and nothing is requested in what is left of the session.
TEST_F(Warned, ASessionEndingWritesAWaitingActionDownAsNotRunAndRequestsNothingMore) {
    for (const std::int64_t endAt : {30, 75}) { // warned of; fired and waiting for its minute
        FakePlatform clock;
        EventTable rows;
        EventFile events{clock, path};
        History told{clock, "C:\\Tools\\"};
        DueCheck check{rows, events, clock};
        check.setHistory(&told);
        const LocalTime when = plus(70);
        Event row = eventAt(when, "Daily", clockText(clock, RepeatKind::Daily, when));
        row.restart = "Restart";
        rows.insertRow(0, row);
        check.startAfter(plus(20)); // warned with 50 s to go: it waits for the rest of its minute
        for (std::int64_t s = 20; s <= endAt; ++s)
            check.checkDueEvents(plus(s));
        ASSERT_TRUE(clock.warningOpen) << endAt;
        check.sessionEnds(plus(endAt));
        EXPECT_FALSE(clock.warningOpen);
        for (std::int64_t s = endAt + 1; s <= 200; ++s)
            check.checkDueEvents(plus(s));
        EXPECT_TRUE(clock.requests.empty()) << endAt;
        const std::string log = clock.files["C:\\Tools\\Velkorin.log"];
        EXPECT_NE(log.find("restart not run: the session ended  " + row.matchKey),
                  std::string::npos)
            << log;
        EXPECT_NE(log.find("session ended\r\n"), std::string::npos) << log;
    }
}
