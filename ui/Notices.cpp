// Notice windows: an EDIT window of its own, owned by the main window, served by whatever
// message loop runs.
#include "Notices.h"

#include "PictureLoader.h"
#include "ShownText.h"
#include "Version.h"
#include "resource.h"

const char vendorSite[] = "www.marbrook.example";

namespace {

struct NoticeKind {
    const char *title;
    DWORD extendedStyle;
    DWORD style;
    int width;
    int height;
};

const NoticeKind missedEventNotice = {"Ooops! Your missed event.", WS_EX_TOPMOST,
                                      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                          WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_VSCROLL |
                                          ES_MULTILINE,
                                      300, 300};

const NoticeKind aboutNotice = {"About Velkorin " VELKORIN_VERSION_TEXT, 0,
                                WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                    WS_MINIMIZEBOX | WS_MAXIMIZEBOX | ES_MULTILINE,
                                220, 150};

// Both kinds stand at the same place, worked out from the screen with the same constants
// whatever their size.
constexpr int placementWidth = 450;
constexpr int placementHeight = 550;

// Six lines, each indented to sit roughly centred in the 220-pixel window.
const char aboutText[] = "    Velkorin version " VELKORIN_VERSION_TEXT "\r\n"
                         " Copyright \xC2\xAE 2026 Marbrook\r\n"
                         "     All rights reserved.\r\n"
                         "      Desktop clock and\r\n"
                         "      event scheduler\r\n"
                         "   www.marbrook.example";

const char originalProcProperty[] = "VelkorinNoticeProc";
const char fontProperty[] = "VelkorinNoticeFont";

// The About font belongs to its window and goes with it, after the edit control's own last
// message: the control may still use its font until then.
LRESULT CALLBACK aboutNoticeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC original = reinterpret_cast<WNDPROC>(GetPropA(window, originalProcProperty));
    if (message != WM_NCDESTROY)
        return CallWindowProcW(original, window, message, wParam, lParam);
    HGDIOBJ font = RemovePropA(window, fontProperty);
    RemovePropA(window, originalProcProperty);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
    DeleteObject(font);
    return result;
}

// A wide window: its title and text show in any alphabet.
HWND createNotice(HWND owner, const NoticeKind &kind) {
    const int x = (GetSystemMetrics(SM_CXSCREEN) - placementWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - placementHeight) / 2;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const std::wstring title = shownText(kind.title);
    HWND notice = CreateWindowExW(kind.extendedStyle, L"edit", title.c_str(), kind.style, x, y,
                                  kind.width, kind.height, owner, nullptr, instance, nullptr);
    if (!notice)
        return nullptr;
    // The edit control takes WS_BORDER off its window to draw a border of its own, and the
    // title bar would go with it: give the window its whole caption style back.
    SetWindowLongA(notice, GWL_STYLE, static_cast<LONG>(kind.style));
    SetWindowPos(notice, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // An edit window keeps its creation text as its body only; the title bar needs the
    // caption set on the window itself.
    DefWindowProcW(notice, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()));
    // Shared: one icon serves every notice, and none is left behind when a notice closes.
    SendMessageA(notice, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(programIcon(GetSystemMetrics(SM_CXSMICON))));
    return notice;
}

void showNotice(HWND notice) {
    ShowWindow(notice, SW_SHOWDEFAULT);
    UpdateWindow(notice);
}

} // namespace

HWND showMissedEventNotice(HWND owner, const std::string &text) {
    return showTitledNotice(owner, missedEventNotice.title, text);
}

HWND showTitledNotice(HWND owner, const std::string &title, const std::string &text) {
    NoticeKind kind = missedEventNotice;
    kind.title = title.c_str();
    HWND notice = createNotice(owner, kind);
    if (!notice)
        return nullptr;
    showText(notice, text);
    showNotice(notice);
    return notice;
}

HWND showAboutNotice(HWND owner) {
    HWND notice = createNotice(owner, aboutNotice);
    if (!notice)
        return nullptr;
    HFONT font = CreateFontA(17, 7, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, "Times new Roman");
    SetPropA(notice, fontProperty, font);
    SetPropA(notice, originalProcProperty,
             reinterpret_cast<HANDLE>(GetWindowLongPtrW(notice, GWLP_WNDPROC)));
    SetWindowLongPtrW(notice, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(aboutNoticeProc));
    SendMessageW(notice, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    showText(notice, aboutText);
    showNotice(notice);
    return notice;
}
