// The event editor: what OK composes for each repeat kind, that every composed event comes due
// at its second, editing and deleting rows, and what happens when the file cannot be written.
#include "Editor.h"
#include "DueCheck.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

namespace {

const std::string path = "C:\\Tools\\InformationSW";

struct EditorFixture : testing::Test {
    FakePlatform platform;
    EventTable table;
    EventFile file{platform, path};
    Editor editor{table, file, platform};

    EventForm form(const std::string &hour, const std::string &minute, const std::string &second,
                   const std::string &repeat, const LocalTime &date = at(2026, 12, 7, 0, 0, 0)) {
        EventForm f;
        f.hour = hour;
        f.minute = minute;
        f.second = second;
        f.repeat = repeat;
        f.date = date;
        return f;
    }
    Event composed(const EventForm &f) {
        Event fields;
        EXPECT_TRUE(composeEventOf(f, platform, fields));
        return fields;
    }
    void addRows(int count) {
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(editor.composeEvent(form("10", std::to_string(10 + i), "00", "Daily")),
                      Editor::Outcome::Added);
    }
    // The match keys of the events in the file, in file order.
    std::vector<std::string> keysInFile() {
        EventTable loaded;
        file.loadAll(loaded);
        std::vector<std::string> keys;
        for (int i = 0; i < loaded.rowCount(); ++i)
            keys.push_back(loaded.event(i).matchKey);
        return keys;
    }
    std::vector<std::string> keysInTable() {
        std::vector<std::string> keys;
        for (int i = 0; i < table.rowCount(); ++i)
            keys.push_back(table.event(i).matchKey);
        return keys;
    }
};

} // namespace

TEST_F(EditorFixture, EachRepeatKindGetsItsMatchKeyAndFields) {
    const LocalTime monday = at(2026, 12, 7, 0, 0, 0);
    Event once = composed(form("09", "30", "15", "Repeat", monday));
    EXPECT_EQ(once.matchKey, "Monday 07 December 2026 09:30:15");
    EXPECT_EQ(once.repeat, "");
    EXPECT_EQ(once.year, "2026");
    EXPECT_EQ(once.month, "12");
    EXPECT_EQ(once.day, " 7");
    EXPECT_EQ(once.dayOfWeek, "");

    Event weekly = composed(form("06", "00", "00", "Weekly", monday));
    EXPECT_EQ(weekly.matchKey, "Monday 06:00:00");
    EXPECT_EQ(weekly.dayOfWeek, " 1");
    EXPECT_EQ(weekly.day, " 7");

    Event monthly = composed(form("06", "00", "00", "Monthly", at(2027, 3, 5, 0, 0, 0)));
    EXPECT_EQ(monthly.matchKey, "05 06:00:00");
    EXPECT_EQ(monthly.day, " 5");
    EXPECT_EQ(monthly.month, " 3");
    EXPECT_EQ(monthly.dayOfWeek, "");

    Event yearly = composed(form("23", "59", "59", "Yearly", at(2028, 2, 29, 0, 0, 0)));
    EXPECT_EQ(yearly.matchKey, "29 February 23:59:59");
    EXPECT_EQ(yearly.year, "2028");

    Event daily = composed(form("14", "M", "S", "Daily"));
    EXPECT_EQ(daily.matchKey, "14:00:00");
    EXPECT_EQ(daily.hour, "14");
    EXPECT_EQ(daily.minute, "00");
    EXPECT_EQ(daily.second, "00");
    EXPECT_EQ(daily.year + daily.month + daily.day + daily.dayOfWeek, "");

    Event hourly = composed(form("H", "30", "S", "Hourly"));
    EXPECT_EQ(hourly.matchKey, ":30:00");
    EXPECT_EQ(hourly.hour, "00"); // stored, though the key does not use it
    EXPECT_EQ(hourly.year, "");
}

