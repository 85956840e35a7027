// Every row kind through every clock situation, and the user's answers while a warning shows,
// on a scripted clock that checks after every step that each row fires once at its second and
// that no power action runs without a minute's warning or Now.
#include "ScriptedClock.h"

#include <gtest/gtest.h>

namespace {

const char *const kinds[] = {"", "Hourly", "Daily", "Weekly", "Monthly", "Yearly"};
const LocalTime t0 = at(2027, 1, 29, 10, 0, 0); // a Friday

std::string named(const char *kind) {
    return *kind ? kind : "one-time";
}

} // namespace

TEST(Schedule, EachKindFiresAtItsSecondAfterAMinutesWarning) {
    for (const char *kind : kinds) {
        ScriptedClock clock(t0);
        const std::string key = clock.add(kind, 150);
        clock.begin();
        clock.run(300);
        EXPECT_EQ(clock.fired(key), 1) << named(kind);
        ASSERT_EQ(clock.requestTimes.size(), 1u) << named(kind);
        EXPECT_EQ(clock.requestTimes[0], 150) << named(kind);
        EXPECT_EQ(clock.platform.warningsOpened, 1) << named(kind);
    }
}

TEST(Schedule, LateTicksCatchUpEverySecondAndTheActionWaitsForItsWarning) {
    for (std::int64_t gap : {61, 600, 7200}) {
        for (const char *kind : kinds) {
            ScriptedClock clock(t0);
            const std::string key = clock.add(kind, 100);
            clock.begin();
            clock.run(30);
            clock.late(gap);
            clock.run(65);
            const int hourly = gap > 3600 ? 2 : 1; // Hourly comes again an hour later
            EXPECT_EQ(clock.fired(key), *kind && std::string(kind) == "Hourly" ? hourly : 1)
                << named(kind) << " after a tick " << gap << " s late";
            EXPECT_TRUE(clock.platform.notices.empty()) << named(kind) << ", " << gap << " s";
            // One request for what the late tick caught up, a minute after it was announced.
            ASSERT_EQ(clock.requestTimes.size(), 1u) << named(kind) << ", " << gap << " s";
            EXPECT_EQ(clock.requestTimes[0], 30 + gap + 60) << named(kind) << ", " << gap << " s";
        }
    }
}

TEST(Schedule, AcrossDaylightSavingEveryRowFiresOnceAndIsAnnounced) {
    for (const DaylightChange &change : daylightChanges) {
        const bool usBack = std::string(change.name) == "US back";
        const int changed = usBack ? 1 : 2; // the wall hour that is skipped or repeated
        for (int step : {1, 5, 7}) {
            for (int hour = changed - 1; hour <= changed + 1; ++hour)
                for (const char *kind : kinds) {
                    if (std::string(kind) == "Hourly")
                        continue;
                    ScriptedClock clock = beforeChange(change);
                    const std::string key = clock.addAt(
                        kind, at(change.year, change.month, change.day, hour, 30, 0), "Restart");
                    clock.begin();
                    clock.run(4 * 3600, step);
                    EXPECT_EQ(clock.fired(key), 1) << change.name << ", " << named(kind) << " at "
                                                   << hour << ":30, ticks every " << step << " s";
                    EXPECT_EQ(clock.requests(), 1) << change.name << ", " << named(kind);
                    EXPECT_TRUE(clock.platform.notices.empty()) << change.name;
                }
            // Four real hours: an Hourly row fires four times, also where the wall clock skips
            // or repeats its minute.
            ScriptedClock clock = beforeChange(change);
            const std::string key = clock.addAt(
                "Hourly", at(change.year, change.month, change.day, 0, 30, 0), "Restart");
            clock.begin();
            clock.run(4 * 3600, step);
            EXPECT_EQ(clock.fired(key), 4) << change.name << ", ticks every " << step << " s";
            EXPECT_EQ(clock.requests(), 4) << change.name << ", ticks every " << step << " s";
        }
    }
}

