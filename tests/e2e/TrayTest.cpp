// End to end: the settings key at first start, minimising into the tray and back, start
// minimised, the tray menu and the Settings dialog of the running program.
#include "Driver.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <cstring>

namespace {

const char settingsKey[] = "Software\\MarbrookVKRN\\Velkorin";
const char runKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr UINT trayCallback = WM_USER + 5;

std::vector<std::string> valueNames(HKEY root, const char *key) {
    std::vector<std::string> names;
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumValueA(opened, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(opened);
    return names;
}

void storeSetting(const char *name, const std::string &data) {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.data()),
                   static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

// In the tray the window's thread holds no caret, and none of its controls has the focus: an
// unseen caret would go on blinking, which costs a hidden clock more than its own tick.
void expectNoCaretInTray(HWND window) {
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &gui));
    EXPECT_EQ(gui.hwndCaret, nullptr);
    EXPECT_FALSE(gui.hwndFocus && IsChild(window, gui.hwndFocus));
}

// Answers the exit question with Yes.
void confirmExit(const Program &program, HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    HWND question = program.waitForWindow("Exit from programm Velkorin", 10000);
    if (question)
        PostMessageA(question, WM_COMMAND, IDYES, 0);
}

} // namespace

TEST(Tray, AFirstStartCreatesTheSettingsKeyHoldingOnlyTheSkin) {
    RegDeleteTreeA(HKEY_CURRENT_USER, settingsKey);
    Program program("first-start");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    Sleep(500);
    EXPECT_EQ(valueNames(HKEY_CURRENT_USER, settingsKey), std::vector<std::string>{"Skins"});
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, settingsKey, "Skins"), std::string(10, '\0'));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(trayIconOf(window));
}

TEST(Tray, MinimisingHidesIntoTheTrayAndALeftClickBringsItBack) {
    Program program("tray");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < 2; ++i) {
        PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(window); }, 5000)) << i;
        Sleep(500);
        EXPECT_FALSE(IsWindowVisible(window)) << "the window came back by itself";
        EXPECT_TRUE(trayIconOf(window));
        expectNoCaretInTray(window);
        PostMessageA(window, trayCallback, 0, WM_LBUTTONDOWN);
        ASSERT_TRUE(waitUntil([&] { return IsWindowVisible(window) && !IsIconic(window); }, 5000));
        // It stays while the window is shown (put back just after the window shows).
        EXPECT_TRUE(waitUntil([&] { return trayIconOf(window); }, 2000));
    }
    // Another icon's callbacks are not ours.
    PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(window); }, 5000));
    PostMessageA(window, trayCallback, 0, MAKELPARAM(WM_LBUTTONDOWN, 1));
    Sleep(500);
    EXPECT_FALSE(IsWindowVisible(window));
    // The tray menu's Show Window brings it back too.
    PostMessageA(window, WM_COMMAND, IDM_TRAY_SHOW_WINDOW, 0);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(window); }, 5000));

    // A task bar made anew hides the shown window and shows the icon.
    PostMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(window); }, 5000));
    Sleep(500);
    EXPECT_FALSE(IsWindowVisible(window));

    PostMessageA(window, WM_COMMAND, IDM_TRAY_EXIT, 0); // Exit: asks first
    HWND question = program.waitForWindow("Exit from programm Velkorin", 10000);
    ASSERT_NE(question, nullptr);
    PostMessageA(question, WM_COMMAND, IDYES, 0);
    EXPECT_EQ(program.waitForExit(10000), 0u);
    EXPECT_FALSE(trayIconOf(window));
}

TEST(Tray, StartMinimisedShowsTheWindowThenHidesIt) {
    storeSetting("Minimize", std::string("1x\0\0\0\0\0\0\0\0", 10));
    Program program("start-minimised");
    program.start();
    HWND window = program.mainWindowInTray();
    ASSERT_NE(window, nullptr);
    storeSetting("Minimize", std::string("0\0\0\0\0\0\0\0\0\0", 10));
    Sleep(500);
    EXPECT_FALSE(IsWindowVisible(window));
    expectNoCaretInTray(window);

    PostMessageA(window, trayCallback, 0, WM_RBUTTONDOWN);
    HWND menu = shownMenu();
    ASSERT_NE(menu, nullptr);
    screenshot("tray-menu");
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(menu); }, 5000));
    PostMessageA(window, trayCallback, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(window); }, 5000));
    confirmExit(program, window);
    program.waitForExit(5000);
}

