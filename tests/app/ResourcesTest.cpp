// The resources as built: the main dialog template and the menu, item by item.
#include "resource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

struct TemplateItem {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    std::string className;
    std::string title;
};

const WORD *alignDword(const WORD *at) {
    return reinterpret_cast<const WORD *>((reinterpret_cast<UINT_PTR>(at) + 3) & ~UINT_PTR(3));
}

// A name field of a template: 0xFFFF and an ordinal, or a wide string.
std::string readName(const WORD *&at) {
    if (*at == 0xFFFF) {
        WORD ordinal = at[1];
        at += 2;
        switch (ordinal) {
        case 0x80: return "BUTTON";
        case 0x85: return "COMBOBOX";
        default: return "#" + std::to_string(ordinal);
        }
    }
    std::string name;
    while (*at)
        name += static_cast<char>(*at++);
    ++at;
    return name;
}

struct DialogTemplate {
    DWORD style;
    short cx, cy;
    std::string caption, font;
    WORD pointSize;
    std::vector<TemplateItem> items;
};

DialogTemplate loadTemplate(const char *name) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(5));
    const auto *dialog =
        static_cast<const DLGTEMPLATE *>(LockResource(LoadResource(module, found)));
    DialogTemplate result{dialog->style, dialog->cx, dialog->cy, "", "", 0, {}};
    const WORD *at = reinterpret_cast<const WORD *>(dialog + 1);
    readName(at); // menu
    readName(at); // class
    result.caption = readName(at);
    if (dialog->style & DS_SETFONT) {
        result.pointSize = *at++;
        result.font = readName(at);
    }
    for (int i = 0; i < dialog->cdit; ++i) {
        at = alignDword(at);
        const auto *item = reinterpret_cast<const DLGITEMTEMPLATE *>(at);
        TemplateItem entry{item->style, item->x, item->y, item->cx, item->cy, item->id, "", ""};
        at = reinterpret_cast<const WORD *>(item + 1);
        entry.className = readName(at);
        entry.title = readName(at);
        at += 1 + (*at ? *at / 2 : 0); // creation data
        result.items.push_back(entry);
    }
    return result;
}

std::string menuText(HMENU menu, int position) {
    char text[64] = "";
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

} // namespace

TEST(Resources, TheMainDialogTemplateHasEveryControlAtItsPlace) {
    DialogTemplate dialog = loadTemplate("DIAL");
    EXPECT_EQ(dialog.caption, "Velkorin");
    EXPECT_EQ(dialog.font, "Times New Roman");
    EXPECT_EQ(dialog.pointSize, 10);
    EXPECT_EQ(dialog.cx, 283);
    EXPECT_EQ(dialog.cy, 240);
    const DWORD windowStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFONT |
                              DS_CENTER | DS_SETFOREGROUND | DS_LOCALEDIT;
    EXPECT_EQ(dialog.style, windowStyle);

    const DWORD combo =
        WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP;
    const std::vector<TemplateItem> expected = {
        {combo, 8, 47, 20, 60, IDC_HOUR, "COMBOBOX", ""},
        {combo, 28, 47, 20, 60, IDC_MINUTE, "COMBOBOX", ""},
        {combo | WS_BORDER, 48, 47, 20, 60, IDC_SECOND, "COMBOBOX", ""},
        {combo, 226, 47, 48, 80, IDC_REPEAT, "COMBOBOX", ""},
        {WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA | WS_BORDER, 8, 70, 267,
         132, IDC_EVENTS, "SysListView32", ""},
        {WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 8, 30, 6, 6, IDC_RESTART, "BUTTON", ""},
        {WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 267, 30, 6, 6, IDC_SHUTDOWN, "BUTTON", ""},
        {WS_CHILD | WS_VISIBLE | WS_TABSTOP, 78, 47, 140, 12, IDC_DATE, "SysDateTimePick32",
         "MonthCalendar"},
    };
    ASSERT_EQ(dialog.items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(expected[i].id));
        const TemplateItem &item = dialog.items[i];
        EXPECT_EQ(item.id, expected[i].id);
        EXPECT_STRCASEEQ(item.className.c_str(),
                         expected[i].className.c_str()); // windres capitalises
        EXPECT_EQ(item.title, expected[i].title);
        EXPECT_EQ(item.style, expected[i].style);
        EXPECT_EQ(item.x, expected[i].x);
        EXPECT_EQ(item.y, expected[i].y);
        EXPECT_EQ(item.cx, expected[i].cx);
        EXPECT_EQ(item.cy, expected[i].cy);
    }
}

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
