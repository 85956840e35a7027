// End to end: the administrator's policies, the computer's or the user's, fix a setting over
// the user's own choice, and the program shows it fixed: greyed in the menu, disabled with a
// note in the Settings dialog, unchanged by its commands. The user's own settings live in the
// user's key and survive a restart without the computer's key.
#include "Driver.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const char settingsKey[] = "Software\\MarbrookVKRN\\Velkorin";
const char policiesKey[] = "Software\\Policies\\MarbrookVKRN\\Velkorin";
const char runKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr UINT trayCallback = WM_USER + 5;

void setNumber(HKEY key, const char *name, DWORD number) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number), sizeof number);
}

void setText(HKEY key, const char *name, const std::string &bytes) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
}

bool keyExists(HKEY root, const char *path) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A key written for the test and taken away again however the test ends (with a value name,
// only that value): every other start expects no policy.
struct Key {
    Key(HKEY under, const char *at, const char *value = nullptr)
        : root(under), path(at), only(value) {
        RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    }
    ~Key() {
        if (only)
            RegDeleteValueA(key, only);
        RegCloseKey(key);
        if (!only)
            RegDeleteTreeA(root, path);
    }
    HKEY root;
    const char *path, *only;
    HKEY key = nullptr;
};

// The user's own choice: the white skin, black text, no Today window, not minimised.
void userChoosesTheDefaults(Key &own) {
    const std::string zero(10, '\0');
    setText(own.key, "Skins", zero);
    setText(own.key, "Today", zero);
    setText(own.key, "FontColor", std::string(4, '\0'));
    setText(own.key, "Minimize", std::string("0\0\0\0\0\0\0\0\0\0", 10));
}

// The face shows the metal picture with the time in the colour (a face just shown may take a
// moment to paint).
void expectMetalIn(HWND window, COLORREF colour, const char *when) {
    const auto metal = [&] {
        return GetRValue(screenPixels(window, RECT{300, 420, 301, 421})[0]) < 245;
    };
    const auto coloured = [&] {
        return countLike(screenPixels(window, RECT{80, 50, 400, 78}), colour) > 30;
    };
    EXPECT_TRUE(waitUntil([&] { return metal() && coloured(); }, 5000))
        << when << ": " << (metal() ? "" : "not the metal picture; ")
        << (coloured() ? "" : "not the colour");
}

// The darkest ink of each line of text of a dropped-down menu, top to bottom: black for an item
// that works, grey for a greyed one. Separators, drawn across the whole menu, part the lines.
std::vector<int> inkOfMenuLines(HWND menu) {
    RECT area;
    GetClientRect(menu, &area);
    const int width = area.right, height = area.bottom;
    const std::vector<COLORREF> pixels = screenPixels(menu, area);
    std::vector<int> lines;
    bool inLine = false;
    for (int y = 0; y < height; ++y) {
        int inked = 0, darkest = 255;
        for (int x = 0; x < width; ++x) {
            const COLORREF c = pixels[static_cast<std::size_t>(y * width + x)];
            const int light = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
            if (light < 200) {
                ++inked;
                darkest = std::min(darkest, light);
            }
        }
        const bool text = inked > 0 && inked < width * 6 / 10;
        if (text && !inLine)
            lines.push_back(darkest);
        else if (text)
            lines.back() = std::min(lines.back(), darkest);
        inLine = text;
    }
    return lines;
}

// The Options menu, dropped down as the keyboard opens it (its first item, Settings, chosen),
// then closed again: the ink of its lines, Settings, Skins, Show the window today, Color fonts,
// Help Topics, Visit site, About. The chosen item's colours may add lines at the top: the lines
// are counted from the bottom.
std::vector<int> optionsMenuInk(HWND window, const std::string &picture) {
    SetForegroundWindow(window);
    PostMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, 'o');
    HWND menu = shownMenu();
    if (!menu)
        return {};
    Sleep(300);
    const std::vector<int> ink = inkOfMenuLines(menu);
    screenshot(picture);
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    waitUntil([&] { return !IsWindowVisible(menu); }, 5000);
    return ink;
}

constexpr int blackInk = 60, greyInk = 90;
enum MenuLineFromTheBottom { helpLine = 3, colourLine = 4, todayLine = 5, skinsLine = 6 };

int inkOf(const std::vector<int> &ink, MenuLineFromTheBottom line) {
    return ink[ink.size() - line];
}

} // namespace