TEST_F(EditorFixture, AnyOtherRepeatTextIsComposedWithTheFullDateAndKeptAsTyped) {
    Event lower = composed(form("08", "00", "00", "hourly", at(2026, 12, 8, 0, 0, 0)));
    EXPECT_EQ(lower.matchKey, "Tuesday 08 December 2026 08:00:00");
    EXPECT_EQ(lower.repeat, "hourly");
}

TEST_F(EditorFixture, EachOkCountsItsOwnPlaceholders) {
    EXPECT_EQ(editor.composeEvent(form("H", "M", "S", "Daily")), Editor::Outcome::NothingToAdd);
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(platform.fileWrites, 0);
    EXPECT_EQ(editor.composeEvent(form("H", "15", "S", "Daily")), Editor::Outcome::Added);
    EXPECT_EQ(editor.composeEvent(form("07", "M", "S", "Daily")), Editor::Outcome::Added);
    EXPECT_EQ(keysInTable(), (std::vector<std::string>{"00:15:00", "07:00:00"}));
    // Placeholders are exact: a lower-case or padded one is a typed time.
    EXPECT_EQ(editor.composeEvent(form("h", "M", "S", "Daily")), Editor::Outcome::Added);
}

TEST_F(EditorFixture, BothPowerBoxesTickedStoreRestartOnly) {
    EventForm both = form("10", "00", "00", "Daily");
    both.restart = both.shutDown = true;
    Event event = composed(both);
    EXPECT_EQ(event.restart, "Restart");
    EXPECT_EQ(event.shutDown, "");
    EventForm shut = form("10", "00", "00", "Daily");
    shut.shutDown = true;
    EXPECT_EQ(composed(shut).shutDown, "Shut down");
}

TEST_F(EditorFixture, EveryComposedEventComesDueAtItsSecond) {
    // Composed on the day before, each fires through the real due check when its moment comes.
    const LocalTime moment = at(2027, 1, 29, 2, 30, 5); // a Friday
    EventForm f = form("02", "30", "05", "", moment);
    f.restart = true;
    for (const char *repeat : {"Repeat", "Hourly", "Daily", "Weekly", "Monthly", "Yearly"}) {
        f.repeat = repeat;
        ASSERT_EQ(editor.composeEvent(f), Editor::Outcome::Added) << repeat;
    }
    DueCheck due(table, file, platform);
    History history(platform, "");
    due.setHistory(&history);
    due.startAfter(later(moment, -60));
    for (int second = -59; second <= 0; ++second)
        due.checkDueEvents(later(moment, second));
    const std::string &log = platform.files[history.path()];
    std::size_t fired = 0;
    for (std::size_t at = 0; (at = log.find("  fired  ", at)) != std::string::npos; ++at)
        ++fired;
    EXPECT_EQ(fired, 6u) << log;
    EXPECT_EQ(platform.requests.size(), 1u); // one request for the one second
    EXPECT_EQ(table.rowCount(), 5);          // the one-time row has gone
    EXPECT_EQ(keysInFile().size(), 5u);
    // A second later nothing more is due.
    due.checkDueEvents(later(moment, 1));
    EXPECT_EQ(platform.requests.size(), 1u);
}

TEST_F(EditorFixture, EditingRowThreeOfFivePutsItBackAsRowThree) {
    addRows(5);
    Event taken;
    ASSERT_TRUE(editor.editRow(2, taken));
    EXPECT_EQ(taken.matchKey, "10:12:00");
    EXPECT_EQ(table.rowCount(), 4);
    EXPECT_EQ(keysInFile().size(), 5u); // the file is not touched by the double-click
    EXPECT_EQ(editor.composeEvent(form("11", "12", "00", "Daily")), Editor::Outcome::Added);
    EXPECT_EQ(table.cell(2, 0), " 3");
    EXPECT_EQ(table.event(2).matchKey, "11:12:00");
    EXPECT_EQ(keysInFile(), keysInTable());
    // The edit is over: the next OK adds at the end.
    EXPECT_EQ(editor.composeEvent(form("12", "12", "00", "Daily")), Editor::Outcome::Added);
    EXPECT_EQ(table.event(5).matchKey, "12:12:00");
}

