// The INI reader and writer, read the way the platform's profile functions read.
#include "Profile.h"

#include <gtest/gtest.h>

namespace {

std::string get(const std::string &text, const char *section, const char *key,
                std::size_t capacity = 200) {
    return ProfileDocument(text).get(section, key, capacity);
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

TEST(ProfileWrite, ReplacesInPlaceAppendsToTheSectionAndAddsSectionsAtTheEnd) {
    ProfileDocument document(std::string("; note\r\n[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n"));
    document.set("A", "X", "10");
    document.set("A", "w", "4");
    document.set("C", "c", " 5");
    EXPECT_EQ(document.render(),
              "; note\r\n\r\n[A]\r\nx=10\r\ny=2\r\nw=4\r\n\r\n[B]\r\nz=3\r\n\r\n[C]\r\nc=5\r\n");
}

TEST(ProfileWrite, EmptyValuesAreWrittenAndReadBackEmpty) {
    ProfileDocument document;
    document.set("Restart", "Restart 1", "");
    EXPECT_EQ(document.render(), "[Restart]\r\nRestart 1=\r\n");
    EXPECT_EQ(get(document.render(), "Restart", "Restart 1"), "");
}

TEST(ProfileWrite, ALineBreakCannotStartAKeyOfItsOwn) {
    ProfileDocument document;
    document.set("S", "k", "value\r\nj=injected");
    std::string text = document.render();
    EXPECT_EQ(get(text, "S", "k"), "value");
    EXPECT_EQ(get(text, "S", "j"), "");
}

TEST(ProfileWrite, SurvivesAMoveOfShortTexts) {
    ProfileDocument document(std::string("[S]\nk=v\n"));
    ProfileDocument moved = std::move(document);
    moved.set("S", "j", "w");
    EXPECT_EQ(moved.get("S", "k", 10), "v");
    EXPECT_EQ(moved.get("S", "j", 10), "w");
}

TEST(ProfileWrite, AValueInMatchingQuotesOrWithBlanksAtItsEndKeepsThem) {
    ProfileDocument document;
    document.set("S", "a", "'single'");
    document.set("S", "b", "\"\"");
    document.set("S", "c", "\"open");
    document.set("S", "d", "Daily \t");
    document.set("S", "e", "\x1a\x1a");
    document.set("S", "f", " 6");
    const std::string text = document.render();
    EXPECT_EQ(get(text, "S", "d"), "Daily \t");
    EXPECT_EQ(get(text, "S", "e"), "\x1a\x1a");
    EXPECT_EQ(get(text, "S", "f"), "6");
    EXPECT_EQ(get(text, "S", "a"), "'single'");
    EXPECT_EQ(get(text, "S", "b"), "\"\"");
    EXPECT_EQ(get(text, "S", "c"), "\"open");
}
