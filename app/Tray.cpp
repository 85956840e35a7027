// The tray icon and its menu: the tray menu's entries are translated into the main menu's
// commands, so each action exists once.
#include "Tray.h"

#include "MainMenu.h"
#include "PictureLoader.h"
#include "Settings.h"
#include "resource.h"

#include <shellapi.h>

#include <cstring>
#include <string>

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

constexpr UINT trayIconId = 0;
NOTIFYICONDATAA trayIcon = {};    // empty until the first hide; deleting it then does nothing
std::string trayTip = "Velkorin"; // the next power action, or the program's name
bool inTray = false;              // hidden into the tray, until the tray brings the window back

// The icon speaks the tray's newest protocol, as Windows' own icons do: the keyboard reaches
// it (Win+B, the arrows, Enter, the menu key), and its tip is the standard one.
void fillTrayIcon(HWND window) {
    trayIcon = {};
    trayIcon.cbSize = sizeof trayIcon;
    trayIcon.hWnd = window;
    trayIcon.uID = trayIconId;
    trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    trayIcon.uCallbackMessage = trayCallbackMessage;
    trayIcon.hIcon = programIcon(GetSystemMetrics(SM_CXSMICON));
    lstrcpynA(trayIcon.szTip, trayTip.c_str(), sizeof trayIcon.szTip);
    trayIcon.uVersion = NOTIFYICON_VERSION_4;
}

// Every add is told the protocol again: the tray forgets it with the icon.
void addTrayIcon() {
    Shell_NotifyIconA(NIM_ADD, &trayIcon); // an icon already there simply stays
    Shell_NotifyIconA(NIM_SETVERSION, &trayIcon);
}

bool menuOpen = false;
// A right click opens the menu at its press; the tray's context-menu message that follows the
// release is the same click, not a second request.
DWORD mouseMenuClosedAt = 0;

void openTrayMenu(HWND window, POINT at) {
    if (menuOpen)
        return;
    menuOpen = true;
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
    // In the foreground, so the menu closes when it loses the focus.
    SetForegroundWindow(window);
    TrackPopupMenu(menu, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
    PostMessageA(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
    menuOpen = false;
}

void openMenuAtCursor(HWND window) {
    POINT cursor;
    GetCursorPos(&cursor);
    openTrayMenu(window, cursor);
    mouseMenuClosedAt = GetTickCount();
}

// The menu key or Shift+F10 on the focused icon: the menu at the icon, and the keyboard's
// focus back in the tray after it.
void openMenuFromKeyboard(HWND window, WPARAM anchor) {
    if (GetTickCount() - mouseMenuClosedAt < GetDoubleClickTime())
        return;
    openTrayMenu(window, {static_cast<short>(LOWORD(anchor)), static_cast<short>(HIWORD(anchor))});
    Shell_NotifyIconA(NIM_SETFOCUS, &trayIcon);
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
    addTrayIcon();
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
    addTrayIcon();
}

void trayCallback(HWND window, WPARAM anchor, LPARAM event) {
    if (HIWORD(event) != trayIconId)
        return;
    // clang-format off
    switch (LOWORD(event)) {
    case WM_RBUTTONDOWN: openMenuAtCursor(window);              break;
    case WM_CONTEXTMENU: openMenuFromKeyboard(window, anchor);  break;
    case WM_LBUTTONDOWN:
    case NIN_KEYSELECT:  bringBack(window);                     break;
    default: break;
    }
    // clang-format on
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
    change.uFlags = NIF_TIP | NIF_SHOWTIP;
    Shell_NotifyIconA(NIM_MODIFY, &change);
}

void removeTrayIcon() {
    Shell_NotifyIconA(NIM_DELETE, &trayIcon);
}
