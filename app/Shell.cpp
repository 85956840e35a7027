// The shell's process-wide state.
#include "Shell.h"

#include "resource.h"

HINSTANCE programInstance = nullptr;
HWND mainWindow = nullptr;
HMENU mainMenu = nullptr;
std::string executablePath;
std::string programDirectory;

HICON programIcon(int size) {
    return static_cast<HICON>(LoadImageA(programInstance, MAKEINTRESOURCEA(IDI_PROGRAM),
                                         IMAGE_ICON, size, size, LR_SHARED));
}

Scheduling &scheduling() {
    static Scheduling instance(programDirectory);
    return instance;
}
