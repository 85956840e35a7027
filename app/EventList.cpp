// The event list mirrors the event table as a virtual list view.
#include "EventList.h"

void insertCentredColumns(HWND list, const EventColumn *columns, int count) {
    for (int column = 0; column < count; ++column) {
        LVCOLUMNA lvc = {};
        lvc.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        lvc.fmt = LVCFMT_CENTER;
        lvc.cx = columns[column].width;
        lvc.pszText = const_cast<char *>(columns[column].header);
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&lvc));
    }
}

void EventList::setUpEventColumns() {
    insertCentredColumns(list_, eventColumns.data(), eventColumnCount);
}

int EventList::selectedRow() const {
    return static_cast<int>(
        SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void EventList::answerDisplayInfo(NMLVDISPINFOA &info) const {
    if (!table_ || !(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0)
        return;
    // A cell's text ends with a zero where the view ends.
    const std::string_view text = table_->cell(info.item.iItem, info.item.iSubItem);
    lstrcpynA(info.item.pszText, text.data(), info.item.cchTextMax);
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
    if (--batchDepth_ > 0 || !redrawPaused_)
        return;
    redrawPaused_ = false;
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void EventList::rowInserted(int index, const TableRow &) {
    changing();
    const int count = table_->rowCount();
    SendMessageA(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(count),
                 LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    // The rows from the new one down now show other texts.
    SendMessageA(list_, LVM_REDRAWITEMS, static_cast<WPARAM>(index), count - 1);
}

void EventList::rowDeleted(int index) {
    changing();
    // The list moves the selection of the rows below up with them.
    SendMessageA(list_, LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
}

void EventList::tableReloaded() {
    changing();
    SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
    SendMessageA(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(table_->rowCount()), 0);
}

void addChoices(HWND comboBox, const char *const *choices, int count) {
    for (int i = 0; i < count; ++i)
        SendMessageA(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choices[i]));
}
