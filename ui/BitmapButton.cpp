// The bitmap push button "Bmp_Button_Class": a window beneath a static picture child, which
// lets the mouse through to it.
#include "BitmapButton.h"

#include "Scale.h"

const char bitmapButtonClass[] = "Bmp_Button_Class";

namespace {

// The button's own handles, each in a pointer-sized slot of its window extra storage.
constexpr int upPictureSlot = 0;
constexpr int downPictureSlot = sizeof(LONG_PTR);
constexpr int pictureChildSlot = 2 * sizeof(LONG_PTR);
constexpr int focusedPictureSlot = 3 * sizeof(LONG_PTR); // the up picture with a focus frame
constexpr int buttonExtraBytes = 4 * sizeof(LONG_PTR);
constexpr int focusFrameInset = 3;

constexpr DWORD pictureChildStyle = WS_CHILD | WS_VISIBLE | SS_BITMAP;

// One flag for every bitmap button: with the mouse captured by the pressed button, only that
// button receives the release.
LONG buttonPressed = 0;

HANDLE slot(HWND button, int offset) {
    return reinterpret_cast<HANDLE>(GetWindowLongPtrA(button, offset));
}

void showPicture(HWND button, int pictureSlot) {
    HANDLE previous = reinterpret_cast<HANDLE>(
        SendMessageA(static_cast<HWND>(slot(button, pictureChildSlot)), STM_SETIMAGE, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(slot(button, pictureSlot))));
    // A static control of the version 6 controls may show a copy of a picture it was given and
    // hand the copy back here: the copy is ours to release.
    if (previous && previous != slot(button, upPictureSlot) &&
        previous != slot(button, downPictureSlot) && previous != slot(button, focusedPictureSlot))
        DeleteObject(previous);
}

// Up, as the keyboard's focus shows it or not.
void showRaised(HWND button) {
    showPicture(button, GetFocus() == button ? focusedPictureSlot : upPictureSlot);
}

void click(HWND button) {
    SendMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

// The up picture with a dotted frame inside its edge, as push buttons show the focus. Drawn in
// plain ink: a frame drawn by inverting (DrawFocusRect) would set the unused fourth bytes, and
// the static control would then take the whole picture as see-through.
HBITMAP focusedPicture(HBITMAP up) {
    BITMAP size = {};
    GetObjectA(up, sizeof size, &size);
    HBITMAP copy = copyOfBitmap(up, size.bmWidth, size.bmHeight);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, copy);
    LOGBRUSH ink = {BS_SOLID, RGB(0, 0, 0), 0};
    HPEN dotted = ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &ink, 0, nullptr);
    HGDIOBJ previousPen = SelectObject(memory, dotted);
    HGDIOBJ previousBrush = SelectObject(memory, GetStockObject(NULL_BRUSH));
    Rectangle(memory, focusFrameInset, focusFrameInset, size.bmWidth - focusFrameInset,
              size.bmHeight - focusFrameInset);
    SelectObject(memory, previousBrush);
    SelectObject(memory, previousPen);
    DeleteObject(dotted);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return copy;
}

// Space presses the button while held, as a push button; Enter clicks it at once.
void keyDown(HWND button, WPARAM key) {
    if (key == VK_SPACE)
        showPicture(button, downPictureSlot);
    else if (key == VK_RETURN)
        click(button);
}

void keyUp(HWND button, WPARAM key) {
    if (key != VK_SPACE)
        return;
    showRaised(button);
    click(button);
}

// The dialog manager hands the button its Enter; Tab and the arrows stay the dialog's.
LRESULT dialogCode(LPARAM message) {
    const MSG *key = reinterpret_cast<const MSG *>(message);
    if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
        return DLGC_BUTTON | DLGC_WANTMESSAGE;
    return DLGC_BUTTON;
}

void pressButton(HWND button) {
    showPicture(button, downPictureSlot);
    SetCapture(button);
    buttonPressed = 1;
}

