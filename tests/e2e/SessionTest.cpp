// Windows ends the session, or an installer closes the program for an upgrade: what must be
// kept is written, the lock goes, and the program ends with 0.
#include "Driver.h"
#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

TEST(Session, AnEndKeepsTheRowBeingEditedWritesTheHistoryAndLetsGoOfTheLock) {
    Program program("session-end");
    const SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};
    const SYSTEMTIME soon = secondsFromNow(40);
    HWND window = program.launch(eventFileText(
        {{oneTimeKey(future), "", "", "", future}, {oneTimeKey(soon), "Restart", "", "", soon}}));
    ASSERT_NE(window, nullptr);
    ASSERT_NE(program.waitForWindow("Velkorin warning", 10000), nullptr);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    program.clickRow(list, 0, true); // the first row taken into the form
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 5000));

    // Another program says no: the session goes on, and so does Velkorin.
    EXPECT_EQ(sendWaiting(window, WM_QUERYENDSESSION, 0, 0), TRUE);
    sendWaiting(window, WM_ENDSESSION, FALSE, 0);
    Sleep(500);
    EXPECT_TRUE(program.running());

    // An installer's Restart Manager closes it for an upgrade.
    EXPECT_EQ(sendWaiting(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), TRUE);
    sendWaiting(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    EXPECT_EQ(program.waitForExit(10000), 0u);

    std::string text;
    ASSERT_TRUE(program.readEventFile(text));
    EXPECT_NE(text.find(oneTimeKey(future)), std::string::npos) << text; // the row in the form
    const std::string history = readWholeFile(program.directory() + "Velkorin.log");
    EXPECT_NE(history.find("restart not run: the session ended  " + oneTimeKey(soon)),
              std::string::npos)
        << history;
    EXPECT_EQ(history.find("requested"), std::string::npos) << history;
    EXPECT_NE(history.find("  session ended\r\n"), std::string::npos) << history;
    HANDLE lock = CreateFileA((program.directory() + "InformationSW.lock").c_str(),
                              GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    EXPECT_NE(lock, INVALID_HANDLE_VALUE);
    CloseHandle(lock);

    // Started again, it has every row, the edited one included, and carries them out.
    program.start();
    window = program.mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(program.listRows(GetDlgItem(window, IDC_EVENTS), 2).size(), 2u);
    EXPECT_TRUE(program.windowsTitled("Velkorin: events not carried out").empty());
    sendWaiting(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(program.waitForExit(10000), 0u);
}