// A restart at 02:30, inside the hour that is skipped, comes at the change: its warning starts a
// minute before it.
TEST(Schedule, RowsInTheSkippedHourComeAtTheChangeWarnedAMinuteBefore) {
    ScriptedClock clock = beforeChange(daylightChanges[0]);
    const std::string key = clock.addAt("", at(2026, 3, 29, 2, 30, 0), "Restart");
    clock.begin();
    clock.run(2 * 3600 - 61);
    EXPECT_FALSE(clock.platform.warningOpen);
    clock.run(1);
    EXPECT_TRUE(clock.platform.warningOpen);
    EXPECT_EQ(clock.platform.warningSeconds, 60);
    clock.run(60); // to 03:00:00 CEST, the change
    EXPECT_EQ(clock.fired(key), 1);
    ASSERT_EQ(clock.requests(), 1);
    EXPECT_EQ(clock.utc(), changeUtc(daylightChanges[0]));
}

TEST(Schedule, AnAnswerGivenJustBeforeTheClocksGoForwardHolds) {
    // Skip: the restart at 02:00:30 fires without its action at the change.
    ScriptedClock skipped = beforeChange(daylightChanges[0]);
    const std::string key = skipped.addAt("", at(2026, 3, 29, 2, 0, 30), "Restart");
    skipped.begin();
    skipped.run(2 * 3600 - 20); // 01:59:40 CET: warned of
    ASSERT_TRUE(skipped.platform.warningOpen);
    skipped.skip();
    skipped.run(120);
    EXPECT_EQ(skipped.fired(key), 1);
    EXPECT_EQ(skipped.requests(), 0);
    // Now, refused: no second request at the change.
    ScriptedClock early = beforeChange(daylightChanges[0]);
    early.addAt("Daily", at(2026, 3, 29, 2, 0, 30), "Restart");
    early.platform.refuseWith = "Access is denied (error 5).";
    early.begin();
    early.run(2 * 3600 - 20);
    early.now();
    early.run(120);
    EXPECT_EQ(early.requests(), 1);
}

TEST(Schedule, NoDailyWarningInTheRepeatedHourButARowAddedInItFires) {
    ScriptedClock clock = beforeChange(daylightChanges[1]); // from 01:00 CEST
    const std::string daily = clock.addAt("Daily", at(2026, 10, 25, 2, 30, 0), "Restart");
    clock.begin();
    clock.run(2 * 3600 + 600); // to 02:10 CET, in the repeated hour
    EXPECT_EQ(clock.requests(), 1);
    const std::string added = clock.addAt("", at(2026, 10, 25, 2, 20, 0), "Restart");
    clock.run(3600);
    EXPECT_EQ(clock.fired(daily), 1);
    EXPECT_EQ(clock.fired(added), 1);
    EXPECT_EQ(clock.requests(), 2);
    EXPECT_EQ(clock.platform.warningsOpened, 2); // no warning for the daily row's repeat
    EXPECT_TRUE(clock.platform.notices.empty());
}

TEST(Schedule, ALateTickInTheRepeatedHourFiresNothingAgain) {
    ScriptedClock clock = beforeChange(daylightChanges[1]);
    const std::string daily = clock.addAt("Daily", at(2026, 10, 25, 2, 30, 0), "Restart");
    clock.begin();
    clock.run(2 * 3600 + 1200); // 02:20 CET
    clock.late(300);            // 02:25 CET
    clock.run(900);             // past 02:30 CET
    EXPECT_EQ(clock.fired(daily), 1);
    EXPECT_EQ(clock.requests(), 1);
}

TEST(Schedule, AnActionWaitingWhenTheClocksGoBackKeepsItsMinute) {
    ScriptedClock clock = beforeChange(daylightChanges[1]); // from 01:00 CEST
    clock.begin();
    clock.run(2 * 3600 - 30); // 02:59:30 CEST
    const std::string key = clock.addAt("", at(2026, 10, 25, 2, 59, 50), "Restart");
    clock.run(20);
    EXPECT_EQ(clock.fired(key), 1);
    clock.run(11); // 02:00:01 CET
    EXPECT_EQ(clock.platform.warningSeconds, 29);
    clock.run(60);
    ASSERT_EQ(clock.requestTimes.size(), 1u);
    EXPECT_EQ(clock.requestTimes[0], 2 * 3600 + 30 - 3600); // 02:00:30 CET, a minute after
}

