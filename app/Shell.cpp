// The shell's process-wide state.
#include "Shell.h"

#include <memory>

HINSTANCE programInstance = nullptr;
HWND mainWindow = nullptr;
HMENU mainMenu = nullptr;
std::string executablePath;
std::string programDirectory;

Scheduling &scheduling() {
    static std::unique_ptr<Scheduling> instance(new Scheduling(programDirectory));
    return *instance;
}
