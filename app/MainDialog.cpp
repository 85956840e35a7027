// The main window: its making, the message table that routes every message to the part that
// handles it, its scaling, and the exit and the session's end.
#include "MainDialog.h"

#include "BitmapButton.h"
#include "ClockFace.h"
#include "EventForm.h"
#include "HandOver.h"
#include "MainMenu.h"
#include "PictureLoader.h"
#include "Scale.h"
#include "Settings.h"
#include "Shell.h"
#include "ShownText.h"
#include "Startup.h"
#include "Ticking.h"
#include "TodayWindow.h"
#include "Tray.h"
#include "WarningWindow.h"
#include "resource.h"

#include <commctrl.h>

namespace {

// Posted at the end of WM_INITDIALOG: the window is built.
constexpr UINT builtMessage = WM_USER + 0x100;
// Posted to hide the window into the tray once a minimise or the start has run to its end.
constexpr UINT hideMessage = WM_USER + 0x101;
constexpr DWORD eventListStyle = LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT;

const char exitQuestion[] = "          Do you really want to exit?";
const char exitCaption[] = "Exit from programm Velkorin";

// The window's dots per inch: the system's at start, a screen's after a move to it.
UINT windowDpi = baseDpi;

// The picture buttons, made at start, in client pixels of 100%.
struct PictureButton {
    int id, x, y, up, down;
    const char *words; // what a screen reader reads
};
const PictureButton okButton = {IDC_OK, 13, 390, IDB_OK_UP, IDB_OK_DOWN, "OK"};
const PictureButton deleteButton = {IDC_DELETE, 408, 390, IDB_DELETE_UP, IDB_DELETE_DOWN, "DELETE"};

UINT taskbarCreatedMessage = 0;

// Whether this copy holds the event file's lock.
CopyCheck oneCopy;

// The Today window is to open before the main window shows.
bool todayFirst = false;

// The picture buttons, last in the tab order, OK before DELETE.
void createPictureButton(HWND window, const PictureButton &button, int x, int y, UINT dpi) {
    SetWindowPos(
        createBitmapButton(window, x, y, button.up, button.down, button.id, button.words, dpi),
        HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void createPictureButton(HWND window, const PictureButton &button) {
    createPictureButton(window, button, scaled(button.x, windowDpi), scaled(button.y, windowDpi),
                        windowDpi);
}

BOOL initMainDialog(HWND window) {
    windowDpi = dpiOf(window);
    layOutAtScale(window, windowDpi);
    scaleFace(window, windowDpi);
    startTicks(window);

    Scheduling &s = scheduling();
    s.platform.setWindow(window);
    s.due.setHistory(&s.history);
    s.file.setHistory(&s.history);
    s.list.attach(GetDlgItem(window, IDC_EVENTS), s.table);
    s.table.setMirror(&s.list);
    s.list.setUpEventColumns();
    SendMessageA(s.list.handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, eventListStyle);
    SendMessageA(window, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(programIcon(GetSystemMetrics(SM_CXSMICON))));
    SendMessageA(window, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(programIcon(GetSystemMetrics(SM_CXICON))));
    setUpEventForm(window);
    setUpMainMenu(window);
    startScheduling(window, oneCopy);
    createPictureButton(window, okButton);
    createPictureButton(window, deleteButton);

    // With the Today setting on, the day's events come first: the main window, built, stays
    // hidden until the Today window closes.
    todayFirst = todaySetting == 1;
    PostMessageA(window, builtMessage, 0, 0);
    taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    // Commands of an elevated administrator's command line may come in; the sender is checked.
    ChangeWindowMessageFilterEx(window, WM_COPYDATA, MSGFLT_ALLOW, nullptr);
    return TRUE;
}

// The main window is built. The Today window opens first when the setting says so, while the
// main window's ticks go on; then the main window shows, and a start minimised hides it once
// it has been shown, as a recreated task bar does.
void built(HWND window) {
    if (todayFirst) {
        runTodayWindow();
        todayFirst = false;
        ShowWindow(window, SW_SHOWNORMAL);
    }
    if (readFlag(minimizeValue) == '1')
        PostMessageA(window, hideMessage, 0, 0);
}

// Until the Today window that comes first closes, and while in the tray, the window stays
// hidden.
void positionChanging(WINDOWPOS &change) {
    if (todayFirst)
        change.flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
    keepHiddenInTray(change);
}

// Into the tray, where the program sleeps until it is needed.
void hide(HWND window) {
    hideToTray(window);
    planTicks(window);
}

void shown(HWND window, WPARAM showing) {
    if (showing)
        faceBack(window);
}

// The hide waits until the minimise has run to its end: hidden in the middle of it, the
// window is made visible again by the rest of it on Wine.
void sized(HWND window, WPARAM kind) {
    if (kind == SIZE_MINIMIZED)
        PostMessageA(window, hideMessage, 0, 0);
    else if (kind == SIZE_RESTORED)
        faceBack(window);
}

// The warning's answers, carried out at once, with the list drawn once.
void answerWarning(WPARAM command) {
    Scheduling &s = scheduling();
    EventList::Batch batch(s.list);
    const int answer = LOWORD(command);
    if (answer == IDC_WARNING_SKIP)
        s.due.skipWarned(s.platform.localTime());
    else if (answer == IDC_WARNING_NOW)
        s.due.runWarnedNow(s.platform.localTime());
    else
        s.due.postponeWarned(s.platform.localTime(),
                             static_cast<std::size_t>(answer - IDM_WARNING_LATER_FIRST));
}

void controlCommand(HWND window, WPARAM command) {
    // A box the keyboard comes to holds its text selected, so typing replaces it; one it
    // leaves shows no selection.
    if (HIWORD(command) == CBN_SETFOCUS || HIWORD(command) == CBN_KILLFOCUS) {
        const bool coming = HIWORD(command) == CBN_SETFOCUS;
        SendDlgItemMessageA(window, LOWORD(command), CB_SETEDITSEL, 0,
                            coming ? MAKELPARAM(0, -1) : MAKELPARAM(-1, 0));
        return;
    }
    // clang-format off
    switch (command) {
    case IDC_OK:             composeEventCommand(window);   break;
    case IDC_DELETE:         deleteSelectedCommand(window); break;
    case IDC_WARNING_SKIP:
    case IDC_WARNING_NOW:  answerWarning(command);        break;
    default:
        if (LOWORD(command) >= IDM_WARNING_LATER_FIRST && LOWORD(command) <= IDM_WARNING_LATER_LAST)
            answerWarning(command);
        break;
    }
    // clang-format on
}

// Menus send no control handle, controls do; the power-action rule applies after either.
void routeCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    if (lParam != 0)
        controlCommand(window, wParam);
    else if (!trayCommand(window, LOWORD(wParam)))
        mainMenuCommand(window, LOWORD(wParam));
    excludePowerActions(window, wParam);
    planTicks(window);
}

void routeNotify(HWND window, const NMHDR &notice) {
    switch (notice.code) {
    case NM_DBLCLK: editRowCommand(window); break;
    case LVN_GETDISPINFOA:
        if (notice.idFrom == IDC_EVENTS)
            scheduling().list.answerDisplayInfo(
                *reinterpret_cast<NMLVDISPINFOA *>(const_cast<NMHDR *>(&notice)));
        break;
    default: break;
    }
}

// Windows says a setting changed: the zone may be the one, and with the formats the events
// follow their new language.
void settingChanged(HWND window, LPARAM area) {
    scheduling().platform.clockMayHaveChanged();
    const char *name = reinterpret_cast<const char *>(area);
    if (name && lstrcmpA(name, "Policy") == 0)
        readLaterPolicy();
    if (name && lstrcmpA(name, "intl") == 0) {
        Scheduling &s = scheduling();
        EventList::Batch batch(s.list);
        s.due.adoptCurrentLanguage(s.platform.localTime());
        SYSTEMTIME now;
        s.platform.readClock(now);
        if (faceOnScreen(window))
            faceShown(window, now); // the date in the new language at once
    }
    clockTick(window);
}

void endProgram(HWND window) {
    KillTimer(window, tickTimer);
    removeTrayIcon();
    DestroyWindow(window);
    PostQuitMessage(0);
}

// The window moved to a screen of another scaling: Windows suggests its new place and size;
// every control, its font, the list's columns, the picture buttons and the face follow.
HFONT scaledFont = nullptr; // made for the last move; the template's own is the dialog's

void moveToScale(HWND window, UINT from, UINT to) {
    const auto at = [&](LONG pixels) {
        return MulDiv(pixels, static_cast<int>(to), static_cast<int>(from));
    };
    moveControlsToScale(window, from, to, scaledFont);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    for (int column = 0; column < eventColumnCount; ++column)
        SendMessageA(list, LVM_SETCOLUMNWIDTH, column,
                     at(static_cast<LONG>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0))));
    // The picture buttons moved with the rest; they are made anew there with the scale's
    // pictures.
    for (const PictureButton *button : {&okButton, &deleteButton}) {
        HWND old = GetDlgItem(window, button->id);
        RECT place = {};
        GetWindowRect(old, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&place), 2);
        DestroyWindow(old);
        createPictureButton(window, *button, place.left, place.top, to);
    }
    scaleFace(window, to);
}

