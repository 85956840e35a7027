// End to end: due events fire, missed events are reported, the About notice opens.
#include "Driver.h"
#include "Version.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(EventsFire, AOneTimeEventAFewSecondsAheadFiresAndLeavesTheFile) {
    Program program("fires");
    const SYSTEMTIME soon = secondsFromNow(6);
    const SYSTEMTIME later = {2033, 1, 0, 1, 12, 0, 0, 0};
    HWND window = program.launch(eventFileText(
        {{oneTimeKey(soon), "", "", "", soon}, {oneTimeKey(later), "", "", "", later}}));
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    EXPECT_EQ(program.listRows(list, 2).size(), 2u);

    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 15000));
    const auto rows = program.listRows(list, 2);
    EXPECT_EQ(rows[0][0], " 1");
    EXPECT_EQ(rows[0][1], oneTimeKey(later));
    std::string text;
    ASSERT_TRUE(program.readEventFile(text));
    EXPECT_EQ(text.find(oneTimeKey(soon)), std::string::npos);
    EXPECT_NE(text.find("Date&Time 1=" + oneTimeKey(later)), std::string::npos);
    EXPECT_TRUE(program.running());
}

TEST(EventsFire, PassedEventsAtStartGiveOneStackedTopmostNoticeEach) {
    Program program("missed");
    const SYSTEMTIME first = {2019, 5, 0, 3, 7, 15, 0, 0};
    const SYSTEMTIME second = {2020, 2, 0, 29, 22, 45, 30, 0};
    const SYSTEMTIME ahead = {2034, 8, 0, 9, 10, 0, 0, 0};
    HWND window =
        program.launch(eventFileText({{oneTimeKey(first), "Restart", "", "", first},
                                      {oneTimeKey(ahead), "", "", "", ahead},
                                      {oneTimeKey(second), "", "Shut down", "", second}}));
    ASSERT_NE(window, nullptr);

    std::vector<HWND> notices = program.windowsTitled("Ooops! Your missed event.");
    ASSERT_EQ(notices.size(), 2u);
    RECT a, b;
    GetWindowRect(notices[0], &a);
    GetWindowRect(notices[1], &b);
    EXPECT_TRUE(EqualRect(&a, &b)); // exactly superimposed
    for (HWND notice : notices) {
        EXPECT_EQ(className(notice), "Edit");
        EXPECT_TRUE(GetWindowLongA(notice, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(GetWindow(notice, GW_OWNER), window);
    }
    std::vector<std::string> bodies = {windowText(notices[0]), windowText(notices[1])};
    std::sort(bodies.begin(), bodies.end());
    EXPECT_EQ(bodies[0], "Date&Time:" + oneTimeKey(first) + "\r\nRestart:Restart\r\nShut down:");
    EXPECT_EQ(bodies[1], "Date&Time:" + oneTimeKey(second) + "\r\nRestart:\r\nShut down:Shut down");
    screenshot("missed-event-notices");

    const auto rows = program.listRows(GetDlgItem(window, IDC_EVENTS), 2);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], " 1");
    EXPECT_EQ(rows[0][1], oneTimeKey(ahead));
    std::string text;
    ASSERT_TRUE(program.readEventFile(text));
    EXPECT_EQ(text.find("2019"), std::string::npos);
    EXPECT_EQ(text.find("Date&Time 2"), std::string::npos);

    for (HWND notice : notices)
        PostMessageA(notice, WM_CLOSE, 0, 0);
    ASSERT_TRUE(waitUntil(
        [&] { return program.windowsTitled("Ooops! Your missed event.").empty(); }, 5000));
    Sleep(500);
    EXPECT_TRUE(program.running());
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST(EventsFire, TheAboutCommandOpensAnAboutNoticeEachTime) {
    const char aboutTitle[] = "About Velkorin " VELKORIN_VERSION_TEXT;
    Program program("about");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, IDM_ABOUT, 0);
    HWND about = program.waitForWindow(aboutTitle);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(className(about), "Edit");
    EXPECT_FALSE(GetWindowLongA(about, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_NE(windowText(about).find("Velkorin version " VELKORIN_VERSION_TEXT), std::string::npos);
    screenshot("about-notice");
    PostMessageA(window, WM_COMMAND, IDM_ABOUT, 0);
    EXPECT_TRUE(waitUntil([&] { return program.windowsTitled(aboutTitle).size() == 2; }, 5000));
    for (HWND notice : program.windowsTitled(aboutTitle))
        PostMessageA(notice, WM_CLOSE, 0, 0);
    Sleep(500);
    EXPECT_TRUE(program.running());
}
