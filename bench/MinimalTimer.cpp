// The idle benchmark's baseline: a window with the same one-second timer as Velkorin's main
// window that paints nothing, so the side-by-side ratio shows what the clock itself costs.
#include "IdleWindow.h"

namespace {

LRESULT CALLBACK baselineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // clang-format off
    switch (message) {
    case WM_TIMER:   return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default:         return DefWindowProcA(window, message, wParam, lParam);
    }
    // clang-format on
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return runIdleWindow(instance, "IdleBaseline", "Idle baseline", 0, baselineProc);
}
