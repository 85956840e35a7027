// The Today window's choice: every repeat kind on its own days and on others.
#include "TodayRows.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

namespace {

// A row composed on a date, as the editor fills its fields.
Event composedOn(const LocalTime &date, const std::string &repeat) {
    Event row = eventAt(date, repeat, "key");
    if (repeat == "Weekly")
        row.dayOfWeek = formatTwoDigits(date.dayOfWeek);
    if (repeat == "Hourly" || repeat == "Daily")
        row.year = row.month = row.day = "";
    return row;
}

const LocalTime composed = at(2026, 12, 7, 9, 0, 0); // a Monday

} // namespace

TEST(TodayRows, EachKindIsListedOnTheDaysItComesDue) {
    struct Case {
        const char *repeat;
        LocalTime day;
        bool listed;
    };
    const Case cases[] = {
        {"", at(2026, 12, 7, 0, 0, 0), true},
        {"", at(2026, 12, 8, 0, 0, 0), false},
        {"", at(2027, 12, 7, 0, 0, 0), false},
        {"Hourly", at(2030, 5, 17, 0, 0, 0), true},
        {"Daily", at(2026, 1, 1, 0, 0, 0), true},
        {"Weekly", at(2026, 12, 14, 0, 0, 0), true}, // the next Monday
        {"Weekly", at(2027, 3, 1, 0, 0, 0), true},   // a Monday months later
        {"Weekly", at(2026, 12, 8, 0, 0, 0), false}, // a Tuesday
        {"Monthly", at(2027, 2, 7, 0, 0, 0), true},
        {"Monthly", at(2027, 2, 8, 0, 0, 0), false},
        {"Yearly", at(2031, 12, 7, 0, 0, 0), true},
        {"Yearly", at(2031, 11, 7, 0, 0, 0), false},
        {"weekly", at(2026, 12, 7, 0, 0, 0), true}, // other text: by its date only
        {"weekly", at(2026, 12, 14, 0, 0, 0), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(concernsDay(composedOn(composed, c.repeat), c.day), c.listed)
            << c.repeat << " on " << c.day.year << "-" << c.day.month << "-" << c.day.day;
}

TEST(TodayRows, MonthEndsInShortMonthsAndLeapDays) {
    const Event on31st = composedOn(at(2027, 1, 31, 0, 0, 0), "Monthly");
    EXPECT_TRUE(concernsDay(on31st, at(2027, 3, 31, 0, 0, 0)));
    EXPECT_FALSE(concernsDay(on31st, at(2027, 4, 30, 0, 0, 0)));
    EXPECT_FALSE(concernsDay(on31st, at(2027, 2, 28, 0, 0, 0)));
    const Event leapDay = composedOn(at(2028, 2, 29, 0, 0, 0), "Yearly");
    EXPECT_TRUE(concernsDay(leapDay, at(2032, 2, 29, 0, 0, 0)));
    EXPECT_FALSE(concernsDay(leapDay, at(2029, 2, 28, 0, 0, 0)));
    EXPECT_FALSE(concernsDay(leapDay, at(2029, 3, 1, 0, 0, 0)));
}

TEST(TodayRows, AWeeklyRowWithoutItsWeekdayFieldGoesByItsDate) {
    Event row = composedOn(composed, "Weekly");
    row.dayOfWeek.clear(); // a hand-edited file
    EXPECT_TRUE(concernsDay(row, at(2026, 12, 21, 0, 0, 0)));
    EXPECT_FALSE(concernsDay(row, at(2026, 12, 22, 0, 0, 0)));
}

TEST(TodayRows, EmptyDateFieldsNeverMatch) {
    Event row;
    row.matchKey = "x";
    EXPECT_FALSE(concernsDay(row, at(2026, 12, 7, 0, 0, 0)));
    row.repeat = "Yearly";
    EXPECT_FALSE(concernsDay(row, at(2026, 12, 7, 0, 0, 0)));
}

TEST(TodayRows, TodaysRowsComeInTableOrder) {
    EventTable table;
    EXPECT_TRUE(todaysRows(table, composed).empty());
    const char *repeats[] = {"", "Daily", "", "Monthly", "", "", "Yearly", "", "", ""};
    for (int i = 0; i < 10; ++i) {
        const LocalTime date = i == 0 || i == 3 ? composed : at(2026, 12, 20, 0, 0, 0);
        table.insertRow(i, composedOn(date, repeats[i]));
    }
    EXPECT_EQ(todaysRows(table, composed), (std::vector<int>{0, 1, 3}));
}
