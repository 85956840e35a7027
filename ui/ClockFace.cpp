// The clock face and its skins and colours.
#include "ClockFace.h"

#include "LocalTime.h"
#include "PictureLoader.h"
#include "Scale.h"
#include "resource.h"

#include <commdlg.h>

#include <cstring>

COLORREF fontColour = 0;

namespace {

constexpr int textCapacity = 100;

// At 100%; at the face's scale through lineAt.
const RECT dateLine = {80, 20, 400, 40};
const RECT timeLine = {80, 50, 400, 78};
UINT faceDpi = baseDpi;
int shownSkin = -1;

RECT lineAt(const RECT &line) {
    return {scaled(line.left, faceDpi), scaled(line.top, faceDpi), scaled(line.right, faceDpi),
            scaled(line.bottom, faceDpi)};
}
constexpr UINT lineFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

const int skinPictures[] = {IDP_WHITE_SKIN, IDP_METAL_SKIN};

SYSTEMTIME lastTick = {};
char dateText[textCapacity] = "";
char timeText[textCapacity] = "";
char lastPaintedDate[textCapacity] = "";
HBITMAP skinPicture = nullptr;

// The picture at the top left, made for the face's scale, drawn out to the edges where it does
// not reach (the White skin is narrower than the window); with no picture the face is plain
// white.
void drawSkin(HDC dc, const RECT &client) {
    drawPicture(dc, client, skinPicture, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), true);
}

// The date is formatted once a day (and whenever the face shows again), the time every tick.
SYSTEMTIME formattedDay = {};

void formatReading(bool afresh = false) {
    if (afresh || lastTick.wDay != formattedDay.wDay || lastTick.wMonth != formattedDay.wMonth ||
        lastTick.wYear != formattedDay.wYear) {
        GetDateFormatA(LOCALE_USER_DEFAULT, 0, &lastTick, longDatePicture, dateText, textCapacity);
        formattedDay = lastTick;
    }
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &lastTick, clockTimePicture, timeText, textCapacity);
}

// A line is drawn only where the paint reaches it.
void drawLine(HDC dc, const char *text, const RECT &line) {
    RECT box = lineAt(line);
    if (!RectVisible(dc, &box))
        return;
    DrawTextA(dc, text, -1, &box, lineFormat);
}

} // namespace

HFONT createClockFont() {
    LOGFONTA font = {};
    font.lfHeight = scaled(18, faceDpi);
    font.lfWidth = scaled(7, faceDpi);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    font.lfPitchAndFamily = FF_MODERN;
    std::strcpy(font.lfFaceName, "Times New Roman");
    return CreateFontIndirectA(&font);
}

void paintClockFace(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    drawSkin(dc, client);
    // Every object made for the paint is selected out and released before it ends: a clock
    // that runs for months must not leak one per second.
    HFONT font = createClockFont();
    HGDIOBJ previousFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, fontColour);
    drawLine(dc, dateText, dateLine);
    // Only the invalid region is drawn, so a paint of the time line alone still records the
    // date it would have shown.
    std::strcpy(lastPaintedDate, dateText);
    drawLine(dc, timeText, timeLine);
    SelectObject(dc, previousFont);
    DeleteObject(font);
    EndPaint(window, &paint);
}

bool faceOnScreen(HWND window) {
    return IsWindowVisible(window) && !IsIconic(window);
}

void clockWork(HWND window, const SYSTEMTIME &now) {
    lastTick = now;
    if (!faceOnScreen(window))
        return;
    formatReading();
    const RECT time = lineAt(timeLine);
    InvalidateRect(window, &time, FALSE);
    if (lstrcmpiA(dateText, lastPaintedDate) != 0) {
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
    }
}

void faceShown(HWND window, const SYSTEMTIME &now) {
    lastTick = now;
    formatReading(true);
    InvalidateRect(window, nullptr, TRUE);
}

HBRUSH controlColours(HWND window, HDC dc, HWND control) {
    if (!IsChild(window, control))
        return nullptr;
    SetTextColor(dc, fontColour);
    return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

bool setSkin(HWND window, int skin) {
    if (skin != 0 && skin != 1)
        return false;
    HBITMAP picture = pictureAt(GetModuleHandleA(nullptr), skinPictures[skin], faceDpi);
    shownSkin = skin;
    if (skinPicture)
        DeleteObject(skinPicture); // the replaced skin goes
    skinPicture = picture;
    InvalidateRect(window, nullptr, TRUE);
    return true;
}

void scaleFace(HWND window, UINT dpi) {
    if (dpi == faceDpi)
        return;
    faceDpi = dpi;
    if (shownSkin >= 0)
        setSkin(window, shownSkin);
    InvalidateRect(window, nullptr, TRUE);
}

void colourFace(HWND window, COLORREF colour, BOOL erase) {
    fontColour = colour;
    // The main window does not clip its children: the list repaints with the face.
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ALLCHILDREN | (erase ? RDW_ERASE : 0u));
}

bool chooseColour(HWND owner, HINSTANCE instance, DWORD flags, COLORREF &chosen) {
    COLORREF customColours[16];
    for (COLORREF &colour : customColours)
        colour = RGB(255, 255, 255);
    CHOOSECOLORA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.hInstance = reinterpret_cast<HWND>(instance);
    dialog.lpCustColors = customColours;
    dialog.Flags = flags;
    if (!ChooseColorA(&dialog))
        return false;
    chosen = dialog.rgbResult;
    return true;
}
