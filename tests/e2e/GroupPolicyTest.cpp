// End to end: the settings written the way the Group Policy template writes them (numbers as
// REG_DWORD, flags as the text "1") take effect at the next start.
#include "Driver.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

const char settingsKey[] = "Software\\MarbrookVKRN\\Velkorin";
constexpr UINT trayCallback = WM_USER + 5;

void setNumber(HKEY key, const char *name, DWORD number) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number), sizeof number);
}

void setText(HKEY key, const char *name, const char *text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                   static_cast<DWORD>(lstrlenA(text) + 1));
}

// The policy's values, taken away again however the test ends: every other start expects the
// program's own settings.
struct Policy {
    explicit Policy(COLORREF colour) {
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, settingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr);
        setNumber(key, "Skins", 1);          // Metal
        setNumber(key, "FontColor", colour); // 0x00BBGGRR
        setNumber(key, "Today", 1);
        setText(key, "Minimize", "1");
        setText(key, "Load", "1");
    }
    ~Policy() {
        for (const char *name : {"Skins", "FontColor", "Today", "Minimize", "Load"})
            RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
    HKEY key = nullptr;
};

} // namespace

TEST(GroupPolicy, SettingsWrittenAsTheTemplateWritesThemTakeEffectAtStart) {
    const COLORREF red = RGB(190, 20, 30);
    Policy policy(red);
    Program program("group-policy");
    program.start();

    // Today: the day's list comes first.
    const std::string date =
        oneTimeKey(secondsFromNow(0)).substr(0, oneTimeKey(secondsFromNow(0)).size() - 9);
    HWND today = program.waitForWindow(date);
    ASSERT_NE(today, nullptr) << "no Today window";
    PostMessageA(today, WM_CLOSE, 0, 0);

    // Minimize: the main window goes into the tray; the tray brings it back.
    HWND window = program.mainWindowInTray();
    ASSERT_NE(window, nullptr) << "it did not start minimised";
    Sleep(500);
    EXPECT_FALSE(IsWindowVisible(window));
    PostMessageA(window, trayCallback, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(waitUntil([&] { return IsWindowVisible(window) && !IsIconic(window); }, 5000));
    Sleep(1500);

    // Skins and FontColor: the metal picture, the time in the colour.
    const std::vector<COLORREF> below = screenPixels(window, RECT{300, 420, 301, 421});
    EXPECT_LT(GetRValue(below[0]), 245) << "not the metal picture";
    EXPECT_GT(countLike(screenPixels(window, RECT{80, 50, 400, 78}), red), 30);
    screenshot("group-policy");

    // Load: the Settings show START WITH WINDOWS ticked.
    PostMessageA(window, WM_COMMAND, IDM_SETTINGS, 0);
    HWND settings = program.waitForWindow("Settings", 10000);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(SendMessageA(GetDlgItem(settings, IDC_START_WITH_WINDOWS), BM_GETCHECK, 0, 0),
              BST_CHECKED);
    EXPECT_EQ(SendMessageA(GetDlgItem(settings, IDC_START_MINIMIZED), BM_GETCHECK, 0, 0),
              BST_CHECKED);
    PostMessageA(settings, WM_CLOSE, 0, 0);
}
