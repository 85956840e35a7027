// End to end: composing, editing and deleting events through the real form, OK and DELETE
// buttons and list of the running program, in the language of the run.
#include "Driver.h"
#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <vector>

namespace {

std::string twoDigits(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

struct Form {
    explicit Form(HWND main) : window(main) {}
    void fill(const std::string &hour, const std::string &minute, const std::string &second,
              const std::string &repeat) const {
        setText(GetDlgItem(window, IDC_HOUR), hour);
        setText(GetDlgItem(window, IDC_MINUTE), minute);
        setText(GetDlgItem(window, IDC_SECOND), second);
        setText(GetDlgItem(window, IDC_REPEAT), repeat);
    }
    void ok() const { click(pictureButton(window, IDC_OK)); }
    void remove() const { click(pictureButton(window, IDC_DELETE)); }
    HWND window;
};

} // namespace

TEST(Editor, EventsComposedOfEveryKindMatchTheClockAndTheOneTimeEventFires) {
    Program program("compose");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    Form form(window);
    const SYSTEMTIME moment = secondsFromNow(10);
    const char *kinds[] = {"Repeat", "Hourly", "Daily", "Weekly", "Monthly", "Yearly"};
    for (const char *kind : kinds) {
        form.fill(twoDigits(moment.wHour), twoDigits(moment.wMinute), twoDigits(moment.wSecond),
                  kind);
        form.ok();
    }
    HWND list = GetDlgItem(window, IDC_EVENTS);
    const auto rows = program.listRows(list, 5);
    ASSERT_EQ(rows.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        const std::string repeat = i == 0 ? "" : kinds[i];
        SCOPED_TRACE(kinds[i]);
        EXPECT_EQ(rows[i][0], " " + std::to_string(i + 1));
        EXPECT_EQ(rows[i][1], clockTextOf(repeat, moment)); // what the due check will format
        EXPECT_EQ(rows[i][4], repeat);
    }
    // The form is back at its placeholders.
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_HOUR)), "H");
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_REPEAT)), "Repeat");

    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 5; }, 20000))
        << "the one-time event did not fire";
    std::string text;
    ASSERT_TRUE(program.readEventFile(text));
    EXPECT_EQ(text.find(clockTextOf("", moment)), std::string::npos);
    for (int i = 1; i < 6; ++i)
        EXPECT_NE(text.find("=" + clockTextOf(kinds[i], moment) + "\r\n"), std::string::npos)
            << kinds[i];
    EXPECT_TRUE(program.running());
}

TEST(Editor, ADoubleClickTakesARowIntoTheFormAndOkPutsItBack) {
    Program program("edit");
    const SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};
    const SYSTEMTIME later = {2032, 11, 0, 2, 23, 0, 5, 0};
    HWND window = program.launch(eventFileText({{oneTimeKey(future), "Restart", "", "", future},
                                                {"23:00:05", "", "", "Daily", later},
                                                {oneTimeKey(later), "", "Shut down", "", later}}));
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    HWND restart = GetDlgItem(window, IDC_RESTART);
    HWND shutDown = GetDlgItem(window, IDC_SHUTDOWN);
    SendMessageA(restart, BM_SETCHECK, BST_CHECKED, 0); // ticked before the double-click

    program.clickRow(list, 1, true);
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 2; }, 5000));
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_HOUR)), "23");
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_MINUTE)), "00");
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_SECOND)), "05");
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_REPEAT)), "Daily");
    EXPECT_EQ(SendMessageA(restart, BM_GETCHECK, 0, 0), BST_UNCHECKED); // the row has no action
    EXPECT_EQ(SendMessageA(shutDown, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    screenshot("editing-a-row");

    setText(GetDlgItem(window, IDC_MINUTE), "15");
    Form(window).ok();
    const auto rows = program.listRows(list, 5);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][0], " 2");
    EXPECT_EQ(rows[1][1], "23:15:05");
    std::string text;
    ASSERT_TRUE(program.readEventFile(text));
    EXPECT_NE(text.find("Date&Time 2=23:15:05"), std::string::npos);
    EXPECT_EQ(text.find("=23:00:05\r\n"), std::string::npos);

    // The row with Shut down shows it ticked, and the Restart box disabled.
    program.clickRow(list, 2, true);
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 2; }, 5000));
    EXPECT_EQ(SendMessageA(shutDown, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(restart, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowEnabled(restart));
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_DATE)),
              oneTimeKey(later).substr(0, oneTimeKey(later).size() - 9));
}

TEST(Editor, OverLongTypedTextsAreCutAndNothingBreaks) {
    Program program("long-texts");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    const std::string typed(300, '4');
    Form form(window);
    form.fill(typed, typed, typed, std::string(300, 'Y'));
    form.ok();
    form.fill(typed, typed, typed, "Daily");
    form.ok();
    const auto rows = program.listRows(GetDlgItem(window, IDC_EVENTS), 11);
    ASSERT_EQ(rows.size(), 2u);
    for (const auto &row : rows) {
        EXPECT_LE(row[1].size(), 199u);
        EXPECT_EQ(row[8].size(), 19u);  // hour
        EXPECT_EQ(row[10].size(), 19u); // second
    }
    EXPECT_EQ(rows[0][4], std::string(9, 'Y'));
    EXPECT_EQ(rows[1][1],
              std::string(19, '4') + ":" + std::string(19, '4') + ":" + std::string(19, '4'));
    EXPECT_TRUE(program.running());
}

