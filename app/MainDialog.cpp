// The main window: initialisation, the message table, the once-a-second tick and the exit
// confirmation.
#include "MainDialog.h"

#include "BitmapButton.h"
#include "ClockFace.h"
#include "MissedSweep.h"
#include "Notices.h"
#include "Settings.h"
#include "Shell.h"
#include "resource.h"

#include <commctrl.h>

#include <cstdio>

namespace {

constexpr UINT_PTR tickTimer = 1;
constexpr UINT deferredStartMessage = WM_USER + 0x100;
constexpr DWORD eventListStyle = LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT;

// Ticks are re-armed to fall this long after each second boundary, so the clock changes with
// the real second and no tick lands just before the boundary it waits for.
constexpr int tickPhaseMilliseconds = 20;

const char datePicture[] = "dddd dd MMMM yyyy";
const char exitQuestion[] = "          Do you really want to exit?";
const char exitCaption[] = "Exit from programm Velkorin";

const char *const repeatChoices[] = {"Repeat", "Hourly", "Daily", "Weekly", "Monthly", "Yearly"};

UINT taskbarCreatedMessage = 0;
HWND restartBox = nullptr;
HWND shutDownBox = nullptr;

// "00", "01", ... as the time boxes list them.
struct TwoDigitChoices {
    explicit TwoDigitChoices(int choices) : count(choices) {
        for (int i = 0; i < count; ++i) {
            std::snprintf(texts[i], sizeof texts[i], "%02d", i);
            pointers[i] = texts[i];
        }
    }
    int count;
    char texts[60][3];
    const char *pointers[60];
};

void armTickTimer(HWND window, WORD milliseconds) {
    SetTimer(window, tickTimer, 1000u - milliseconds + tickPhaseMilliseconds, nullptr);
}

HICON programIcon(int size) {
    return static_cast<HICON>(LoadImageA(programInstance, MAKEINTRESOURCEA(IDI_PROGRAM),
                                         IMAGE_ICON, size, size, 0));
}

void fillEventForm(HWND window) {
    static const TwoDigitChoices hours(24), minutes(60);
    addChoices(GetDlgItem(window, IDC_HOUR), hours.pointers, hours.count);
    addChoices(GetDlgItem(window, IDC_MINUTE), minutes.pointers, minutes.count);
    addChoices(GetDlgItem(window, IDC_SECOND), minutes.pointers, minutes.count);
    addChoices(GetDlgItem(window, IDC_REPEAT), repeatChoices, 6);
    restartBox = GetDlgItem(window, IDC_RESTART);
    shutDownBox = GetDlgItem(window, IDC_SHUTDOWN);
    SetDlgItemTextA(window, IDC_HOUR, "H");
    SetDlgItemTextA(window, IDC_MINUTE, "M");
    SetDlgItemTextA(window, IDC_SECOND, "S");
    SetDlgItemTextA(window, IDC_REPEAT, "Repeat");
}

void loadEvents() {
    Scheduling &s = scheduling();
    s.table.setMirror(&s.list);
    EventList::Batch batch(s.list);
    s.file.loadAll(s.table);
    // The due check's first tick examines every second after the one the sweep judged by.
    const LocalTime swept = s.platform.localTime();
    sweepMissedEvents(s.table, s.file, s.platform, swept);
    s.due.startAfter(swept);
}

BOOL initMainDialog(HWND window) {
    mainWindow = window;
    SYSTEMTIME now;
    GetLocalTime(&now);
    armTickTimer(window, now.wMilliseconds);
    SendDlgItemMessageA(window, IDC_DATE, DTM_SETFORMATA, 0,
                        reinterpret_cast<LPARAM>(datePicture));

    EventList &list = scheduling().list;
    list.attach(GetDlgItem(window, IDC_EVENTS));
    list.setUpEventColumns();
    SendMessageA(list.handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, eventListStyle);
    mainMenu = LoadMenuA(programInstance, "MENUP");
    SetMenu(window, mainMenu);
    SendMessageA(window, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(programIcon(GetSystemMetrics(SM_CXSMICON))));
    SendMessageA(window, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(programIcon(GetSystemMetrics(SM_CXICON))));
    fillEventForm(window);
    readFontColour(fontColour);
    showFontColour(window, TRUE);

    loadEvents();

    readIntegerSetting(skinsValue, skinsSetting);
    applySkin(window);
    createBitmapButton(window, 13, 390, IDB_OK_UP, IDB_OK_DOWN, IDC_OK);
    createBitmapButton(window, 408, 390, IDB_DELETE_UP, IDB_DELETE_DOWN, IDC_DELETE);

    PostMessageA(window, deferredStartMessage, 0, 0);
    taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    return TRUE;
}

// The once-a-second work: re-arm the timer to the next second, the clock face, then the due
// check, which runs after the clock work.
void clockTick(HWND window) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    armTickTimer(window, now.wMilliseconds);
    clockWork(window, now);
    EventList::Batch batch(scheduling().list);
    scheduling().due.checkDueEvents(localTimeOf(now));
}

void menuCommand(HWND window, WORD command) {
    switch (command) {
    case IDM_WHITE:       chooseSkin(window, 0);       break;
    case IDM_METAL:       chooseSkin(window, 1);       break;
    case IDM_COLOR_FONTS: chooseFontColour(window);    break;
    case IDM_ABOUT:       showAboutNotice(window);     break;
    default: break;
    }
}

// A ticked power-action box disables the other one, so an event carries at most one action.
void excludePowerActions(WPARAM command) {
    if (command == IDC_RESTART)
        EnableWindow(shutDownBox, SendMessageA(restartBox, BM_GETCHECK, 0, 0) != BST_CHECKED);
    else if (command == IDC_SHUTDOWN)
        EnableWindow(restartBox, SendMessageA(shutDownBox, BM_GETCHECK, 0, 0) != BST_CHECKED);
}

void routeCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    if (lParam == 0) menuCommand(window, LOWORD(wParam));
    excludePowerActions(wParam);
}

void confirmExit(HWND window) {
    if (MessageBoxA(window, exitQuestion, exitCaption, MB_YESNO) != IDYES) return;
    KillTimer(window, tickTimer);
    EndDialog(window, 0);
}

} // namespace

INT_PTR CALLBACK mainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:      confirmExit(window);                   return TRUE;
    case WM_INITDIALOG: return initMainDialog(window);
    case WM_PAINT:      paintClockFace(window);                return TRUE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return reinterpret_cast<INT_PTR>(controlColours(reinterpret_cast<HDC>(wParam)));
    case WM_TIMER:      clockTick(window);                     return TRUE;
    case WM_COMMAND:    routeCommand(window, wParam, lParam);  return TRUE;
    default:
        // The start-minimised check and the tray answer these once they exist.
        if (message == deferredStartMessage) return TRUE;
        if (taskbarCreatedMessage && message == taskbarCreatedMessage) return TRUE;
        return FALSE;
    }
}

INT_PTR runMainDialog() {
    return DialogBoxParamA(programInstance, "DIAL", nullptr, mainDialogProc, 0);
}
