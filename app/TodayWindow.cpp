// The Today window: a list of five columns over picture 27, its caption today's date. It
// handles no commands, so Enter and Escape leave it open; its close box closes it.
#include "TodayWindow.h"

#include "ClockFace.h"
#include "DueCheck.h"
#include "EventList.h"
#include "PictureLoader.h"
#include "Scale.h"
#include "Shell.h"
#include "TodayRows.h"
#include "Win32Platform.h"
#include "resource.h"

#include <commctrl.h>

namespace {

// The headers of the event list's first five columns, with widths of their own.
constexpr int todayColumnCount = 5;
const int todayWidths[todayColumnCount] = {25, 241, 80, 80, 60};
constexpr DWORD todayListStyle = LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT;

HBITMAP todayPicture = nullptr; // loaded at each opening

void setUpTodayColumns(HWND list) {
    EventColumn columns[todayColumnCount];
    for (int column = 0; column < todayColumnCount; ++column)
        columns[column] = {eventColumns[static_cast<std::size_t>(column)].header,
                           todayWidths[column],
                           eventColumns[static_cast<std::size_t>(column)].field};
    insertCentredColumns(list, columns, todayColumnCount);
}

void setCell(HWND list, int row, int column, const std::string &text) {
    LVITEMA cell = {};
    cell.iSubItem = column;
    cell.pszText = const_cast<char *>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
}

// Today's rows in table order, numbered 1, 2, 3 whatever their numbers in the event list.
void fillTodayList(HWND list, const LocalTime &today) {
    const EventTable &table = scheduling().table;
    const std::vector<int> rows = todaysRows(table, today);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const Event event = table.event(rows[k]);
        const std::string number = formatTwoDigits(static_cast<int>(k) + 1);
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(k);
        item.pszText = const_cast<char *>(number.c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        setCell(list, item.iItem, 1, event.matchKey);
        setCell(list, item.iItem, 2, event.restart);
        setCell(list, item.iItem, 3, event.shutDown);
        setCell(list, item.iItem, 4, event.repeat);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

BOOL initToday(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_TODAY_LIST);
    SYSTEMTIME now;
    scheduling().platform.readClock(now);
    char caption[100] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, 0, &now, longDatePicture, caption, sizeof caption);
    SetWindowTextA(dialog, caption);
    SendMessageA(dialog, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(programIcon(GetSystemMetrics(SM_CXSMICON))));
    layOutAtScale(dialog, dpiOf(dialog));
    todayPicture = pictureAt(programInstance, IDP_TODAY, dpiOf(dialog));
    SendMessageA(list, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(fontColour));
    UpdateWindow(list);
    setUpTodayColumns(list);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, todayListStyle);
    fillTodayList(list, localTimeOf(now));
    FlashWindow(dialog, TRUE);
    return TRUE;
}

// The picture at the top left, unscaled; a plain margin when it could not be made.
void paintToday(HWND dialog) {
    paintPictureBackground(dialog, todayPicture, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

void closeToday(HWND dialog) {
    EndDialog(dialog, 0);
}

INT_PTR CALLBACK todayWindowProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    // clang-format off
    switch (message) {
    case WM_CLOSE:      closeToday(dialog);      return TRUE;
    case WM_INITDIALOG: return initToday(dialog);
    case WM_PAINT:      paintToday(dialog);      return TRUE;
    default:            return FALSE;
    }
    // clang-format on
}

} // namespace

void runTodayWindow() {
    DialogBoxParamA(programInstance, "DIALT", nullptr, todayWindowProc, 0);
    DeleteObject(todayPicture);
    todayPicture = nullptr;
}
