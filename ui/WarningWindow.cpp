// The warning window.
#include "WarningWindow.h"

#include "resource.h"

const char warningWindowClass[] = "Velkorin_Warning";

namespace {

constexpr int textId = 100;
constexpr int keyId = 101;
constexpr int width = 380;
constexpr int height = 150;

HWND warning = nullptr;
HWND answersTo = nullptr;
bool dismissed = false; // closed with its close box: no answer, and not shown again

void answer(HWND button, int command) {
    SendMessageA(answersTo, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

LRESULT CALLBACK warningProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == warningSkipCommand || LOWORD(wParam) == warningNowCommand)
            answer(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
        return 0;
    case WM_CLOSE:
        dismissed = true;
        ShowWindow(window, SW_HIDE);
        return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE; // what the user types keeps its focus
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND child(HWND parent, const char *className, const char *text, DWORD style, int x, int y,
           int w, int h, int id) {
    HWND control = CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
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
    HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW,
                                  warningWindowClass, "Velkorin warning",
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_BORDER,
                                  area.right - width - 16, area.bottom - height - 16, width, height,
                                  nullptr, nullptr, module, nullptr);
    HWND icon = child(window, "STATIC", "", SS_ICON, 14, 14, 32, 32, 0);
    SendMessageA(icon, STM_SETICON,
                 reinterpret_cast<WPARAM>(LoadImageA(module, MAKEINTRESOURCEA(IDI_PROGRAM),
                                                     IMAGE_ICON, 32, 32, LR_SHARED)),
                 0);
    child(window, "STATIC", "", SS_LEFT, 60, 14, width - 76, 18, textId);
    child(window, "STATIC", "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 60, 36, width - 76, 18,
          keyId);
    child(window, "BUTTON", "Skip this time", BS_PUSHBUTTON, width - 230, 72, 110, 26,
          warningSkipCommand);
    child(window, "BUTTON", "Now", BS_PUSHBUTTON, width - 112, 72, 90, 26, warningNowCommand);
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
    if (dismissed) return;
    const bool opening = !warning;
    if (opening) warning = createWarning();
    SetDlgItemTextA(warning, textId, warningText(shutDown, secondsLeft).c_str());
    SetDlgItemTextA(warning, keyId, matchKey.c_str());
    if (opening) {
        ShowWindow(warning, SW_SHOWNOACTIVATE);
        SetWindowPos(warning, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void closeWarningWindow() {
    if (warning) DestroyWindow(warning);
    warning = nullptr;
    dismissed = false;
}
