// The warning window.
#include "WarningWindow.h"

#include "Scale.h"

#include "PictureLoader.h"
#include "resource.h"

const char warningWindowClass[] = "Velkorin_Warning";

namespace {

constexpr int width = 380;
constexpr int height = 176;

HWND warning = nullptr;
HWND answersTo = nullptr;
bool dismissed = false;           // closed with its close box: no answer, and not shown again
std::vector<std::string> offered; // the Later choices, shortest first
bool menuOpen = false;

// The Later menu opens below its button; arrows and Enter choose, Escape closes it.
void openLaterMenu(HWND window) {
    HWND button = GetDlgItem(window, IDC_WARNING_LATER);
    if (offered.empty() || menuOpen)
        return;
    HMENU menu = CreatePopupMenu();
    for (std::size_t i = 0;
         i < offered.size() && i <= IDM_WARNING_LATER_LAST - IDM_WARNING_LATER_FIRST; ++i)
        AppendMenuA(menu, MF_STRING, IDM_WARNING_LATER_FIRST + i, offered[i].c_str());
    RECT place;
    GetWindowRect(button, &place);
    // A menu of a window that is not in front would not close when the user clicks elsewhere.
    SetForegroundWindow(window);
    menuOpen = true;
    const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                      place.left, place.bottom, 0, window, nullptr);
    menuOpen = false;
    PostMessageA(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
    if (chosen != 0 && warning == window)
        SendMessageA(answersTo, WM_COMMAND, MAKEWPARAM(chosen, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
}

void buttonCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    const int command = LOWORD(wParam);
    if (command == IDC_WARNING_SKIP || command == IDC_WARNING_NOW)
        SendMessageA(answersTo, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), lParam);
    else if (command == IDC_WARNING_LATER)
        openLaterMenu(window);
    else if (command >= IDM_WARNING_LATER_FIRST &&
             static_cast<std::size_t>(command - IDM_WARNING_LATER_FIRST) < offered.size())
        SendMessageA(answersTo, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_WARNING_LATER)));
}

// Closed with its close box: no answer, and not shown again until the next warning.
void dismiss(HWND window) {
    dismissed = true;
    ShowWindow(window, SW_HIDE);
}

LRESULT CALLBACK warningProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // clang-format off
    switch (message) {
    case WM_COMMAND:       buttonCommand(window, wParam, lParam); return 0;
    case WM_CLOSE:         dismiss(window);               return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE; // what the user types keeps its focus
    default:               return DefWindowProcA(window, message, wParam, lParam);
    }
    // clang-format on
}

// Placed in pixels of 100%, at the screen's scale.
UINT dpi = baseDpi;

HWND child(HWND parent, const char *className, const char *text, DWORD style, int x, int y, int w,
           int h, int id) {
    HWND control = CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style,
                                   scaled(x, dpi), scaled(y, dpi), scaled(w, dpi), scaled(h, dpi),
                                   parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    return control;
}

HWND createWarning() {
    HINSTANCE module = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = warningProc;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = warningWindowClass;
    RegisterClassA(&windowClass); // fails harmlessly from the second warning on
    // In the lower right corner of the work area, above every other window, full-screen ones
    // too, without taking the focus from what the user is doing.
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    dpi = dpiOf(nullptr);
    HWND window = CreateWindowExA(
        WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, warningWindowClass, "Velkorin warning",
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_BORDER, area.right - scaled(width + 16, dpi),
        area.bottom - scaled(height + 16, dpi), scaled(width, dpi), scaled(height, dpi), nullptr,
        nullptr, module, nullptr);
    HWND icon = child(window, "STATIC", "", SS_ICON, 14, 14, 32, 32, 0);
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(programIcon(scaled(32, dpi))), 0);
    child(window, "STATIC", "", SS_LEFT, 60, 14, width - 76, 18, IDC_WARNING_TEXT);
    child(window, "STATIC", "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 60, 36, width - 76, 18,
          IDC_WARNING_KEY);
    child(window, "BUTTON", "&Later...", BS_PUSHBUTTON | WS_TABSTOP, width - 330, 72, 90, 26,
          IDC_WARNING_LATER);
    child(window, "BUTTON", "Skip this time", BS_PUSHBUTTON | WS_TABSTOP, width - 230, 72, 110, 26,
          IDC_WARNING_SKIP);
    child(window, "BUTTON", "Now", BS_PUSHBUTTON | WS_TABSTOP, width - 112, 72, 90, 26,
          IDC_WARNING_NOW);
    child(window, "STATIC", "", SS_LEFT | SS_NOPREFIX, 60, 106, width - 76, 32,
          IDC_WARNING_LATER_NOTE);
    return window;
}

} // namespace

std::string warningText(bool shutDown, int secondsLeft) {
    return std::string("Velkorin will ") + (shutDown ? "shut down" : "restart") +
           " this computer in " + std::to_string(secondsLeft) + " s";
}

void showWarningWindow(HWND mainWindow, bool shutDown, const std::string &matchKey, int secondsLeft,
                       const std::vector<std::string> &laterChoices, const std::string &laterWhy) {
    answersTo = mainWindow;
    offered = laterChoices;
    if (dismissed)
        return;
    const bool opening = !warning;
    if (opening)
        warning = createWarning();
    SetDlgItemTextA(warning, IDC_WARNING_TEXT, warningText(shutDown, secondsLeft).c_str());
    SetDlgItemTextA(warning, IDC_WARNING_KEY, matchKey.c_str());
    SetDlgItemTextA(warning, IDC_WARNING_LATER_NOTE, laterWhy.c_str());
    EnableWindow(GetDlgItem(warning, IDC_WARNING_LATER), !offered.empty());
    if (opening) {
        ShowWindow(warning, SW_SHOWNOACTIVATE);
        SetWindowPos(warning, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void closeWarningWindow() {
    if (menuOpen)
        EndMenu(); // its choice would answer a warning that is gone
    if (warning)
        DestroyWindow(warning);
    warning = nullptr;
    dismissed = false;
}
