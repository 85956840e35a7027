// End to end: the timer that wakes the computer two minutes before a power action, and what
// the program does when Windows tells it of sleep and wake.
#include "Driver.h"
#include "resource.h"

#include "Occurrences.h"

#include <gtest/gtest.h>

namespace {

// 100 ns units since 1601, UTC.
ULONGLONG utcNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

ULONGLONG utcOf(const SYSTEMTIME &local) {
    SYSTEMTIME utc;
    TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
    FILETIME file;
    SystemTimeToFileTime(&utc, &file);
    return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

constexpr ULONGLONG second = 10000000;

std::string historyOf(const Program &program) {
    return readWholeFile(program.directory() + "Velkorin.log");
}

} // namespace

TEST(Wake, TheTimerWakesTwoMinutesBeforeARestartAndFollowsADelete) {
    Program program("wake-timer");
    SYSTEMTIME first = secondsFromNow(132), second_ = secondsFromNow(142);
    first.wMilliseconds = second_.wMilliseconds = 0;
    HWND window =
        program.launch(eventFileText({{oneTimeKey(first), "Restart", "", "", first},
                                      {oneTimeKey(second_), "Restart", "", "", second_}}));
    ASSERT_NE(window, nullptr);
    const std::string name = "Velkorin wake " + std::to_string(program.processId());
    HANDLE timer = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] { return (timer = OpenWaitableTimerA(SYNCHRONIZE, FALSE, name.c_str())) != nullptr; },
        5000))
        << "no wake timer named " << name;
    EXPECT_EQ(WaitForSingleObject(timer, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // The first restart deleted: the timer now wakes for the second.
    HWND list = GetDlgItem(window, IDC_EVENTS);
    program.clickRow(list, 0);
    click(pictureButton(window, IDC_DELETE));
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 3000));
    ASSERT_LT(utcNow(), utcOf(first) - 120 * second) << "the delete came too late to tell";

    ASSERT_EQ(WaitForSingleObject(timer, 30000), static_cast<DWORD>(WAIT_OBJECT_0));
    const LONGLONG late =
        static_cast<LONGLONG>(utcNow()) - static_cast<LONGLONG>(utcOf(second_) - 120 * second);
    EXPECT_GE(late, 0) << "signalled " << -late / 10000 << " ms early";
    EXPECT_LT(late, static_cast<LONGLONG>(second)) << "signalled " << late / 10000 << " ms late";
    CloseHandle(timer);
    EXPECT_EQ(historyOf(program).find("requested"), std::string::npos);
}

TEST(Wake, SleepAndWakeAreWrittenDownAndWhatPassedIsReportedInOneNotice) {
    Program program("wake-missed");
    const SYSTEMTIME a = secondsFromNow(8), b = secondsFromNow(9), daily = secondsFromNow(10);
    const SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};
    HWND window =
        program.launch(eventFileText({{oneTimeKey(a), "", "", "", a},
                                      {oneTimeKey(b), "Restart", "", "", b},
                                      {clockTextOf("Daily", daily), "", "", "Daily", daily},
                                      {oneTimeKey(future), "", "", "", future}}));
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    ASSERT_EQ(program.listRows(list, 2).size(), 4u);

    // Windows tells of the sleep, and the computer sleeps past the three events.
    SendMessageA(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    program.freeze();
    const ULONGLONG wake = utcOf(daily) + 3 * second;
    while (utcNow() < wake)
        Sleep(200);
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    program.thaw();

    HWND notice = program.waitForWindow("Ooops! Your missed event.", 5000);
    ASSERT_NE(notice, nullptr);
    Sleep(1500);
    EXPECT_EQ(program.windowsTitled("Ooops! Your missed event.").size(), 1u);
    const std::string text = windowText(notice);
    EXPECT_EQ(text.rfind("2 events passed while the computer slept:", 0), 0u) << text;
    EXPECT_NE(text.find(oneTimeKey(a)), std::string::npos) << text;
    EXPECT_NE(text.find(oneTimeKey(b) + "\r\nRestart:Restart"), std::string::npos) << text;
    screenshot("slept-notice");

    const auto rows = program.listRows(list, 2);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], clockTextOf("Daily", daily));
    const std::string history = historyOf(program);
    EXPECT_EQ(occurrences(history, "  asleep"), 1) << history;
    EXPECT_EQ(occurrences(history, "  awake"), 1) << history;
    EXPECT_EQ(occurrences(history, "  missed  "), 2) << history;
    EXPECT_EQ(occurrences(history, "  fired  "), 0) << history;
    EXPECT_EQ(history.find("requested"), std::string::npos) << history;
}
