// The clock face under Wine: what the face shows after a tick, when it repaints, the skins and
// their check marks, the colour dialog, and that a clock running for months leaks nothing.
#include "ClockFace.h"
#include "GdiObjects.h"
#include "Settings.h"
#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

const RECT timeLine = {80, 50, 400, 78};
const char settingsKey[] = "Software\\MarbrookVKRN\\Velkorin";

std::vector<RECT> paints; // the region of each paint of the host

INT_PTR CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_PAINT: {
        RECT update = {};
        GetUpdateRect(window, &update, FALSE);
        paints.push_back(update);
        paintClockFace(window);
        return TRUE;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return reinterpret_cast<INT_PTR>(controlColours(reinterpret_cast<HDC>(wParam)));
    default: return FALSE;
    }
}

// The main window's template with the face's handlers and the main menu.
struct FaceHost : testing::Test {
    void SetUp() override {
        INITCOMMONCONTROLSEX classes = {sizeof classes, 0x105};
        InitCommonControlsEx(&classes);
        window = CreateDialogParamA(GetModuleHandleA(nullptr), "DIAL", nullptr, hostProc, 0);
        ASSERT_NE(window, nullptr);
        SetMenu(window, LoadMenuA(GetModuleHandleA(nullptr), "MENUP"));
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        pump();
        paints.clear();
    }
    void TearDown() override {
        HMENU menu = GetMenu(window);
        DestroyWindow(window);
        DestroyMenu(menu);
    }
    static void pump() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    void tick(const SYSTEMTIME &time) {
        clockWork(window, time);
        UpdateWindow(window);
    }
    // How many pixels of a region have about this colour.
    int pixelsLike(COLORREF colour, const RECT &region) const {
        HDC dc = GetDC(window);
        int count = 0;
        for (int y = region.top; y < region.bottom; ++y)
            for (int x = region.left; x < region.right; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                if (abs(GetRValue(c) - GetRValue(colour)) < 40 &&
                    abs(GetGValue(c) - GetGValue(colour)) < 40 &&
                    abs(GetBValue(c) - GetBValue(colour)) < 40)
                    ++count;
            }
        ReleaseDC(window, dc);
        return count;
    }
    COLORREF pixel(int x, int y) const {
        HDC dc = GetDC(window);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(window, dc);
        return c;
    }
    UINT checkState(int command) const {
        return GetMenuState(GetMenu(window), static_cast<UINT>(command), MF_BYCOMMAND) & MF_CHECKED;
    }
    HWND window = nullptr;
};

SYSTEMTIME moment(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME time = {year, month, 0, day, hour, minute, second, 0};
    FILETIME file;
    SystemTimeToFileTime(&time, &file);
    FileTimeToSystemTime(&file, &time); // fills in the day of week
    return time;
}

bool storedValue(const char *name, std::vector<BYTE> &data) {
    DWORD size = 64;
    data.assign(size, 0);
    DWORD type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, settingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    data.resize(size);
    return result == ERROR_SUCCESS;
}

void forgetValue(const char *name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, settingsKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// Answers the colour dialog, once it shows, with a button of its own.
std::thread answerColourDialog(int button) {
    return std::thread([button] {
        HWND dialog = nullptr;
        for (int i = 0; i < 200 && !dialog; ++i) {
            Sleep(50);
            dialog = FindWindowA("#32770", "Color");
        }
        if (dialog) PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(button), 0);
    });
}

} // namespace

TEST_F(FaceHost, AfterATickTheDateAndTimeShowInTheFontColour) {
    fontColour = RGB(210, 0, 0);
    skinsSetting = 0;
    applySkin(window);
    tick(moment(2026, 12, 7, 10, 20, 30));
    EXPECT_GT(pixelsLike(fontColour, timeLine), 30);
    EXPECT_GT(pixelsLike(fontColour, RECT{80, 20, 400, 40}), 60);
    EXPECT_EQ(pixelsLike(fontColour, RECT{80, 0, 400, 18}), 0); // above the date: skin only
    // A second later the time line shows another text.
    HDC dc = GetDC(window);
    COLORREF before[28][16];
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 16; ++x) before[y][x] = GetPixel(dc, 262 + x, 50 + y);
    tick(moment(2026, 12, 7, 10, 20, 31));
    pump();
    int changed = 0;
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 16; ++x) changed += GetPixel(dc, 262 + x, 50 + y) != before[y][x];
    ReleaseDC(window, dc);
    EXPECT_GT(changed, 5);
}

