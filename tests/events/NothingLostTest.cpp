// Nothing lost: what the event file holds survives every start, read and write, through the
// platform double; each case failed before its mend.
#include "DueCheck.h"
#include "Editor.h"
#include "FakePlatform.h"
#include "MissedSweep.h"
#include "Utf16File.h"

#include <gtest/gtest.h>

namespace {

LocalTime plus(const LocalTime &time, std::int64_t seconds) {
    return later(time, seconds);
}

const std::string path = "C:\\Tools\\InformationSW";

std::size_t occurrences(const std::string &text, const std::string &part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

struct Start : testing::Test {
    FakePlatform platform;
    EventTable table;
    EventFile file{platform, path};
    DueCheck due{table, file, platform};
    const LocalTime now = at(2026, 12, 7, 12, 0, 0);

    // What the program does at start: load, sweep and note whether the file was stored.
    Platform::FileRead start() {
        const Platform::FileRead read = file.loadAll(table);
        due.noteStored(sweepMissedEvents(table, file, platform, now), now);
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
                text += section[0] + formatTwoDigits(number) + "=" +
                        (*section[1] ? section[1] : key) + "\r\n";
        }
        return text;
    }
    static std::string futureEvent(int number, const char *key = "Friday 14 March 2031 09:30:00") {
        return eventsFile({{number, key}});
    }
};

} // namespace

TEST_F(Start, AUtf16FileLoadsAndKeepsItsEncoding) {
    platform.files[path] = utf16File(
        eventsFile({{1, "Friday 14 March 2031 09:30:00"}, {2, "Friday 14 March 2031 10:00:00"}}));
    start();
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.event(1).matchKey, "Friday 14 March 2031 10:00:00");
    table.deleteRow(0);
    ASSERT_TRUE(file.saveAndReload(table));
    const std::string &written = platform.files[path];
    ASSERT_GE(written.size(), 2u);
    EXPECT_EQ(written.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(written.find("Date&Time 1=Friday 14 March 2031 10:00:00"), std::string::npos);
    EXPECT_NE(written.find(std::string("D\0a\0t\0e\0&\0", 10)), std::string::npos);
    EventTable again;
    file.loadAll(again);
    EXPECT_EQ(again.rowCount(), 1);
}

TEST_F(Start, WhatTheLoaderDidNotLoadIsKeptAsideAndToldOfBeforeItIsDropped) {
    const std::pair<std::string, const char *> cases[] = {
        {eventsFile({{1, "a"}, {2, "b"}, {4, "d"}, {5, "e"}}), "2 events after a gap"},
        {"[Date&Time]\r\nDate&Time1=Friday 14 March 2031 09:30:00\r\n", "1 other line"},
        {"[Notes]\r\nremember=the milk\r\n" + futureEvent(1), "2 other lines"},
        {futureEvent(1) + "a line without an equals sign\r\n", "1 other line"},
        {eventsFile({{1, "a"}, {3, "c"}}) + "[Year]\r\nYear 1=2032\r\n", // a second [Year]
         "1 event after a gap and 2 other lines"},
        {"[Date&Time]\r\nDate&Time 1=" + std::string(300, 'x') + "\r\n", "1 value cut to fit"},
        {std::string("\x01\x02junk\0\0\0 more junk", 18), "1 other line"},
    };
    const std::string copy = path + ".20261207-120000.bak";
    for (const auto &[contents, what] : cases) {
        FakePlatform fresh;
        fresh.now = now;
        EventTable rows;
        EventFile events{fresh, path};
        fresh.files[path] = contents;
        events.loadAll(rows);
        EXPECT_TRUE(sweepMissedEvents(rows, events, fresh, now));
        ASSERT_EQ(fresh.files.count(copy), 1u) << contents;
        EXPECT_EQ(fresh.files[copy], contents);
        // The rewrite itself stays as it was: the file holds what was loaded, or is gone.
        EXPECT_EQ(fresh.files.count(path), rows.rowCount() > 0 ? 1u : 0u);
        ASSERT_EQ(fresh.otherNotices.size(), 1u) << what;
        EXPECT_NE(fresh.otherNotices[0].find(std::string(what) + ".\r\n"), std::string::npos)
            << what << ": " << fresh.otherNotices[0];
        EXPECT_NE(fresh.otherNotices[0].find("kept in\r\n" + copy), std::string::npos);
        // Told once: later writes keep nothing more aside.
        events.saveAndReload(rows);
        EXPECT_EQ(fresh.otherNotices.size(), 1u);
    }
}

