// Nothing lost: what the event file holds survives every start, read and write, through the
// platform double; each case failed before its mend.
#include "DueCheck.h"
#include "FakePlatform.h"
#include "MissedSweep.h"
#include "Utf16File.h"

#include <gtest/gtest.h>

namespace {

LocalTime plus(const LocalTime &time, std::int64_t seconds) {
    return later(time, seconds);
}

const std::string path = "C:\\Tools\\InformationSW";

struct Start : testing::Test {
    FakePlatform platform;
    EventTable table;
    EventFile file{platform, path};
    DueCheck due{table, file, platform};
    const LocalTime now = at(2026, 12, 7, 12, 0, 0);

    // What the program does at start: load, sweep and note whether the file was stored.
    Platform::FileRead start() {
        const Platform::FileRead read = file.loadAll(table);
        due.noteStored(sweepMissedEvents(table, file, platform, now));
        due.startAfter(now);
        return read;
    }
    // An event file holding events of these numbers (gaps allowed) with these keys, dated 2031.
    static std::string eventsFile(const std::vector<std::pair<int, std::string>> &events) {
        const char *sections[][2] = {{"Date&Time", ""}, {"Year", "2031"}, {"Month", "3"},
                                     {"Day", "14"},     {"H", "09"},      {"M", "30"},
                                     {"S", "00"}};
        std::string text;
        for (const auto &section : sections) {
            text += std::string("[") + section[0] + "]\r\n";
            for (const auto &[number, key] : events)
                text += section[0] + formatTwoDigits(number) + "=" + (*section[1] ? section[1] : key) +
                        "\r\n";
        }
        return text;
    }
    static std::string futureEvent(int number, const char *key = "Friday 14 March 2031 09:30:00") {
        return eventsFile({{number, key}});
    }
};

} // namespace

TEST_F(Start, AUtf16FileLoadsAndKeepsItsEncoding) {
    platform.files[path] = utf16File(eventsFile(
        {{1, "Friday 14 March 2031 09:30:00"}, {2, "Friday 14 March 2031 10:00:00"}}));
    start();
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.event(1).matchKey, "Friday 14 March 2031 10:00:00");
    table.deleteRow(0);
    ASSERT_TRUE(file.rewriteEventFile(table));
    const std::string &written = platform.files[path];
    ASSERT_GE(written.size(), 2u);
    EXPECT_EQ(written.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(written.find("Date&Time 1=Friday 14 March 2031 10:00:00"), std::string::npos);
    EXPECT_NE(written.find(std::string("D\0a\0t\0e\0&\0", 10)), std::string::npos);
    EventTable again;
    file.loadAll(again);
    EXPECT_EQ(again.rowCount(), 1);
}

TEST_F(Start, WhatTheLoaderDidNotLoadIsKeptAsABackupBeforeItIsDropped) {
    const std::string cases[] = {
        eventsFile({{1, "a"}, {2, "b"}, {4, "d"}, {5, "e"}}), // a gap after event 2
        "[Date&Time]\r\nDate&Time1=Friday 14 March 2031 09:30:00\r\n",     // typed by hand
        "[Notes]\r\nremember=the milk\r\n" + futureEvent(1),              // a foreign section
        futureEvent(1) + "a line without an equals sign\r\n",
        std::string("\x01\x02junk\0\0\0 more junk", 18),                  // nothing readable
        std::string(64, '\0'),
    };
    for (const std::string &contents : cases) {
        FakePlatform fresh;
        EventTable rows;
        EventFile events{fresh, path};
        fresh.files[path] = contents;
        events.loadAll(rows);
        EXPECT_TRUE(sweepMissedEvents(rows, events, fresh, now));
        ASSERT_EQ(fresh.files.count(events.backupPath()), 1u) << contents;
        EXPECT_EQ(fresh.files[events.backupPath()], contents);
        // The rewrite itself stays as it was: the file holds what was loaded, or is gone.
        EXPECT_EQ(fresh.files.count(path), rows.rowCount() > 0 ? 1u : 0u);
    }
}

TEST_F(Start, AFileTheProgramWroteItselfNeedsNoBackup) {
    platform.files[path] = futureEvent(1);
    start();
    table.deleteRow(0);
    file.rewriteEventFile(table); // the one row goes
    EXPECT_EQ(platform.files.count(file.backupPath()), 0u);
    EXPECT_EQ(platform.files.count(path), 0u);
}

