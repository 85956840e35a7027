// End to end: Later on the warning of a daily restart, chosen from its menu with the keyboard,
// adds a one-time restart that the list, the file and a restart of the program keep; a policy
// of the administrator turns Later off, and the warning says why.
#include "Driver.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

const char policiesKey[] = "Software\\Policies\\MarbrookVKRN\\Velkorin";

void post(HWND window, UINT message, WPARAM wParam) {
    PostMessageA(window, message, wParam, 0);
}

} // namespace

TEST(Later, ThirtyMinutesFromTheMenuAddsARestartThatTheFileAndTheNextStartKeep) {
    Program program("later");
    const SYSTEMTIME daily = secondsFromNow(20);
    const std::string dailyKey = clockTextOf("Daily", daily);
    HWND window = startWarned(program, daily);
    ASSERT_NE(window, nullptr);
    HWND warning = shownWarningWindow(program);
    HWND later = GetDlgItem(warning, IDC_WARNING_LATER);
    ASSERT_NE(later, nullptr);
    EXPECT_TRUE(IsWindowEnabled(later));
    EXPECT_EQ(windowText(GetDlgItem(warning, IDC_WARNING_LATER_NOTE)), "");

    // The button opens the menu of choices; Down and Enter choose the second, 30 minutes.
    PostMessageA(warning, WM_COMMAND, MAKEWPARAM(IDC_WARNING_LATER, BN_CLICKED),
                 reinterpret_cast<LPARAM>(later));
    HWND menu = shownMenu();
    ASSERT_NE(menu, nullptr) << "Later opened no menu";
    Sleep(300);
    screenshot("warning-later");
    post(menu, WM_KEYDOWN, VK_DOWN);
    post(menu, WM_KEYDOWN, VK_DOWN);
    post(menu, WM_KEYDOWN, VK_RETURN);

    const std::string postponed = oneTimeKey(plusSeconds(daily, 1800));
    HWND list = GetDlgItem(window, IDC_EVENTS);
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 2; }, 5000))
        << "no row was added";
    const auto rows = program.listRows(list, 5);
    EXPECT_EQ(rows[1][1], postponed);
    EXPECT_EQ(rows[1][2], "Restart");
    EXPECT_EQ(rows[1][4], "");
    EXPECT_TRUE(waitUntil([&] { return shownWarningWindow(program) == nullptr; }, 3000));
    std::string text;
    ASSERT_TRUE(program.readEventFile(text));
    EXPECT_NE(text.find("Date&Time 2=" + postponed), std::string::npos) << text;

    // Past the daily second: it fired without its restart, and the daily row goes on.
    ASSERT_TRUE(waitUntil(
        [&] {
            return readWholeFile(program.directory() + "Velkorin.log").find("action postponed") !=
                   std::string::npos;
        },
        30000));
    EXPECT_TRUE(program.running());
    const std::string history = readWholeFile(program.directory() + "Velkorin.log");
    EXPECT_NE(history.find("restart postponed to " + postponed + "  " + dailyKey),
              std::string::npos)
        << history;
    EXPECT_EQ(history.find("requested"), std::string::npos) << history;
    EXPECT_EQ(program.listRows(list, 2).size(), 2u);

    // The session ends and the program starts again: the postponed restart is still there.
    sendWaiting(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP);
    sendWaiting(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    ASSERT_EQ(program.waitForExit(10000), 0u);
    window = program.launch();
    ASSERT_NE(window, nullptr);
    const auto again = program.listRows(GetDlgItem(window, IDC_EVENTS), 3);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[1][1], postponed);
    EXPECT_EQ(again[1][2], "Restart");
}

TEST(Later, APolicyOfNoMinutesTurnsLaterOffAndTheWarningSaysWhy) {
    HKEY policy = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, policiesKey, 0, nullptr, 0, KEY_WRITE, nullptr, &policy,
                    nullptr);
    const DWORD none = 0;
    RegSetValueExA(policy, "LaterMinutes", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&none),
                   sizeof none);
    Program program("later-policy");
    HWND window = startWarned(program, secondsFromNow(25));
    HWND warning = shownWarningWindow(program);
    const bool enabled = warning && IsWindowEnabled(GetDlgItem(warning, IDC_WARNING_LATER));
    const std::string why = warning ? windowText(GetDlgItem(warning, IDC_WARNING_LATER_NOTE)) : "";
    if (warning) {
        screenshot("warning-later-policy");
        // A choice sent all the same is not offered: nothing changes.
        PostMessageA(warning, WM_COMMAND, MAKEWPARAM(IDM_WARNING_LATER_FIRST, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(warning, IDC_WARNING_LATER)));
        Sleep(1500);
    }
    const std::size_t rows =
        window ? program.listRows(GetDlgItem(window, IDC_EVENTS), 2).size() : 0;
    RegDeleteValueA(policy, "LaterMinutes");
    RegCloseKey(policy);
    RegDeleteKeyA(HKEY_CURRENT_USER, policiesKey); // every other start expects no policy
    ASSERT_NE(warning, nullptr);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(why, "Later is turned off by your administrator.");
    EXPECT_EQ(rows, 1u);
    EXPECT_NE(shownWarningWindow(program), nullptr);
}
