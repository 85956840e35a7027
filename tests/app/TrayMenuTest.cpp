// The Today setting and the check mark of item 33, in the program's own process (Wine's menus
// cannot be read from another).
#include "MainMenu.h"
#include "Settings.h"
#include "Shell.h"
#include "Tray.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

struct MenuHost : testing::Test {
    void SetUp() override {
        programInstance = GetModuleHandleA(nullptr);
        window = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 programInstance, nullptr);
        SetMenu(window, LoadMenuA(programInstance, "MENUP"));
    }
    void TearDown() override {
        HMENU menu = GetMenu(window);
        DestroyWindow(window);
        DestroyMenu(menu);
    }
    bool marked() const {
        return GetMenuState(GetMenu(window), IDM_TODAY, MF_BYCOMMAND) & MF_CHECKED;
    }
    HWND window = nullptr;
};

void storeToday(const std::string &bytes) {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\MarbrookVKRN\\Velkorin", 0, nullptr, 0, KEY_WRITE,
                    nullptr, &key, nullptr);
    RegSetValueExA(key, todayValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

} // namespace

TEST_F(MenuHost, AStoredOneWithJunkAfterItTicksTheEntryAndTheCommandClearsBoth) {
    storeToday(std::string("\1\0\0\0junk!!", 10));
    todaySetting = 0;
    ASSERT_TRUE(readIntegerSetting(todayValue, todaySetting));
    showTodayMark(window);
    EXPECT_TRUE(marked());

    EXPECT_TRUE(mainMenuCommand(window, IDM_TODAY));
    EXPECT_FALSE(marked());
    int stored = -1;
    ASSERT_TRUE(readIntegerSetting(todayValue, stored));
    EXPECT_EQ(stored, 0);

    EXPECT_TRUE(mainMenuCommand(window, IDM_TODAY));
    EXPECT_TRUE(marked());
    ASSERT_TRUE(readIntegerSetting(todayValue, stored));
    EXPECT_EQ(stored, 1);
}

TEST_F(MenuHost, AnotherStoredValueBlocksTheCommandAndWritesNothing) {
    storeToday(std::string("\2\0\0\0\0\0\0\0\0\0", 10));
    ASSERT_TRUE(readIntegerSetting(todayValue, todaySetting));
    showTodayMark(window);
    EXPECT_FALSE(marked());
    EXPECT_TRUE(mainMenuCommand(window, IDM_TODAY));
    EXPECT_FALSE(marked());
    int stored = -1;
    ASSERT_TRUE(readIntegerSetting(todayValue, stored));
    EXPECT_EQ(stored, 2);
    todaySetting = 0;
}
