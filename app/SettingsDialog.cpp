// The Settings dialog: two caption-less check boxes over picture 25, applied by a picture
// button; its close box writes nothing. A box whose setting the administrator fixed is shown
// disabled, with a note beside it, and applying leaves that setting alone.
#include "SettingsDialog.h"

#include "BitmapButton.h"
#include "PictureLoader.h"
#include "Scale.h"
#include "Settings.h"
#include "Shell.h"
#include "ShownText.h"
#include "resource.h"

namespace {

const char notStartingText[] = "Velkorin could not be set to start with Windows: your start-up "
                               "list cannot be written.";
const char fixedText[] = "Set by your administrator";
constexpr int fixedNoteGap = 8; // pixels from the box to the caption in the picture

HWND openDialog = nullptr;    // the one Settings dialog while it is open
HBITMAP background = nullptr; // picture 25, loaded at each opening

void tickFrom(HWND dialog, int box, char flag) {
    if (flag == '1')
        CheckDlgButton(dialog, box, BST_CHECKED);
    else if (flag == '0')
        CheckDlgButton(dialog, box, BST_UNCHECKED);
}

// Started for every user by the computer's Run key, which is not the user's to change.
bool loadFixed() {
    return startedForEveryUser();
}

bool minimizeFixed() {
    return fixedByPolicy(minimizeValue);
}

// The box is disabled and the note stands under its caption in the picture, in the small font
// of the system's own dialogs.
void showFixed(HWND dialog, int box, int note) {
    HWND boxWindow = GetDlgItem(dialog, box);
    EnableWindow(boxWindow, FALSE);
    RECT place;
    GetWindowRect(boxWindow, &place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&place), 2);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SIZE size = {};
    HDC dc = GetDC(dialog);
    HGDIOBJ previous = SelectObject(dc, font);
    GetTextExtentPoint32A(dc, fixedText, lstrlenA(fixedText), &size);
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    HWND text = CreateWindowExA(0, "STATIC", fixedText, WS_CHILD | WS_VISIBLE | SS_LEFT,
                                place.right + fixedNoteGap, place.bottom + 1, size.cx + 2, size.cy,
                                dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(note)),
                                programInstance, nullptr);
    SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

BOOL initSettings(HWND dialog) {
    openDialog = dialog;
    layOutAtScale(dialog, dpiOf(dialog)); // the boxes meet their captions in the picture
    const char minimised = readFlag(minimizeValue, MissingKey::Leave);
    const char load = readFlag(loadValue, MissingKey::Leave);
    tickFrom(dialog, IDC_START_WITH_WINDOWS, load);
    tickFrom(dialog, IDC_START_MINIMIZED, minimised);
    if (loadFixed()) {
        CheckDlgButton(dialog, IDC_START_WITH_WINDOWS, BST_CHECKED);
        showFixed(dialog, IDC_START_WITH_WINDOWS, IDC_START_WITH_WINDOWS_FIXED);
    }
    if (minimizeFixed())
        showFixed(dialog, IDC_START_MINIMIZED, IDC_START_MINIMIZED_FIXED);
    SendMessageA(dialog, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(programIcon(GetSystemMetrics(SM_CXSMICON))));
    const UINT dpi = dpiOf(dialog);
    createBitmapButton(dialog, scaled(110, dpi), scaled(100, dpi), IDB_APPLY_UP, IDB_APPLY_DOWN,
                       IDC_APPLY, "Apply", dpi);
    background = pictureAt(programInstance, IDP_SETTINGS, dpi);
    return TRUE;
}

void paintBackground(HWND dialog) {
    paintPictureBackground(dialog, background, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

void applyStartWithWindows(HWND dialog) {
    if (ticked(dialog, IDC_START_WITH_WINDOWS)) {
        const bool set = setRunEntry(executablePath);
        writeFlag(loadValue, set);
        if (!set)
            askUser(dialog, notStartingText, "Settings", MB_OK | MB_ICONWARNING);
    } else {
        deleteRunEntry();
        writeFlag(loadValue, false);
    }
}

void applySettings(HWND dialog) {
    if (!loadFixed())
        applyStartWithWindows(dialog);
    if (!minimizeFixed())
        writeFlag(minimizeValue, ticked(dialog, IDC_START_MINIMIZED));
}

// The notes are drawn over the picture, in the grey of a disabled caption.
INT_PTR noteColours(HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

void closeSettings(HWND dialog) {
    EndDialog(dialog, 0);
}

void settingsCommand(HWND dialog, WPARAM command) {
    if (command != IDC_APPLY)
        return;
    applySettings(dialog);
    closeSettings(dialog);
}

// Each opening loads the picture anew.
void closed() {
    DeleteObject(background);
    background = nullptr;
    openDialog = nullptr;
}

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    // clang-format off
    switch (message) {
    case WM_CLOSE:          closeSettings(dialog);           return TRUE;
    case WM_INITDIALOG:     return initSettings(dialog);
    case WM_PAINT:          paintBackground(dialog);         return TRUE;
    case WM_CTLCOLORSTATIC: return noteColours(reinterpret_cast<HDC>(wParam));
    case WM_COMMAND:        settingsCommand(dialog, wParam); return TRUE;
    case WM_NCDESTROY:      closed();                        return FALSE;
    default:                return FALSE;
    }
    // clang-format on
}

} // namespace

void runSettingsDialog(HWND owner) {
    // One at a time: asked again (from the tray while it is open), the open one comes forward.
    if (openDialog) {
        SetForegroundWindow(openDialog);
        return;
    }
    // Owned by the main window while it shows, which it disables meanwhile; from the tray it
    // stands alone, as a hidden owner would hide it too.
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner))
        owner = nullptr;
    DialogBoxParamA(programInstance, "DIALS", owner, settingsDialogProc, 0);
}
