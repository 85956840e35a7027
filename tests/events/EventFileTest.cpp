// The event file: what is written, what loads, and what a failed write leaves.
#include "EventFile.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

namespace {

const std::string path = "C:\\Tools\\InformationSW";

Event oneTime(const std::string &key, const char *restart = "") {
    Event fields;
    fields.matchKey = key;
    fields.restart = restart;
    fields.year = "2010";
    fields.month = " 6";
    fields.day = " 7";
    fields.hour = "08";
    fields.minute = "05";
    fields.second = "09";
    return fields;
}

int keysIn(const std::string &text) {
    int keys = 0;
    for (std::size_t at = text.find('='); at != std::string::npos; at = text.find('=', at + 1))
        ++keys;
    return keys;
}

struct EventFileTest : ::testing::Test {
    FakePlatform platform;
    EventFile file{platform, path};
    EventTable table;

    void fill(int rows) {
        for (int i = 0; i < rows; ++i)
            table.insertRow(i, oneTime("event " + std::to_string(i + 1)));
    }
};

} // namespace

TEST(EventFilePath, JoinsTheProgramDirectoryWithoutTruncating) {
    EXPECT_EQ(eventFilePath("C:\\Tools\\"), "C:\\Tools\\InformationSW");
    const std::string deep = "C:\\" + std::string(400, 'd') + "\\";
    EXPECT_EQ(eventFilePath(deep), deep + "InformationSW");
}

// The program's own file is read in one pass, a file in any other form by the profile rules:
// both must give the same rows, and the own file is not written again at start.
TEST_F(EventFileTest, TheProgramsOwnFileLoadsAsTheProfileRulesReadIt) {
    const std::string odd[] = {"'single'", "\"\"", "\"open", "Daily \t",           "  lead",
                               "\x1a\x1a", "a=b",  "[x]",    std::string(300, 'L')};
    for (int i = 0; i < 12; ++i) {
        Event row = oneTime("event " + std::to_string(i + 1));
        row.repeat = odd[i % 9];
        row.dayOfWeek = odd[(i + 4) % 9];
        table.insertRow(i, row);
    }
    ASSERT_TRUE(file.save(table));
    const std::string written = platform.files[path];
    EventTable byRules;
    readEvents(byRules, ProfileDocument(std::string(written)));
    EventTable loaded;
    EventFile again(platform, path);
    again.loadAll(loaded);
    ASSERT_EQ(loaded.rowCount(), byRules.rowCount());
    for (int row = 0; row < loaded.rowCount(); ++row)
        for (int column = 0; column < eventColumnCount; ++column)
            EXPECT_EQ(loaded.cell(row, column), byRules.cell(row, column)) << row << " " << column;
    const int writes = platform.fileWrites;
    ASSERT_TRUE(again.saveAndReload(loaded));
    EXPECT_EQ(platform.fileWrites, writes);

    // The same file with one blank more is read by the rules, and written in the own form.
    platform.files[path] = written + "\r\n";
    EventTable fromOther;
    EventFile other(platform, path);
    other.loadAll(fromOther);
    EXPECT_EQ(fromOther.rowCount(), 12);
    ASSERT_TRUE(other.saveAndReload(fromOther));
    EXPECT_EQ(platform.files[path], written);
}

// The profile functions write the same shape without the blank line before a section, and
// other writers pad values: such a file is read in one pass as the rules read it, written once
// in the program's own form, and a value too long for its field is kept aside and told of.
TEST_F(EventFileTest, AFileOfTheSameShapeByAnotherWriterLoadsAsTheRulesReadIt) {
    fill(3);
    ASSERT_TRUE(file.save(table));
    std::string other = platform.files[path];
    for (std::size_t at; (at = other.find("\r\n\r\n[")) != std::string::npos;)
        other.erase(at, 2);
    other.replace(other.find("Month 1=6"), 9, "Month 1=  6  ");
    other.replace(other.find("Repeat 2="), 9, "Repeat 2=" + std::string(12, 'x'));
    platform.files[path] = other;
    EventTable byRules, loaded;
    readEvents(byRules, ProfileDocument(std::string(other)));
    EventFile again(platform, path);
    again.loadAll(loaded);
    ASSERT_EQ(loaded.rowCount(), 3);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < eventColumnCount; ++column)
            EXPECT_EQ(loaded.cell(row, column), byRules.cell(row, column)) << row << " " << column;
    EXPECT_EQ(loaded.cell(0, 6), "6");
    ASSERT_TRUE(again.saveAndReload(loaded));
    EXPECT_EQ(platform.files[path].find("Month 1=  6"), std::string::npos);
    ASSERT_EQ(platform.otherNotices.size(), 1u);
    EXPECT_NE(platform.otherNotices.back().find("1 value cut to fit"), std::string::npos)
        << platform.otherNotices.back();
}

TEST_F(EventFileTest, AMissingFileLoadsAnEmptyTable) {
    file.loadAll(table);
    EXPECT_EQ(table.rowCount(), 0);
}

