// Finding the copy that runs from the same directory: a named mutex per directory, and the
// main window of the process whose executable lies there.
#include "OneCopy.h"

#include "ProgramPaths.h"

#include <windows.h>

#include <cstdio>
#include <cwctype>

namespace {

constexpr WORD showWindowCommand = 1000; // the tray menu's "Show Window"

std::wstring lower(std::wstring text) {
    for (wchar_t &c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// The mutex of a directory: its name is a hash of the lower-case directory, compared without
// regard to case as Windows compares paths, since a path may be longer than a name can be.
std::string mutexNameOf(const std::wstring &directory) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (wchar_t c : directory) {
        hash ^= static_cast<std::uint64_t>(c);
        hash *= 1099511628211ULL;
    }
    char name[64];
    std::snprintf(name, sizeof name, "Local\\Velkorin-%016llx",
                  static_cast<unsigned long long>(hash));
    return name;
}

struct Search {
    std::wstring directory; // in lower case
    HWND found = nullptr;
};

BOOL CALLBACK findMainWindow(HWND window, LPARAM parameter) {
    Search &search = *reinterpret_cast<Search *>(parameter);
    char title[16] = "", className[16] = "";
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(title, "Velkorin") != 0 || lstrcmpA(className, "#32770") != 0) return TRUE;
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    if (id == GetCurrentProcessId()) return TRUE;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process) return TRUE;
    wchar_t image[32768];
    DWORD length = 32768;
    const bool named = QueryFullProcessImageNameW(process, 0, image, &length) != FALSE;
    CloseHandle(process);
    if (!named) return TRUE;
    std::wstring path(image, length);
    path.erase(path.find_last_of(L'\\') + 1);
    if (lower(path) != search.directory) return TRUE;
    search.found = window;
    return FALSE;
}

} // namespace

bool handOverToRunningCopy(const std::string &programDirectory) {
    // Kept for the life of the process: the mutex goes when the program ends.
    const std::wstring directory = lower(wideOf(programDirectory));
    CreateMutexA(nullptr, FALSE, mutexNameOf(directory).c_str());
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    Search search{directory, nullptr};
    // The running copy may still be opening its window; give it a few seconds.
    for (int attempt = 0; attempt < 50 && !search.found; ++attempt) {
        EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(100);
    }
    if (search.found) {
        PostMessageA(search.found, WM_COMMAND, showWindowCommand, 0);
        SetForegroundWindow(search.found);
    }
    return true;
}
