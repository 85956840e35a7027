// The event table: the in-memory rows that the event list shows, the program's source of truth.
#pragma once

#include "Event.h"

#include <array>
#include <string>
#include <vector>

// A row: its number as inserted ("%2d" of the index it was inserted at, plus one) and its event.
struct TableRow {
    std::string rowNumber;
    Event event;
    RepeatKind kind; // of event.repeat, worked out once for the once-a-second walk
};

struct EventColumn {
    const char *header;
    int width;                  // pixels; the data columns are zero wide and show nothing
    std::string Event::*member; // null for the row-number column
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

    // A copy of row i; all fields empty beyond the end.
    Event readRow(int index) const;

    // Row i itself, for walks that only look; index must be below rowCount().
    const TableRow &row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
    const Event &event(int index) const { return row(index).event; }

    // Inserts at index (rows from there move down), each text cut to its field's capacity; an
    // index beyond the end appends, but the row number still names the index asked for.
    void insertRow(int index, const Event &fields);

    // Puts a row that was taken out back at its index, with the number it had.
    void putBack(int index, const TableRow &row);

    // Removes row index; -1 or an index beyond the end changes nothing.
    void deleteRow(int index);

    // Removes the rows at these indexes (ascending) in one change; the others keep their numbers.
    void deleteRows(const std::vector<int> &indexes);

    // The table becomes these events, numbered 1 to n: what loading a file gives.
    void replaceRows(std::vector<Event> events);

    // True when the rows are numbered 1 to n, as a reload numbers them.
    bool numberedInOrder() const;

    // The text of one cell (column 0 is the row number); empty beyond the end.
    const std::string &cell(int index, int column) const;

private:
    std::vector<TableRow> rows_;
    TableMirror *mirror_ = nullptr;
    unsigned version_ = 0;
};