TEST(Editor, WhenTheFileCannotBeWrittenOkAndDeleteSaySoAndChangeNothing) {
    Program program("not-writable");
    const SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};
    const SYSTEMTIME later = {2032, 11, 0, 2, 23, 0, 5, 0};
    HWND window = program.launch(eventFileText(
        {{oneTimeKey(future), "", "", "", future}, {oneTimeKey(later), "", "", "", later}}));
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    ASSERT_EQ(program.listRows(list, 2).size(), 2u);
    // Another program holds the file: it may be read, but not replaced or deleted.
    HANDLE held = CreateFileA(program.eventFilePath().c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string before;
    ASSERT_TRUE(program.readEventFile(before));

    // The row numbers, at the list's left edge, beside where the message stands.
    const RECT numbers = {2, 22, 24, 56};
    // Once the window just shown has painted its list: white with black digits (a list not
    // painted yet shows the display's black).
    int drawn = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            const std::vector<COLORREF> pixels = screenPixels(list, numbers);
            drawn = countLike(pixels, RGB(0, 0, 0));
            return drawn > 5 && countLike(pixels, RGB(255, 255, 255)) > drawn;
        },
        3000));
    Form form(window);
    form.fill("10", "20", "30", "Daily");
    PostMessageA(pictureButton(window, IDC_OK), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(pictureButton(window, IDC_OK), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    HWND message = program.waitForMessageBox();
    ASSERT_NE(message, nullptr);
    EXPECT_NE(windowText(GetDlgItem(message, 0xFFFF)).find("could not be stored"),
              std::string::npos);
    // While the message is open the list is live: made to draw anew, its rows show.
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
    Sleep(700);
    EXPECT_GT(countLike(screenPixels(list, numbers), RGB(0, 0, 0)), drawn / 2);
    screenshot("event-not-stored");
    PostMessageA(message, WM_COMMAND, IDOK, 0);
    Sleep(500);
    EXPECT_EQ(program.listRows(list, 2).size(), 2u);
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_HOUR)), "10"); // the form keeps the event

    program.clickRow(list, 0);
    ASSERT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);
    PostMessageA(pictureButton(window, IDC_DELETE), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(pictureButton(window, IDC_DELETE), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    message = program.waitForMessageBox();
    ASSERT_NE(message, nullptr);
    EXPECT_NE(windowText(GetDlgItem(message, 0xFFFF)).find("could not be deleted"),
              std::string::npos);
    PostMessageA(message, WM_COMMAND, IDOK, 0);
    Sleep(500);
    const auto rows = program.listRows(list, 2);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], " 1");
    EXPECT_EQ(rows[0][1], oneTimeKey(future));
    std::string after;
    ASSERT_TRUE(program.readEventFile(after));
    EXPECT_EQ(after, before);
    CloseHandle(held);
}

// A row taken into the form stays in the file while a one-time event fires and the file is
// written, and after leaving without OK.
TEST(Editor, ARowInTheFormSurvivesAWriteMeanwhileAndTheExit) {
    Program program("edit-in-progress");
    const SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};
    const SYSTEMTIME soon = secondsFromNow(6);
    HWND window = program.launch(eventFileText(
        {{oneTimeKey(future), "Restart", "", "", future}, {oneTimeKey(soon), "", "", "", soon}}));
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    program.clickRow(list, 0, true);
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 5000));
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_HOUR)), "09");
    // The one-time event fires and leaves: the file is written without it.
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).empty(); }, 15000));
    std::string text;
    ASSERT_TRUE(waitUntil(
        [&] {
            return program.readEventFile(text) && text.find(oneTimeKey(soon)) == std::string::npos;
        },
        5000));
    EXPECT_NE(text.find(oneTimeKey(future)), std::string::npos) << text;
    PostMessageA(window, WM_CLOSE, 0, 0);
    HWND box = program.waitForWindow("Exit from programm Velkorin");
    ASSERT_NE(box, nullptr);
    SendMessageA(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
    EXPECT_EQ(program.waitForExit(10000), 0u);
    ASSERT_TRUE(program.readEventFile(text));
    EXPECT_NE(text.find("Date&Time 1=" + oneTimeKey(future) + "\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Restart 1=Restart\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Date&Time 2"), std::string::npos) << text;
}

