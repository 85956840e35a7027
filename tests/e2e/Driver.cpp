// The end-to-end driver.
#include "Driver.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The key of an event file entry: section, then "%2d" of the number.
std::string keyOf(const char *section, int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%2d", number);
    return std::string(section) + digits;
}

constexpr SIZE_T textOffset = 256;
constexpr int textCapacity = 512;

// Memory in the program's process, for the list-view messages that carry pointers.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, SIZE_T size) : process_(process) {
        address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBuffer() { VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }
    char *at(SIZE_T offset) const { return static_cast<char *>(address_) + offset; }
    void write(SIZE_T offset, const void *data, SIZE_T size) const {
        WriteProcessMemory(process_, at(offset), data, size, nullptr);
    }
    void read(SIZE_T offset, void *data, SIZE_T size) const {
        ReadProcessMemory(process_, at(offset), data, size, nullptr);
    }

    // Sends a message whose record (an LVITEMA or LVCOLUMNA) names a text buffer, both in the
    // program's memory, and brings back the text and the record as the program filled them.
    template <class Record>
    std::string askForText(HWND window, UINT message, WPARAM wParam, Record &record) const {
        record.pszText = at(textOffset);
        record.cchTextMax = textCapacity;
        write(0, &record, sizeof record);
        SendMessageA(window, message, wParam, reinterpret_cast<LPARAM>(at(0)));
        char text[textCapacity] = "";
        read(textOffset, text, textCapacity - 1);
        read(0, &record, sizeof record);
        return text;
    }
    // The same through a wide message, as UTF-8.
    template <class Record>
    std::string askForWideText(HWND window, UINT message, WPARAM wParam, Record &record) const {
        record.pszText = reinterpret_cast<wchar_t *>(at(textOffset));
        record.cchTextMax = textCapacity / 2;
        write(0, &record, sizeof record);
        SendMessageW(window, message, wParam, reinterpret_cast<LPARAM>(at(0)));
        wchar_t text[textCapacity / 2] = L"";
        read(textOffset, text, textCapacity - 2);
        read(0, &record, sizeof record);
        char utf8[textCapacity * 2] = "";
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
        return utf8;
    }

private:
    HANDLE process_;
    void *address_;
};

struct WindowSearch {
    DWORD processId;
    const std::string *title;
    bool hidden;
    std::vector<HWND> found;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM parameter) {
    WindowSearch &search = *reinterpret_cast<WindowSearch *>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && (search.hidden || IsWindowVisible(window)) &&
        windowTitle(window) == *search.title)
        search.found.push_back(window);
    return TRUE;
}

} // namespace

std::string buildDirectory() {
    char path[MAX_PATH * 4] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text = path;
    return text.substr(0, text.find_last_of('\\') + 1);
}

std::string unixPath(const std::string &windowsPath) {
    using ToUnix = char *(CDECL *)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH * 4];
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 4);
    char *unix = toUnix ? toUnix(wide) : nullptr;
    if (!unix)
        return windowsPath;
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

void screenshot(const std::string &name) {
    const std::string directory = buildDirectory() + "screenshots\\";
    CreateDirectoryA(directory.c_str(), nullptr);
    const std::string picture = directory + name + ".png";
    Sleep(500); // let every window finish painting
    DeleteFileA(picture.c_str());
    // Wine starts Unix programs too, but does not wait for them: ImageMagick takes the picture
    // of the whole display into a temporary file, which is renamed once complete.
    const std::string target = unixPath(picture);
    std::string command = "/bin/sh -c \"import -window root png:'" + target + ".tmp' && mv '" +
                          target + ".tmp' '" + target + "'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    waitUntil([&] { return GetFileAttributesA(picture.c_str()) != INVALID_FILE_ATTRIBUTES; },
              20000);
}

