// The event list (list view 57): shows the event table and follows every change of it.
#pragma once

#include "EventTable.h"

#include <windows.h>

class EventList : public TableMirror {
public:
    void attach(HWND listView) { list_ = listView; }
    HWND handle() const { return list_; }

    // The twelve columns with their headers and widths, all centred.
    void setUpEventColumns();

    // The index of the selected row, or -1.
    int selectedRow() const;

    void rowInserted(int index, const TableRow &row) override;
    void rowDeleted(int index) override;
    void tableCleared() override;

private:
    HWND list_ = nullptr;
};

// Appends each text of a list to a combo box, in order.
void addChoices(HWND comboBox, const char *const *choices, int count);
