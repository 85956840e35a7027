// The event list mirrors the event table as a virtual list view.
#include "EventList.h"

#include "Scale.h"
#include "ShownText.h"

#include <algorithm>

namespace {

// Beside its text a header keeps a margin of three edges on each side.
int headerMargins() {
    return 6 * GetSystemMetrics(SM_CXEDGE) + 2;
}

} // namespace

// The headers through the wide message: "№" shows in every code page. A header of one sign
// (the row number's) is never cut to an ellipsis: its column is as wide as the font needs for
// the sign. Words may be cut, as they always were.
void insertCentredColumns(HWND list, const EventColumn *columns, int count) {
    const UINT dpi = dpiOf(list);
    for (int column = 0; column < count; ++column) {
        std::wstring header = shownText(columns[column].header);
        LVCOLUMNW lvc = {};
        lvc.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        lvc.fmt = LVCFMT_CENTER;
        lvc.cx = scaled(columns[column].width, dpi);
        if (lvc.cx > 0 && header.size() == 1)
            lvc.cx = std::max(
                lvc.cx, static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0,
                                                      reinterpret_cast<LPARAM>(header.c_str()))) +
                            headerMargins());
        lvc.pszText = &header[0];
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
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
