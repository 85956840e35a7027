// The bitmap push button under Wine: presses, releases inside and outside, and what it sends.
#include "BitmapButton.h"
#include "GdiObjects.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Command {
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Command> commands;

LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND)
        commands.push_back({wParam, lParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND makeParent() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA parentClass = {};
        parentClass.lpfnWndProc = parentProc;
        parentClass.hInstance = GetModuleHandleA(nullptr);
        parentClass.lpszClassName = "ButtonTestParent";
        RegisterClassA(&parentClass);
        registered = true;
    }
    HWND parent =
        CreateWindowExA(0, "ButtonTestParent", "parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                        600, 500, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    commands.clear();
    return parent;
}

LPARAM at(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

HANDLE shownPicture(HWND button) {
    HWND picture = GetWindow(button, GW_CHILD);
    return reinterpret_cast<HANDLE>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

struct ButtonFixture : testing::Test {
    void SetUp() override {
        parent = makeParent();
        button = createBitmapButton(parent, 13, 390, IDB_OK_UP, IDB_OK_DOWN, IDC_OK, "OK");
        ASSERT_NE(button, nullptr);
        upPicture = shownPicture(button);
    }
    void TearDown() override { DestroyWindow(parent); }
    void press(int x = 5, int y = 5) { SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, at(x, y)); }
    LRESULT release(int x, int y) { return SendMessageA(button, WM_LBUTTONUP, 0, at(x, y)); }

    HWND parent = nullptr;
    HWND button = nullptr;
    HANDLE upPicture = nullptr;
};

} // namespace

TEST_F(ButtonFixture, TakesTheSizeOfItsPictureAndItsPlace) {
    RECT frame;
    GetWindowRect(button, &frame);
    EXPECT_EQ(frame.right - frame.left, 43);
    EXPECT_EQ(frame.bottom - frame.top, 23);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT *>(&frame), 2);
    EXPECT_EQ(frame.left, 13);
    EXPECT_EQ(frame.top, 390);
    EXPECT_EQ(GetDlgCtrlID(button), IDC_OK);
    EXPECT_EQ(GetWindowLongA(button, GWL_EXSTYLE) & WS_EX_TRANSPARENT, WS_EX_TRANSPARENT);
    EXPECT_EQ(GetClassLongA(button, GCL_STYLE), static_cast<DWORD>(CS_BYTEALIGNWINDOW));
}

TEST_F(ButtonFixture, APressShowsTheDownPictureAndAReleaseInsideSendsOneClick) {
    press();
    EXPECT_NE(shownPicture(button), upPicture);
    EXPECT_EQ(GetCapture(), button);
    release(10, 10);
    EXPECT_EQ(shownPicture(button), upPicture);
    EXPECT_EQ(GetCapture(), nullptr);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, MAKEWPARAM(IDC_OK, BN_CLICKED));
    EXPECT_EQ(commands[0].lParam, reinterpret_cast<LPARAM>(button));
}

TEST_F(ButtonFixture, DraggedOffAndReleasedOutsideSendsNothing) {
    press();
    release(-5, 10);
    release(10, 60);
    EXPECT_EQ(shownPicture(button), upPicture);
    EXPECT_TRUE(commands.empty());
    press();
    release(20, 12);
    EXPECT_EQ(commands.size(), 1u);
}

TEST_F(ButtonFixture, TheLeftColumnAndTopRowAreInsideTheRightAndBottomEdgesOutside) {
    press();
    release(0, 0);
    EXPECT_EQ(commands.size(), 1u);
    press();
    release(43, 5); // x = width
    press();
    release(5, 23); // y = height
    EXPECT_EQ(commands.size(), 1u);
    press();
    release(42, 22);
    EXPECT_EQ(commands.size(), 2u);
}

TEST_F(ButtonFixture, TwoQuickClicksAreTwoClicks) {
    press();
    release(5, 5);
    SendMessageA(button, WM_LBUTTONDBLCLK, MK_LBUTTON, at(5, 5)); // never made for the class
    press();
    release(5, 5);
    EXPECT_EQ(commands.size(), 2u);
}

TEST_F(ButtonFixture, AReleaseWithoutAPressIsDropped) {
    EXPECT_EQ(release(5, 5), 0);
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(shownPicture(button), upPicture);
}

TEST_F(ButtonFixture, LosingTheMouseCaptureEndsThePressWithoutAClick) {
    HWND other =
        createBitmapButton(parent, 408, 390, IDB_DELETE_UP, IDB_DELETE_DOWN, IDC_DELETE, "DELETE");
    press();
    // Alt+Tab, or a window that takes the capture: the button shows up again at once.
    SetCapture(parent);
    EXPECT_EQ(shownPicture(button), upPicture);
    ReleaseCapture();
    // No release ends it as a click any more, on this button or another.
    SendMessageA(other, WM_LBUTTONUP, 0, at(5, 5));
    release(5, 5);
    EXPECT_TRUE(commands.empty());
    // The next press is a press like any other.
    press();
    release(5, 5);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(LOWORD(commands[0].wParam), IDC_OK);
}

TEST(BitmapButton, ButtonsThatComeAndGoLeaveNoPictureBehind) {
    HWND parent = makeParent();
    DestroyWindow(createBitmapButton(parent, 0, 0, IDB_OK_UP, IDB_OK_DOWN, IDC_OK, "OK"));
    const int before = liveGdiObjects();
    for (int i = 0; i < 50; ++i) {
        HWND button = createBitmapButton(parent, 0, 0, IDB_OK_UP, IDB_OK_DOWN, IDC_OK, "OK");
        SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, at(1, 1));
        SendMessageA(button, WM_LBUTTONUP, 0, at(1, 1));
        DestroyWindow(button);
    }
    EXPECT_EQ(liveGdiObjects(), before);
    DestroyWindow(parent);
}
