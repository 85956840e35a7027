// The event table's rows, numbers and its mirror.
#include "EventTable.h"

#include <gtest/gtest.h>

namespace {

Event eventWithKey(const std::string &key) {
    Event fields;
    fields.matchKey = key;
    return fields;
}

// Keeps a copy of what a list would show, to prove every change reaches it.
struct ListCopy : TableMirror {
    explicit ListCopy(const EventTable &shown) : table(shown) {}
    const EventTable &table;
    std::vector<std::pair<std::string, std::string>> rows; // number, key
    void rowInserted(int index, const TableRow &row) override {
        rows.insert(rows.begin() + index,
                    {std::string(row.rowNumber()), std::string(row.matchKey())});
    }
    void rowDeleted(int index) override { rows.erase(rows.begin() + index); }
    void tableReloaded() override {
        rows.clear();
        for (int i = 0; i < table.rowCount(); ++i)
            rows.push_back({std::string(table.cell(i, 0)), std::string(table.cell(i, 1))});
    }
};

} // namespace

TEST(EventTable, AnEmptyTableReadsEmpty) {
    EventTable table;
    EXPECT_EQ(table.rowCount(), 0);
    Event fields = table.event(0);
    EXPECT_TRUE(fields.matchKey.empty());
    EXPECT_TRUE(table.cell(0, 0).empty());
    EXPECT_TRUE(table.cell(-1, 1).empty());
}

TEST(EventTable, RowNumbersArePaddedAndKeptAcrossDeletes) {
    EventTable table;
    for (int i = 0; i < 10; ++i)
        table.insertRow(i, eventWithKey("k" + std::to_string(i)));
    EXPECT_EQ(table.cell(8, 0), " 9");
    EXPECT_EQ(table.cell(9, 0), "10");
    table.deleteRow(1);
    EXPECT_EQ(table.cell(0, 0), " 1");
    EXPECT_EQ(table.cell(1, 0), " 3");
    EXPECT_EQ(table.cell(1, 1), "k2");
}

TEST(EventTable, DeleteWithNoSelectionOrPastTheEndChangesNothing) {
    EventTable table;
    table.insertRow(0, eventWithKey("a"));
    table.deleteRow(-1);
    table.deleteRow(1);
    EXPECT_EQ(table.rowCount(), 1);
}

TEST(EventTable, InsertPastTheEndAppendsWithTheNumberAskedFor) {
    EventTable table;
    for (int i = 0; i < 3; ++i)
        table.insertRow(i, eventWithKey("k"));
    Event fields = eventWithKey("last");
    fields.restart = "Restart";
    fields.dayOfWeek = " 1";
    table.insertRow(4, fields);
    ASSERT_EQ(table.rowCount(), 4);
    EXPECT_EQ(table.cell(3, 0), " 5");
    EXPECT_EQ(table.cell(3, 1), "last");
    EXPECT_EQ(table.cell(3, 2), "Restart");
    EXPECT_EQ(table.cell(3, 11), " 1");
}

TEST(EventTable, TextsAreCutToTheirFieldCapacity) {
    EventTable table;
    Event fields = eventWithKey(std::string(500, 'x'));
    fields.repeat = "Monthly-ish";
    fields.year = std::string(40, '9');
    table.insertRow(0, fields);
    Event read = table.event(0);
    EXPECT_EQ(read.matchKey.size(), 199u);
    EXPECT_EQ(read.repeat, "Monthly-i");
    EXPECT_EQ(read.year.size(), 19u);
}

TEST(EventTable, CellsFollowTheColumnOrder) {
    EventTable table;
    Event fields = eventWithKey("key");
    fields.day = "D";
    fields.month = "Mo";
    fields.year = "Y";
    fields.hour = "H";
    table.insertRow(0, fields);
    EXPECT_EQ(table.cell(0, 5), "D");
    EXPECT_EQ(table.cell(0, 6), "Mo");
    EXPECT_EQ(table.cell(0, 7), "Y");
    EXPECT_EQ(table.cell(0, 8), "H");
}

TEST(EventTable, TheMirrorFollowsEveryChange) {
    EventTable table;
    ListCopy list(table);
    table.setMirror(&list);
    table.insertRow(0, eventWithKey("a"));
    table.insertRow(1, eventWithKey("c"));
    table.insertRow(1, eventWithKey("b"));
    table.insertRow(7, eventWithKey("d"));
    table.deleteRow(0);
    ASSERT_EQ(list.rows.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list.rows[i].first, table.cell(i, 0));
        EXPECT_EQ(list.rows[i].second, table.cell(i, 1));
    }
    const TableRow taken = table.row(1);
    table.deleteRow(1);
    table.putBack(1, taken);
    EXPECT_EQ(list.rows[1].first, taken.rowNumber());
    table.replaceRows({eventWithKey("x"), eventWithKey("y")});
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[1], std::make_pair(std::string(" 2"), std::string("y")));
    table.clearTable();
    EXPECT_TRUE(list.rows.empty());
}
