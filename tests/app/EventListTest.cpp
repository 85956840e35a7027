// The event list follows the table, in table order, with a real list view.
#include "EventList.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

namespace {

// The list's parent answers its requests for cell texts, as the main window does.
EventList *shownList = nullptr;

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR *>(lParam)->code == LVN_GETDISPINFOA)
        shownList->answerDisplayInfo(*reinterpret_cast<NMLVDISPINFOA *>(lParam));
    return DefWindowProcA(window, message, wParam, lParam);
}

struct ListWindow {
    explicit ListWindow(const EventTable &table) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSA hostClass = {};
        hostClass.lpfnWndProc = hostProc;
        hostClass.hInstance = GetModuleHandleA(nullptr);
        hostClass.lpszClassName = "EventListHost";
        RegisterClassA(&hostClass);
        host = CreateWindowExA(0, "EventListHost", "", WS_POPUP, 0, 0, 620, 420, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        handle = CreateWindowExA(
            0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA,
            0, 0, 600, 400, host, reinterpret_cast<HMENU>(57), GetModuleHandleA(nullptr), nullptr);
        shownList = &list;
        list.attach(handle, table);
        list.setUpEventColumns();
    }
    ~ListWindow() { DestroyWindow(host); }

    std::string text(int row, int column) const {
        char buffer[256] = "";
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        SendMessageA(handle, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    int rows() const { return static_cast<int>(SendMessageA(handle, LVM_GETITEMCOUNT, 0, 0)); }

    HWND host;
    HWND handle;
    EventList list;
};

void expectMirrors(const ListWindow &window, const EventTable &table) {
    ASSERT_EQ(window.rows(), table.rowCount());
    for (int row = 0; row < table.rowCount(); ++row)
        for (int column = 0; column < eventColumnCount; ++column)
            ASSERT_EQ(window.text(row, column), table.cell(row, column))
                << "row " << row << " column " << column;
}

} // namespace

TEST(EventList, MirrorsInsertsDeletesAndReloadsBeyondAHundredRowsInTableOrder) {
    EventTable table;
    ListWindow window(table);
    table.setMirror(&window.list);
    for (int i = 0; i < 120; ++i) {
        Event fields;
        fields.matchKey = "event " + std::to_string(i);
        fields.repeat = i % 2 ? "Daily" : "";
        fields.dayOfWeek = std::to_string(i % 7);
        table.insertRow(i, fields);
    }
    table.deleteRow(5);
    table.deleteRow(99);
    Event inserted;
    inserted.matchKey = "in the middle";
    table.insertRow(50, inserted);
    expectMirrors(window, table);
    EXPECT_EQ(window.text(109, 0), "111"); // three digits, still in table order
    table.clearTable();
    EXPECT_EQ(window.rows(), 0);
}

TEST(EventList, SelectedRowIsMinusOneWithoutSelection) {
    EventTable table;
    ListWindow window(table);
    table.setMirror(&window.list);
    Event fields;
    fields.matchKey = "x";
    table.insertRow(0, fields);
    table.insertRow(1, fields);
    EXPECT_EQ(window.list.selectedRow(), -1);
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageA(window.handle, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(window.list.selectedRow(), 1);
}

TEST(EventList, ABatchOfChangesLeavesTheListShownAndComplete) {
    EventTable table;
    ListWindow window(table);
    ShowWindow(window.host, SW_SHOWNA);
    table.setMirror(&window.list);
    {
        EventList::Batch batch(window.list);
        for (int i = 0; i < 300; ++i) {
            Event fields;
            fields.matchKey = "batched " + std::to_string(i);
            table.insertRow(i, fields);
        }
        EventList::Batch inner(window.list);
        table.deleteRow(0);
    }
    EXPECT_TRUE(IsWindowVisible(window.handle));
    expectMirrors(window, table);
    { EventList::Batch unchanged(window.list); }
    EXPECT_TRUE(IsWindowVisible(window.handle));
}

TEST(EventList, TheSelectionMovesUpWithItsRowAndAReloadClearsIt) {
    EventTable table;
    ListWindow window(table);
    table.setMirror(&window.list);
    for (int i = 0; i < 5; ++i) {
        Event fields;
        fields.matchKey = "row " + std::to_string(i);
        table.insertRow(i, fields);
    }
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageA(window.handle, LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&state));
    table.deleteRow(1);
    EXPECT_EQ(window.list.selectedRow(), 2);
    EXPECT_EQ(window.text(2, 1), "row 3");
    table.deleteRow(2);
    EXPECT_EQ(window.list.selectedRow(), -1);
    table.replaceRows({Event{}, Event{}});
    EXPECT_EQ(window.rows(), 2);
    EXPECT_EQ(window.list.selectedRow(), -1);
}
