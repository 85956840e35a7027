// The resources as built: the menu, item by item, and the icon.
#include "resource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

std::string menuText(HMENU menu, int position) {
    char text[64] = "";
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

} // namespace

TEST(Resources, TheMenuOffersItsEntriesInOrderWithSeparatorsBetween) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), "MENUP");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    EXPECT_EQ(menuText(menu, 0), "&Options");
    HMENU options = GetSubMenu(menu, 0);
    const std::vector<std::pair<UINT, std::string>> entries = {{IDM_SETTINGS, "Settings"},
                                                               {0, "&Skins"},
                                                               {IDM_TODAY, "Show the window today"},
                                                               {IDM_COLOR_FONTS, "Color fonts"},
                                                               {IDM_HELP, "&Help Topics"},
                                                               {IDM_SITE, "Visit site Marbrook"},
                                                               {IDM_ABOUT, "&About"}};
    ASSERT_EQ(GetMenuItemCount(options), 13);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int position = static_cast<int>(i) * 2;
        EXPECT_EQ(menuText(options, position), entries[i].second);
        if (entries[i].first) {
            EXPECT_EQ(GetMenuItemID(options, position), entries[i].first);
        }
        if (i + 1 < entries.size()) {
            EXPECT_EQ(GetMenuState(options, static_cast<UINT>(position + 1), MF_BYPOSITION) &
                          MF_SEPARATOR,
                      static_cast<UINT>(MF_SEPARATOR));
        }
    }
    HMENU skins = GetSubMenu(options, 2);
    ASSERT_EQ(GetMenuItemCount(skins), 3);
    EXPECT_EQ(menuText(skins, 0), "White");
    EXPECT_EQ(GetMenuItemID(skins, 0), static_cast<UINT>(IDM_WHITE));
    EXPECT_EQ(menuText(skins, 2), "Metal");
    EXPECT_EQ(GetMenuItemID(skins, 2), static_cast<UINT>(IDM_METAL));
    DestroyMenu(menu);
}

TEST(Resources, TheProgramIconIsThere) {
    EXPECT_NE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM)), nullptr);
}
