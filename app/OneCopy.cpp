// One program per event file: the copy that runs holds a lock file beside the event file, and
// a second copy finds the first one's main window by the directory it runs from.
#include "OneCopy.h"

#include "ProgramPaths.h"
#include "ShownText.h"
#include "Win32Platform.h"
#include "resource.h"

#include <windows.h>

#include <cwctype>

namespace {

const char lockName[] = "InformationSW.lock";
const char otherUserText[] =
    "Velkorin already keeps the events of this folder for another user of this computer:";
const char otherUserEnd[] = "This copy ends, so that no event fires twice.";
const char messageCaption[] = "Velkorin";

std::wstring lower(std::wstring text) {
    for (wchar_t &c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// A directory as the file system knows it, whatever the path that names it: a short name, a
// substituted drive, a share or a link all give the same. Empty when it cannot be told.
struct Identity {
    DWORD volume = 0, high = 0, low = 0;
    bool known = false;
    bool operator==(const Identity &other) const {
        return known && other.known && volume == other.volume && high == other.high &&
               low == other.low;
    }
};

Identity identityOf(const std::wstring &directory) {
    Identity identity;
    HANDLE handle =
        CreateFileW(directory.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return identity;
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(handle, &information)) {
        identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
                    information.nFileIndexLow, true};
    }
    CloseHandle(handle);
    return identity;
}

struct Search {
    std::wstring directory; // in lower case, ending with a backslash
    Identity identity;
    HWND found = nullptr;
};

BOOL CALLBACK findMainWindow(HWND window, LPARAM parameter) {
    Search &search = *reinterpret_cast<Search *>(parameter);
    char title[16] = "", className[16] = "";
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(title, "Velkorin") != 0 || lstrcmpA(className, "#32770") != 0)
        return TRUE;
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    if (id == GetCurrentProcessId())
        return TRUE;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process)
        return TRUE;
    wchar_t image[32768];
    DWORD length = 32768;
    const bool named = QueryFullProcessImageNameW(process, 0, image, &length) != FALSE;
    CloseHandle(process);
    if (!named)
        return TRUE;
    std::wstring path(image, length);
    path.erase(path.find_last_of(L'\\') + 1);
    if (lower(path) != search.directory && !(identityOf(path) == search.identity))
        return TRUE;
    search.found = window;
    return FALSE;
}

// Opens the lock without sharing: while this copy runs nobody else can open it, and it goes
// with the process however that ends.
HANDLE heldLock = INVALID_HANDLE_VALUE;

HANDLE takeLock(const std::string &eventDirectory, DWORD &error) {
    const std::wstring path = fileSystemPath(eventDirectory + lockName);
    for (int attempt = 0;; ++attempt) {
        HANDLE lock =
            CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        error = GetLastError();
        // Denied while the copy before this one is ending and its lock is being removed.
        if (lock != INVALID_HANDLE_VALUE || error != ERROR_ACCESS_DENIED || attempt == 20 ||
            GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            return lock;
        Sleep(100);
    }
}

} // namespace

CopyCheck handOverToRunningCopy(const std::string &eventDirectory,
                                const std::string &programDirectory) {
    DWORD error = 0;
    const std::string lockPath = eventDirectory + lockName;
    // Kept until the process ends, or the session does.
    heldLock = takeLock(eventDirectory, error);
    if (heldLock != INVALID_HANDLE_VALUE)
        return {false, lockPath, std::string()};
    // Anything else than another copy holding it (a directory where no file can be made, a
    // directory of the lock's name, a lock this user may not open) cannot tell whether another
    // copy runs: the lock fails closed.
    if (error != ERROR_SHARING_VIOLATION)
        return {false, lockPath, systemMessage(error)};

    const std::wstring directory = wideOf(programDirectory);
    Search search{lower(directory), identityOf(fileSystemPath(programDirectory)), nullptr};
    // The running copy may still be opening its window; give it a few seconds. A command of
    // the command line holds the lock only for a moment.
    for (int attempt = 0; attempt < 50 && !search.found; ++attempt) {
        EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            break;
        Sleep(100);
        heldLock = takeLock(eventDirectory, error);
        if (heldLock != INVALID_HANDLE_VALUE)
            return {false, lockPath, std::string()};
    }
    if (search.found) {
        PostMessageA(search.found, WM_COMMAND, IDM_TRAY_SHOW_WINDOW, 0);
        SetForegroundWindow(search.found);
        return {true, lockPath, std::string()};
    }
    // Its window is on another user's desktop.
    const std::string text =
        std::string(otherUserText) + "\r\n" + eventDirectory + "\r\n\r\n" + otherUserEnd;
    askUser(nullptr, text, messageCaption, MB_OK | MB_ICONINFORMATION);
    return {true, lockPath, std::string()};
}

CommandLock lockForCommand(const std::string &eventDirectory, const std::string &programDirectory) {
    CommandLock lock;
    lock.lockPath = eventDirectory + lockName;
    const std::wstring directory = wideOf(programDirectory);
    Search search{lower(directory), identityOf(fileSystemPath(programDirectory)), nullptr};
    // Another command may hold the lock for a moment, or a copy may be starting or ending: a few
    // seconds are given for either to settle.
    for (int attempt = 0; attempt < 50; ++attempt) {
        DWORD error = 0;
        heldLock = takeLock(eventDirectory, error);
        if (heldLock != INVALID_HANDLE_VALUE) {
            lock.state = CommandLock::State::Held;
            return lock;
        }
        if (error != ERROR_SHARING_VIOLATION) {
            lock.error = systemMessage(error);
            return lock;
        }
        EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            break;
        Sleep(100);
    }
    lock.state = CommandLock::State::Running;
    lock.running = search.found;
    return lock;
}

void letGoOfLock() {
    if (heldLock == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(heldLock);
    heldLock = INVALID_HANDLE_VALUE;
}