std::string className(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string windowText(HWND window) {
    char text[1024] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

std::string oneTimeKey(const SYSTEMTIME &moment) {
    char date[200] = "", time[50] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, 0, &moment, "dddd dd MMMM yyyy", date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &moment, "HH:mm:ss", time, sizeof time);
    return std::string(date) + " " + time;
}

std::string eventFileText(const std::vector<FileEvent> &events) {
    auto number = [](int n) {
        char text[16];
        std::snprintf(text, sizeof text, "%2d", n);
        return std::string(text);
    };
    std::string text;
    const char *names[] = {"Date&Time", "Restart", "Shut down", "Repeat", "Year",     "Month",
                           "Day",       "H",       "M",         "S",      "DayOfWeek"};
    for (int section = 0; section < 11; ++section) {
        text += std::string("[") + names[section] + "]\r\n";
        for (std::size_t i = 0; i < events.size(); ++i) {
            const FileEvent &e = events[i];
            const SYSTEMTIME &m = e.moment;
            char two[3][8];
            std::snprintf(two[0], sizeof two[0], "%02d", m.wHour);
            std::snprintf(two[1], sizeof two[1], "%02d", m.wMinute);
            std::snprintf(two[2], sizeof two[2], "%02d", m.wSecond);
            const std::string values[] = {e.matchKey,
                                          e.restart,
                                          e.shutDown,
                                          e.repeat,
                                          number(m.wYear),
                                          number(m.wMonth),
                                          number(m.wDay),
                                          two[0],
                                          two[1],
                                          two[2],
                                          ""};
            text += keyOf(names[section], static_cast<int>(i) + 1) + "=" + values[section] + "\r\n";
        }
    }
    return text;
}

SYSTEMTIME plusSeconds(const SYSTEMTIME &moment, int seconds) {
    FILETIME file;
    SystemTimeToFileTime(&moment, &file);
    ULARGE_INTEGER value;
    value.LowPart = file.dwLowDateTime;
    value.HighPart = file.dwHighDateTime;
    value.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(seconds) * 10000000LL);
    file.dwLowDateTime = value.LowPart;
    file.dwHighDateTime = value.HighPart;
    SYSTEMTIME later;
    FileTimeToSystemTime(&file, &later);
    return later;
}

SYSTEMTIME secondsFromNow(int seconds) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    SYSTEMTIME later = plusSeconds(now, seconds);
    later.wMilliseconds = 0;
    return later;
}

std::string clockTextOf(const std::string &repeat, const SYSTEMTIME &moment, LCID locale) {
    char date[200] = "", time[50] = "";
    const char *picture = repeat.empty()        ? "dddd dd MMMM yyyy"
                          : repeat == "Weekly"  ? "dddd"
                          : repeat == "Monthly" ? "dd"
                          : repeat == "Yearly"  ? "dd MMMM"
                                                : nullptr;
    if (repeat == "Hourly") {
        GetTimeFormatA(locale, 0, &moment, ":mm:ss", time, sizeof time);
        return time;
    }
    GetTimeFormatA(locale, 0, &moment, "HH:mm:ss", time, sizeof time);
    if (!picture)
        return time;
    GetDateFormatA(locale, 0, &moment, picture, date, sizeof date);
    return std::string(date) + " " + time;
}

void setText(HWND control, const std::string &text) {
    SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

HWND pictureButton(HWND window, int id) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == id && className(child) == "Bmp_Button_Class")
            return child;
    return nullptr;
}

void click(HWND window, int x, int y) {
    const LPARAM point = MAKELPARAM(x, y);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(window, WM_LBUTTONUP, 0, point);
}

std::string storedValue(HKEY root, const char *key, const char *name, REGSAM view) {
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS)
        return "<none>";
    char data[512];
    DWORD size = sizeof data;
    const LONG result =
        RegQueryValueExA(opened, name, nullptr, nullptr, reinterpret_cast<BYTE *>(data), &size);
    RegCloseKey(opened);
    return result == ERROR_SUCCESS ? std::string(data, size) : "<none>";
}

