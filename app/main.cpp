// Process entry: common controls, the program directory, then the main window until exit.
#include "MainDialog.h"
#include "ProgramPaths.h"
#include "Shell.h"

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    programInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_DATE_CLASSES};
    InitCommonControlsEx(&controls);
    executablePath = runningExecutablePath();
    programDirectory = directoryOf(executablePath);
    ExitProcess(static_cast<UINT>(runMainDialog()));
}
