// The INI reader, read the way the platform's profile functions read, and the stored form of
// a value, which reads back as the value.
#include "ProfileLookUp.h"

#include <gtest/gtest.h>

namespace {

std::string get(const std::string &text, const char *section, const char *key,
                std::size_t capacity = 200) {
    return lookUp(ProfileDocument(text), section, key, capacity);
}

std::string storedForm(std::string_view value) {
    std::string text;
    ProfileDocument::appendStoredForm(text, value);
    return text;
}

// A value written the way the event file writes it, read back.
std::string roundTrip(const std::string &value) {
    return get("[S]\r\nk=" + storedForm(value) + "\r\n", "S", "k");
}

} // namespace

TEST(ProfileRead, DropsWhiteSpaceAroundLinesNamesAndValues) {
    const std::string text = "  [Year]  \r\n\t Year 1  =   2010  \r\n\r\n\nYear 2= 5\x1a\r\n";
    EXPECT_EQ(get(text, "Year", "Year 1"), "2010");
    EXPECT_EQ(get(text, "Year", "Year 2"), "5");
    EXPECT_EQ(get(text, " Year ", " Year 1 "), "2010");
}

TEST(ProfileRead, ACarriageReturnAloneEndsALineToo) {
    const std::string text = "[S]\rk=v\r\r\nj=w\n\r";
    EXPECT_EQ(get(text, "S", "k"), "v");
    EXPECT_EQ(get(text, "S", "j"), "w");
}

TEST(ProfileRead, BlanksInsideTheBracketsAreDropped) {
    EXPECT_EQ(get("[  Date&Time\t]\nk=v\n", "Date&Time", "k"), "v");
}

TEST(ProfileRead, NamesMatchWithoutRegardToCase) {
    const std::string text = "[date&TIME]\nDATE&time 1=Monday\n";
    EXPECT_EQ(get(text, "Date&Time", "Date&Time 1"), "Monday");
}

TEST(ProfileRead, TheFirstSectionAndTheFirstKeyDecide) {
    const std::string text = "[S]\nk=first\nk=second\n[S]\nk=third\nother=x\n";
    EXPECT_EQ(get(text, "S", "k"), "first");
    EXPECT_EQ(get(text, "S", "other"), "");
}

TEST(ProfileRead, KeysBeforeAnySectionAreInNone) {
    EXPECT_EQ(get("k=v\n[S]\nj=w", "S", "k"), "");
    EXPECT_EQ(get("k=v\n[S]\nj=w", "S", "j"), "w");
}

TEST(ProfileRead, CommentsAndLinesWithoutEqualsHoldNoValue) {
    const std::string text = "[S]\n; k=commented\nk\nj=1\n";
    EXPECT_EQ(get(text, "S", "k"), "");
    EXPECT_EQ(get(text, "S", "j"), "1");
}

TEST(ProfileRead, MatchingQuotesAreStripped) {
    const std::string text = "[S]\na=\"quoted\"\nb='single'\nc=\"open\nd=\"\ne=\"mixed'\n";
    EXPECT_EQ(get(text, "S", "a"), "quoted");
    EXPECT_EQ(get(text, "S", "b"), "single");
    EXPECT_EQ(get(text, "S", "c"), "\"open");
    EXPECT_EQ(get(text, "S", "d"), "\"");
    EXPECT_EQ(get(text, "S", "e"), "\"mixed'");
}

TEST(ProfileRead, ValuesAreCutToTheBufferLessOne) {
    const std::string text = "[S]\nk=abcdefghij\n";
    EXPECT_EQ(get(text, "S", "k", 5), "abcd");
    EXPECT_EQ(get(text, "S", "k", 11), "abcdefghij");
    EXPECT_EQ(get(text, "S", "k", 1), "");
}

TEST(ProfileRead, SectionNameRunsToTheLastBracket) {
    const std::string text = "[a]b]\nk=1\n[open\nk=2\n";
    EXPECT_EQ(get(text, "a]b", "k"), "1");
    EXPECT_EQ(get(text, "open", "k"), "");
}

TEST(ProfileRead, NulBytesEndNamesAndValues) {
    const std::string text = std::string("[S\0x]\nk\0junk=v\0w\nj=ok", 21);
    EXPECT_EQ(get(text, "S", "k"), "v");
    EXPECT_EQ(get(text, "S", "j"), "ok");
}

TEST(ProfileRead, TheLastLineNeedsNoLineEnd) {
    EXPECT_EQ(get("[S]\r\nk=last", "S", "k"), "last");
    EXPECT_EQ(get("", "S", "k"), "");
}

TEST(ProfileWrite, EmptyValuesAreWrittenAndReadBackEmpty) {
    EXPECT_EQ(storedForm(""), "");
    EXPECT_EQ(roundTrip(""), "");
}

TEST(ProfileWrite, ALineBreakCannotStartAKeyOfItsOwn) {
    const std::string text = "[S]\r\nk=" + storedForm("value\r\nj=injected");
    EXPECT_EQ(get(text, "S", "k"), "value");
    EXPECT_EQ(get(text, "S", "j"), "");
}

TEST(ProfileWrite, AValueInMatchingQuotesOrWithBlanksAtItsEndKeepsThem) {
    EXPECT_EQ(roundTrip("Daily \t"), "Daily \t");
    EXPECT_EQ(roundTrip("\x1a\x1a"), "\x1a\x1a");
    EXPECT_EQ(roundTrip(" 6"), "6");
    EXPECT_EQ(roundTrip("'single'"), "'single'");
    EXPECT_EQ(roundTrip("\"\""), "\"\"");
    EXPECT_EQ(roundTrip("\"open"), "\"open");
}