std::vector<std::string> filesLike(const std::string &pattern) {
    std::vector<std::string> paths;
    const std::string directory = pattern.substr(0, pattern.find_last_of('\\') + 1);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return paths;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            paths.push_back(directory + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return paths;
}

Program::Program(const std::string &name) {
    const std::string runs = buildDirectory() + "e2e-runs\\";
    CreateDirectoryA(runs.c_str(), nullptr);
    directory_ = runs + name + "\\";
    CreateDirectoryA(directory_.c_str(), nullptr);
    for (const char *left : {"InformationSW", "Velkorin.log", "Velkorin.log.old"})
        DeleteFileA((directory_ + left).c_str());
    for (const std::string &copy : filesLike(directory_ + "InformationSW.*"))
        DeleteFileA(copy.c_str());
    CopyFileA((buildDirectory() + "Velkorin.exe").c_str(), (directory_ + "Velkorin.exe").c_str(),
              FALSE);
}

Program::~Program() {
    if (running()) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    if (process_.hProcess) {
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
}

void Program::writeEventFile(const std::string &text) const {
    HANDLE file = CreateFileA(eventFilePath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

bool Program::readEventFile(std::string &text) const {
    if (GetFileAttributesA(eventFilePath().c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    text = readWholeFile(eventFilePath());
    return true;
}

std::string readWholeFile(const std::string &path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    DWORD size = GetFileSize(file, nullptr), read = 0;
    std::string text(size, '\0');
    ReadFile(file, &text[0], size, &read, nullptr);
    text.resize(read);
    CloseHandle(file);
    return text;
}

void Program::start(const std::vector<std::string> &environment) {
    std::string command = "\"" + directory_ + "Velkorin.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    // This process's environment with the extra settings put in front of it.
    std::string block;
    for (const std::string &setting : environment)
        block += setting + '\0';
    char *own = GetEnvironmentStringsA();
    for (const char *entry = own; *entry; entry += std::strlen(entry) + 1)
        block += std::string(entry) + '\0';
    FreeEnvironmentStringsA(own);
    block += '\0';
    CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0,
                   environment.empty() ? nullptr : &block[0], directory_.c_str(), &startup,
                   &process_);
}

HWND Program::launch() {
    start();
    return mainWindow();
}

HWND Program::launch(const std::string &eventFile) {
    writeEventFile(eventFile);
    return launch();
}

bool Program::running() const {
    DWORD code = 0;
    return process_.hProcess && GetExitCodeProcess(process_.hProcess, &code) &&
           code == STILL_ACTIVE;
}

DWORD Program::waitForExit(DWORD milliseconds) const {
    WaitForSingleObject(process_.hProcess, milliseconds);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

std::vector<HWND> Program::windowsTitled(const std::string &title, bool hidden) const {
    WindowSearch search = {process_.dwProcessId, &title, hidden, {}};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Program::waitForWindow(const std::string &title, DWORD milliseconds) const {
    HWND found = nullptr;
    waitUntil(
        [&] {
            std::vector<HWND> windows = windowsTitled(title);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        milliseconds);
    return found;
}

std::vector<std::vector<std::string>> Program::listRows(HWND list, int columns) const {
    std::vector<std::vector<std::string>> rows;
    RemoteBuffer remote(process_.hProcess, textOffset + textCapacity);
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < columns; ++column) {
            LVITEMA item = {};
            item.iSubItem = column;
            cells.push_back(
                remote.askForText(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), item));
        }
        rows.push_back(cells);
    }
    return rows;
}

std::vector<std::string> Program::listHeaders(HWND list) const {
    std::vector<std::string> headers;
    RemoteBuffer remote(process_.hProcess, textOffset + textCapacity);
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < count; ++column) {
        LVCOLUMNW info = {};
        info.mask = LVCF_TEXT | LVCF_WIDTH;
        const std::string text =
            remote.askForWideText(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), info);
        headers.push_back(text + "/" + std::to_string(info.cx));
    }
    return headers;
}

void Program::moveToDpi(HWND window, UINT dpi, const RECT &suggested) const {
    RemoteBuffer remote(process_.hProcess, sizeof suggested);
    remote.write(0, &suggested, sizeof suggested);
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(remote.at(0)));
}

void Program::clickRow(HWND list, int row, bool twice) const {
    RemoteBuffer remote(process_.hProcess, sizeof(RECT));
    RECT bounds = {LVIR_LABEL, 0, 0, 0};
    remote.write(0, &bounds, sizeof bounds);
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(remote.at(0)));
    remote.read(0, &bounds, sizeof bounds);
    const LPARAM point = MAKELPARAM(bounds.left + 10, (bounds.top + bounds.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(list, WM_LBUTTONUP, 0, point);
    if (twice) {
        PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
        PostMessageA(list, WM_LBUTTONUP, 0, point);
    }
    Sleep(300);
}

HWND Program::waitForMessageBox(DWORD milliseconds) const {
    HWND main = mainWindow(milliseconds);
    HWND found = nullptr;
    waitUntil(
        [&] {
            for (HWND window : windowsTitled("Velkorin"))
                if (window != main && className(window) == "#32770")
                    found = window;
            return found != nullptr;
        },
        milliseconds);
    return found;
}

// The pixels of a region of the window's client area as the screen shows them.
std::vector<COLORREF> screenPixels(HWND window, const RECT &region) {
    POINT origin = {region.left, region.top};
    ClientToScreen(window, &origin);
    const int width = region.right - region.left, height = region.bottom - region.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP copy = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(GetPixel(memory, x, y));
    SelectObject(memory, previous);
    DeleteObject(copy);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

int countLike(const std::vector<COLORREF> &pixels, COLORREF colour) {
    int count = 0;
    for (COLORREF c : pixels)
        count += abs(GetRValue(c) - GetRValue(colour)) < 50 &&
                 abs(GetGValue(c) - GetGValue(colour)) < 50 &&
                 abs(GetBValue(c) - GetBValue(colour)) < 50;
    return count;
}

// Whether the shell holds an icon of the window: only an existing icon can be modified.
HWND shownMenu(DWORD milliseconds) {
    HWND menu = nullptr;
    waitUntil([&] { return (menu = FindWindowA("#32768", nullptr)) && IsWindowVisible(menu); },
              milliseconds);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

bool trayIconOf(HWND window) {
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = window;
    icon.uFlags = NIF_TIP;
    std::strcpy(icon.szTip, "Velkorin");
    return Shell_NotifyIconA(NIM_MODIFY, &icon) != FALSE;
}

PROCESS_INFORMATION startIn(const std::wstring &directory) {
    std::wstring command = L"\"" + directory + L"Velkorin.exe\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                   &startup, &process);
    return process;
}

HWND mainWindowOf(DWORD processId, DWORD milliseconds) {
    HWND window = nullptr;
    const bool shown = waitUntil(
        [&] {
            window = FindWindowA("#32770", "Velkorin");
            DWORD owner = 0;
            if (window)
                GetWindowThreadProcessId(window, &owner);
            return window && owner == processId && IsWindowVisible(window);
        },
        milliseconds);
    return shown ? window : nullptr;
}

HWND Program::mainWindowInTray(DWORD milliseconds) const {
    HWND window = nullptr;
    const bool inTray = waitUntil(
        [&] {
            auto found = windowsTitled("Velkorin", true);
            window = found.empty() ? nullptr : found.front();
            return window && trayIconOf(window);
        },
        milliseconds);
    return inTray ? window : nullptr;
}

LRESULT sendWaiting(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &answer);
    return static_cast<LRESULT>(answer);
}

HWND shownWarningWindow(const Program &program) {
    const std::vector<HWND> windows = program.windowsTitled("Velkorin warning");
    return windows.empty() ? nullptr : windows.front();
}

HWND startWarned(Program &program, const SYSTEMTIME &moment) {
    const std::string key = clockTextOf("Daily", moment);
    HWND window = program.launch(eventFileText({{key, "Restart", "", "Daily", moment}}));
    const bool warned = waitUntil(
        [&] {
            HWND warning = shownWarningWindow(program);
            return warning && windowText(GetDlgItem(warning, 101)) == key;
        },
        10000);
    return window && warned ? window : nullptr;
}
