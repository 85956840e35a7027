// The main window: initialisation, the message table, the once-a-second tick and the exit
// confirmation.
#include "MainDialog.h"

#include "BitmapButton.h"
#include "ClockFace.h"
#include "EventForm.h"
#include "MissedSweep.h"
#include "Notices.h"
#include "PictureLoader.h"
#include "ProgramPaths.h"
#include "Scale.h"
#include "Settings.h"
#include "Shell.h"
#include "ShownText.h"
#include "TodayWindow.h"
#include "Tray.h"
#include "WarningWindow.h"
#include "resource.h"

#include <commctrl.h>
#include <commdlg.h>

namespace {

constexpr UINT_PTR tickTimer = 1;
constexpr UINT deferredStartMessage = WM_USER + 0x100;
// Posted to hide the window into the tray once a minimise or the start has run to its end.
constexpr UINT hideMessage = WM_USER + 0x101;
constexpr DWORD eventListStyle = LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT;

// While the face shows, ticks fall this long after each second boundary, so the clock changes
// with the real second and no tick lands just before the boundary it waits for. A tick that
// lands up to the slack later keeps the timer as it is: the timer is set again only when the
// ticks drift out of it, since each setting costs a call to the window server.
constexpr int tickPhaseMilliseconds = 20;
constexpr int tickSlackMilliseconds = 40;
constexpr UINT tickPeriod = 1000;
UINT armedPeriod = 0;

// Hidden, the timer is set for the second the due check needs next. A timer counts on the tick
// count, which Windows does not slew with the clock (up to some 2 s an hour): a longer sleep
// wakes early by that much and plans its last seconds afresh.
constexpr std::int64_t shortSleepSeconds = 10;
constexpr std::int64_t driftMilliseconds = 2000;

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

void armTickTimer(HWND window, WORD milliseconds) {
    const bool inPhase = milliseconds >= tickPhaseMilliseconds &&
                         milliseconds < tickPhaseMilliseconds + tickSlackMilliseconds;
    const UINT period = inPhase ? tickPeriod : tickPeriod - milliseconds + tickPhaseMilliseconds;
    if (period == armedPeriod)
        return;
    SetTimer(window, tickTimer, period, nullptr);
    armedPeriod = period;
}

// Hidden: one timer for the next second the program is needed.
void armSleepTimer(HWND window, const SYSTEMTIME &now, const LocalTime &reading) {
    const std::int64_t seconds =
        scheduling().due.neededAt(reading) - (wallSecond(reading) - reading.utcOffset);
    std::int64_t wait = seconds * 1000 - now.wMilliseconds + tickPhaseMilliseconds;
    if (seconds > shortSleepSeconds)
        wait -= driftMilliseconds;
    armedPeriod = static_cast<UINT>(wait);
    SetTimer(window, tickTimer, armedPeriod, nullptr);
}

// After anything that may change when the program is needed next: a change of the table, an
// answer, the window hidden or shown, a wake.
void planTicks(HWND window) {
    SYSTEMTIME now;
    const LocalTime reading = scheduling().platform.readClock(now);
    if (faceOnScreen(window))
        armTickTimer(window, now.wMilliseconds);
    else
        armSleepTimer(window, now, reading);
}

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

// Whether this copy holds the event file's lock.
CopyCheck oneCopy;
const char noLockTitle[] = "Velkorin: events not carried out";
const char noLockText[] = "Velkorin cannot hold the lock that keeps a second copy from "
                          "carrying out the same events:";
const char noLockEnd[] = "It shows the events but carries none of them out, so that no restart "
                         "or shutdown can come twice. Start Velkorin again once the lock can be "
                         "made.";

const char unreadableEnd[] = "Retry reads it again. Cancel runs Velkorin without its events; the "
                             "file is then left exactly as it is.";

// The event file exists but cannot be read: the user learns why and chooses; true for Retry.
bool retryUnreadableFile(HWND window) {
    Scheduling &s = scheduling();
    const std::string reason = s.file.readError();
    const std::string text = "The event file\r\n" + s.file.path() +
                             "\r\nexists but cannot be read:\r\n" + reason + "\r\n\r\n" +
                             unreadableEnd;
    s.history.record(s.platform.localTime(), "event file could not be read: " + reason);
    return askUser(window, text, "Velkorin", MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
}

// Loads the event file, reports the events missed while the program was not running, and
// starts the due check with the second the sweep judged by. A file that exists but cannot be
// read is never taken for an empty one: after Cancel the program runs without events and
// leaves the file alone.
void startScheduling(HWND window) {
    Scheduling &s = scheduling();
    while (s.file.loadAll(s.table) == Platform::FileRead::Failed && retryUnreadableFile(window)) {
    }
    if (!oneCopy.lockError.empty()) {
        // Another copy may keep this file: its events are shown, nothing more.
        s.due.stopWatching();
        s.history.record(s.platform.localTime(), "events not carried out: the lock " +
                                                     oneCopy.lockPath +
                                                     " could not be had: " + oneCopy.lockError);
        s.platform.showNotice(noLockTitle, std::string(noLockText) + "\r\n" + oneCopy.lockPath +
                                               "\r\n" + oneCopy.lockError + "\r\n\r\n" + noLockEnd);
        return;
    }
    EventList::Batch batch(s.list); // after the question, which comes with the list live
    // This copy holds the file's lock: what earlier runs left half-written is its to clear.
    s.file.clearLeftovers(s.table);
    const LocalTime swept = s.platform.localTime();
    // Keys made in another language are brought into this one before anything is judged.
    s.due.adoptCurrentLanguage(swept);
    s.due.noteStored(sweepMissedEvents(s.table, s.file, s.platform, swept, &s.history), swept);
    s.due.startAfter(swept);
    // The copy that carries out the events is started again when an upgrade or an update's
    // restart closed it; a crash or a hang is not reason enough.
    RegisterApplicationRestart(L"", RESTART_NO_CRASH | RESTART_NO_HANG);
}

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

BOOL initMainDialog(HWND window) {
    mainWindow = window;
    windowDpi = dpiOf(window);
    layOutAtScale(window, windowDpi);
    scaleFace(window, windowDpi);
    SYSTEMTIME now;
    GetLocalTime(&now);
    armTickTimer(window, now.wMilliseconds);

    Scheduling &s = scheduling();
    s.due.setHistory(&s.history);
    s.file.setHistory(&s.history);
    s.list.attach(GetDlgItem(window, IDC_EVENTS), s.table);
    s.table.setMirror(&s.list);
    s.list.setUpEventColumns();
    SendMessageA(s.list.handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, eventListStyle);
    mainMenu = LoadMenuA(programInstance, "MENUP");
    SetMenu(window, mainMenu);
    SendMessageA(window, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(programIcon(GetSystemMetrics(SM_CXSMICON))));
    SendMessageA(window, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(programIcon(GetSystemMetrics(SM_CXICON))));
    setUpEventForm(window);
    COLORREF colour = 0;
    readFontColour(colour);
    showFontColour(window, colour, TRUE);

    startScheduling(window);

    // With the Today setting on, the day's events come first; the main window waits for the
    // Today window to close, while its ticks go on.
    readIntegerSetting(todayValue, todaySetting);
    showTodayMark(window);
    if (todaySetting == 1)
        runTodayWindow();

    int skin = 0;
    readIntegerSetting(skinsValue, skin);
    applySkin(window, skin);
    showFixedSettings(window);
    createPictureButton(window, okButton);
    createPictureButton(window, deleteButton);

    PostMessageA(window, deferredStartMessage, 0, 0);
    taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    return TRUE;
}

// The tray tip follows the next power action; made anew only when that, or the day, changed.
void showNextAction(const LocalTime &now) {
    Scheduling &s = scheduling();
    static std::int64_t shownAction = INT64_MIN;
    static int shownDay = 0;
    const auto &next = s.due.nextAction();
    const std::int64_t action = next ? next->utc * 2 + next->shutDown : -1;
    if (action == shownAction && now.day == shownDay)
        return;
    shownAction = action;
    shownDay = now.day;
    showTrayTip(trayTipOf(next, now, s.platform));
}

// A tick: the clock face, then the due check, which runs after the clock work. Shown, the
// timer is set again for the next second first; hidden, for the next second needed, last.
void clockTick(HWND window) {
    SYSTEMTIME now;
    const LocalTime reading = scheduling().platform.readClock(now);
    const bool onScreen = faceOnScreen(window);
    if (onScreen)
        armTickTimer(window, now.wMilliseconds);
    clockWork(window, now);
    {
        EventList::Batch batch(scheduling().list);
        scheduling().due.checkDueEvents(reading);
    }
    showNextAction(reading);
    if (!onScreen)
        armSleepTimer(window, now, reading);
}

// The clock or the zone may have been set: judged at once, not at the next planned tick.
void clockChanged(HWND window) {
    scheduling().platform.clockMayHaveChanged();
    clockTick(window);
}

// Windows tells of sleep and wake: what came due while the computer slept is a gap.
void powerChanged(WPARAM change) {
    Scheduling &s = scheduling();
    EventList::Batch batch(s.list);
    const LocalTime now = s.platform.localTime();
    switch (change) {
    case PBT_APMSUSPEND: s.due.asleep(now); break;
    case PBT_APMRESUMEAUTOMATIC:
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMECRITICAL:
        s.due.awake(now);
        // Woken by a timer, Windows sleeps again after two idle minutes: they start afresh
        // here, and the warning holds the computer awake through its minute.
        SetThreadExecutionState(ES_SYSTEM_REQUIRED);
        break;
    default: return;
    }
    showNextAction(now);
    planTicks(mainWindow);
}

// Started minimised: hides once the window has been shown, as a recreated task bar does.
void deferredStart(HWND window) {
    if (readFlag(minimizeValue) == '1')
        PostMessageA(window, hideMessage, 0, 0);
}

// Shown again, or restored: the face shows the time at once, formatted afresh, and ticks every
// second again.
void faceBack(HWND window) {
    SYSTEMTIME now;
    scheduling().platform.readClock(now);
    faceShown(window, now);
    armedPeriod = 0;
    armTickTimer(window, now.wMilliseconds);
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

void menuCommand(HWND window, WORD command) {
    if (trayCommand(window, command) || mainMenuCommand(window, command))
        return;
    // clang-format off
    switch (command) {
    case IDM_WHITE:       chooseSkin(window, 0);       break;
    case IDM_METAL:       chooseSkin(window, 1);       break;
    case IDM_COLOR_FONTS: chooseFontColour(window);    break;
    case IDM_ABOUT:       showAboutNotice(window);     break;
    default: break;
    }
    // clang-format on
}

// The warning's answers, carried out at once, with the list drawn once.
void answerWarning(WPARAM command) {
    Scheduling &s = scheduling();
    EventList::Batch batch(s.list);
    if (command == IDC_WARNING_SKIP)
        s.due.skipWarned(s.platform.localTime());
    else
        s.due.runWarnedNow(s.platform.localTime());
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
    default: break;
    }
    // clang-format on
}

// Menus send no control handle, controls do; the power-action rule applies after either.
void routeCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    if (lParam == 0)
        menuCommand(window, LOWORD(wParam));
    else
        controlCommand(window, wParam);
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
    case WM_POWERBROADCAST: powerChanged(wParam);                              return TRUE;
    case WM_COMMAND:    routeCommand(window, wParam, lParam);                  return TRUE;
    case WM_NOTIFY:     routeNotify(window, *reinterpret_cast<NMHDR *>(lParam)); return TRUE;
    case WM_SIZE:       sized(window, wParam);                                 return TRUE;
    case WM_SHOWWINDOW: shown(window, wParam);                                 return FALSE;
    case WM_ACTIVATE:
    case WM_SETFOCUS:   return keepFocusInTray(window);
    case WM_WINDOWPOSCHANGING:
        keepHiddenInTray(*reinterpret_cast<WINDOWPOS *>(lParam));              return FALSE;
    case trayCallbackMessage: trayCallback(window, wParam, lParam);            return TRUE;
    case deferredStartMessage: deferredStart(window);                          return TRUE;
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
