// End to end: the program starts, shows its main window with every control, loads the event
// file into the list, and ends only when the exit is confirmed.
#include "Driver.h"
#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

struct ExpectedControl {
    int id;
    const char *className;
    RECT dialogUnits; // x, y, width, height
    DWORD style;
};

const ExpectedControl controls[] = {
    {IDC_HOUR,
     "ComboBox",
     {8, 47, 20, 60},
     CBS_DROPDOWN | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP},
    {IDC_MINUTE,
     "ComboBox",
     {28, 47, 20, 60},
     CBS_DROPDOWN | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP},
    {IDC_SECOND,
     "ComboBox",
     {48, 47, 20, 60},
     CBS_DROPDOWN | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP | WS_BORDER},
    {IDC_REPEAT,
     "ComboBox",
     {226, 47, 48, 80},
     CBS_DROPDOWN | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP},
    {IDC_EVENTS, "SysListView32", {8, 70, 267, 132}, LVS_REPORT | LVS_SINGLESEL | WS_BORDER},
    {IDC_RESTART, "Button", {8, 30, 6, 6}, BS_AUTOCHECKBOX},
    {IDC_SHUTDOWN, "Button", {267, 30, 6, 6}, BS_AUTOCHECKBOX},
    {IDC_DATE, "SysDateTimePick32", {78, 47, 140, 12}, WS_TABSTOP},
};

// Every child of a window with a control id, in z-order.
std::vector<HWND> childrenWithId(HWND window, int id) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == id)
            found.push_back(child);
    return found;
}

RECT clientRect(HWND child, HWND window) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}

INT_PTR CALLBACK measuringProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

// Dialog units to pixels for the main window's font: a hidden dialog of the same template in
// this process measures them.
RECT toPixels(const std::string &program, RECT units) {
    static HWND measure = nullptr;
    if (!measure) {
        HMODULE resources = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        HRSRC found = FindResourceA(resources, "DIAL", MAKEINTRESOURCEA(5));
        auto *dialog = static_cast<LPCDLGTEMPLATEA>(LockResource(LoadResource(resources, found)));
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES};
        InitCommonControlsEx(&classes);
        measure = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialog, nullptr,
                                             measuringProc, 0);
        ShowWindow(measure, SW_HIDE);
    }
    // The dialog manager maps position and size each on their own, as here.
    RECT mapped = units;
    MapDialogRect(measure, &mapped);
    return {mapped.left, mapped.top, mapped.left + mapped.right, mapped.top + mapped.bottom};
}

std::vector<FileEvent> preparedEvents() {
    SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};
    SYSTEMTIME later = {2032, 11, 0, 2, 23, 0, 5, 0};
    return {
        {oneTimeKey(future), "Restart", "", "", future},
        {"23:00:05", "", "", "Daily", later},
        {"Tuesday 06:00:00", "", "Shut down", "Weekly", later},
    };
}

} // namespace

