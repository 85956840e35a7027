// The event list (list view 57): shows the event table and follows every change of it.
#pragma once

#include "EventTable.h"

#include <windows.h>

#include <commctrl.h>

// A virtual list view: the table holds the texts and the list asks for the cells it draws, so
// a change of one row, or a reload of ten thousand, costs the list only a count and a redraw.
class EventList : public TableMirror {
public:
    // Row changes made while a batch lives are drawn once, when it ends.
    class Batch {
    public:
        explicit Batch(EventList &list) : list_(list) { ++list_.batchDepth_; }
        ~Batch() { list_.endBatch(); }
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        EventList &list_;
    };

    void attach(HWND listView, const EventTable &table) {
        list_ = listView;
        table_ = &table;
    }
    HWND handle() const { return list_; }

    // The twelve columns with their headers and widths, all centred.
    void setUpEventColumns();

    // The index of the selected row, or -1.
    int selectedRow() const;

    // LVN_GETDISPINFOA: the text of a cell the list shows, from the table.
    void answerDisplayInfo(NMLVDISPINFOA &info) const;

    void rowInserted(int index, const TableRow &row) override;
    void rowDeleted(int index) override;
    void tableReloaded() override;

private:
    void changing();
    void endBatch();

    HWND list_ = nullptr;
    const EventTable *table_ = nullptr;
    int batchDepth_ = 0;
    bool redrawPaused_ = false;
};

// Inserts centred report columns with these headers and widths (pixels of 100%, at the list's
// scale), in order.
void insertCentredColumns(HWND list, const EventColumn *columns, int count);

// Appends each text of a list to a combo box, in order.
void addChoices(HWND comboBox, const char *const *choices, int count);