void dpiChanged(HWND window, WPARAM dpis, const RECT &suggested) {
    const UINT to = LOWORD(dpis);
    if (to == 0 || to == windowDpi)
        return;
    const UINT from = windowDpi;
    windowDpi = to;
    moveToScale(window, from, to);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void confirmExit(HWND window) {
    if (askUser(window, exitQuestion, exitCaption, MB_YESNO) == IDYES)
        endProgram(window);
}

// Windows may end the session, or an installer close the program: it may, at once.
INT_PTR sessionMayEnd(HWND window) {
    SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

// The session ends (or an installer's Restart Manager closes the program): what must be kept
// is written, the lock goes, and the program ends with 0 before Windows ends it. A row taken
// out for editing stays in the event file, which holds it until OK puts it back.
void sessionEnded(HWND window, WPARAM ending) {
    if (!ending)
        return; // another program said no: the session goes on
    Scheduling &s = scheduling();
    s.due.sessionEnds(s.platform.localTime());
    letGoOfLock();
    endProgram(window);
}

// A command of the command line, handed over by another process: answered when it came from
// the same user or an administrator.
INT_PTR commandHandedOver(HWND window, WPARAM sender, const COPYDATASTRUCT &data) {
    SetWindowLongPtrA(window, DWLP_MSGRESULT,
                      takeHandedCommand(window, reinterpret_cast<HWND>(sender), data));
    return TRUE;
}

} // namespace

INT_PTR CALLBACK mainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A registered number, so it is tested ahead of the fixed ones, once it exists.
    if (taskbarCreatedMessage && message == taskbarCreatedMessage) {
        hide(window);
        return TRUE;
    }
    // clang-format off
    switch (message) {
    case WM_CLOSE:      confirmExit(window);                                   return TRUE;
    case WM_QUERYENDSESSION: return sessionMayEnd(window);
    case WM_DPICHANGED: dpiChanged(window, wParam, *reinterpret_cast<RECT *>(lParam)); return TRUE;
    case WM_ENDSESSION: sessionEnded(window, wParam);                          return TRUE;
    case WM_INITDIALOG: return initMainDialog(window);
    case WM_PAINT:      paintClockFace(window);                                return TRUE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return reinterpret_cast<INT_PTR>(
            controlColours(window, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    case WM_TIMER:      clockTick(window);                                     return TRUE;
    case WM_SETTINGCHANGE: settingChanged(window, lParam);                     return FALSE;
    case WM_TIMECHANGE: clockChanged(window);                                  return FALSE;
    case WM_POWERBROADCAST: powerChanged(window, wParam);                              return TRUE;
    case WM_COMMAND:    routeCommand(window, wParam, lParam);                  return TRUE;
    case WM_NOTIFY:     routeNotify(window, *reinterpret_cast<NMHDR *>(lParam)); return TRUE;
    case WM_COPYDATA:   return commandHandedOver(window, wParam, *reinterpret_cast<COPYDATASTRUCT *>(lParam));
    case WM_SIZE:       sized(window, wParam);                                 return TRUE;
    case WM_SHOWWINDOW: shown(window, wParam);                                 return FALSE;
    case WM_ACTIVATE:
    case WM_SETFOCUS:   return keepFocusInTray(window);
    case WM_WINDOWPOSCHANGING:
        positionChanging(*reinterpret_cast<WINDOWPOS *>(lParam));              return FALSE;
    case trayCallbackMessage: trayCallback(window, wParam, lParam);            return TRUE;
    case builtMessage:  built(window);                                         return TRUE;
    case hideMessage:   hide(window);                                          return TRUE;
    default:            return FALSE;
    }
    // clang-format on
}

// The window's own message loop rather than the modal one: the modal loop asks the window
// server twice for each message, and every tick in the tray would pay for the second asking.
INT_PTR runMainDialog(const CopyCheck &copy) {
    oneCopy = copy;
    HWND window = CreateDialogParamA(programInstance, "DIAL", nullptr, mainDialogProc, 0);
    if (!window)
        return -1;
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (formKey(window, message) || IsDialogMessageA(window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<INT_PTR>(message.wParam);
}
