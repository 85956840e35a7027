// The tray icon and the menus: the tray menu's entries are translated into the main menu's
// commands, so each action exists once.
#include "Tray.h"

#include "Notices.h"
#include "PictureLoader.h"
#include "ProgramPaths.h"
#include "Settings.h"
#include "SettingsDialog.h"
#include "Shell.h"
#include "resource.h"

#include <shellapi.h>

#include <cstring>
#include <string>

int todaySetting = 0;

namespace {

// The tray menu: its entries in order, a separator between each two.
struct TrayEntry {
    WORD id;
    const char *text;
};
const TrayEntry trayEntries[] = {
    {IDM_TRAY_SHOW_WINDOW, "Show Window"},     {IDM_TRAY_SETTINGS, "Settings"},
    {IDM_TRAY_TODAY, "Show the window today"}, {IDM_TRAY_HELP, "Help Topics"},
    {IDM_TRAY_SITE, "Visit site Marbrook"},    {IDM_TRAY_EXIT, "Exit"}};

const char helpFileName[] = "\\HelpVelkorin.chm";

NOTIFYICONDATAA trayIcon = {};    // empty until the first hide; deleting it then does nothing
std::string trayTip = "Velkorin"; // the next power action, or the program's name
bool inTray = false;              // hidden into the tray, until the tray brings the window back

void fillTrayIcon(HWND window) {
    trayIcon = {};
    trayIcon.cbSize = NOTIFYICONDATAA_V1_SIZE; // the 88-byte form
    trayIcon.hWnd = window;
    trayIcon.uID = 0;
    trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIcon.uCallbackMessage = trayCallbackMessage;
    trayIcon.hIcon = programIcon(GetSystemMetrics(SM_CXSMICON));
    lstrcpynA(trayIcon.szTip, trayTip.c_str(), sizeof trayIcon.szTip);
}

void openTrayMenu(HWND window) {
    POINT cursor;
    GetCursorPos(&cursor);
    HMENU menu = CreatePopupMenu();
    for (const TrayEntry &entry : trayEntries) {
        if (entry.id != IDM_TRAY_SHOW_WINDOW)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, entry.id, entry.text);
    }
    CheckMenuItem(menu, IDM_TRAY_TODAY,
                  MF_BYCOMMAND | (todaySetting == 1 ? MF_CHECKED : MF_UNCHECKED));
    if (fixedByPolicy(todayValue))
        EnableMenuItem(menu, IDM_TRAY_TODAY, MF_BYCOMMAND | MF_GRAYED);
    SetForegroundWindow(window);
    TrackPopupMenu(menu, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
    PostMessageA(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void restore(HWND window) {
    inTray = false;
    ShowWindow(window, SW_RESTORE);
}

void bringBack(HWND window) {
    SendMessageA(window, WM_COMMAND, IDM_TRAY_SHOW_WINDOW, 0);
    SetForegroundWindow(window);
    ShowWindow(window, SW_SHOWNORMAL);
    // The icon stays in the tray while the window is shown.
    Shell_NotifyIconA(NIM_DELETE, &trayIcon);
    Shell_NotifyIconA(NIM_ADD, &trayIcon);
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

void hideToTray(HWND window) {
    fillTrayIcon(window);
    // Minimised first and hidden last: a minimise after the hide makes the window visible
    // again on Wine, minimised on the task bar.
    if (!IsIconic(window))
        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    inTray = true;
    // In the tray the window does not hold the keyboard focus (the hour box would go on
    // blinking its caret unseen); the dialog gives the focus back to the box when the tray
    // brings the window back.
    ShowWindow(window, SW_HIDE);
    SetFocus(nullptr);
    Shell_NotifyIconA(NIM_ADD, &trayIcon); // an icon already there simply stays
}

void trayCallback(HWND window, WPARAM iconId, LPARAM mouseMessage) {
    if (iconId != 0)
        return;
    if (mouseMessage == WM_RBUTTONDOWN)
        openTrayMenu(window);
    else if (mouseMessage == WM_LBUTTONDOWN)
        bringBack(window);
}

bool trayCommand(HWND window, WORD id) {
    // clang-format off
    switch (id) {
    case IDM_TRAY_SHOW_WINDOW: restore(window);                                   return true;
    case IDM_TRAY_EXIT:       SendMessageA(window, WM_CLOSE, 0, 0);              return true;
    case IDM_TRAY_SETTINGS:   SendMessageA(window, WM_COMMAND, IDM_SETTINGS, 0); return true;
    case IDM_TRAY_TODAY:      SendMessageA(window, WM_COMMAND, IDM_TODAY, 0);    return true;
    case IDM_TRAY_HELP:       SendMessageA(window, WM_COMMAND, IDM_HELP, 0);     return true;
    case IDM_TRAY_SITE:       SendMessageA(window, WM_COMMAND, IDM_SITE, 0);     return true;
    default: return false;
    }
    // clang-format on
}

bool mainMenuCommand(HWND window, WORD id) {
    // clang-format off
    switch (id) {
    case IDM_SETTINGS: runSettingsDialog(window); return true;
    case IDM_TODAY:    toggleToday(window);  return true;
    case IDM_HELP:     openHelp();           return true;
    case IDM_SITE:     openSite(window);     return true;
    default: return false;
    }
    // clang-format on
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

void keepHiddenInTray(WINDOWPOS &change) {
    if (inTray)
        change.flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
}

bool keepFocusInTray(HWND window) {
    if (!inTray)
        return false;
    HWND focus = GetFocus();
    if (focus && IsChild(window, focus))
        SetFocus(nullptr);
    return true;
}

void showTrayTip(const std::string &tip) {
    if (tip == trayTip)
        return;
    trayTip = tip;
    if (!trayIcon.hWnd)
        return; // not in the tray yet: the first hide shows it
    lstrcpynA(trayIcon.szTip, trayTip.c_str(), sizeof trayIcon.szTip);
    NOTIFYICONDATAA change = trayIcon;
    change.uFlags = NIF_TIP;
    Shell_NotifyIconA(NIM_MODIFY, &change);
}

void removeTrayIcon() {
    Shell_NotifyIconA(NIM_DELETE, &trayIcon);
}
