// The warning window.
#include "WarningWindow.h"

#include "Scale.h"

#include "PictureLoader.h"
#include "resource.h"

const char warningWindowClass[] = "Velkorin_Warning";

namespace {

constexpr int width = 380;
constexpr int height = 150;

HWND warning = nullptr;
HWND answersTo = nullptr;
bool dismissed = false; // closed with its close box: no answer, and not shown again

void buttonCommand(WPARAM wParam, LPARAM lParam) {
    const int command = LOWORD(wParam);
    if (command == IDC_WARNING_SKIP || command == IDC_WARNING_NOW)
        SendMessageA(answersTo, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), lParam);
}

// Closed with its close box: no answer, and not shown again until the next warning.
void dismiss(HWND window) {
    dismissed = true;
    ShowWindow(window, SW_HIDE);
}

LRESULT CALLBACK warningProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // clang-format off
    switch (message) {
    case WM_COMMAND:       buttonCommand(wParam, lParam); return 0;
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
    child(window, "BUTTON", "Skip this time", BS_PUSHBUTTON, width - 230, 72, 110, 26,
          IDC_WARNING_SKIP);
    child(window, "BUTTON", "Now", BS_PUSHBUTTON, width - 112, 72, 90, 26, IDC_WARNING_NOW);
    return window;
}

} // namespace

std::string warningText(bool shutDown, int secondsLeft) {
    return std::string("Velkorin will ") + (shutDown ? "shut down" : "restart") +
           " this computer in " + std::to_string(secondsLeft) + " s";
}

void showWarningWindow(HWND mainWindow, bool shutDown, const std::string &matchKey,
                       int secondsLeft) {
    answersTo = mainWindow;
    if (dismissed)
        return;
    const bool opening = !warning;
    if (opening)
        warning = createWarning();
    SetDlgItemTextA(warning, IDC_WARNING_TEXT, warningText(shutDown, secondsLeft).c_str());
    SetDlgItemTextA(warning, IDC_WARNING_KEY, matchKey.c_str());
    if (opening) {
        ShowWindow(warning, SW_SHOWNOACTIVATE);
        SetWindowPos(warning, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void closeWarningWindow() {
    if (warning)
        DestroyWindow(warning);
    warning = nullptr;
    dismissed = false;
}
