// End to end: the clock face of the real program, read off the screen: both skins, the font
// colour, the ticking time line and the colour dialog.
#include "Driver.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

const char settingsKey[] = "Software\\MarbrookVKRN\\Velkorin";
const RECT timeLine = {80, 50, 400, 78};
const RECT dateLine = {80, 20, 400, 40};

void storeFontColour(const BYTE (&colour)[4]) {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, "FontColor", 0, REG_SZ, colour, 4);
    RegCloseKey(key);
}

void forgetFontColour() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, "FontColor");
    RegCloseKey(key);
}

// The stored font colour's four bytes, or empty.
std::vector<BYTE> storedFontColour() {
    BYTE data[16] = {};
    DWORD size = sizeof data, type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    LONG result = RegQueryValueExA(key, "FontColor", nullptr, &type, data, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::vector<BYTE>(data, data + size) : std::vector<BYTE>();
}

// The stored Skins setting (Wine's menus cannot be read from another process; the check
// marks are tested in the program's own process by the Wine tests).
int storedSkins() {
    BYTE data[16] = {};
    DWORD size = sizeof data, type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    LONG result = RegQueryValueExA(key, "Skins", nullptr, &type, data, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && size == 10 ? data[0] : -1;
}

} // namespace

TEST(ClockFace, BothSkinsShowTheTickingClockInTheStoredColour) {
    const BYTE red[4] = {190, 20, 30, 0};
    storeFontColour(red);
    Program program("clock-face");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, IDM_WHITE, 0);
    Sleep(1500);
    const COLORREF font = RGB(190, 20, 30);
    EXPECT_GT(countLike(screenPixels(window, dateLine), font), 50);
    const std::vector<COLORREF> first = screenPixels(window, timeLine);
    EXPECT_GT(countLike(first, font), 30);
    EXPECT_TRUE(waitUntil([&] { return screenPixels(window, timeLine) != first; }, 3000))
        << "the time line did not change";
    EXPECT_EQ(storedSkins(), 0);
    screenshot("face-white");

    PostMessageA(window, WM_COMMAND, IDM_METAL, 0);
    Sleep(1200);
    EXPECT_EQ(storedSkins(), 1);
    const std::vector<COLORREF> below = screenPixels(window, RECT{300, 420, 301, 421});
    EXPECT_LT(GetRValue(below[0]), 245); // the metal picture, not white
    EXPECT_GT(countLike(screenPixels(window, timeLine), font), 30);
    screenshot("face-metal");

    PostMessageA(window, WM_COMMAND, IDM_COLOR_FONTS, 0);
    HWND colours = program.waitForWindow("Color", 10000);
    ASSERT_NE(colours, nullptr);
    screenshot("colour-dialog");
    PostMessageA(colours, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(waitUntil([&] { return program.windowsTitled("Color").empty(); }, 5000));
    Sleep(1200);
    EXPECT_GT(countLike(screenPixels(window, timeLine), font), 30); // still the same colour
    EXPECT_EQ(storedFontColour(), std::vector<BYTE>(red, red + 4));

    // Confirmed with nothing picked: black, shown and stored.
    PostMessageA(window, WM_COMMAND, IDM_COLOR_FONTS, 0);
    colours = program.waitForWindow("Color", 10000);
    ASSERT_NE(colours, nullptr);
    PostMessageA(colours, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitUntil([&] { return program.windowsTitled("Color").empty(); }, 5000));
    EXPECT_TRUE(waitUntil([&] { return storedFontColour() == std::vector<BYTE>(4, 0); }, 3000));
    Sleep(1200);
    EXPECT_EQ(countLike(screenPixels(window, timeLine), font), 0);
    EXPECT_GT(countLike(screenPixels(window, timeLine), RGB(0, 0, 0)), 30);

    PostMessageA(window, WM_COMMAND, IDM_WHITE, 0);
    Sleep(300);
    forgetFontColour();
}
