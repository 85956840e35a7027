// The idle benchmark's fair clock: the same one-second timer as Velkorin's main window, and on
// each tick the time line formatted and painted over a background picture in the same font,
// so the side-by-side ratio shows what the rest of the shown program costs. The font is the
// face's own.
#include "ClockFace.h"
#include "IdleWindow.h"

namespace {

const RECT timeLine = {80, 50, 400, 78};
char timeText[100] = "";
HBITMAP background = nullptr;

void tick(HWND window) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, "HH:mm:ss", timeText, sizeof timeText);
    InvalidateRect(window, &timeLine, FALSE);
}

void paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    if (!background) {
        background = CreateCompatibleBitmap(dc, client.right, client.bottom);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(memory, background);
        FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, background);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    HFONT font = createClockFont();
    HGDIOBJ previousFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    RECT box = timeLine;
    DrawTextA(dc, timeText, -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, previousFont);
    DeleteObject(font);
    EndPaint(window, &paint);
}

LRESULT CALLBACK clockProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // clang-format off
    switch (message) {
    case WM_TIMER:   tick(window); return 0;
    case WM_PAINT:   paint(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default:         return DefWindowProcA(window, message, wParam, lParam);
    }
    // clang-format on
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return runIdleWindow(instance, "FairClock", "Fair clock", 1300, clockProc);
}