// Whatever writes the file while a row is in the form (a one-time event firing, the save
// before its restart, DELETE, a failed OK) keeps that row at its place, as it was.
TEST_F(EditorFixture, ARowInTheFormStaysInEveryWriteOfTheFile) {
    addRows(4);
    const LocalTime moment = at(2026, 12, 7, 9, 0, 0);
    EventForm restart = form("09", "00", "00", repeatPlaceholder, moment);
    restart.restart = true;
    ASSERT_EQ(editor.composeEvent(restart), Editor::Outcome::Added);
    DueCheck due(table, file, platform);
    due.startAfter(later(moment, -30));
    Event taken;
    ASSERT_TRUE(editor.editRow(1, taken)); // "10:11:00"
    const std::vector<std::string> heldAtTwo = {"10:10:00", "10:11:00", "10:12:00", "10:13:00"};
    for (int second = -29; second <= 31; ++second)
        due.checkDueEvents(later(moment, second));
    EXPECT_EQ(table.rowCount(), 3);          // the one-time row fired and left
    ASSERT_FALSE(platform.requests.empty()); // its restart waits; the file was saved before it
    EXPECT_EQ(keysInFile(), heldAtTwo);
    ASSERT_TRUE(editor.deleteSelected(0));
    EXPECT_EQ(keysInFile(), std::vector<std::string>({"10:12:00", "10:11:00", "10:13:00"}));
    platform.failWrites = true;
    EXPECT_EQ(editor.composeEvent(form("08", "00", "00", "Daily")), Editor::Outcome::NotStored);
    platform.failWrites = false;
    ASSERT_TRUE(editor.deleteSelected(-1));
    EXPECT_EQ(keysInFile(), std::vector<std::string>({"10:12:00", "10:11:00", "10:13:00"}));
    // Leaving now would keep it; OK puts the edited row in its place instead.
    EXPECT_EQ(editor.composeEvent(form("07", "00", "00", "Daily")), Editor::Outcome::Added);
    EXPECT_EQ(keysInFile(), std::vector<std::string>({"10:12:00", "07:00:00", "10:13:00"}));
}

TEST_F(EditorFixture, RowsTakenOutAndNotPutBackDoNotComeBackAtTheNextStart) {
    addRows(5);
    Event taken;
    ASSERT_TRUE(editor.editRow(4, taken));
    ASSERT_TRUE(editor.editRow(0, taken)); // a second double-click replaces the first
    EXPECT_EQ(editor.composeEvent(form("09", "00", "00", "Daily")), Editor::Outcome::Added);
    EXPECT_EQ(table.event(0).matchKey, "09:00:00");
    EXPECT_EQ(keysInFile(), keysInTable());
    EXPECT_EQ(keysInFile().size(), 4u);
}

TEST_F(EditorFixture, ARememberedIndexBeyondTheEndAppends) {
    addRows(5);
    Event taken;
    ASSERT_TRUE(editor.editRow(4, taken));
    ASSERT_TRUE(editor.deleteSelected(1));
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_EQ(editor.composeEvent(form("12", "00", "00", "Daily")), Editor::Outcome::Added);
    ASSERT_EQ(table.rowCount(), 4);
    EXPECT_EQ(table.event(3).matchKey, "12:00:00");
    EXPECT_EQ(keysInFile(), keysInTable());
}

TEST_F(EditorFixture, DeleteRenumbersAndWithNothingSelectedRemovesNothing) {
    addRows(3);
    ASSERT_TRUE(editor.deleteSelected(0));
    EXPECT_EQ(table.cell(0, 0), " 1");
    EXPECT_EQ(table.event(0).matchKey, "10:11:00");
    ASSERT_TRUE(editor.deleteSelected(-1));
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(keysInFile(), keysInTable());
}

