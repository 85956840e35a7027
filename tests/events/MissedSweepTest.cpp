// The missed-event sweep at start-up.
#include "MissedSweep.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

namespace {

const std::string path = "InformationSW";

Event dated(const LocalTime &t, const std::string &repeat = "") {
    return eventAt(t, repeat,
                   "key " + std::to_string(t.year) + "-" + std::to_string(t.month) + "-" +
                       std::to_string(t.day) + " " + std::to_string(t.hour) + ":" +
                       std::to_string(t.minute) + ":" + std::to_string(t.second));
}

struct MissedSweepTest : ::testing::Test {
    FakePlatform platform;
    EventFile file{platform, path};
    EventTable table;
    const LocalTime now = at(2010, 6, 7, 8, 5, 9);

    void add(const Event &fields) { table.insertRow(table.rowCount(), fields); }
    void sweep() { sweepMissedEvents(table, file, platform, now); }
};

} // namespace

TEST(IsMissed, ComparesFieldByFieldToTheSecond) {
    const LocalTime now = at(2010, 6, 7, 8, 5, 9);
    EXPECT_FALSE(isMissed(dated(now), now)); // its very second is still to come: it fires
    EXPECT_TRUE(isMissed(dated(at(2010, 6, 7, 8, 5, 8)), now));
    EXPECT_FALSE(isMissed(dated(at(2010, 6, 7, 8, 5, 10)), now));
    EXPECT_TRUE(isMissed(dated(at(2009, 12, 31, 23, 59, 59)), now));
    EXPECT_FALSE(isMissed(dated(at(2011, 1, 1, 0, 0, 0)), now));
    Event negativeYear = dated(now);
    negativeYear.year = "-1";
    EXPECT_FALSE(isMissed(negativeYear, now)); // 65535 in 16 bits lies ahead
    // Fields that name no real moment (a hand-edited file) are never judged missed.
    for (auto spoil : {+[](Event &f) { f.year = ""; }, +[](Event &f) { f.month = "0"; },
                       +[](Event &f) {
                           f.day = "31";
                           f.month = " 4";
                       },
                       +[](Event &f) { f.hour = "24"; }, +[](Event &f) { f.day = ""; }}) {
        Event unreal = dated(at(2009, 6, 7, 8, 5, 9));
        spoil(unreal);
        EXPECT_FALSE(isMissed(unreal, now));
    }
}

TEST(MissedNotice, HasThreeLinesWithoutBlanksAroundTheColons) {
    Event fields;
    fields.matchKey = "Monday 07 June 2010 08:05:09";
    fields.restart = "Restart";
    EXPECT_EQ(missedNoticeText(fields),
              "Date&Time:Monday 07 June 2010 08:05:09\r\nRestart:Restart\r\nShut down:");
}

TEST_F(MissedSweepTest, ReportsPassedRowsInTableOrderAndRewritesOnce) {
    add(dated(at(2010, 6, 7, 8, 5, 7)));
    add(dated(at(2010, 6, 7, 8, 5, 8)));
    add(dated(at(2010, 6, 7, 8, 5, 9)));
    add(dated(at(2009, 12, 31, 0, 0, 0)));
    sweep();
    ASSERT_EQ(platform.notices.size(), 3u);
    EXPECT_NE(platform.notices[0].find("8:5:7"), std::string::npos);
    EXPECT_NE(platform.notices[1].find("8:5:8"), std::string::npos);
    EXPECT_NE(platform.notices[2].find("2009"), std::string::npos);
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.cell(0, 0), " 1");
    EXPECT_EQ(platform.fileWrites, 1);
}

TEST_F(MissedSweepTest, NeverReportsRepeatingRowsNorCarriesOutActions) {
    for (const char *kind : {"Hourly", "Daily", "Weekly", "Monthly", "Yearly", "hourly"})
        add(dated(at(2001, 1, 1, 0, 0, 0), kind));
    Event passed = dated(at(2001, 1, 1, 0, 0, 0));
    passed.shutDown = "Shut down";
    add(passed);
    sweep();
    ASSERT_EQ(platform.notices.size(), 1u);
    EXPECT_NE(platform.notices[0].find("Shut down:Shut down"), std::string::npos);
    EXPECT_TRUE(platform.requests.empty());
    EXPECT_EQ(table.rowCount(), 6);
}

TEST_F(MissedSweepTest, AnEmptyTableLeavesNoFile) {
    platform.files[path] = "[Date&Time]\nDate&Time 2=unreachable\n";
    file.loadAll(table);
    sweep();
    EXPECT_TRUE(platform.notices.empty());
    EXPECT_EQ(platform.files.count(path), 0u);
}