TEST(Schedule, TheHistoryTellsTheTwoPassesOfARepeatedHourApart) {
    ScriptedClock clock = beforeChange(daylightChanges[1]);
    const std::string hourly = clock.addAt("Hourly", at(2026, 10, 25, 0, 30, 0), "");
    clock.begin();
    clock.run(3 * 3600);
    const std::string log = clock.platform.files[clock.history.path()];
    EXPECT_NE(log.find("2026-10-25 02:30:00 +02:00  fired  " + hourly), std::string::npos) << log;
    EXPECT_NE(log.find("2026-10-25 02:30:00 +01:00  fired  " + hourly), std::string::npos) << log;
}

TEST(Schedule, AChangeOfZoneIsNoDaylightSavingChange) {
    // Forward nine hours: what it passes is not caught up; the one-time row is reported.
    ScriptedClock east(t0, 3600, 3600);
    const std::string once = east.add("", 2 * 3600);
    const std::string daily = east.add("Daily", 2 * 3600);
    east.begin();
    east.run(600);
    east.changeZone(36000, 36000);
    east.run(120);
    EXPECT_EQ(east.fired(once) + east.fired(daily), 0);
    EXPECT_EQ(east.requests(), 0);
    EXPECT_EQ(east.platform.notices.size(), 1u);
    // Back nine hours: the hours come again, and rows fire again at their times.
    ScriptedClock west(t0, 36000, 36000);
    const std::string early = west.addAt("Daily", at(2027, 1, 29, 2, 0, 0), "Restart");
    west.begin();
    west.run(600);
    west.changeZone(3600, 3600); // 01:10
    west.run(3600);
    EXPECT_EQ(west.fired(early), 1);
    EXPECT_EQ(west.requests(), 1);
}

TEST(Schedule, AClockSetByHandKeepsItsRules) {
    for (const char *kind : kinds) {
        // Forward two hours: the one-time row it passes is missed, repeating rows wait.
        ScriptedClock forward(t0);
        const std::string key = forward.add(kind, 5100); // 11:25
        forward.begin();
        forward.run(10);
        forward.set(2 * 3600);
        forward.run(120);
        EXPECT_EQ(forward.fired(key), 0) << named(kind);
        EXPECT_EQ(forward.requests(), 0) << named(kind);
        EXPECT_EQ(forward.platform.notices.size(), *kind ? 0u : 1u) << named(kind);
    }
    // Back two hours: a daily row fires again at its time.
    ScriptedClock back(t0);
    const std::string daily = back.add("Daily", 60);
    back.begin();
    back.run(100);
    back.set(-2 * 3600);
    back.run(2 * 3600);
    EXPECT_EQ(back.fired(daily), 2);
    EXPECT_EQ(back.requests(), 2);
}

TEST(Schedule, ASmallStepBackFiresNothingAgain) {
    for (std::int64_t back : {1, 2, 5, 10, 30, 1800}) {
        for (const char *kind : kinds) {
            ScriptedClock clock(t0);
            const std::string key = clock.add(kind, 60);
            clock.begin();
            clock.run(61);
            clock.set(-back);
            clock.run(back + 120);
            EXPECT_EQ(clock.fired(key), 1) << named(kind) << ", set back " << back << " s";
            EXPECT_EQ(clock.requests(), 1) << named(kind) << ", set back " << back << " s";
        }
    }
}

// An Hourly row's second is a UTC second: the clock set back a little just before a
// daylight-saving change must not bring back one it examined already.
TEST(Schedule, ASmallStepBackJustBeforeADaylightChangeFiresNothingAgain) {
    for (const DaylightChange &change : daylightChanges) {
        for (const char *kind : kinds) {
            const std::int64_t utc = changeUtc(change) - 10;
            ScriptedClock clock(fromWallSecond(utc + change.before), change.standard,
                                change.before);
            clock.daylightChangeAt(changeUtc(change), change.after);
            const std::string key = clock.add(kind, 3);
            clock.begin();
            clock.run(3);
            clock.set(-12);
            clock.run(120);
            EXPECT_EQ(clock.fired(key), 1) << named(kind) << ", " << change.name;
            EXPECT_EQ(clock.requests(), 1) << named(kind) << ", " << change.name;
        }
    }
}

