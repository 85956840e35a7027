// The main menu's commands and marks.
#include "MainMenu.h"

#include "ClockFace.h"
#include "Notices.h"
#include "PictureLoader.h"
#include "ProgramPaths.h"
#include "Settings.h"
#include "SettingsDialog.h"
#include "Shell.h"
#include "resource.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <string>

int todaySetting = 0;

namespace {

const char helpFileName[] = "\\HelpVelkorin.chm";

// The menu entries of the skins, by skin.
const UINT skinEntries[] = {IDM_WHITE, IDM_METAL};

// The face shows a skin and the setting keeps it; a stored value of no skin changes nothing.
void applySkin(HWND window, int skin) {
    if (showSkin(window, skin))
        writeIntegerSetting(skinsValue, skin);
}

// The menu's skin, unless the administrator fixed it.
void chooseSkin(HWND window, int skin) {
    if (!fixedByPolicy(skinsValue))
        applySkin(window, skin);
}

// The colour dialog; a confirmed colour, black included, becomes the font colour and is kept.
// A colour the administrator fixed stays.
void chooseFontColour(HWND window) {
    if (fixedByPolicy(fontColorValue))
        return;
    COLORREF chosen = 0;
    if (!chooseColour(window, programInstance, CC_FULLOPEN, chosen))
        return;
    writeFontColour(chosen);
    showFontColour(window, chosen, FALSE);
}

void toggleToday(HWND window) {
    if ((todaySetting != 0 && todaySetting != 1) || fixedByPolicy(todayValue))
        return; // another stored value blocks it, as does the administrator's
    todaySetting = 1 - todaySetting;
    showTodayMark(window);
    writeIntegerSetting(todayValue, todaySetting);
}

void openHelp() {
    // The whole directory, however long and in any language: no path is ever cut.
    const std::wstring help = wideOf(programDirectory + helpFileName);
    ShellExecuteW(nullptr, L"open", help.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void openSite(HWND window) {
    const std::string address = std::string("https://") + vendorSite;
    ShellExecuteA(window, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace

void setUpMainMenu(HWND window) {
    SetMenu(window, LoadMenuA(programInstance, "MENUP"));
    COLORREF colour = 0;
    readFontColour(colour);
    showFontColour(window, colour, TRUE);
    readIntegerSetting(todayValue, todaySetting);
    showTodayMark(window);
    int skin = 0;
    readIntegerSetting(skinsValue, skin);
    applySkin(window, skin);
    showFixedSettings(window);
}

bool mainMenuCommand(HWND window, WORD id) {
    // clang-format off
    switch (id) {
    case IDM_WHITE:       chooseSkin(window, 0);     return true;
    case IDM_METAL:       chooseSkin(window, 1);     return true;
    case IDM_COLOR_FONTS: chooseFontColour(window);  return true;
    case IDM_ABOUT:       showAboutNotice(window);   return true;
    case IDM_SETTINGS:    runSettingsDialog(window); return true;
    case IDM_TODAY:       toggleToday(window);       return true;
    case IDM_HELP:        openHelp();                return true;
    case IDM_SITE:        openSite(window);          return true;
    default: return false;
    }
    // clang-format on
}

bool showSkin(HWND window, int skin) {
    if (!setSkin(window, skin))
        return false;
    HMENU menu = GetMenu(window);
    CheckMenuItem(menu, skinEntries[skin], MF_BYCOMMAND | MF_CHECKED);
    CheckMenuItem(menu, skinEntries[1 - skin], MF_BYCOMMAND | MF_UNCHECKED);
    return true;
}

void showFontColour(HWND window, COLORREF colour, BOOL erase) {
    SendDlgItemMessageA(window, IDC_EVENTS, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(colour));
    colourFace(window, colour, erase);
}

void showTodayMark(HWND window) {
    CheckMenuItem(GetMenu(window), IDM_TODAY,
                  MF_BYCOMMAND | (todaySetting == 1 ? MF_CHECKED : MF_UNCHECKED));
}

// What the administrator fixed shows greyed in the menu: the skins, the Today window, the colour.
void showFixedSettings(HWND window) {
    const struct {
        UINT item;
        const char *setting;
    } items[] = {{IDM_WHITE, skinsValue},
                 {IDM_METAL, skinsValue},
                 {IDM_TODAY, todayValue},
                 {IDM_COLOR_FONTS, fontColorValue}};
    for (const auto &entry : items)
        EnableMenuItem(GetMenu(window), entry.item,
                       MF_BYCOMMAND | (fixedByPolicy(entry.setting) ? MF_GRAYED : MF_ENABLED));
}