TEST(GroupPolicy, TheComputersPoliciesFixTheSettingsOverTheUsersChoice) {
    Key own(HKEY_CURRENT_USER, settingsKey);
    userChoosesTheDefaults(own);
    const COLORREF red = RGB(190, 20, 30);
    Key policy(HKEY_LOCAL_MACHINE, policiesKey);
    setNumber(policy.key, "Skins", 1);       // Metal
    setNumber(policy.key, "FontColor", red); // 0x00BBGGRR
    setNumber(policy.key, "Today", 1);
    setNumber(policy.key, "Minimize", 1);
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
    expectMetalIn(window, red, "at start");

    // Fixed, their menu items are greyed and their commands change nothing.
    const std::vector<int> ink = optionsMenuInk(window, "policy-menu");
    ASSERT_GE(ink.size(), 7u);
    EXPECT_LT(inkOf(ink, skinsLine), blackInk); // the menu that holds the skins
    EXPECT_GT(inkOf(ink, todayLine), greyInk);
    EXPECT_GT(inkOf(ink, colourLine), greyInk);
    EXPECT_LT(inkOf(ink, helpLine), blackInk);
    PostMessageA(window, WM_COMMAND, IDM_WHITE, 0);
    PostMessageA(window, WM_COMMAND, IDM_TODAY, 0);
    PostMessageA(window, WM_COMMAND, IDM_COLOR_FONTS, 0);
    Sleep(1500);
    EXPECT_EQ(program.waitForWindow("Color", 500), nullptr) << "the colour dialog opened";
    expectMetalIn(window, red, "after the commands");
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, settingsKey, "Skins"), std::string(10, '\0'));
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, settingsKey, "Today"), std::string(10, '\0'));

    // Settings: START MINIMIZED ticked, disabled, with the note; applying keeps the user's own.
    PostMessageA(window, WM_COMMAND, IDM_SETTINGS, 0);
    HWND settings = program.waitForWindow("Settings", 10000);
    ASSERT_NE(settings, nullptr);
    HWND minimised = GetDlgItem(settings, IDC_START_MINIMIZED);
    EXPECT_EQ(SendMessageA(minimised, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(minimised));
    HWND note = GetDlgItem(settings, IDC_START_MINIMIZED_FIXED);
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(IsWindowVisible(note));
    EXPECT_EQ(windowText(note), "Set by your administrator");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(settings, IDC_START_WITH_WINDOWS)));
    EXPECT_EQ(GetDlgItem(settings, IDC_START_WITH_WINDOWS_FIXED), nullptr);
    Sleep(500);
    screenshot("policy-settings");
    click(pictureButton(settings, IDC_APPLY));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(settings); }, 5000));
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, settingsKey, "Minimize").substr(0, 2),
              std::string("0\0", 2));
}

// The user's policy wins over the user's own choice in the same way; what it leaves alone the
// user still chooses.
TEST(GroupPolicy, TheUsersPolicyFixesASettingAndLeavesTheOthersFree) {
    Key own(HKEY_CURRENT_USER, settingsKey);
    userChoosesTheDefaults(own);
    Key policy(HKEY_CURRENT_USER, policiesKey);
    setNumber(policy.key, "Skins", 1);
    Program program("user-policy");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    Sleep(1500);
    expectMetalIn(window, RGB(0, 0, 0), "at start");
    const std::vector<int> ink = optionsMenuInk(window, "user-policy-menu");
    ASSERT_GE(ink.size(), 7u);
    EXPECT_LT(inkOf(ink, todayLine), blackInk);
    EXPECT_LT(inkOf(ink, colourLine), blackInk);
    PostMessageA(window, WM_COMMAND, IDM_WHITE, 0);
    Sleep(1000);
    expectMetalIn(window, RGB(0, 0, 0), "after White");
    // Today is the user's to change.
    PostMessageA(window, WM_COMMAND, IDM_TODAY, 0);
    EXPECT_TRUE(waitUntil(
        [&] { return storedValue(HKEY_CURRENT_USER, settingsKey, "Today")[0] == 1; }, 5000));
}

// Start with Windows set for every user in the computer's Run key is shown on and left alone.
TEST(GroupPolicy, StartWithWindowsForEveryUserShowsTickedAndFixed) {
    Key run(HKEY_LOCAL_MACHINE, runKey, "Velkorin");
    setText(run.key, "Velkorin", std::string("\"C:\\Velkorin\\Velkorin.exe\"") + '\0');
    Program program("run-for-everyone");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, IDM_SETTINGS, 0);
    HWND settings = program.waitForWindow("Settings", 10000);
    ASSERT_NE(settings, nullptr);
    HWND box = GetDlgItem(settings, IDC_START_WITH_WINDOWS);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(box));
    EXPECT_EQ(windowText(GetDlgItem(settings, IDC_START_WITH_WINDOWS_FIXED)),
              "Set by your administrator");
    Sleep(500);
    screenshot("policy-start-with-windows");
    click(pictureButton(settings, IDC_APPLY));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(settings); }, 5000));
    EXPECT_EQ(storedValue(HKEY_LOCAL_MACHINE, runKey, "Velkorin"),
              std::string("\"C:\\Velkorin\\Velkorin.exe\"") + '\0');
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, runKey, "Velkorin"), "<none>");
}

// What the user chooses is kept in the user's key alone and is there at the next start.
TEST(GroupPolicy, TheUsersSettingSurvivesARestartWithoutTheComputersKey) {
    RegDeleteTreeA(HKEY_CURRENT_USER, settingsKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, settingsKey);
    {
        Program program("users-setting");
        HWND window = program.launch();
        ASSERT_NE(window, nullptr);
        PostMessageA(window, WM_COMMAND, IDM_METAL, 0);
        ASSERT_TRUE(waitUntil(
            [&] { return storedValue(HKEY_CURRENT_USER, settingsKey, "Skins")[0] == 1; }, 5000));
    }
    Program program("users-setting");
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    Sleep(1500);
    expectMetalIn(window, RGB(0, 0, 0), "after the restart");
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, settingsKey));
    RegDeleteTreeA(HKEY_CURRENT_USER, settingsKey);
}