TEST(Startup, ShowsTheMainWindowWithEveryControlAndTheLoadedEvents) {
    Program program("startup");
    const std::vector<FileEvent> events = preparedEvents();
    HWND window = program.launch(eventFileText(events));
    ASSERT_NE(window, nullptr) << "no main window";

    EXPECT_EQ(className(window), "#32770");
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_NE(GetMenu(window), nullptr);

    for (const ExpectedControl &wanted : controls) {
        SCOPED_TRACE("control " + std::to_string(wanted.id));
        HWND control = GetDlgItem(window, wanted.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(className(control), wanted.className);
        // Combo boxes hand their scroll bar to their list, and controls draw their own border.
        const DWORD kept = wanted.style & ~static_cast<DWORD>(WS_VSCROLL | WS_BORDER);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)) & kept, kept);
        if (wanted.id == IDC_HOUR || wanted.id == IDC_MINUTE || wanted.id == IDC_SECOND ||
            wanted.id == IDC_REPEAT)
            continue; // a drop-down combo box sizes its own height
        RECT expected = toPixels(program.directory() + "Velkorin.exe", wanted.dialogUnits);
        RECT actual;
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right, expected.right);
        EXPECT_EQ(actual.bottom, expected.bottom);
    }

    // OK and DELETE: one picture button each, the only window of its id.
    const struct {
        int id;
        RECT place;
    } buttons[] = {{IDC_OK, {13, 390, 56, 413}}, {IDC_DELETE, {408, 390, 479, 413}}};
    for (const auto &button : buttons) {
        SCOPED_TRACE("button " + std::to_string(button.id));
        const std::vector<HWND> withId = childrenWithId(window, button.id);
        ASSERT_EQ(withId.size(), 1u);
        EXPECT_EQ(className(withId[0]), "Bmp_Button_Class");
        const RECT place = clientRect(withId[0], window);
        EXPECT_TRUE(EqualRect(&place, &button.place));
    }

    EXPECT_FALSE(GetWindowLongA(GetDlgItem(window, IDC_EVENTS), GWL_STYLE) & LVS_SORTASCENDING);
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_HOUR)), "H");
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_MINUTE)), "M");
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_SECOND)), "S");
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_REPEAT)), "Repeat");
    EXPECT_EQ(SendMessageA(GetDlgItem(window, IDC_HOUR), CB_GETCOUNT, 0, 0), 24);
    EXPECT_EQ(SendMessageA(GetDlgItem(window, IDC_MINUTE), CB_GETCOUNT, 0, 0), 60);
    EXPECT_EQ(SendMessageA(GetDlgItem(window, IDC_SECOND), CB_GETCOUNT, 0, 0), 60);
    EXPECT_EQ(SendMessageA(GetDlgItem(window, IDC_REPEAT), CB_GETCOUNT, 0, 0), 6);
    // The date picker shows today in the long picture.
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_DATE)),
              oneTimeKey(secondsFromNow(0)).substr(0, oneTimeKey(secondsFromNow(0)).size() - 9));

    HWND list = GetDlgItem(window, IDC_EVENTS);
    std::vector<std::string> headers = program.listHeaders(list);
    ASSERT_FALSE(headers.empty());
    headers.erase(headers.begin()); // the row number's, below

    const std::vector<std::string> expectedHeaders = {
        "Date&Time/222", "Restart/60", "Shut down/75", "Repeat/80", "Day/0",      "Month/0",
        "Year/0",        "H/0",        "M/0",          "S/0",       "DayOfWeek/0"};
    EXPECT_EQ(headers, expectedHeaders);
    const auto rows = program.listRows(list, 12);
    ASSERT_EQ(rows.size(), 3u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][0], " " + std::to_string(i + 1));
        EXPECT_EQ(rows[i][1], events[i].matchKey);
        EXPECT_EQ(rows[i][2], events[i].restart);
        EXPECT_EQ(rows[i][3], events[i].shutDown);
        EXPECT_EQ(rows[i][4], events[i].repeat);
    }
    EXPECT_EQ(rows[0][5], "14");
    EXPECT_EQ(rows[0][6], "3");
    EXPECT_EQ(rows[0][7], "2031");
    EXPECT_EQ(rows[0][8], "09");
    screenshot("main-window");

    // The lists hold their choices in order: the last one chosen shows in the edit field.
    SendMessageA(GetDlgItem(window, IDC_HOUR), CB_SETCURSEL, 23, 0);
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_HOUR)), "23");
    SendMessageA(GetDlgItem(window, IDC_SECOND), CB_SETCURSEL, 0, 0);
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_SECOND)), "00");
    SendMessageA(GetDlgItem(window, IDC_REPEAT), CB_SETCURSEL, 5, 0);
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_REPEAT)), "Yearly");
}

TEST(Startup, ExitsOnlyWhenTheUserSaysYes) {
    Program program("exit");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);

    PostMessageA(window, WM_CLOSE, 0, 0);
    HWND box = program.waitForWindow("Exit from programm Velkorin");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(windowText(GetDlgItem(box, 0xFFFF)), "          Do you really want to exit?");
    screenshot("exit-question");
    SendMessageA(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(box); }, 5000));
    Sleep(1500); // the clock keeps ticking; nothing else happens
    EXPECT_TRUE(program.running());
    EXPECT_TRUE(IsWindowVisible(window));

    PostMessageA(window, WM_CLOSE, 0, 0);
    box = program.waitForWindow("Exit from programm Velkorin");
    ASSERT_NE(box, nullptr);
    SendMessageA(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
    EXPECT_EQ(program.waitForExit(10000), 0u);
}

TEST(Startup, EnterAndEscapeNeverCloseTheWindow) {
    Program program("keys");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    SendMessageA(window, WM_COMMAND, IDOK, 0);
    SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
    Sleep(500);
    EXPECT_TRUE(program.running());
    EXPECT_TRUE(program.windowsTitled("Exit from programm Velkorin").empty());
}

// The row number's header is the numero sign in every code page (the test command runs this in
// German and Russian too), in a column as wide as the font needs for it, 25 pixels at least.
TEST(Startup, TheRowNumberHeaderIsTheNumeroSignInEveryLanguage) {
    Program program("numero");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    const std::vector<std::string> headers = program.listHeaders(GetDlgItem(window, IDC_EVENTS));
    ASSERT_FALSE(headers.empty());
    const std::string numero = "\xE2\x84\x96/";
    ASSERT_EQ(headers[0].substr(0, numero.size()), numero) << headers[0];
    const int width = std::stoi(headers[0].substr(numero.size()));
    EXPECT_GE(width, 25);
    EXPECT_LE(width, 40);
}