TEST_F(EditorFixture, ADoubleClickOnNoRowChangesNothing) {
    addRows(2);
    Event taken;
    EXPECT_FALSE(editor.editRow(-1, taken));
    EXPECT_FALSE(editor.editRow(2, taken));
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(editor.composeEvent(form("23", "00", "00", "Daily")), Editor::Outcome::Added);
    EXPECT_EQ(table.event(2).matchKey, "23:00:00"); // no edit was pending: added at the end
}

TEST_F(EditorFixture, WithManyRowsANewRowIsNumberedAndShownLast) {
    addRows(120);
    EXPECT_EQ(editor.composeEvent(form("23", "00", "00", "Daily")), Editor::Outcome::Added);
    EXPECT_EQ(table.cell(120, 0), "121");
    EXPECT_EQ(table.event(120).matchKey, "23:00:00");
}

TEST_F(EditorFixture, OverLongTypedTextsAreCutToTheirFields) {
    const std::string typed(300, '7');
    EventForm f = form(typed, typed, typed, std::string(300, 'x'));
    Event event = composed(f);
    EXPECT_EQ(event.hour.size(), 19u);
    EXPECT_EQ(event.minute.size(), 19u);
    EXPECT_EQ(event.second.size(), 19u);
    EXPECT_EQ(event.repeat.size(), 9u);
    EXPECT_LE(event.matchKey.size(), 199u);
    f.repeat = "Daily";
    EXPECT_EQ(composed(f).matchKey,
              std::string(19, '7') + ":" + std::string(19, '7') + ":" + std::string(19, '7'));
    ASSERT_EQ(editor.composeEvent(form(typed, typed, typed, "Yearly")), Editor::Outcome::Added);
    EXPECT_LE(table.event(0).matchKey.size(), 199u);
}

TEST_F(EditorFixture, AFailedSaveLeavesTheTableTheFileAndTheEditAsTheyWere) {
    addRows(3);
    const std::string before = platform.files[path];
    Event taken;
    ASSERT_TRUE(editor.editRow(1, taken));
    platform.failWrites = true;
    EXPECT_EQ(editor.composeEvent(form("08", "00", "00", "Daily")), Editor::Outcome::NotStored);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(platform.files[path], before);

    const TableRow last = table.row(1);
    EXPECT_FALSE(editor.deleteSelected(1));
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.row(1).rowNumber(), last.rowNumber());
    EXPECT_EQ(table.event(1).matchKey, last.matchKey());
    EXPECT_EQ(platform.files[path], before);

    platform.failWrites = false;
    EXPECT_EQ(editor.composeEvent(form("08", "00", "00", "Daily")), Editor::Outcome::Added);
    EXPECT_EQ(table.event(1).matchKey, "08:00:00");
}

TEST(EventForm, ARowShowsAgainWithItsOneActionAndItsDate) {
    Event row = eventAt(at(2031, 3, 14, 9, 30, 0), "", "Friday 14 March 2031 09:30:00");
    row.restart = "Restart";
    row.hour = "09";
    EventForm form = formOf(row);
    EXPECT_EQ(form.repeat, repeatPlaceholder);
    EXPECT_TRUE(form.restart);
    EXPECT_FALSE(form.shutDown);
    EXPECT_EQ(form.date.year, 2031);
    EXPECT_EQ(form.date.month, 3);
    EXPECT_EQ(form.date.day, 14);
    EXPECT_EQ(form.hour, "09");

    row.shutDown = "Shut down"; // both, by a hand-edited file: the one that would fire
    form = formOf(row);
    EXPECT_TRUE(form.shutDown);
    EXPECT_FALSE(form.restart);

    Event daily;
    daily.matchKey = "06:00:00";
    daily.repeat = "Daily";
    form = formOf(daily);
    EXPECT_EQ(form.repeat, "Daily");
    EXPECT_EQ(form.date.year, 0); // no date: the picker keeps its own
}