TEST_F(FaceHost, OnlyTheTimeLineIsRedrawnUntilTheDateChanges) {
    tick(moment(2026, 12, 7, 23, 59, 58)); // first tick: the date text is new
    pump();
    paints.clear();
    clockWork(window, moment(2026, 12, 7, 23, 59, 59));
    EXPECT_TRUE(paints.empty()); // nothing drawn at once
    RECT update;
    GetUpdateRect(window, &update, FALSE);
    EXPECT_TRUE(EqualRect(&update, &timeLine));
    pump();
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_TRUE(EqualRect(&paints[0], &timeLine));

    paints.clear();
    clockWork(window, moment(2026, 12, 8, 0, 0, 0)); // midnight: one full repaint, at once
    ASSERT_EQ(paints.size(), 1u);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_TRUE(EqualRect(&paints[0], &client));
    pump();
    paints.clear();
    tick(moment(2026, 12, 8, 0, 0, 1));
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_TRUE(EqualRect(&paints[0], &timeLine));
}

TEST_F(FaceHost, EachSkinShowsItsPictureTicksItsEntryAndIsStored) {
    std::vector<BYTE> stored;
    chooseSkin(window, 1);
    UpdateWindow(window);
    EXPECT_EQ(checkState(IDM_METAL), static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(checkState(IDM_WHITE), 0u);
    const COLORREF metal = pixel(300, 430); // below the list, between the buttons
    EXPECT_LT(GetRValue(metal), 245); // grey
    ASSERT_TRUE(storedValue(skinsValue, stored));
    ASSERT_EQ(stored.size(), 10u);
    EXPECT_EQ(stored[0], 1);

    chooseSkin(window, 0);
    UpdateWindow(window);
    EXPECT_EQ(checkState(IDM_WHITE), static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(checkState(IDM_METAL), 0u);
    EXPECT_EQ(pixel(300, 430), RGB(255, 255, 255));
    EXPECT_EQ(pixel(560, 430), RGB(255, 255, 255)); // beyond the picture's 510 pixels
    ASSERT_TRUE(storedValue(skinsValue, stored));
    EXPECT_EQ(stored[0], 0);

    // Another value changes nothing at all, and stores nothing.
    forgetValue(skinsValue);
    skinsSetting = 2;
    applySkin(window);
    EXPECT_EQ(checkState(IDM_WHITE), static_cast<UINT>(MF_CHECKED));
    EXPECT_FALSE(storedValue(skinsValue, stored));
    skinsSetting = 0;
}

TEST_F(FaceHost, TheComboBoxesTextIsInTheFontColourOnWhite) {
    fontColour = RGB(0, 128, 255);
    HDC dc = GetDC(window);
    SetTextColor(dc, RGB(1, 2, 3));
    EXPECT_EQ(controlColours(dc), static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetTextColor(dc), fontColour);
    ReleaseDC(window, dc);
}

TEST_F(FaceHost, ACancelledColourDialogChangesNothing) {
    fontColour = RGB(200, 0, 0);
    writeFontColour(fontColour);
    showFontColour(window, FALSE);
    std::thread answer = answerColourDialog(IDCANCEL);
    chooseFontColour(window);
    answer.join();
    EXPECT_EQ(fontColour, RGB(200, 0, 0));
    std::vector<BYTE> stored;
    ASSERT_TRUE(storedValue(fontColorValue, stored));
    EXPECT_EQ(stored, (std::vector<BYTE>{200, 0, 0, 0}));
    EXPECT_EQ(SendDlgItemMessageA(window, IDC_EVENTS, LVM_GETTEXTCOLOR, 0, 0), RGB(200, 0, 0));
}

TEST_F(FaceHost, ConfirmedBlackBecomesTheFontColourAndIsStored) {
    fontColour = RGB(200, 0, 0);
    writeFontColour(fontColour);
    std::thread answer = answerColourDialog(IDOK); // nothing picked: black
    chooseFontColour(window);
    answer.join();
    EXPECT_EQ(fontColour, RGB(0, 0, 0));
    std::vector<BYTE> stored;
    ASSERT_TRUE(storedValue(fontColorValue, stored));
    EXPECT_EQ(stored, (std::vector<BYTE>{0, 0, 0, 0}));
}

TEST_F(FaceHost, TenThousandTicksSkinsAndColoursLeaveTheGdiObjectCountFlat) {
    skinsSetting = 0;
    applySkin(window);
    SYSTEMTIME time = moment(2026, 12, 7, 10, 0, 0);
    tick(time);
    pump();
    const int afterFirst = liveGdiObjects();
    for (int i = 1; i <= 10000; ++i) {
        time = moment(2026, 12, 7 + static_cast<WORD>(i / 3600 % 20), static_cast<WORD>(i / 60 % 24),
                      static_cast<WORD>(i % 60), static_cast<WORD>(i % 60));
        tick(time);
        if (i % 500 == 0) {
            chooseSkin(window, (i / 500) % 2);
            fontColour = RGB(i % 256, 0, 0);
            showFontColour(window, FALSE);
            UpdateWindow(window);
        }
    }
    pump();
    chooseSkin(window, 0);
    UpdateWindow(window);
    EXPECT_EQ(liveGdiObjects(), afterFirst);
}