TEST(Tray, TheTodayEntryFlipsTheStoredSetting) {
    storeSetting("Today", std::string("\0\0\0\0\0\0\0\0\0\0", 10));
    Program program("today-entry");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, IDM_TRAY_TODAY, 0);
    EXPECT_TRUE(waitUntil(
        [&] { return storedValue(HKEY_CURRENT_USER, settingsKey, "Today")[0] == 1; }, 5000));
    PostMessageA(window, WM_COMMAND, IDM_TODAY, 0);
    EXPECT_TRUE(waitUntil(
        [&] { return storedValue(HKEY_CURRENT_USER, settingsKey, "Today")[0] == 0; }, 5000));
}

TEST(Tray, TheSettingsDialogAppliesItsBoxesAndItsCloseBoxWritesNothing) {
    RegDeleteTreeA(HKEY_CURRENT_USER, settingsKey);
    Program program("settings dialog"); // a blank in the path: the Run value needs its quotes
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);

    PostMessageA(window, WM_COMMAND, IDM_TRAY_SETTINGS, 0); // the tray entry stands for command 30
    HWND settings = program.waitForWindow("Settings", 10000);
    ASSERT_NE(settings, nullptr);
    // It belongs to the main window, which waits for it; asked for again (the tray menu still
    // reaches the main window), the one open comes forward and no second one opens.
    EXPECT_EQ(GetWindow(settings, GW_OWNER), window);
    EXPECT_FALSE(IsWindowEnabled(window));
    PostMessageA(window, WM_COMMAND, IDM_TRAY_SETTINGS, 0);
    Sleep(1000);
    EXPECT_EQ(program.windowsTitled("Settings").size(), 1u);
    HWND startWithWindows = GetDlgItem(settings, IDC_START_WITH_WINDOWS);
    HWND startMinimised = GetDlgItem(settings, IDC_START_MINIMIZED);
    EXPECT_EQ(SendMessageA(startWithWindows, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageA(startWithWindows, BM_SETCHECK, BST_CHECKED, 0);
    screenshot("settings-dialog");
    click(pictureButton(settings, IDC_APPLY));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(settings); }, 5000));
    const std::string run = storedValue(HKEY_CURRENT_USER, runKey, "Velkorin");
    const std::string expected = "\"" + program.directory() + "Velkorin.exe\"";
    EXPECT_EQ(run.substr(0, expected.size() + 1), expected + std::string(1, '\0'));
    EXPECT_EQ(run.size(), expected.size() + 1 < 100 ? 100u : expected.size() + 1);
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, settingsKey, "Load").substr(0, 2),
              std::string("1\0", 2));
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, settingsKey, "Minimize").substr(0, 2),
              std::string("0\0", 2));

    // Opened again it shows what was applied; its close box writes nothing.
    PostMessageA(window, WM_COMMAND, IDM_SETTINGS, 0);
    settings = program.waitForWindow("Settings", 10000);
    ASSERT_NE(settings, nullptr);
    startWithWindows = GetDlgItem(settings, IDC_START_WITH_WINDOWS);
    startMinimised = GetDlgItem(settings, IDC_START_MINIMIZED);
    EXPECT_EQ(SendMessageA(startWithWindows, BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageA(startWithWindows, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(startMinimised, BM_SETCHECK, BST_CHECKED, 0);
    PostMessageA(settings, WM_CLOSE, 0, 0);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(settings); }, 5000));
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, runKey, "Velkorin"), run);
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, settingsKey, "Minimize").substr(0, 2),
              std::string("0\0", 2));

    // Unticked and applied, the Run value goes.
    PostMessageA(window, WM_COMMAND, IDM_SETTINGS, 0);
    settings = program.waitForWindow("Settings", 10000);
    ASSERT_NE(settings, nullptr);
    SendMessageA(GetDlgItem(settings, IDC_START_WITH_WINDOWS), BM_SETCHECK, BST_UNCHECKED, 0);
    click(pictureButton(settings, IDC_APPLY));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(settings); }, 5000));
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, runKey, "Velkorin"), "<none>");
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, settingsKey, "Load").substr(0, 2),
              std::string("0\0", 2));
}