// OK on a Monthly event on the 31st: the user learns in which months it will not come due.
TEST(Editor, AMonthlyEventOnThe31stTellsWhichMonthsItSkips) {
    Program program("monthly-31st");
    const SYSTEMTIME last = {2027, 1, 0, 31, 10, 0, 0, 0};
    HWND window =
        program.launch(eventFileText({{clockTextOf("Monthly", last), "", "", "Monthly", last}}));
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    program.clickRow(list, 0, true); // the form takes its date, the 31st
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).empty(); }, 5000));
    PostMessageA(pictureButton(window, IDC_OK), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(pictureButton(window, IDC_OK), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    HWND message = program.waitForMessageBox();
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(windowText(GetDlgItem(message, 0xFFFF)),
              "This Monthly event comes due only in months that have a 31st: not in February, "
              "April, June, September, November.");
    screenshot("monthly-31st");
    PostMessageA(message, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 5000));
    EXPECT_EQ(program.listRows(list, 2)[0][1], clockTextOf("Monthly", last));
}

namespace {

// The keyboard, as a user presses it: through the system's input, to the focused window.
void press(WORD key, bool shift = false) {
    std::vector<INPUT> keys;
    const auto stroke = [&](WORD code, bool up) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        keys.push_back(input);
    };
    if (shift)
        stroke(VK_SHIFT, false);
    stroke(key, false);
    stroke(key, true);
    if (shift)
        stroke(VK_SHIFT, true);
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
    Sleep(150);
}

void type(const std::string &text) {
    for (char c : text)
        press(static_cast<WORD>(std::toupper(static_cast<unsigned char>(c))),
              std::isupper(static_cast<unsigned char>(c)) != 0);
}

// The form's control that holds the keyboard's focus (a combo box for its edit field).
int focusedControl(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    HWND focus = info.hwndFocus;
    while (focus && GetParent(focus) != window)
        focus = GetParent(focus);
    return focus ? GetDlgCtrlID(focus) : 0;
}

// Tab (or Shift+Tab) pressed that many times: whether the focus arrived at the control.
bool tabTo(HWND window, int control, int presses, bool back = false) {
    for (int i = 0; i < presses; ++i)
        press(VK_TAB, back);
    return waitUntil([&] { return focusedControl(window) == control; }, 2000);
}

} // namespace

// Without a mouse: Tab goes through the form in reading order, Enter composes, Enter on the
// list takes a row into the form, Delete on the list deletes it; the picture buttons carry their
// words for screen readers.
TEST(Editor, TheKeyboardAloneComposesEditsAndDeletesAnEvent) {
    Program program("keyboard");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowText(pictureButton(window, IDC_OK)), "OK");
    EXPECT_EQ(windowText(pictureButton(window, IDC_DELETE)), "DELETE");
    SetForegroundWindow(window);
    ASSERT_TRUE(waitUntil([&] { return focusedControl(window) == IDC_HOUR; }, 5000));

    const int order[] = {IDC_MINUTE,   IDC_SECOND, IDC_DATE, IDC_REPEAT, IDC_RESTART,
                         IDC_SHUTDOWN, IDC_EVENTS, IDC_OK,   IDC_DELETE, IDC_HOUR};
    for (int expected : order) {
        EXPECT_TRUE(tabTo(window, expected, 1))
            << "expected " << expected << ", focus on " << focusedControl(window);
        if (expected != IDC_OK)
            continue;
        // Focused, the button still shows its word, within a dotted frame.
        screenshot("keyboard-focus-on-ok");
        HWND ok = pictureButton(window, IDC_OK);
        RECT area = {};
        GetClientRect(ok, &area);
        InflateRect(&area, -5, -5); // inside the frame
        EXPECT_GT(countLike(screenPixels(ok, area), RGB(0x22, 0x30, 0x3c)), 20);
    }
    screenshot("keyboard-focus-on-hour");

    // Composed: the hour, Tab, the minute, Tab, the second, then Enter.
    type("10");
    press(VK_TAB);
    type("30");
    press(VK_TAB);
    type("00");
    press(VK_RETURN);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 5000));
    const std::string composed = program.listRows(list, 2)[0][1];
    EXPECT_NE(composed.find("10:30:00"), std::string::npos) << composed;

    // Edited: back to the list (from the second box round by the buttons), a row, Enter, a new
    // minute.
    ASSERT_TRUE(tabTo(window, IDC_EVENTS, 5, true)) << focusedControl(window);
    press(VK_DOWN);
    press(VK_RETURN);
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).empty(); }, 5000));
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_MINUTE)), "30");
    ASSERT_TRUE(tabTo(window, IDC_MINUTE, 4)) << focusedControl(window); // by OK, DELETE, hour
    type("45");
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_MINUTE)), "45");
    EXPECT_EQ(windowText(GetDlgItem(window, IDC_HOUR)), "10");
    press(VK_RETURN);
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 5000));
    const std::string edited = program.listRows(list, 2)[0][1];
    EXPECT_NE(edited.find("10:45:00"), std::string::npos) << edited;

    // Deleted: Delete on the selected row, as DELETE does.
    ASSERT_TRUE(tabTo(window, IDC_EVENTS, 4, true)) << focusedControl(window);
    press(VK_DOWN);
    press(VK_DELETE);
    EXPECT_TRUE(waitUntil([&] { return program.listRows(list, 2).empty(); }, 5000));
    std::string text;
    program.readEventFile(text);
    EXPECT_EQ(text.find("10:45:00"), std::string::npos) << text;
}