TEST_F(Start, ARowWithoutARealMomentStaysAndFiresWhenItsTextComesDue) {
    platform.files[path] = "[Date&Time]\r\nDate&Time 1=Monday 07 December 2026 12:00:02\r\n";
    start();
    EXPECT_TRUE(platform.notices.empty());
    ASSERT_EQ(table.rowCount(), 1);
    due.checkDueEvents(plus(now, 2));
    EXPECT_EQ(table.rowCount(), 0);
}

TEST_F(Start, AFileThatCannotBeReadIsNeverReplacedOrDeleted) {
    platform.files[path] = futureEvent(1);
    platform.unreadable[path] = true;
    EXPECT_EQ(start(), Platform::FileRead::Failed);
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(platform.files[path], futureEvent(1)); // the sweep's rewrite did not touch it
    EXPECT_TRUE(platform.otherNotices.empty());       // the user was asked at start already
    EventFields added = eventAt(at(2032, 1, 1, 0, 0, 0), "Daily", "00:00:00");
    table.insertRow(0, added);
    EXPECT_FALSE(file.saveThrough(table));
    EXPECT_FALSE(file.lastError().empty());
    table.clearTable();
    EXPECT_FALSE(file.saveThrough(table)); // nor deleted by a save of an empty table
    EXPECT_EQ(platform.files[path], futureEvent(1));
}

TEST_F(Start, AFailedWriteIsToldOnceAndTriedAgainUntilItSucceeds) {
    platform.files[path] = eventsFile(
        {{1, "Friday 14 March 2031 09:30:00"}, {2, "Monday 07 December 2026 12:00:01"}});
    start();
    ASSERT_EQ(table.rowCount(), 2);
    EventFields restart = eventAt(plus(now, 2), "Daily", "12:00:02");
    restart.restart = "Restart";
    table.insertRow(2, restart);
    platform.failWrites = true;
    due.tableChanged(now);
    due.checkDueEvents(plus(now, 1)); // the one-time row fires: its rewrite fails
    for (int second = 2; second <= 62; ++second)
        due.checkDueEvents(plus(now, second)); // the restart runs although its save fails
    EXPECT_EQ(platform.otherNotices.size(), 1u); // told once, not every second
    EXPECT_NE(platform.otherNotices[0].find(path), std::string::npos);
    EXPECT_EQ(platform.requests.size(), 1u);
    EXPECT_TRUE(due.unsaved());
    EXPECT_NE(platform.files[path].find("12:00:01"), std::string::npos); // still the old file
    platform.failWrites = false;
    due.checkDueEvents(plus(now, 63));
    EXPECT_FALSE(due.unsaved());
    EXPECT_EQ(platform.files[path].find("12:00:01"), std::string::npos);
    EXPECT_NE(platform.files[path].find("12:00:02"), std::string::npos);
    // A later failure is told again.
    platform.failWrites = true;
    table.deleteRow(0);
    due.noteStored(file.rewriteEventFile(table));
    EXPECT_EQ(platform.otherNotices.size(), 2u);
}

TEST_F(Start, ThousandsOfMissedEventsGiveElevenNoticesAndLeaveInOnePass) {
    std::string contents;
    EventTable passed;
    for (int i = 0; i < 2000; ++i) {
        const LocalTime when = at(2020, 1, 1, 0, 0, 0);
        passed.insertRow(i, eventAt(fromWallSecond(wallSecond(when) + i * 60), "", "passed"));
    }
    passed.insertRow(2000, eventAt(at(2031, 1, 1, 0, 0, 0), "", "ahead"));
    platform.files[path] = renderEventFile(passed);
    start();
    ASSERT_EQ(platform.notices.size(), maxMissedNotices + 1);
    EXPECT_EQ(platform.notices[maxMissedNotices].rfind("1990 more missed events:", 0), 0u);
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.event(0).matchKey, "ahead");
}

TEST_F(Start, ElevenMissedEventsStillGetANoticeEach) {
    EventTable passed;
    for (int i = 0; i < 11; ++i)
        passed.insertRow(i, eventAt(at(2020, 1, 1, 0, i, 0), "", "passed"));
    platform.files[path] = renderEventFile(passed);
    start();
    EXPECT_EQ(platform.notices.size(), 11u);
    EXPECT_EQ(platform.notices[10].find("more missed events"), std::string::npos);
}
