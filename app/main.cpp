// Process entry: the program and event directories, a command of the command line or else
// common controls and the main window until exit.
#include "CommandLine.h"
#include "MainDialog.h"
#include "OneCopy.h"
#include "ProgramPaths.h"
#include "Settings.h"
#include "Shell.h"

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // DLLs that load later (a theme, a shell extension) come from the system folder only, never
    // from the program's folder or the working directory.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    programInstance = GetModuleHandleA(nullptr);
    executablePath = runningExecutablePath();
    programDirectory = directoryOf(executablePath);
    eventDirectory = eventDirectoryFor(programDirectory);
    // Words after the name are a command of the command line, carried out without a window.
    if (const std::vector<std::string> words = commandLineWords(); !words.empty())
        ExitProcess(static_cast<UINT>(runCommandLine(words)));
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_DATE_CLASSES};
    InitCommonControlsEx(&controls);
    // Two copies on one event file would both carry out every event and overwrite each
    // other's file: the second hands over to the first and ends.
    const CopyCheck copy = handOverToRunningCopy(eventDirectory, programDirectory);
    if (copy.handedOver)
        ExitProcess(0);
    ExitProcess(static_cast<UINT>(runMainDialog(copy)));
}
