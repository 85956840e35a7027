// The text of a window's title bar, which for an edit window is not what WM_GETTEXT returns.
#pragma once

#include <windows.h>

#include <string>

inline std::string windowTitle(HWND window) {
    wchar_t title[256] = L"";
    InternalGetWindowText(window, title, 256);
    char narrow[512] = "";
    WideCharToMultiByte(CP_ACP, 0, title, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}
