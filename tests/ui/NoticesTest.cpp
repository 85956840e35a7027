// Notice windows: their kind, place, style and font.
#include "Notices.h"
#include "GdiObjects.h"
#include "Version.h"
#include "WindowTitle.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

std::string bodyOf(HWND window) {
    char body[512] = "";
    GetWindowTextA(window, body, sizeof body);
    return body;
}

struct Owner {
    Owner() {
        handle = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    }
    ~Owner() { DestroyWindow(handle); }
    HWND handle;
};

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace

TEST(MissedEventNotice, IsATopmostEditWindowWithTheEventAsItsBody) {
    Owner owner;
    const std::string text =
        "Date&Time:Monday 07 June 2010 08:05:09\r\nRestart:Restart\r\nShut down:";
    HWND notice = showMissedEventNotice(owner.handle, text);
    ASSERT_NE(notice, nullptr);
    char className[32] = "";
    GetClassNameA(notice, className, sizeof className);
    EXPECT_STREQ(className, "Edit");
    EXPECT_EQ(windowTitle(notice), "Ooops! Your missed event.");
    EXPECT_EQ(bodyOf(notice), text);
    EXPECT_EQ(GetWindow(notice, GW_OWNER), owner.handle);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(notice, GWL_STYLE));
    EXPECT_EQ(style & ~static_cast<DWORD>(WS_VISIBLE | WS_CLIPSIBLINGS), 0x80EF0004u);
    RECT client;
    GetClientRect(notice, &client);
    EXPECT_GE(300 - client.bottom, GetSystemMetrics(SM_CYCAPTION)); // a title bar is there
    EXPECT_TRUE(GetWindowLongA(notice, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT rect;
    GetWindowRect(notice, &rect);
    EXPECT_EQ(rect.right - rect.left, 300);
    EXPECT_EQ(rect.bottom - rect.top, 300);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 450) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 550) / 2);
    EXPECT_TRUE(IsWindowVisible(notice));
    DestroyWindow(notice);
}

TEST(AboutNotice, IsAPlainEditWindowInBoldTimesWhoseFontGoesWithIt) {
    Owner owner;
    HWND about = showAboutNotice(owner.handle);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(windowTitle(about), "About Velkorin " VELKORIN_VERSION_TEXT);
    EXPECT_EQ(bodyOf(about).rfind("    Velkorin version " VELKORIN_VERSION_TEXT "\r\n", 0), 0u);
    EXPECT_NE(bodyOf(about).find("Marbrook"), std::string::npos);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(about, GWL_STYLE));
    EXPECT_EQ(style & ~static_cast<DWORD>(WS_VISIBLE | WS_CLIPSIBLINGS), 0x80CF0004u);
    EXPECT_FALSE(style & WS_VSCROLL);
    EXPECT_FALSE(GetWindowLongA(about, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT rect;
    GetWindowRect(about, &rect);
    EXPECT_EQ(rect.right - rect.left, 220);
    EXPECT_EQ(rect.bottom - rect.top, 150);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 450) / 2);

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(about, WM_GETFONT, 0, 0));
    LOGFONTA logFont = {};
    ASSERT_TRUE(GetObjectA(font, sizeof logFont, &logFont));
    EXPECT_EQ(logFont.lfHeight, 17);
    EXPECT_EQ(logFont.lfWeight, 700);
    EXPECT_STRCASEEQ(logFont.lfFaceName, "Times New Roman");

    SendMessageA(about, WM_CLOSE, 0, 0);
    pumpMessages();
    EXPECT_FALSE(IsWindow(about));
    EXPECT_EQ(GetObjectType(font), 0u);
    EXPECT_TRUE(IsWindow(owner.handle)); // closing a notice closes nothing else
}

TEST(AboutNotice, AThousandOpenedAndClosedLeaveNoFontOrIconBehind) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    DestroyWindow(showAboutNotice(owner)); // the first one loads what is shared
    DestroyWindow(showMissedEventNotice(owner, "x"));
    const int gdi = liveGdiObjects();
    const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (int i = 0; i < 1000; ++i) {
        DestroyWindow(showAboutNotice(owner));
        if (i % 10 == 0)
            DestroyWindow(showMissedEventNotice(owner, "missed"));
    }
    EXPECT_EQ(liveGdiObjects(), gdi);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user); // 0 under Wine
    DestroyWindow(owner);
}
