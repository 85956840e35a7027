// End to end: with the Today setting on, the day's events open before the main window.
#include "Driver.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

void storeToday(int value) {
    BYTE data[10] = {static_cast<BYTE>(value)};
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\MarbrookVKRN\\Velkorin", 0, nullptr, 0, KEY_WRITE,
                    nullptr, &key, nullptr);
    RegSetValueExA(key, "Today", 0, REG_SZ, data, sizeof data);
    RegCloseKey(key);
}

// The setting goes back to 0 however the test ends: every other start expects no Today window.
struct TodayOn {
    TodayOn() { storeToday(1); }
    ~TodayOn() { storeToday(0); }
};

SYSTEMTIME daysFromNow(int days, WORD hour, WORD minute) {
    SYSTEMTIME day = secondsFromNow(days * 86400);
    day.wHour = hour;
    day.wMinute = minute;
    day.wSecond = 0;
    return day;
}

} // namespace

TEST(Today, TheDaysEventsOpenFirstAndTheClockGoesOnMeanwhile) {
    TodayOn today;
    Program program("today");
    const SYSTEMTIME soon = secondsFromNow(6);
    const SYSTEMTIME lastWeek = daysFromNow(-7, 6, 30);
    const SYSTEMTIME tomorrow = daysFromNow(1, 8, 0);
    const std::string weekday = clockTextOf("Weekly", lastWeek);
    program.writeEventFile(eventFileText({{oneTimeKey(tomorrow), "", "", "", tomorrow},
                                          {"07:15:00", "", "", "Daily", {}},
                                          {weekday, "", "Shut down", "Weekly", lastWeek},
                                          {oneTimeKey(soon), "", "", "", soon}}));
    program.start();
    const std::string date = oneTimeKey(secondsFromNow(0)).substr(0, oneTimeKey(soon).size() - 9);
    HWND window = program.waitForWindow(date);
    ASSERT_NE(window, nullptr) << "no window titled " << date;
    EXPECT_TRUE(program.windowsTitled("Velkorin").empty()); // the main window waits

    const auto rows = program.listRows(GetDlgItem(window, IDC_TODAY_LIST), 5);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{" 1", "07:15:00", "", "", "Daily"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{" 2", weekday, "", "Shut down", "Weekly"}));
    EXPECT_EQ(rows[2][0], " 3");
    EXPECT_EQ(rows[2][1], oneTimeKey(soon));
    screenshot("today-window");

    // Enter and Escape leave it open.
    HWND list = GetDlgItem(window, IDC_TODAY_LIST);
    PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    Sleep(800);
    EXPECT_TRUE(IsWindowVisible(window));

    // The event due meanwhile fires: it leaves the file while the Today window is open.
    EXPECT_TRUE(waitUntil(
        [&] {
            std::string text;
            return program.readEventFile(text) && text.find(oneTimeKey(soon)) == std::string::npos;
        },
        15000));
    EXPECT_TRUE(IsWindowVisible(window));

    PostMessageA(window, WM_CLOSE, 0, 0);
    HWND main = program.mainWindow(10000);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(program.listRows(GetDlgItem(main, IDC_EVENTS), 2).size(), 3u);
}