// False when no press came before: the release is dropped without default processing.
bool releaseButton(HWND button, LPARAM point) {
    if (!buttonPressed)
        return false;
    buttonPressed = 0;
    showRaised(button);
    // Signed: while the mouse is captured, points left of or above the button are negative.
    const int x = static_cast<short>(LOWORD(point));
    const int y = static_cast<short>(HIWORD(point));
    RECT frame;
    GetWindowRect(button, &frame);
    if (x >= 0 && x < frame.right - frame.left && y >= 0 && y < frame.bottom - frame.top)
        click(button);
    ReleaseCapture();
    return true;
}

// The press ends without a click when the mouse capture goes elsewhere (Alt+Tab, a window
// that takes it): the button shows up again, and a later release is no click.
void captureLost(HWND button, HWND newOwner) {
    if (!buttonPressed || newOwner == button)
        return;
    buttonPressed = 0;
    showRaised(button);
}

// The pictures belong to the button and go with it.
void releasePictures(HWND button) {
    DeleteObject(slot(button, upPictureSlot));
    DeleteObject(slot(button, downPictureSlot));
    DeleteObject(slot(button, focusedPictureSlot));
}

LRESULT CALLBACK bitmapButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    // clang-format off
    switch (message) {
    case WM_LBUTTONDOWN: pressButton(button); break;
    case WM_LBUTTONUP:   if (!releaseButton(button, lParam)) return 0; break;
    case WM_CAPTURECHANGED: captureLost(button, reinterpret_cast<HWND>(lParam)); break;
    case WM_GETDLGCODE:  return dialogCode(lParam);
    case WM_KEYDOWN:     keyDown(button, wParam); return 0;
    case WM_KEYUP:       keyUp(button, wParam); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:   showRaised(button); return 0;
    case WM_NCDESTROY:   releasePictures(button); break;
    default: break;
    }
    // clang-format on
    return DefWindowProcA(button, message, wParam, lParam);
}

void registerBitmapButtonClass(HINSTANCE module) {
    WNDCLASSEXA buttonClass = {};
    buttonClass.cbSize = sizeof buttonClass;
    buttonClass.style = CS_BYTEALIGNWINDOW; // no CS_DBLCLKS: a quick second click is a click
    buttonClass.lpfnWndProc = bitmapButtonProc;
    buttonClass.cbWndExtra = buttonExtraBytes;
    buttonClass.hInstance = module;
    buttonClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    buttonClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    buttonClass.lpszClassName = bitmapButtonClass;
    RegisterClassExA(&buttonClass); // fails harmlessly from the second button on
}

} // namespace

HWND createBitmapButton(HWND parent, int x, int y, int upPicture, int downPicture, int controlId,
                        const char *words, UINT dpi) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    HBITMAP up = bitmapAt(module, upPicture, dpi);
    HBITMAP down = bitmapAt(module, downPicture, dpi);
    registerBitmapButtonClass(module);
    HMENU childId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId));
    HWND button = CreateWindowExA(WS_EX_TRANSPARENT, bitmapButtonClass, words,
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y, 100, 100, parent,
                                  childId, module, nullptr);
    if (!button) {
        DeleteObject(up);
        DeleteObject(down);
        return nullptr;
    }
    SetWindowLongPtrA(button, upPictureSlot, reinterpret_cast<LONG_PTR>(up));
    SetWindowLongPtrA(button, downPictureSlot, reinterpret_cast<LONG_PTR>(down));
    SetWindowLongPtrA(button, focusedPictureSlot, reinterpret_cast<LONG_PTR>(focusedPicture(up)));
    // A static picture without SS_NOTIFY is transparent to the mouse: presses reach the button.
    HWND picture = CreateWindowExA(0, "STATIC", "", pictureChildStyle, 0, 0, 0, 0, button, childId,
                                   module, nullptr);
    SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(up));
    RECT frame = {};
    GetWindowRect(picture, &frame);
    SetWindowLongPtrA(button, pictureChildSlot, reinterpret_cast<LONG_PTR>(picture));
    SetWindowPos(button, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE);
    ShowWindow(button, SW_SHOW);
    return button;
}