// The formats change to another language while the program runs, with the clock texts of the
// coming seconds made already: the keys are brought into the new language and every row
// fires at its second in it.
TEST(Schedule, AfterAChangeOfLanguageEveryRowFiresAtItsSecondInTheNewOne) {
    ScriptedClock clock(t0);
    for (const char *kind : kinds)
        clock.add(kind, 120 + (*kind ? 0 : 30));
    clock.begin();
    clock.run(70); // the warning names the first of them already
    const std::string english = clock.platform.files[clock.file.path()];
    clock.platform.language = "de";
    clock.due.adoptCurrentLanguage(clock.reading());
    EXPECT_EQ(clock.table.event(3).matchKey, "Freitag 10:02:00");
    EXPECT_EQ(clock.table.event(0).matchKey, "Freitag 29 Januar 2027 10:02:30");
    clock.run(200);
    for (const char *key : {":02:00", "10:02:00", "Freitag 10:02:00", "29 10:02:00",
                            "29 Januar 10:02:00", "Freitag 29 Januar 2027 10:02:30"})
        EXPECT_EQ(clock.fired(key), 1) << key;
    ASSERT_EQ(clock.requestTimes.size(), 2u);
    EXPECT_EQ(clock.requestTimes[0], 120); // warned since 60 s, through the change
    const std::vector<std::string> copies =
        clock.platform.filesStartingWith(clock.file.path() + ".");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(clock.platform.files[copies[0]], english);
    EXPECT_NE(clock.platform.files[clock.history.path()].find(
                  "3 events brought into the current language"),
              std::string::npos);
}

TEST(Schedule, DoubledTicksFireOnce) {
    ScriptedClock clock(t0);
    const std::string key = clock.add("Daily", 60);
    clock.begin();
    for (int second = 0; second < 90; ++second) {
        clock.run(1);
        clock.doubled();
    }
    EXPECT_EQ(clock.fired(key), 1);
    EXPECT_EQ(clock.requests(), 1);
}

TEST(Schedule, TheSecondOfTheStartFiresOneTimeRowsToo) {
    for (const char *kind : kinds) {
        ScriptedClock clock(t0);
        const std::string key = clock.add(kind, 0);
        clock.begin();
        clock.run(90);
        EXPECT_EQ(clock.fired(key), 1) << named(kind);
        EXPECT_TRUE(clock.platform.notices.empty()) << named(kind);
        ASSERT_EQ(clock.requestTimes.size(), 1u) << named(kind);
        EXPECT_EQ(clock.requestTimes[0], 60) << named(kind); // warned of from the start
    }
}

TEST(Schedule, AfterSkipTheNextActionGetsAWarningOfItsOwn) {
    ScriptedClock clock(t0);
    const std::string first = clock.add("", 70);
    const std::string second = clock.add("", 95);
    clock.begin();
    clock.run(40);
    EXPECT_EQ(clock.platform.warningKey, first);
    clock.skip();
    EXPECT_TRUE(clock.platform.warningOpen);
    EXPECT_EQ(clock.platform.warningKey, second);
    EXPECT_EQ(clock.platform.warningSeconds, 60);
    clock.run(120);
    EXPECT_EQ(clock.fired(first), 1);
    EXPECT_EQ(clock.fired(second), 1);
    ASSERT_EQ(clock.requestTimes.size(), 1u);
    EXPECT_EQ(clock.requestTimes[0], 100); // a minute after its own warning began
}

TEST(Schedule, AfterARefusalTheNextActionGetsAWarningOfItsOwn) {
    ScriptedClock clock(t0);
    clock.add("", 70);
    clock.add("Daily", 80, "Shut down");
    clock.platform.refuseWith = "A required privilege is not held by the client (error 1314).";
    clock.begin();
    clock.run(200);
    ASSERT_EQ(clock.requestTimes.size(), 2u);
    EXPECT_EQ(clock.requestTimes[0], 70);
    EXPECT_EQ(clock.requestTimes[1], 130);
    EXPECT_EQ(clock.platform.refusedNotices.size(), 2u);
}

TEST(Schedule, AWarnedRowMovedLosesItsWarningAndGetsANewOne) {
    // Out of the coming minute: the warning closes at once and opens a minute before.
    ScriptedClock away(t0);
    const std::string key = away.add("", 70);
    away.begin();
    away.run(20);
    const std::string moved = away.move(key, 40);
    EXPECT_FALSE(away.platform.warningOpen);
    away.run(120);
    EXPECT_EQ(away.fired(moved), 1);
    ASSERT_EQ(away.requestTimes.size(), 1u);
    EXPECT_EQ(away.requestTimes[0], 110);
    // Within the coming minute: a new warning with a minute of its own.
    ScriptedClock near(t0);
    const std::string warned = near.add("Daily", 70);
    near.begin();
    near.run(40);
    const std::string later = near.move(warned, 10);
    EXPECT_TRUE(near.platform.warningOpen);
    EXPECT_EQ(near.platform.warningKey, later);
    EXPECT_EQ(near.platform.warningSeconds, 60);
    near.run(120);
    ASSERT_EQ(near.requestTimes.size(), 1u);
    EXPECT_EQ(near.requestTimes[0], 100);
}

