// The event list mirrors the event table with list-view messages.
#include "EventList.h"

#include <commctrl.h>

void EventList::setUpEventColumns() {
    for (int column = 0; column < eventColumnCount; ++column) {
        const EventColumn &info = eventColumns[static_cast<std::size_t>(column)];
        LVCOLUMNA lvc = {};
        lvc.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        lvc.fmt = LVCFMT_CENTER;
        lvc.cx = info.width;
        lvc.pszText = const_cast<char *>(info.header);
        SendMessageA(list_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&lvc));
    }
}

int EventList::selectedRow() const {
    return static_cast<int>(
        SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void EventList::changing() {
    // Redrawing pauses only once something changes, so a tick that changes nothing leaves the
    // list alone.
    if (batchDepth_ > 0 && !redrawPaused_) {
        SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
        redrawPaused_ = true;
    }
}

void EventList::endBatch() {
    if (--batchDepth_ > 0 || !redrawPaused_) return;
    redrawPaused_ = false;
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void EventList::rowInserted(int index, const TableRow &row) {
    changing();
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char *>(row.rowNumber.c_str());
    int at = static_cast<int>(
        SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    for (int column = 1; column < eventColumnCount; ++column) {
        const EventColumn &info = eventColumns[static_cast<std::size_t>(column)];
        LVITEMA cell = {};
        cell.iSubItem = column;
        cell.pszText = const_cast<char *>((row.event.*info.member).c_str());
        SendMessageA(list_, LVM_SETITEMTEXTA, static_cast<WPARAM>(at),
                     reinterpret_cast<LPARAM>(&cell));
    }
}

void EventList::rowDeleted(int index) {
    changing();
    SendMessageA(list_, LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
}

void EventList::tableCleared() {
    changing();
    SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
}

void addChoices(HWND comboBox, const char *const *choices, int count) {
    for (int i = 0; i < count; ++i)
        SendMessageA(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choices[i]));
}
