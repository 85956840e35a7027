// The Settings dialog: two caption-less check boxes over picture 25, applied by a picture
// button; its close box writes nothing.
#include "SettingsDialog.h"

#include "BitmapButton.h"
#include "PictureLoader.h"
#include "Settings.h"
#include "Shell.h"
#include "resource.h"

namespace {

const char notStartingText[] = "Velkorin could not be set to start with Windows: neither the "
                               "computer's nor your own start-up list can be written.";

HWND openDialog = nullptr;    // the one Settings dialog while it is open
HBITMAP background = nullptr; // picture 25, loaded at each opening

void tickFrom(HWND dialog, int box, char flag) {
    if (flag == '1')
        CheckDlgButton(dialog, box, BST_CHECKED);
    else if (flag == '0')
        CheckDlgButton(dialog, box, BST_UNCHECKED);
}

BOOL initSettings(HWND dialog) {
    openDialog = dialog;
    const char minimised = queryFlag(minimizeValue);
    const char load = queryFlag(loadValue);
    tickFrom(dialog, IDC_START_WITH_WINDOWS, load);
    tickFrom(dialog, IDC_START_MINIMIZED, minimised);
    SendMessageA(dialog, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(programIcon(GetSystemMetrics(SM_CXSMICON))));
    createBitmapButton(dialog, 110, 100, IDB_APPLY_UP, IDB_APPLY_DOWN, IDC_APPLY);
    background = pictureFromResource(programInstance, IDP_SETTINGS);
    return TRUE;
}

void paintBackground(HWND dialog) {
    paintPictureBackground(dialog, background, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

void applySettings(HWND dialog) {
    if (ticked(dialog, IDC_START_WITH_WINDOWS)) {
        const bool set = setRunEntry(executablePath);
        writeFlag(loadValue, set);
        if (!set)
            MessageBoxA(dialog, notStartingText, "Settings", MB_OK | MB_ICONWARNING);
    } else {
        deleteRunEntry();
        writeFlag(loadValue, false);
    }
    writeFlag(minimizeValue, ticked(dialog, IDC_START_MINIMIZED));
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
    case WM_CLOSE:      closeSettings(dialog);           return TRUE;
    case WM_INITDIALOG: return initSettings(dialog);
    case WM_PAINT:      paintBackground(dialog);         return TRUE;
    case WM_COMMAND:    settingsCommand(dialog, wParam); return TRUE;
    case WM_NCDESTROY:  closed();                        return FALSE;
    default:            return FALSE;
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