TEST_F(Start, KeptAsideCopiesNeverReplaceEachOtherAndTheTenNewestStay) {
    for (int start = 0; start < 13; ++start) {
        platform.now = plus(now, start / 2 * 60); // two starts in each minute
        platform.files[path] = eventsFile({{1, "a"}, {3, "c"}});
        EventTable rows;
        file.loadAll(rows);
        ASSERT_TRUE(file.saveAndReload(rows));
    }
    std::vector<std::string> copies = platform.filesStartingWith(path + ".");
    ASSERT_EQ(copies.size(), EventFile::keptAsideCopies);
    EXPECT_EQ(copies.front(), path + ".20261207-120100-2.bak"); // the three oldest went
    EXPECT_EQ(copies.back(), path + ".20261207-120600.bak");
    // A clock set back: the copy made now is dated before the others, and stays all the same.
    platform.now = plus(now, -86400);
    platform.files[path] = eventsFile({{1, "a"}, {3, "c"}});
    EventTable rows;
    file.loadAll(rows);
    ASSERT_TRUE(file.saveAndReload(rows));
    copies = platform.filesStartingWith(path + ".");
    ASSERT_EQ(copies.size(), EventFile::keptAsideCopies);
    EXPECT_EQ(copies.front(), path + ".20261206-120000.bak");
}

// Temporary files of runs killed while writing: an older state of the file, whole or cut
// short, goes; one holding an event the file does not is kept aside and told of.
TEST_F(Start, TemporaryFilesOfEarlierRunsGoOrAreKeptAside) {
    platform.now = now;
    platform.files[path] = eventsFile({{1, "a"}, {2, "b"}, {3, "c"}});
    const std::string newer = eventsFile({{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}});
    platform.files[path + ".new-572-3"] = eventsFile({{1, "a"}, {2, "b"}});
    platform.files[path + ".new-572-4"] =
        newer.substr(0, newer.size() * 2 / 3); // cut short, "d" in it
    const std::string same = eventsFile({{1, "a"}, {2, "b"}, {3, "c"}});
    platform.files[path + ".new-610-1"] = same.substr(0, same.find("Year 3=") + 9); // "Year 3=20"
    ASSERT_EQ(file.loadAll(table), Platform::FileRead::Read);
    file.clearLeftovers(table);
    EXPECT_TRUE(platform.filesStartingWith(path + ".new-").empty());
    const std::string copy = path + ".20261207-120000.bak";
    ASSERT_EQ(platform.files.count(copy), 1u);
    EXPECT_EQ(platform.files[copy], newer.substr(0, newer.size() * 2 / 3));
    EXPECT_EQ(platform.filesStartingWith(path + ".").size(), 1u);
    ASSERT_EQ(platform.otherNotices.size(), 1u);
    EXPECT_NE(platform.otherNotices[0].find("holds 1 event that the event file does not"),
              std::string::npos)
        << platform.otherNotices[0];
}

TEST_F(Start, AFileTheProgramWroteItselfNeedsNoBackup) {
    platform.files[path] = futureEvent(1);
    start();
    table.deleteRow(0);
    file.saveAndReload(table); // the one row goes
    EXPECT_TRUE(platform.filesStartingWith(path + ".").empty());
    EXPECT_EQ(platform.files.count(path), 0u);
    EXPECT_TRUE(platform.otherNotices.empty());
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
    EXPECT_TRUE(platform.otherNotices.empty());      // the user was asked at start already
    Event added = eventAt(at(2032, 1, 1, 0, 0, 0), "Daily", "00:00:00");
    table.insertRow(0, added);
    EXPECT_FALSE(file.save(table));
    EXPECT_FALSE(file.lastError().empty());
    table.clearTable();
    EXPECT_FALSE(file.save(table)); // nor deleted by a save of an empty table
    EXPECT_EQ(platform.files[path], futureEvent(1));
}

