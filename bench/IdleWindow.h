// The idle benchmark's reference programs: a window of Velkorin's size with the same one-second
// timer, served by a plain message loop until it is closed.
#pragma once

#include <windows.h>

inline int runIdleWindow(HINSTANCE instance, const char *className, const char *title, int x,
                         WNDPROC windowProc) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, x, 0, 572, 475, nullptr,
                                  nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOW);
    SetTimer(window, 1, 1000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
