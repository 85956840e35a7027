// The window's scale, and pictures at it.
#include "Scale.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int variantStep = 100; // between the ids of one picture's scales

using DpiForWindow = UINT(WINAPI *)(HWND);

} // namespace

UINT dpiOf(HWND window) {
    // Asked by name: Windows before 10 has no per-window dpi.
    static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (dpiForWindow && window) {
        const UINT dpi = dpiForWindow(window);
        if (dpi)
            return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : baseDpi;
}

int scaled(int pixels, UINT dpi) {
    return MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(baseDpi));
}

int pictureIdAt(int picture, UINT dpi, UINT &madeFor) {
    // Halfway between two scales the larger one is taken: shrinking keeps more than stretching.
    if (dpi <= baseDpi * 5 / 4) {
        madeFor = baseDpi;
        return picture;
    }
    if (dpi <= baseDpi * 7 / 4) {
        madeFor = baseDpi * 3 / 2;
        return picture + variantStep;
    }
    madeFor = baseDpi * 2;
    return picture + 2 * variantStep;
}

HBITMAP copyOfBitmap(HBITMAP picture, int width, int height) {
    BITMAP size = {};
    GetObjectA(picture, sizeof size, &size);
    HDC screen = GetDC(nullptr);
    HBITMAP result = CreateCompatibleBitmap(screen, width, height);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    HGDIOBJ oldFrom = SelectObject(from, picture);
    HGDIOBJ oldTo = SelectObject(to, result);
    SetStretchBltMode(to, HALFTONE);
    SetBrushOrgEx(to, 0, 0, nullptr);
    StretchBlt(to, 0, 0, width, height, from, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    ReleaseDC(nullptr, screen);
    return result;
}

HBITMAP stretchedTo(HBITMAP picture, UINT madeFor, UINT dpi) {
    if (!picture || madeFor == dpi)
        return picture;
    BITMAP size = {};
    GetObjectA(picture, sizeof size, &size);
    HBITMAP result = copyOfBitmap(
        picture, MulDiv(size.bmWidth, static_cast<int>(dpi), static_cast<int>(madeFor)),
        MulDiv(size.bmHeight, static_cast<int>(dpi), static_cast<int>(madeFor)));
    DeleteObject(picture);
    return result;
}

namespace {

// A control's place in its dialog's client area; a combo box's height is that of its open
// list, which is what placing it sets.
RECT placeOf(HWND dialog, HWND control) {
    RECT place = {};
    GetWindowRect(control, &place);
    char kind[16] = "";
    GetClassNameA(control, kind, sizeof kind);
    if (lstrcmpiA(kind, "ComboBox") == 0) {
        RECT open = {};
        SendMessageA(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&open));
        place.bottom = place.top + (open.bottom - open.top);
    }
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&place), 2);
    return place;
}

template <class Across, class Down> void placeControls(HWND dialog, Across x, Down y) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT place = placeOf(dialog, child);
        SetWindowPos(child, nullptr, x(place.left), y(place.top), x(place.right) - x(place.left),
                     y(place.bottom) - y(place.top), SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// The dialog's base units (pixels per 4 dialog units across, per 8 down) for its font made at
// a dpi, measured as the dialog manager measures them.
SIZE baseUnitsAt(HWND dialog, UINT fontDpi, UINT dpi) {
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
    // Through the template's point size, so no rounding creeps in.
    const int points = MulDiv(std::abs(font.lfHeight), 72, static_cast<int>(fontDpi));
    font.lfHeight = -MulDiv(points, static_cast<int>(dpi), 72);
    font.lfWidth = 0;
    HFONT made = CreateFontIndirectA(&font);
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, made);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(screen, &metrics);
    SIZE letters = {};
    GetTextExtentPoint32A(screen, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52,
                          &letters);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    DeleteObject(made);
    return {(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

} // namespace

void layOutAtScale(HWND dialog, UINT dpi) {
    if (dpi == baseDpi)
        return;
    const SIZE at100 = baseUnitsAt(dialog, dpi, baseDpi);
    RECT now = {0, 0, 4, 8};
    MapDialogRect(dialog, &now);
    const auto x = [&](LONG pixels) { return scaled(MulDiv(pixels, at100.cx, now.right), dpi); };
    const auto y = [&](LONG pixels) { return scaled(MulDiv(pixels, at100.cy, now.bottom), dpi); };
    placeControls(dialog, x, y);
    RECT client = {};
    GetClientRect(dialog, &client);
    RECT frame = {0, 0, x(client.right), y(client.bottom)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)),
                       GetMenu(dialog) != nullptr,
                       static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
    // About the same centre as before.
    RECT was = {};
    GetWindowRect(dialog, &was);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(dialog, nullptr, std::max(0L, (was.left + was.right - width) / 2),
                 std::max(0L, (was.top + was.bottom - height) / 2), width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void moveControlsToScale(HWND dialog, UINT from, UINT to, HFONT &font) {
    const auto at = [&](LONG pixels) {
        return MulDiv(pixels, static_cast<int>(to), static_cast<int>(from));
    };
    placeControls(dialog, at, at);
    LOGFONTA shared = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(GetWindow(dialog, GW_CHILD), WM_GETFONT, 0, 0)),
               sizeof shared, &shared);
    shared.lfHeight = at(shared.lfHeight);
    HFONT previous = font;
    font = CreateFontIndirectA(&shared);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (previous)
        DeleteObject(previous);
}

HBITMAP bitmapAt(HINSTANCE module, int picture, UINT dpi) {
    UINT madeFor = baseDpi;
    const int id = pictureIdAt(picture, dpi, madeFor);
    return stretchedTo(LoadBitmapA(module, MAKEINTRESOURCEA(id)), madeFor, dpi);
}