// A file made in one language, read in another: the rows with names in their keys are
// composed again, in every pair of three languages, names with accents included.
TEST_F(EditorFixture, KeysComposedInAnotherLanguageAreComposedAgainInThisOne) {
    const char *const languages[] = {"en", "de", "fr"};
    const char *const repeats[] = {repeatPlaceholder, "Hourly",  "Daily",
                                   "Weekly",          "Monthly", "Yearly"};
    const LocalTime dates[] = {at(2027, 2, 10, 0, 0, 0), at(2027, 3, 1, 0, 0, 0),
                               at(2027, 8, 16, 0, 0, 0), at(2027, 12, 7, 0, 0, 0)};
    for (const char *from : languages) {
        for (const char *to : languages) {
            if (std::string(from) == to)
                continue;
            platform.language = from;
            table.clearTable();
            for (const LocalTime &date : dates)
                for (const char *repeat : repeats) {
                    Event fields;
                    ASSERT_TRUE(
                        composeEventOf(form("10", "20", "30", repeat, date), platform, fields));
                    table.insertRow(table.rowCount(), fields);
                }
            platform.language = to;
            std::vector<std::string> before = keysInTable(), expected;
            for (const LocalTime &date : dates)
                for (const char *repeat : repeats)
                    expected.push_back(composed(form("10", "20", "30", repeat, date)).matchKey);
            int differ = 0; // "16 August" is the same in English and German
            for (std::size_t i = 0; i < before.size(); ++i)
                differ += before[i] != expected[i];
            EXPECT_GE(differ, 10);
            EXPECT_EQ(recomposeInCurrentLanguage(table, platform), differ) << from << " to " << to;
            EXPECT_EQ(keysInTable(), expected) << from << " to " << to;
        }
    }
}

TEST_F(EditorFixture, KeysThatMeanAnotherMomentOrCanComeDueAsTheyAreStay) {
    platform.language = "de";
    Event moved = composed(form("10", "00", "00", repeatPlaceholder, at(2026, 12, 7, 0, 0, 0)));
    moved.matchKey = "Montag 07 Dezember 2026 11:00:00"; // typed to mean eleven o'clock
    Event weekday = composed(form("10", "00", "00", "Weekly", at(2026, 12, 7, 0, 0, 0)));
    weekday.matchKey = "Tuesday 10:00:00"; // a day this language knows
    Event typed = moved;
    typed.year.clear(); // fields that do not describe it
    platform.language = "en";
    for (const Event &row : {moved, weekday, typed})
        table.insertRow(table.rowCount(), row);
    EXPECT_EQ(recomposeInCurrentLanguage(table, platform), 0);
    EXPECT_EQ(table.event(0).matchKey, moved.matchKey);
    EXPECT_EQ(table.event(1).matchKey, "Tuesday 10:00:00");
}

TEST_F(EditorFixture, AMonthlyEventOnALateDayTellsInWhichMonthsItWillNotComeDue) {
    const std::pair<LocalTime, const char *> cases[] = {
        {at(2027, 1, 28, 0, 0, 0), ""},
        {at(2027, 1, 29, 0, 0, 0), "a 29th: not in February, except in leap years."},
        {at(2027, 1, 30, 0, 0, 0), "a 30th: not in February."},
        {at(2027, 1, 31, 0, 0, 0), "a 31st: not in February, April, June, September, November."},
    };
    for (const auto &[date, note] : cases) {
        const std::string text = partlyDueNote(form("10", "00", "00", "Monthly", date));
        EXPECT_EQ(text.empty(), !*note) << text;
        EXPECT_NE(text.find(note), std::string::npos) << text;
        EXPECT_EQ(partlyDueNote(form("10", "00", "00", "Daily", date)), "");
        EXPECT_EQ(partlyDueNote(form("10", "00", "00", repeatPlaceholder, date)), "");
    }
    EXPECT_NE(partlyDueNote(form("10", "00", "00", "Yearly", at(2028, 2, 29, 0, 0, 0)))
                  .find("leap years"),
              std::string::npos);
    EXPECT_EQ(partlyDueNote(form("10", "00", "00", "Yearly", at(2028, 3, 29, 0, 0, 0))), "");
}
