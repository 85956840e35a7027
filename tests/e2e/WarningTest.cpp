// End to end: the minute's warning before a restart, answered with "Skip this time", and the
// history the program keeps of it.
#include "Driver.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

int secondsIn(const std::string &text) {
    const std::size_t in = text.rfind(" in ");
    return in == std::string::npos ? -1 : std::atoi(text.c_str() + in + 4);
}

std::string historyOf(const Program &program) {
    return readWholeFile(program.directory() + "Velkorin.log");
}

} // namespace

TEST(Warning, ARestartAheadIsAnnouncedCountingDownAndSkipLeavesItUndone) {
    Program program("warning");
    const SYSTEMTIME soon = secondsFromNow(12);
    const SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};
    program.writeEventFile(eventFileText(
        {{oneTimeKey(soon), "Restart", "", "", soon}, {oneTimeKey(future), "", "", "", future}}));
    program.start();
    HWND window = program.mainWindow();
    ASSERT_NE(window, nullptr);
    HWND warning = program.waitForWindow("Velkorin warning", 5000);
    ASSERT_NE(warning, nullptr) << "no warning for a restart 12 s ahead";
    EXPECT_TRUE(GetWindowLongA(warning, GWL_EXSTYLE) & WS_EX_TOPMOST);
    const std::string first = windowText(GetDlgItem(warning, 100));
    EXPECT_EQ(first.rfind("Velkorin will restart this computer in ", 0), 0u) << first;
    EXPECT_EQ(windowText(GetDlgItem(warning, 101)), oneTimeKey(soon));
    Sleep(2200);
    const std::string later = windowText(GetDlgItem(warning, 100));
    EXPECT_LE(secondsIn(later), secondsIn(first) - 2) << first << " / " << later;
    EXPECT_GT(secondsIn(later), 0);
    screenshot("warning");

    PostMessageA(GetDlgItem(warning, 40), BM_CLICK, 0, 0); // "Skip this time"
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(warning) || !IsWindowVisible(warning); }, 5000));
    HWND list = GetDlgItem(window, IDC_EVENTS);
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 20000))
        << "the skipped event did not leave at its second";
    Sleep(1000);
    EXPECT_TRUE(program.running()); // no restart was requested: the session goes on
    std::string text;
    ASSERT_TRUE(program.readEventFile(text));
    EXPECT_EQ(text.find(oneTimeKey(soon)), std::string::npos);

    const std::string history = historyOf(program);
    std::printf("%s", history.c_str());
    const std::size_t skipped = history.find("  restart skipped  " + oneTimeKey(soon));
    const std::size_t fired = history.find("  fired  " + oneTimeKey(soon) + "  Restart");
    const std::size_t without = history.find("  action skipped  " + oneTimeKey(soon));
    ASSERT_NE(skipped, std::string::npos) << history;
    ASSERT_NE(fired, std::string::npos) << history;
    ASSERT_NE(without, std::string::npos) << history;
    EXPECT_LT(skipped, fired);
    EXPECT_LT(fired, without);
    EXPECT_EQ(history.find("requested"), std::string::npos) << history;
}