TEST(Tray, HelpTopicsOpensTheHelpFileOfAProgramDirectoryOfAnyLength) {
    // A directory of about 215 characters, wherever the build is: longer than 200, so the
    // help path must not be cut, and short enough for the shell's MAX_PATH with the file name.
    const std::size_t runs = (buildDirectory() + "e2e-runs\\help-").size();
    Program program("help-" + std::string(runs < 200 ? 215 - runs : 1, 'h'));
    ASSERT_GT(program.directory().size(), 200u);
    ASSERT_TRUE(CopyFileA((buildDirectory() + "HelpVelkorin.chm").c_str(),
                          (program.directory() + "HelpVelkorin.chm").c_str(), FALSE));
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    for (WORD command : {static_cast<WORD>(IDM_HELP), static_cast<WORD>(IDM_TRAY_HELP)}) {
        PostMessageA(window, WM_COMMAND, command, 0);
        HWND help = nullptr;
        EXPECT_TRUE(
            waitUntil([&] { return (help = FindWindowA("HH Parent", "Velkorin Help")); }, 20000))
            << "command " << command;
        if (!help)
            continue;
        if (command == IDM_HELP)
            screenshot("help-file");
        PostMessageA(help, WM_CLOSE, 0, 0);
        waitUntil([&] { return !IsWindow(help); }, 5000);
    }
}

// Hidden, the program sleeps until an event's second and fires it then, not a tick later: the
// row leaves the list within the second its moment names.
TEST(Tray, HiddenItWakesForEachEventsSecondAndFiresItThen) {
    storeSetting("Minimize", std::string("1\0", 2));
    Program program("hidden-fires");
    const SYSTEMTIME first = secondsFromNow(9), second = plusSeconds(first, 7);
    const SYSTEMTIME later = {2033, 1, 0, 1, 12, 0, 0, 0};
    program.writeEventFile(eventFileText({{oneTimeKey(first), "", "", "", first},
                                          {oneTimeKey(second), "", "", "", second},
                                          {oneTimeKey(later), "", "", "", later}}));
    program.start();
    HWND window = program.mainWindowInTray();
    storeSetting("Minimize", std::string("0\0", 2));
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    const auto secondsPast = [](const SYSTEMTIME &moment) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        FILETIME a, b;
        SystemTimeToFileTime(&now, &a);
        SystemTimeToFileTime(&moment, &b);
        return (static_cast<double>(a.dwLowDateTime) + 4294967296.0 * a.dwHighDateTime -
                static_cast<double>(b.dwLowDateTime) - 4294967296.0 * b.dwHighDateTime) /
               1e7;
    };
    for (std::size_t left : {2u, 1u}) {
        const SYSTEMTIME &due = left == 2 ? first : second;
        ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == left; }, 20000));
        const double late = secondsPast(due);
        EXPECT_GE(late, 0.0) << "fired before its second";
        EXPECT_LT(late, 1.5) << "fired after its second";
        EXPECT_FALSE(IsWindowVisible(window));
    }
    EXPECT_EQ(program.listRows(list, 2)[0][1], oneTimeKey(later));
    PostMessageA(window, trayCallback, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(window); }, 5000));
    confirmExit(program, window);
    program.waitForExit(5000);
}

// The icon speaks the tray's newest protocol: the event and icon id in lParam, the icon's place
// in wParam. From the keyboard the menu key opens the menu at the icon and Enter brings the
// window back; a right click's own context-menu message opens no second menu.
TEST(Tray, TheKeyboardOpensTheMenuAtTheIconAndBringsTheWindowBack) {
    Program program("tray-keyboard");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(window); }, 5000));

    PostMessageA(window, trayCallback, MAKEWPARAM(600, 500), MAKELPARAM(WM_CONTEXTMENU, 0));
    HWND menu = shownMenu();
    ASSERT_NE(menu, nullptr);
    RECT place = {};
    GetWindowRect(menu, &place);
    EXPECT_NEAR(place.right, 600, 2); // right-aligned at the icon
    EXPECT_NEAR(place.top, 500, 2);
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(menu); }, 5000));

    PostMessageA(window, trayCallback, 0, MAKELPARAM(WM_RBUTTONDOWN, 0));
    menu = shownMenu();
    ASSERT_NE(menu, nullptr);
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(menu); }, 5000));
    PostMessageA(window, trayCallback, MAKEWPARAM(600, 500), MAKELPARAM(WM_CONTEXTMENU, 0));
    EXPECT_EQ(shownMenu(1000), nullptr) << "the right click's release opened a second menu";

    PostMessageA(window, trayCallback, MAKEWPARAM(600, 500), MAKELPARAM(NIN_KEYSELECT, 1));
    Sleep(500);
    EXPECT_FALSE(IsWindowVisible(window)) << "another icon's Enter";
    PostMessageA(window, trayCallback, MAKEWPARAM(600, 500), MAKELPARAM(NIN_KEYSELECT, 0));
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(window) && !IsIconic(window); }, 5000));
    EXPECT_TRUE(waitUntil([&] { return trayIconOf(window); }, 2000));
    confirmExit(program, window);
    program.waitForExit(5000);
}
