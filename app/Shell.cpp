// The shell's process-wide state.
#include "Shell.h"

HINSTANCE programInstance = nullptr;
std::string executablePath;
std::string programDirectory;
std::string eventDirectory;

bool ticked(HWND dialog, int box) {
    return IsDlgButtonChecked(dialog, box) == BST_CHECKED;
}

Scheduling &scheduling() {
    static Scheduling instance(eventDirectory);
    return instance;
}
