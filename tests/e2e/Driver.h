// Drives the real Velkorin.exe from another process: starts it in a directory of its own,
// finds its windows, reads its controls, clicks, and takes screenshots.
#pragma once

#include "WindowTitle.h"

#include <windows.h>

#include <string>
#include <vector>

// The directory holding the test programs and Velkorin.exe, ending with a backslash.
std::string buildDirectory();

// The Unix path of a Windows path (Wine only).
std::string unixPath(const std::string &windowsPath);

// The whole content of a file, read while others may hold it open; "" when it cannot be read.
std::string readWholeFile(const std::string &path);

// The bytes of a registry value (in the 64-bit view unless another is named), or "<none>".
std::string storedValue(HKEY root, const char *key, const char *name, REGSAM view = 0);

// The files a wildcard pattern ("C:\dir\InformationSW.*.bak") matches, with their directory.
std::vector<std::string> filesLike(const std::string &pattern);

// A screenshot of the whole (virtual) screen, as <build>/screenshots/<name>.png.
void screenshot(const std::string &name);

// What a user would see of a window: its class, title, style and position.
std::string className(HWND window);
std::string windowText(HWND window); // WM_GETTEXT, which other processes may send too

// The event file text of a one-time event at a moment, as the program composes and the clock
// formats it in this locale.
std::string oneTimeKey(const SYSTEMTIME &moment);

// One event in the event file's form: events[i] is event i + 1.
struct FileEvent {
    std::string matchKey, restart, shutDown, repeat;
    SYSTEMTIME moment;
};
std::string eventFileText(const std::vector<FileEvent> &events);

SYSTEMTIME secondsFromNow(int seconds);
SYSTEMTIME plusSeconds(const SYSTEMTIME &moment, int seconds);

// The clock text of a repeat kind ("" one-time, "Hourly", ...) at a moment, in this locale or
// another.
std::string clockTextOf(const std::string &repeat, const SYSTEMTIME &moment,
                        LCID locale = LOCALE_USER_DEFAULT);

// The pixels of a region of a window's client area as the screen shows them, row by row, and
// how many of them are near a colour.
std::vector<COLORREF> screenPixels(HWND window, const RECT &region);
int countLike(const std::vector<COLORREF> &pixels, COLORREF colour);

// Whether the shell holds an icon of the window in the tray.
bool trayIconOf(HWND window);

// Types a text into a control, as WM_SETTEXT does.
void setText(HWND control, const std::string &text);

// The picture button with a control id over the window's client area.
HWND pictureButton(HWND window, int id);

// The program's pop-up menu once it shows (a window of class "#32768"), or null after the time.
HWND shownMenu(DWORD milliseconds = 5000);

// Presses and releases the left mouse button at a point of a window's client area.
void click(HWND window, int x = 5, int y = 5);

class Program {
public:
    // A fresh directory named after the test, holding a copy of Velkorin.exe.
    explicit Program(const std::string &name);
    // The program where it stands (installed, or unpacked), in a directory ending with a
    // backslash; nothing is copied or deleted.
    struct Installed {
        std::string directory;
    };
    explicit Program(const Installed &installed) : directory_(installed.directory) {}
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    const std::string &directory() const { return directory_; }
    std::string eventFilePath() const { return directory_ + "InformationSW"; }
    void writeEventFile(const std::string &text) const;
    bool readEventFile(std::string &text) const;

    // Starts the program; extra environment settings ("NAME=value") go to its environment.
    void start(const std::vector<std::string> &environment = {});
    // Starts the program (on an event file of this text, when given) and waits for its main
    // window: null when none showed in time.
    HWND launch();
    HWND launch(const std::string &eventFile);
    bool running() const;
    DWORD processId() const { return process_.dwProcessId; }
    // Stops the program's thread where it stands, and lets it go on: a computer asleep, as the
    // program sees it (its messages wait, its clocks run on).
    void freeze() const { SuspendThread(process_.hThread); }
    void thaw() const { ResumeThread(process_.hThread); }
    // The exit code, or STILL_ACTIVE when the program had not ended in time.
    DWORD waitForExit(DWORD milliseconds) const;

    // Visible top-level windows of the program with this title, newest first; with hidden
    // true, the hidden ones too.
    std::vector<HWND> windowsTitled(const std::string &title, bool hidden = false) const;
    // Waits until a window of that title shows; null when none did in time.
    HWND waitForWindow(const std::string &title, DWORD milliseconds = 30000) const;
    HWND mainWindow(DWORD milliseconds = 30000) const {
        return waitForWindow("Velkorin", milliseconds);
    }
    // The main window once it has hidden into the tray, or null after the time.
    HWND mainWindowInTray(DWORD milliseconds = 30000) const;

    // The cells of a list view in the program, row by row.
    std::vector<std::vector<std::string>> listRows(HWND list, int columns) const;
    std::vector<std::string> listHeaders(HWND list) const;
    // Windows says the window moved to a screen of another dpi and suggests its new frame.
    void moveToDpi(HWND window, UINT dpi, const RECT &suggested) const;
    // Clicks, or double-clicks, the middle of a row's first cells.
    void clickRow(HWND list, int row, bool twice = false) const;

    // A message box of the program, other than its main window, or null after the time.
    HWND waitForMessageBox(DWORD milliseconds = 10000) const;

private:
    std::string directory_;
    PROCESS_INFORMATION process_ = {};
};

// Starts Velkorin.exe in a directory named in any language, as a double-click there would.
PROCESS_INFORMATION startIn(const std::wstring &directory);
// The visible main window of a process, or null when none showed in time.
HWND mainWindowOf(DWORD processId, DWORD milliseconds = 30000);

// Sends a message to a window of the program and waits up to ten seconds for its answer.
LRESULT sendWaiting(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The program's warning window that shows, or null.
HWND shownWarningWindow(const Program &program);
// Starts the program with one Daily restart at a moment and waits until its warning names it:
// the main window, or null when none showed in time.
HWND startWarned(Program &program, const SYSTEMTIME &moment);

// Polls a condition every 50 ms until it holds or the time is up.
template <class Condition> bool waitUntil(Condition condition, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > milliseconds)
            return false;
        Sleep(50);
    }
}
