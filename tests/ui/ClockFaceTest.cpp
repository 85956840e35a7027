// The clock face under Wine: what the face shows after a tick, when it repaints, the skins and
// their check marks, the colour dialog, and that a clock running for months leaks nothing.
#include "ClockFace.h"
#include "GdiObjects.h"
#include "MainMenu.h"
#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

const RECT timeLine = {80, 50, 400, 78};

std::vector<RECT> paints; // the region of each paint of the host

INT_PTR CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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
        return reinterpret_cast<INT_PTR>(
            controlColours(window, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
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

// Answers the colour dialog, once it shows, with a button of its own.
std::thread answerColourDialog(int button) {
    return std::thread([button] {
        HWND dialog = nullptr;
        for (int i = 0; i < 200 && !dialog; ++i) {
            Sleep(50);
            dialog = FindWindowA("#32770", "Color");
        }
        if (dialog)
            PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(button), 0);
    });
}

} // namespace

TEST_F(FaceHost, AfterATickTheDateAndTimeShowInTheFontColour) {
    showFontColour(window, RGB(210, 0, 0), TRUE);
    showSkin(window, 0);
    tick(moment(2026, 12, 7, 10, 20, 30));
    EXPECT_GT(pixelsLike(fontColour, timeLine), 30);
    EXPECT_GT(pixelsLike(fontColour, RECT{80, 20, 400, 40}), 60);
    EXPECT_EQ(pixelsLike(fontColour, RECT{80, 0, 400, 18}), 0); // above the date: skin only
    // A second later the time line shows another text.
    HDC dc = GetDC(window);
    COLORREF before[28][16];
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 16; ++x)
            before[y][x] = GetPixel(dc, 262 + x, 50 + y);
    tick(moment(2026, 12, 7, 10, 20, 31));
    pump();
    int changed = 0;
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 16; ++x)
            changed += GetPixel(dc, 262 + x, 50 + y) != before[y][x];
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

TEST_F(FaceHost, EachSkinShowsItsPictureAndTicksItsEntry) {
    EXPECT_TRUE(showSkin(window, 1));
    UpdateWindow(window);
    EXPECT_EQ(checkState(IDM_METAL), static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(checkState(IDM_WHITE), 0u);
    const COLORREF metal = pixel(300, 430); // below the list, between the buttons
    EXPECT_LT(GetRValue(metal), 245);       // grey

    EXPECT_TRUE(showSkin(window, 0));
    UpdateWindow(window);
    EXPECT_EQ(checkState(IDM_WHITE), static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(checkState(IDM_METAL), 0u);
    EXPECT_EQ(pixel(300, 430), RGB(255, 255, 255));
    EXPECT_EQ(pixel(560, 430), RGB(255, 255, 255)); // beyond the picture's 510 pixels

    // Another value changes nothing at all.
    EXPECT_FALSE(showSkin(window, 2));
    UpdateWindow(window);
    EXPECT_EQ(checkState(IDM_WHITE), static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(pixel(300, 430), RGB(255, 255, 255));
}

TEST_F(FaceHost, TheComboBoxesTextIsInTheFontColourOnWhiteAndANoticeKeepsTheSystemColours) {
    showFontColour(window, RGB(0, 128, 255), FALSE);
    HDC dc = GetDC(window);
    SetTextColor(dc, RGB(1, 2, 3));
    // The hour box's own edit field, a grandchild of the face.
    HWND hourEdit = GetWindow(GetDlgItem(window, IDC_HOUR), GW_CHILD);
    ASSERT_NE(hourEdit, nullptr);
    EXPECT_EQ(controlColours(window, dc, hourEdit),
              static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 128, 255));
    // A notice is an edit window the face only owns.
    SetTextColor(dc, RGB(1, 2, 3));
    HWND notice = CreateWindowExA(0, "edit", "notice", WS_POPUP | WS_CAPTION, 0, 0, 100, 50, window,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(controlColours(window, dc, notice), nullptr);
    EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
    DestroyWindow(notice);
    ReleaseDC(window, dc);
}

TEST_F(FaceHost, AColourShowsInTheListAndTheColourDialogGivesOnlyAConfirmedOne) {
    showFontColour(window, RGB(200, 0, 0), FALSE);
    EXPECT_EQ(SendDlgItemMessageA(window, IDC_EVENTS, LVM_GETTEXTCOLOR, 0, 0), RGB(200, 0, 0));
    COLORREF chosen = RGB(1, 2, 3);
    std::thread answer = answerColourDialog(IDCANCEL);
    EXPECT_FALSE(chooseColour(window, GetModuleHandleA(nullptr), CC_FULLOPEN, chosen));
    answer.join();
    answer = answerColourDialog(IDOK); // nothing picked: black
    EXPECT_TRUE(chooseColour(window, GetModuleHandleA(nullptr), CC_FULLOPEN, chosen));
    answer.join();
    EXPECT_EQ(chosen, RGB(0, 0, 0));
}

TEST_F(FaceHost, TenThousandTicksSkinsAndColoursLeaveTheGdiObjectCountFlat) {
    showSkin(window, 0);
    SYSTEMTIME time = moment(2026, 12, 7, 10, 0, 0);
    tick(time);
    pump();
    const int afterFirst = liveGdiObjects();
    for (int i = 1; i <= 10000; ++i) {
        time =
            moment(2026, 12, 7 + static_cast<WORD>(i / 3600 % 20), static_cast<WORD>(i / 60 % 24),
                   static_cast<WORD>(i % 60), static_cast<WORD>(i % 60));
        tick(time);
        if (i % 500 == 0) {
            showSkin(window, (i / 500) % 2);
            showFontColour(window, RGB(i % 256, 0, 0), FALSE);
            UpdateWindow(window);
        }
    }
    pump();
    showSkin(window, 0);
    UpdateWindow(window);
    EXPECT_EQ(liveGdiObjects(), afterFirst);
}