TEST_F(EventFileTest, TheFirstSaveWritesElevenSectionsWithOneKeyEach) {
    table.insertRow(0, oneTime("Monday 07 June 2010 08:05:09"));
    ASSERT_TRUE(file.save(table));
    const std::string &text = platform.files[path];
    EXPECT_EQ(text, "[Date&Time]\r\nDate&Time 1=Monday 07 June 2010 08:05:09\r\n\r\n"
                    "[Restart]\r\nRestart 1=\r\n\r\n[Shut down]\r\nShut down 1=\r\n\r\n"
                    "[Repeat]\r\nRepeat 1=\r\n\r\n[Year]\r\nYear 1=2010\r\n\r\n"
                    "[Month]\r\nMonth 1=6\r\n\r\n[Day]\r\nDay 1=7\r\n\r\n[H]\r\nH 1=08\r\n\r\n"
                    "[M]\r\nM 1=05\r\n\r\n[S]\r\nS 1=09\r\n\r\n[DayOfWeek]\r\nDayOfWeek 1=\r\n");
}

TEST_F(EventFileTest, ARoundTripKeepsEveryFieldButTheLeadingBlanks) {
    Event fields = oneTime("key", "Restart");
    fields.repeat = "Weekly";
    fields.dayOfWeek = " 1";
    table.insertRow(0, fields);
    file.save(table);
    EventTable loaded;
    file.loadAll(loaded);
    ASSERT_EQ(loaded.rowCount(), 1);
    Event read = loaded.event(0);
    EXPECT_EQ(read.matchKey, "key");
    EXPECT_EQ(read.restart, "Restart");
    EXPECT_EQ(read.repeat, "Weekly");
    EXPECT_EQ(read.month, "6");
    EXPECT_EQ(read.dayOfWeek, "1");
    EXPECT_EQ(loaded.cell(0, 0), " 1");
}

TEST_F(EventFileTest, LoadingStopsAtTheFirstGapAndARewriteDropsWhatLiesBeyond) {
    platform.files[path] = "[Date&Time]\nDate&Time 1=a\nDate&Time 2=b\nDate&Time 4=d\n";
    file.loadAll(table);
    EXPECT_EQ(table.rowCount(), 2);
    ASSERT_TRUE(file.saveAndReload(table));
    EXPECT_EQ(platform.files[path].find("Date&Time 4"), std::string::npos);
}

TEST_F(EventFileTest, AFullRewriteOfThreeRowsHoldsThirtyThreeKeysAndRenumbers) {
    fill(4);
    table.deleteRow(1);
    EXPECT_EQ(table.cell(1, 0), " 3");
    ASSERT_TRUE(file.saveAndReload(table));
    EXPECT_EQ(keysIn(platform.files[path]), 33);
    ASSERT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.cell(1, 0), " 2");
    EXPECT_EQ(table.cell(1, 1), "event 3");
    EXPECT_EQ(table.cell(1, 6), "6"); // what the file returns: the blank is gone
}

TEST_F(EventFileTest, SavingThroughAnEmptyTableLeavesNoFile) {
    platform.files[path] = "[Date&Time]\nDate&Time 1=a\n";
    ASSERT_TRUE(file.save(table));
    EXPECT_EQ(platform.files.count(path), 0u);
    ASSERT_TRUE(file.saveAndReload(table));
    EXPECT_EQ(platform.files.count(path), 0u);
}

TEST_F(EventFileTest, AFailedRewriteLeavesTheTableAndTheFileAsTheyWere) {
    fill(3);
    file.save(table);
    const std::string before = platform.files[path];
    table.deleteRow(0);
    platform.failWrites = true;
    EXPECT_FALSE(file.saveAndReload(table));
    EXPECT_EQ(platform.files[path], before);
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.cell(0, 0), " 2"); // not reloaded
    EXPECT_EQ(table.cell(0, 1), "event 2");
}

TEST_F(EventFileTest, ACorruptFileLoadsWhatTheRulesAllow) {
    std::string text = "garbage\x01\x02\xff\n[Date&Time]\n";
    text += "Date&Time 1=" + std::string(10 * 1024 * 1024, 'x') + "\n";
    text += std::string("Date&Time 2=se\0cond\n", 20);
    for (int i = 0; i < 100000; ++i)
        text += "noise" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    text += "[Restart]\nRestart 2=Restart\n";
    platform.files[path] = text;
    file.loadAll(table);
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.cell(0, 1), std::string(199, 'x'));
    EXPECT_EQ(table.cell(1, 1), "se");
    EXPECT_EQ(table.cell(1, 2), "Restart");
}

TEST_F(EventFileTest, KeysInOtherCaseAndOrderLoadLikeTheProfileReaderReadsThem) {
    platform.files[path] = "[DATE&TIME]\nDate&Time 2=two\ndate&time 1=one\nDate&Time 1=dup\n"
                           "Date&Time01=no\n[restart]\nRESTART 2 = Restart\n";
    file.loadAll(table);
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.cell(0, 1), "one");
    EXPECT_EQ(table.cell(1, 1), "two");
    EXPECT_EQ(table.cell(1, 2), "Restart");
}
