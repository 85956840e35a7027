// The idle benchmark's fair clock: the same one-second timer as Velkorin's main window, and on
// each tick the time line formatted and painted over a background picture in the same font,
// so the side-by-side ratio shows what the rest of the shown program costs.
#include <windows.h>

#include <cstring>

namespace {

const RECT timeLine = {80, 50, 400, 78};
char timeText[100] = "";
HBITMAP background = nullptr;

HFONT createClockFont() {
    LOGFONTA font = {};
    font.lfHeight = 18;
    font.lfWidth = 7;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    font.lfPitchAndFamily = FF_MODERN;
    std::strcpy(font.lfFaceName, "Times New Roman");
    return CreateFontIndirectA(&font);
}

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
    switch (message) {
    case WM_TIMER:   tick(window); return 0;
    case WM_PAINT:   paint(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default:         return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = clockProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "FairClock";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "FairClock", "Fair clock", WS_OVERLAPPEDWINDOW, 1300, 0, 572,
                                  475, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOW);
    SetTimer(window, 1, 1000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
