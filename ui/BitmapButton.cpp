// The bitmap push button "Bmp_Button_Class": a window beneath a static picture child, which
// lets the mouse through to it.
#include "BitmapButton.h"

const char bitmapButtonClass[] = "Bmp_Button_Class";

namespace {

// The button's own handles, each in a pointer-sized slot of its window extra storage.
constexpr int upPictureSlot = 0;
constexpr int downPictureSlot = sizeof(LONG_PTR);
constexpr int pictureChildSlot = 2 * sizeof(LONG_PTR);
constexpr int buttonExtraBytes = 3 * sizeof(LONG_PTR);

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
        previous != slot(button, downPictureSlot))
        DeleteObject(previous);
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
    showPicture(button, upPictureSlot);
    // Signed: while the mouse is captured, points left of or above the button are negative.
    const int x = static_cast<short>(LOWORD(point));
    const int y = static_cast<short>(HIWORD(point));
    RECT frame;
    GetWindowRect(button, &frame);
    if (x >= 0 && x < frame.right - frame.left && y >= 0 && y < frame.bottom - frame.top)
        SendMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
    ReleaseCapture();
    return true;
}

// The press ends without a click when the mouse capture goes elsewhere (Alt+Tab, a window
// that takes it): the button shows up again, and a later release is no click.
void captureLost(HWND button, HWND newOwner) {
    if (!buttonPressed || newOwner == button)
        return;
    buttonPressed = 0;
    showPicture(button, upPictureSlot);
}

// The two pictures belong to the button and go with it.
void releasePictures(HWND button) {
    DeleteObject(slot(button, upPictureSlot));
    DeleteObject(slot(button, downPictureSlot));
}

LRESULT CALLBACK bitmapButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    // clang-format off
    switch (message) {
    case WM_LBUTTONDOWN: pressButton(button); break;
    case WM_LBUTTONUP:   if (!releaseButton(button, lParam)) return 0; break;
    case WM_CAPTURECHANGED: captureLost(button, reinterpret_cast<HWND>(lParam)); break;
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

HWND createBitmapButton(HWND parent, int x, int y, int upPicture, int downPicture, int controlId) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    HBITMAP up = LoadBitmapA(module, MAKEINTRESOURCEA(upPicture));
    HBITMAP down = LoadBitmapA(module, MAKEINTRESOURCEA(downPicture));
    registerBitmapButtonClass(module);
    HMENU childId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId));
    HWND button = CreateWindowExA(WS_EX_TRANSPARENT, bitmapButtonClass, "", WS_CHILD | WS_VISIBLE,
                                  x, y, 100, 100, parent, childId, module, nullptr);
    if (!button) {
        DeleteObject(up);
        DeleteObject(down);
        return nullptr;
    }
    SetWindowLongPtrA(button, upPictureSlot, reinterpret_cast<LONG_PTR>(up));
    SetWindowLongPtrA(button, downPictureSlot, reinterpret_cast<LONG_PTR>(down));
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
