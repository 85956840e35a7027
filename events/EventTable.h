// The event table: the in-memory rows that the event list shows, the program's source of truth.
#pragma once

#include "Event.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A row's eleven texts in the order of eventFields, as a file gives them.
using RowTexts = std::array<std::string_view, eventFieldCount>;

// A row: its number as inserted ("%2d" of the index it was inserted at, plus one) and its
// event's eleven texts, all in one allocation, each ended by a zero; with the repeat kind and
// the power action worked out once for the walks over the table.
class TableRow {
public:
    // The texts are cut to their fields' capacities. They go into `room` (roomFor bytes in a
    // block the table keeps for the rows it loads at once), or into an allocation of the row's
    // own.
    TableRow(std::string_view rowNumber, const RowTexts &texts, char *room = nullptr);
    TableRow(std::string_view rowNumber, const Event &event);
    static std::size_t roomFor(std::string_view rowNumber, const RowTexts &texts);
    // A copy has texts of its own.
    TableRow(const TableRow &other);
    TableRow &operator=(const TableRow &other);
    TableRow(TableRow &&other) noexcept;
    TableRow &operator=(TableRow &&other) noexcept;
    ~TableRow();

    // A field's text in the order of eventFields (0 is the match key), zero-ended.
    std::string_view field(std::size_t index) const;
    std::string_view matchKey() const { return {texts_, lengths_[0]}; }
    std::string_view rowNumber() const { return field(eventFieldCount); }
    RepeatKind kind() const { return static_cast<RepeatKind>(kind_); }
    PowerAction action() const { return static_cast<PowerAction>(action_); }
    // The event as the working copy every routine moves a row through.
    Event event() const;

private:
    std::size_t size() const;
    char *texts_ = nullptr;
    bool owned_ = false;
    std::array<std::uint8_t, eventFieldCount + 1> lengths_{}; // no field holds 255 characters
    std::uint8_t kind_ = 0, action_ = 0;
};

struct EventColumn {
    const char *header;
    int width; // pixels; the data columns are zero wide and show nothing
    int field; // in eventFields; eventFieldCount for the row-number column
};

constexpr int eventColumnCount = 12;
extern const std::array<EventColumn, eventColumnCount> eventColumns;

// Whatever shows the table (the event list) follows every change through this.
class TableMirror {
public:
    virtual ~TableMirror() = default;
    virtual void rowInserted(int index, const TableRow &row) = 0;
    virtual void rowDeleted(int index) = 0;
    // Every row may have changed: the table was loaded or reloaded as a whole.
    virtual void tableReloaded() = 0;
};

class EventTable {
public:
    void setMirror(TableMirror *mirror) { mirror_ = mirror; }

    int rowCount() const { return static_cast<int>(rows_.size()); }

    // Counts every change of the table, so a reader can tell that it changed since it looked.
    unsigned version() const { return version_; }

    // Row i itself, for walks that only look; index must be below rowCount().
    const TableRow &row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
    // A copy of row i's event; all fields empty beyond the end.
    Event event(int index) const;

    // Inserts at index (rows from there move down), each text cut to its field's capacity; an
    // index beyond the end appends, but the row number still names the index asked for.
    void insertRow(int index, const Event &event);

    // Puts a row that was taken out back at its index, with the number it had.
    void putBack(int index, const TableRow &row);

    // Removes row index; -1 or an index beyond the end changes nothing.
    void deleteRow(int index);

    // Removes the rows at these indexes (ascending) in one change; the others keep their numbers.
    void deleteRows(const std::vector<int> &indexes);

    // The table becomes these events, numbered 1 to n: what loading a file gives. Each row is
    // made straight from the texts, wherever they lie.
    void replaceRows(const std::vector<RowTexts> &rows);
    void replaceRows(const std::vector<Event> &events);
    // No rows at all, in one change.
    void clearTable() { replaceRows(std::vector<RowTexts>()); }

    // Rows made one at a time, numbered 1 to n, their texts in one block of at most `room`
    // bytes (each row takes TableRow::roomFor), that become the table's rows in one change when
    // the load is done; a load dropped before that changes nothing.
    class Load {
    public:
        Load(std::size_t rows, std::size_t room);
        // False, adding nothing, when the row does not fit the room.
        bool add(const RowTexts &texts);
        void done(EventTable &table);

    private:
        std::vector<TableRow> rows_;
        std::unique_ptr<char[]> block_;
        std::size_t room_ = 0, used_ = 0;
        std::string number_;
    };

    // True when the rows are numbered 1 to n, as a reload numbers them.
    bool numberedInOrder() const;

    // The text of one cell (column 0 is the row number), zero-ended; empty beyond the end.
    std::string_view cell(int index, int column) const;

private:
    std::vector<TableRow> rows_;
    std::unique_ptr<char[]> loaded_; // the texts of the rows loaded at once
    TableMirror *mirror_ = nullptr;
    unsigned version_ = 0;
};
