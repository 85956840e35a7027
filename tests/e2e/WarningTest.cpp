// End to end: the minute's warning before a restart, answered with "Skip this time", and the
// history the program keeps of it.
#include "Driver.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

int secondsIn(const std::string &text) {
    const std::size_t in = text.rfind(" in ");
    return in == std::string::npos ? -1 : std::atoi(text.c_str() + in + 4);
}

// The warning never takes the activation, and a BM_CLICK to a button of an inactive window may
// be lost; so the button's own notification is posted, as a click sends it.
void pressButton(HWND warning, int button) {
    HWND control = GetDlgItem(warning, button);
    EXPECT_NE(control, nullptr) << "no button " << button;
    PostMessageA(warning, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
}

std::string historyOf(const Program &program) {
    return readWholeFile(program.directory() + "Velkorin.log");
}

} // namespace

TEST(Warning, ARestartAheadIsAnnouncedCountingDownAndSkipLeavesItUndone) {
    Program program("warning");
    const SYSTEMTIME soon = secondsFromNow(12);
    const SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};
    HWND window = program.launch(eventFileText(
        {{oneTimeKey(soon), "Restart", "", "", soon}, {oneTimeKey(future), "", "", "", future}}));
    ASSERT_NE(window, nullptr);
    HWND warning = program.waitForWindow("Velkorin warning", 5000);
    ASSERT_NE(warning, nullptr) << "no warning for a restart 12 s ahead";
    EXPECT_TRUE(GetWindowLongA(warning, GWL_EXSTYLE) & WS_EX_TOPMOST);
    const std::string first = windowText(GetDlgItem(warning, 100));
    EXPECT_EQ(first.rfind("Velkorin will restart this computer in ", 0), 0u) << first;
    EXPECT_EQ(windowText(GetDlgItem(warning, 101)), oneTimeKey(soon));
    Sleep(3200); // the count moves with the ticks, which land once a second after the start
    const std::string later = windowText(GetDlgItem(warning, 100));
    EXPECT_LE(secondsIn(later), secondsIn(first) - 2) << first << " / " << later;
    EXPECT_GT(secondsIn(later), 0);
    screenshot("warning");

    pressButton(warning, 40); // "Skip this time"
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

namespace {

// The warning that shows now: its first line and the event it names.
struct Shown {
    HWND window = nullptr;
    std::string text, key;
};

Shown shownWarning(const Program &program) {
    Shown shown;
    const std::vector<HWND> windows = program.windowsTitled("Velkorin warning");
    if (windows.empty())
        return shown;
    shown.window = windows.front();
    shown.text = windowText(GetDlgItem(shown.window, 100));
    shown.key = windowText(GetDlgItem(shown.window, 101));
    return shown;
}

bool waitForWarningOf(const Program &program, const std::string &key, DWORD milliseconds) {
    return waitUntil([&] { return shownWarning(program).key == key; }, milliseconds);
}

void press(const Shown &shown, int button) {
    pressButton(shown.window, button);
}

std::string twoDigits(WORD number) {
    char text[8];
    std::snprintf(text, sizeof text, "%02u", number);
    return text;
}

} // namespace

TEST(Warning, AfterSkipTheNextRestartGetsAWarningOfItsOwn) {
    Program program("warning-next");
    const SYSTEMTIME first = secondsFromNow(20), second = secondsFromNow(45);
    const std::string firstKey = clockTextOf("Daily", first),
                      secondKey = clockTextOf("Daily", second);
    program.writeEventFile(eventFileText(
        {{firstKey, "Restart", "", "Daily", first}, {secondKey, "Restart", "", "Daily", second}}));
    program.start();
    ASSERT_NE(program.mainWindow(), nullptr);
    ASSERT_TRUE(waitForWarningOf(program, firstKey, 10000)) << shownWarning(program).key;
    press(shownWarning(program), 40); // "Skip this time"
    ASSERT_TRUE(waitForWarningOf(program, secondKey, 5000))
        << "the restart 25 s later was not warned of on its own";
    // Its own full minute, although its second is less than a minute away.
    EXPECT_GE(secondsIn(shownWarning(program).text), 57) << shownWarning(program).text;
    Sleep(1200); // a tick paints the clock
    screenshot("warning-next");
    press(shownWarning(program), 40);
    EXPECT_TRUE(waitUntil([&] { return shownWarning(program).window == nullptr; }, 5000));
    const std::string history = historyOf(program);
    EXPECT_NE(history.find("restart skipped  " + firstKey), std::string::npos) << history;
    EXPECT_NE(history.find("restart skipped  " + secondKey), std::string::npos) << history;
    EXPECT_TRUE(program.running());
}

TEST(Warning, AWarnedRowMovedLaterLosesItsWarningAtOnceAndGetsANewOne) {
    Program program("warning-moved");
    const SYSTEMTIME soon = secondsFromNow(25);
    const std::string key = clockTextOf("Daily", soon);
    HWND window = startWarned(program, soon);
    ASSERT_NE(window, nullptr);
    // Double-click, forty seconds later, OK.
    HWND list = GetDlgItem(window, IDC_EVENTS);
    program.clickRow(list, 0, true);
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).empty(); }, 5000));
    const SYSTEMTIME moved = plusSeconds(soon, 40);
    setText(GetDlgItem(window, IDC_HOUR), twoDigits(moved.wHour));
    setText(GetDlgItem(window, IDC_MINUTE), twoDigits(moved.wMinute));
    setText(GetDlgItem(window, IDC_SECOND), twoDigits(moved.wSecond));
    click(pictureButton(window, IDC_OK)); // the form keeps the row's Restart
    const std::string movedKey = clockTextOf("Daily", moved);
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 5000));
    EXPECT_NE(shownWarning(program).key, key) << "the old warning stayed";
    ASSERT_TRUE(waitForWarningOf(program, movedKey, 15000)) << shownWarning(program).key;
    EXPECT_GE(secondsIn(shownWarning(program).text), 45) << shownWarning(program).text;
    press(shownWarning(program), 40);
    EXPECT_TRUE(waitUntil([&] { return shownWarning(program).window == nullptr; }, 5000));
    EXPECT_TRUE(program.running());
}

TEST(Warning, AWarnedRowDeletedClosesItsWarning) {
    Program program("warning-deleted");
    HWND window = startWarned(program, secondsFromNow(20));
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    program.clickRow(list, 0);
    click(pictureButton(window, IDC_DELETE));
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).empty(); }, 5000));
    EXPECT_TRUE(waitUntil([&] { return shownWarning(program).window == nullptr; }, 2000))
        << "the warning of a deleted event stayed";
    Sleep(2000);
    EXPECT_EQ(shownWarning(program).window, nullptr);
}
