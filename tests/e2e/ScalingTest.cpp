// Sharp at any scaling: with the screen at 150% or 200% (the prefix's LogPixels, which the test
// command sets before it runs these) the main window and its parts are as many times their
// size, drawn at that size rather than stretched.
#include "Driver.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

// The screen's dots per inch as the prefix says; 96 when it says nothing.
int prefixDpi() {
    DWORD dpi = 0, size = sizeof dpi;
    if (RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", RRF_RT_REG_DWORD,
                     nullptr, &dpi, &size) != ERROR_SUCCESS ||
        dpi == 0)
        return 96;
    return static_cast<int>(dpi);
}

SIZE sizeOf(HWND window) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

// Within 5% of a size at 100% times the scale.
void expectScaled(LONG actual, int at100, int dpi, const char *what) {
    const double wanted = at100 * dpi / 96.0;
    EXPECT_NEAR(actual, wanted, wanted * 0.05) << what << " at " << dpi << " dpi";
}

} // namespace

TEST(Scaling, TheMainWindowAndItsPartsGrowWithTheScreensScaling) {
    const int dpi = prefixDpi();
    Program program("scaling-" + std::to_string(dpi));
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    RECT client = {};
    GetClientRect(window, &client);
    // At 100% the client area is 566 by 480 pixels, the buttons 43 and 71 by 23.
    expectScaled(client.right, 566, dpi, "client width");
    expectScaled(sizeOf(pictureButton(window, IDC_OK)).cx, 43, dpi, "OK width");
    expectScaled(sizeOf(pictureButton(window, IDC_OK)).cy, 23, dpi, "OK height");
    expectScaled(sizeOf(pictureButton(window, IDC_DELETE)).cx, 71, dpi, "DELETE width");
    // The buttons stand below the list, inside the window.
    RECT list = {}, ok = {};
    GetWindowRect(GetDlgItem(window, IDC_EVENTS), &list);
    GetWindowRect(pictureButton(window, IDC_OK), &ok);
    EXPECT_GT(ok.top, list.bottom);
    POINT corner = {client.right, client.bottom};
    ClientToScreen(window, &corner);
    EXPECT_LT(ok.bottom, corner.y);
    screenshot("scaled-" + std::to_string(dpi * 100 / 96));

    // Moved to a screen of another scaling, it follows: to 200% and back to 100%.
    int from = dpi;
    for (const int to : {192, 96}) {
        RECT frame = {};
        GetWindowRect(window, &frame);
        const SIZE now = sizeOf(window);
        program.moveToDpi(window, static_cast<UINT>(to),
                          {frame.left, frame.top, frame.left + now.cx * to / from,
                           frame.top + now.cy * to / from});
        from = to;
        expectScaled(sizeOf(pictureButton(window, IDC_OK)).cx, 43, to, "OK width, moved");
        expectScaled(sizeOf(pictureButton(window, IDC_DELETE)).cy, 23, to, "DELETE height, moved");
        expectScaled(sizeOf(GetDlgItem(window, IDC_EVENTS)).cx, 534, to, "list width, moved");
        GetWindowRect(GetDlgItem(window, IDC_EVENTS), &list);
        GetWindowRect(pictureButton(window, IDC_OK), &ok);
        EXPECT_GT(ok.top, list.bottom) << to;
        screenshot("moved-to-" + std::to_string(to * 100 / 96));
    }
}