TEST(Schedule, AWarningTheUserClosedDoesNotHideTheNextOne) {
    ScriptedClock clock(t0);
    clock.add("", 70);
    clock.begin();
    clock.run(20);
    clock.platform.warningDismissed = true; // its close box
    const std::string shutDown = clock.add("Daily", 70, "Shut down");
    EXPECT_EQ(clock.platform.warningKey, shutDown);
    EXPECT_TRUE(clock.platform.warningShutDown);
    EXPECT_FALSE(clock.platform.warningDismissed);
}

TEST(Schedule, AWarnedRowDeletedClosesItsWarning) {
    ScriptedClock clock(t0);
    const std::string key = clock.add("", 70);
    clock.begin();
    clock.run(20);
    clock.remove(key);
    EXPECT_FALSE(clock.platform.warningOpen);
    clock.now(); // its button can no longer be pressed: nothing
    clock.run(120);
    EXPECT_EQ(clock.requests(), 0);
}

TEST(Schedule, ARestartAndAShutdownInOneSecondGiveOneRequestTheShutdown) {
    ScriptedClock clock(t0);
    clock.add("", 90);
    clock.add("Daily", 90, "Shut down");
    clock.begin();
    clock.run(200);
    ASSERT_EQ(clock.requests(), 1);
    EXPECT_EQ(clock.lastRequest(), "shutdown");
}

// A restart waiting for its minute, and a shutdown due the very second that minute ends: the
// shutdown wins and has a minute of its own; only it is requested.
TEST(Schedule, AShutdownDueAsAWaitingRestartsMinuteEndsTakesOverWithAMinuteOfItsOwn) {
    ScriptedClock clock(t0);
    clock.add("Weekly", 2);
    clock.add("Daily", 60, "Shut down");
    clock.begin();
    clock.run(200);
    ASSERT_EQ(clock.requestTimes.size(), 1u);
    EXPECT_EQ(clock.lastRequest(), "shutdown");
    EXPECT_EQ(clock.requestTimes[0], 120);
}

TEST(Schedule, NowRunsTheWarnedSecondAtOnceAndOnlyIt) {
    ScriptedClock clock(t0);
    const std::string first = clock.add("", 70);
    const std::string next = clock.add("Weekly", 71, "Shut down");
    clock.begin();
    clock.run(20);
    clock.now();
    ASSERT_EQ(clock.requests(), 1);
    EXPECT_EQ(clock.lastRequest(), "restart");
    EXPECT_EQ(clock.fired(first), 0); // carried out early, it left the table
    EXPECT_EQ(clock.table.rowCount(), 1);
    EXPECT_EQ(clock.platform.warningKey, next); // the next second is warned of on its own
    clock.run(200);
    ASSERT_EQ(clock.requestTimes.size(), 2u);
    EXPECT_EQ(clock.requestTimes[1], 80);
}

TEST(Schedule, ARowComposedLessThanAMinuteAheadFiresAtItsSecondAndItsActionWaits) {
    ScriptedClock clock(t0);
    clock.begin();
    clock.run(5);
    const std::string key = clock.add("", 25);
    EXPECT_TRUE(clock.platform.warningOpen);
    EXPECT_EQ(clock.platform.warningSeconds, 60);
    clock.run(20);
    EXPECT_EQ(clock.fired(key), 1);
    EXPECT_EQ(clock.table.rowCount(), 0); // it left at its second
    EXPECT_EQ(clock.requests(), 0);
    clock.run(60);
    ASSERT_EQ(clock.requestTimes.size(), 1u);
    EXPECT_EQ(clock.requestTimes[0], 65);
    const std::string log = clock.platform.files[clock.history.path()];
    EXPECT_NE(log.find("restart held until its warning has shown a minute"), std::string::npos);
}
