// End to end: the running program across a daylight-saving change. Wine follows a POSIX rule
// in TZ, so a zone whose clocks go forward a few seconds from now takes the program across one.
#include "Driver.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstdio>

// The test command runs this test with a zone whose clocks go forward a little ahead:
// TZ=VST0VDT-1,<day of year>/<hh:mm>:00,<later day>/02:00 (UTC is its standard time). Wine reads
// TZ when a program starts, from the Unix environment of the run, so the rule is set there.
TEST(DaylightSaving, AOneTimeEventInTheSkippedHourFiresAndIsNotReportedMissed) {
    char zone[128] = "";
    GetEnvironmentVariableA("TZ", zone, sizeof zone);
    int dayOfYear = 0, hour = 0, minute = 0;
    if (std::sscanf(zone, "VST0VDT-1,%d/%d:%d", &dayOfYear, &hour, &minute) != 3)
        GTEST_SKIP() << "run by the test command with a TZ rule";
    if (hour == 23 && minute >= 30)
        GTEST_SKIP() << "the skipped hour would cross midnight";

    // Half an hour into the skipped hour, as the local clock names it after the change.
    SYSTEMTIME today;
    GetSystemTime(&today);
    SYSTEMTIME inside = today;
    inside.wHour = static_cast<WORD>(hour + (minute + 30) / 60);
    inside.wMinute = static_cast<WORD>((minute + 30) % 60);
    inside.wSecond = 0;
    inside.wMilliseconds = 0;
    const SYSTEMTIME later = {2033, 1, 0, 1, 12, 0, 0, 0};
    Program program("daylight-saving");
    HWND window = program.launch(eventFileText(
        {{oneTimeKey(inside), "", "", "", inside}, {oneTimeKey(later), "", "", "", later}}));
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    ASSERT_EQ(program.listRows(list, 2).size(), 2u) << "reported missed before the change";

    EXPECT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 120000))
        << "the event in the skipped hour did not fire; TZ " << zone;
    EXPECT_TRUE(program.windowsTitled("Ooops! Your missed event.").empty());
    std::string text;
    ASSERT_TRUE(program.readEventFile(text));
    EXPECT_EQ(text.find(oneTimeKey(inside)), std::string::npos);
    EXPECT_NE(text.find(oneTimeKey(later)), std::string::npos);
}
