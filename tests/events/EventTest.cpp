// The number parser, "%2d", repeat kinds and wall-clock arithmetic.
#include "Event.h"
#include "LocalTime.h"

#include <gtest/gtest.h>

TEST(ParseNumber, ReadsTheTextsEventsHold) {
    EXPECT_EQ(parseNumber(" 5"), 5);
    EXPECT_EQ(parseNumber("2010"), 2010);
    EXPECT_EQ(parseNumber(""), 0);
    EXPECT_EQ(parseNumber("-12"), -12);
    EXPECT_EQ(parseNumber("+7"), 7);
    EXPECT_EQ(parseNumber("\t 08"), 8);
    EXPECT_EQ(parseNumber("12 30"), 12);
    EXPECT_EQ(parseNumber("- 5"), 0);
    EXPECT_EQ(parseNumber("abc"), 0);
}

TEST(ParseNumber, AByteThatIsNoDigitEndsTheNumber) {
    EXPECT_EQ(parseNumber("12:30"), 12);
    EXPECT_EQ(parseNumber("7a"), 7);
    EXPECT_EQ(parseNumber("19\xff"), 19);
}

TEST(ParseNumber, OverflowWrapsWithoutReport) {
    EXPECT_EQ(parseNumber("4294967296"), 0);
    EXPECT_EQ(parseNumber("4294967297"), 1);
    EXPECT_EQ(parseNumber("2147483648"), INT32_MIN);
    // Far beyond 32 bits, the wrap goes on digit by digit: 10^23 - 1 modulo 2^32.
    EXPECT_EQ(parseNumber("99999999999999999999999"), -159383553);
    EXPECT_EQ(parseNumber("-99999999999999999999999"), 159383553);
}

TEST(FormatTwoDigits, PadsOneDigitWithABlank) {
    EXPECT_EQ(formatTwoDigits(1), " 1");
    EXPECT_EQ(formatTwoDigits(9), " 9");
    EXPECT_EQ(formatTwoDigits(10), "10");
    EXPECT_EQ(formatTwoDigits(2010), "2010");
}

TEST(RepeatKind, OnlyTheExactNamesRepeat) {
    EXPECT_EQ(repeatKindOf(""), RepeatKind::OneTime);
    EXPECT_EQ(repeatKindOf("Hourly"), RepeatKind::Hourly);
    EXPECT_EQ(repeatKindOf("Yearly"), RepeatKind::Yearly);
    EXPECT_EQ(repeatKindOf("hourly"), RepeatKind::Unknown);
    EXPECT_EQ(repeatKindOf("Daily "), RepeatKind::Unknown);
    EXPECT_EQ(repeatKindOf("Repeat"), RepeatKind::Unknown);
}

TEST(PowerAction, ShutDownWinsOverRestart) {
    Event event;
    EXPECT_EQ(powerActionOf(event), PowerAction::None);
    event.restart = "Restart";
    EXPECT_EQ(powerActionOf(event), PowerAction::Restart);
    event.shutDown = "Shut down";
    EXPECT_EQ(powerActionOf(event), PowerAction::ShutDown);
    event.restart.clear();
    event.shutDown = "x";
    EXPECT_EQ(powerActionOf(event), PowerAction::ShutDown);
}

TEST(WallClock, KnowsWeekdaysAndLeapYears) {
    LocalTime monday = fromWallSecond(wallSecond({2010, 6, 0, 7, 8, 5, 9}));
    EXPECT_EQ(monday.dayOfWeek, 1);
    EXPECT_EQ(monday.hour, 8);
    LocalTime afterFeb28 = fromWallSecond(wallSecond({2024, 2, 0, 28, 23, 59, 59}) + 1);
    EXPECT_EQ(afterFeb28.month, 2);
    EXPECT_EQ(afterFeb28.day, 29);
    LocalTime newYear = fromWallSecond(wallSecond({2026, 12, 0, 31, 23, 59, 59}) + 1);
    EXPECT_EQ(newYear.year, 2027);
    EXPECT_EQ(newYear.month, 1);
    EXPECT_EQ(newYear.day, 1);
    EXPECT_EQ(newYear.dayOfWeek, 5);
    EXPECT_EQ(fromWallSecond(wallSecond({1969, 12, 0, 31, 0, 0, 0})).dayOfWeek, 3);
}