TEST_F(Start, AFailedWriteIsToldOnceAndTriedAgainLessAndLessOftenUntilItSucceeds) {
    History history(platform, "C:\\Tools\\");
    due.setHistory(&history);
    platform.files[path] =
        eventsFile({{1, "Friday 14 March 2031 09:30:00"}, {2, "Monday 07 December 2026 12:00:01"}});
    start();
    ASSERT_EQ(table.rowCount(), 2);
    Event restart = eventAt(plus(now, 2), "Daily", "12:00:02");
    restart.restart = "Restart";
    table.insertRow(2, restart);
    platform.failReplaces = true;
    due.tableChanged(now);
    // The one-time row fires at 1 and its rewrite fails; the restart's own save at 60 fails too.
    std::vector<int> tries;
    const auto tick = [&](int second) {
        const int before = platform.writeAttempts;
        due.checkDueEvents(plus(now, second));
        if (platform.writeAttempts > before)
            tries.push_back(second);
    };
    for (int second = 1; second <= 130; ++second)
        tick(second);
    EXPECT_EQ(tries, (std::vector<int>{1, 2, 4, 8, 16, 32, 60, 120}));
    EXPECT_EQ(platform.otherNotices.size(), 1u); // told once, not at every try
    EXPECT_NE(platform.otherNotices[0].find(path), std::string::npos);
    EXPECT_EQ(platform.requests.size(), 1u); // the restart ran although its save failed
    EXPECT_NE(platform.files[path].find("12:00:01"), std::string::npos); // still the old file
    // The user's change is tried at the next tick; then the wait is a minute again.
    table.deleteRow(0);
    due.tableChanged(plus(now, 130));
    tries.clear();
    for (int second = 131; second <= 200; ++second) {
        platform.failReplaces = second < 150;
        tick(second);
    }
    EXPECT_EQ(tries, (std::vector<int>{131, 191}));
    EXPECT_EQ(platform.files[path].find("12:00:01"), std::string::npos);
    EXPECT_NE(platform.files[path].find("12:00:02"), std::string::npos);
    const std::string &log = platform.files[history.path()];
    EXPECT_EQ(occurrences(log, "events not stored"), 1u) << log;
    EXPECT_EQ(occurrences(log, "events stored again"), 1u) << log;
    // A later failure is a new spell, told again and tried after a second.
    platform.failReplaces = true;
    table.insertRow(0, eventAt(plus(now, 3600), "", "later"));
    due.noteStored(file.saveAndReload(table), plus(now, 200));
    EXPECT_EQ(platform.otherNotices.size(), 2u);
    tries.clear();
    tick(201);
    EXPECT_EQ(tries, (std::vector<int>{201}));
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

// A file too large for any real table is not read: it stays exactly where and as it is, no
// tick or sweep writes or deletes it, and OK on a new event is refused until the user chose to
// move it aside.
TEST_F(Start, AFileTooLargeToReadIsLeftAloneUntilTheUserChoosesToStoreEvents) {
    History history(platform, "C:\\Tools\\");
    file.setHistory(&history);
    platform.now = now;
    platform.hugeFiles[path] = std::size_t(1) << 30;
    EXPECT_EQ(start(), Platform::FileRead::TooLarge);
    EXPECT_EQ(table.rowCount(), 0);
    ASSERT_EQ(platform.otherNotices.size(), 1u);
    EXPECT_NE(platform.otherNotices[0].find(path + "\r\nholds 1024 MB"), std::string::npos)
        << platform.otherNotices[0];
    EXPECT_NE(platform.files[history.path()].find("event file not read: 1073741824 bytes"),
              std::string::npos);
    for (int second = 1; second <= 90; ++second)
        due.checkDueEvents(plus(now, second));
    Editor editor(table, file, platform);
    EventForm form;
    form.hour = "10";
    form.minute = form.second = "00";
    form.repeat = "Daily";
    EXPECT_EQ(editor.composeEvent(form), Editor::Outcome::FileTooLarge);
    EXPECT_TRUE(editor.deleteSelected(-1));
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(platform.writeAttempts, 0);
    EXPECT_EQ(platform.hugeFiles.count(path), 1u);
    EXPECT_EQ(platform.otherNotices.size(), 1u);

    ASSERT_TRUE(file.setTooLargeFileAside());
    const std::string aside = path + ".20261207-120000.large";
    EXPECT_EQ(platform.hugeFiles.count(aside), 1u);
    EXPECT_NE(platform.files[history.path()].find("moved to " + aside), std::string::npos);
    EXPECT_EQ(editor.composeEvent(form), Editor::Outcome::Added);
    EXPECT_NE(platform.files[path].find("10:00:00"), std::string::npos);
}

TEST_F(Start, NoMemoryForTheFileLeavesItAloneLikeAnUnreadableOne) {
    platform.files[path] = futureEvent(1);
    platform.outOfMemory = true;
    EXPECT_EQ(start(), Platform::FileRead::Failed);
    EXPECT_EQ(file.readError(), "There is not enough memory to read it.");
    EXPECT_TRUE(file.blocked());
    platform.outOfMemory = false;
    EXPECT_FALSE(file.saveAndReload(table));
    EXPECT_EQ(platform.files[path], futureEvent(1));
}

// The file lagged behind the table (a write failed) when the session ends: it is written once
// more before the program goes, and a later start finds the table as it was.
TEST_F(Start, ASessionEndingWritesAFileThatLaggedBehind) {
    platform.files[path] = futureEvent(1);
    start();
    Event added = table.event(0);
    added.matchKey = "Friday 14 March 2031 10:00:00";
    table.insertRow(1, added);
    platform.failWrites = true;
    due.noteStored(file.save(table), now);
    platform.failWrites = false;
    due.sessionEnds(plus(now, 1));
    EventTable again;
    file.loadAll(again);
    ASSERT_EQ(again.rowCount(), 2);
    EXPECT_EQ(again.event(1).matchKey, "Friday 14 March 2031 10:00:00");
}
