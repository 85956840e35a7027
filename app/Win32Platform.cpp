// The Win32 side of the scheduling core's platform.
#include "Win32Platform.h"

#include "Notices.h"
#include "ProgramPaths.h"
#include "Shell.h"
#include "WarningWindow.h"

#include <algorithm>

namespace {

// Formatting buffers as large as the match key they end up in.
constexpr int dateCapacity = 200;
constexpr int timeCapacity = 50;

// The reason Windows logs for our restarts and shutdowns: planned maintenance by an
// application, not an unexplained one.
constexpr DWORD plannedMaintenance =
    SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_MAINTENANCE | SHTDN_REASON_FLAG_PLANNED;

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid())
            CloseHandle(handle_);
    }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    void close() {
        if (valid())
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    void take(HANDLE handle) {
        close();
        handle_ = handle;
    }

private:
    HANDLE handle_;
};

bool writeAll(HANDLE file, const std::string &contents) {
    std::size_t done = 0;
    while (done < contents.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(contents.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, contents.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

LocalTime localTimeOf(const SYSTEMTIME &time) {
    LocalTime local;
    local.year = time.wYear;
    local.month = time.wMonth;
    local.dayOfWeek = time.wDayOfWeek;
    local.day = time.wDay;
    local.hour = time.wHour;
    local.minute = time.wMinute;
    local.second = time.wSecond;
    return local;
}

SYSTEMTIME systemTimeOf(const LocalTime &time) {
    SYSTEMTIME system = {};
    system.wYear = static_cast<WORD>(time.year);
    system.wMonth = static_cast<WORD>(time.month);
    system.wDayOfWeek = static_cast<WORD>(time.dayOfWeek);
    system.wDay = static_cast<WORD>(time.day);
    system.wHour = static_cast<WORD>(time.hour);
    system.wMinute = static_cast<WORD>(time.minute);
    system.wSecond = static_cast<WORD>(time.second);
    return system;
}

namespace {

// FILETIME counts 100 ns from 1601; UTC seconds count from 1970.
constexpr std::int64_t fileTimeUnits = 10000000;
constexpr std::int64_t secondsFrom1601To1970 = 11644473600LL;

std::int64_t utcSecondOf(const FILETIME &file) {
    ULARGE_INTEGER ticks;
    ticks.LowPart = file.dwLowDateTime;
    ticks.HighPart = file.dwHighDateTime;
    return static_cast<std::int64_t>(ticks.QuadPart / fileTimeUnits) - secondsFrom1601To1970;
}

SYSTEMTIME utcSystemTimeOf(std::int64_t utcSecond) {
    ULARGE_INTEGER ticks;
    ticks.QuadPart = static_cast<ULONGLONG>((utcSecond + secondsFrom1601To1970) * fileTimeUnits);
    FILETIME file;
    file.dwLowDateTime = ticks.LowPart;
    file.dwHighDateTime = ticks.HighPart;
    SYSTEMTIME system = {};
    FileTimeToSystemTime(&file, &system);
    return system;
}

} // namespace

LocalTime Win32Platform::localTime() {
    SYSTEMTIME now;
    return readClock(now);
}

LocalTime Win32Platform::readClock(SYSTEMTIME &now) {
    FILETIME utcTime;
    GetSystemTimeAsFileTime(&utcTime);
    const std::int64_t utc = utcSecondOf(utcTime);
    // Windows' local time is asked for at the first reading of each UTC minute, and after a
    // change of the clock or the zone was told of; within the minute the local time is the
    // UTC time with the offset read then. Every offset is whole quarters of an hour, so a
    // daylight-saving change falls on a UTC minute boundary and is read at its first second.
    // Asking every second costs Wine a look at the system's zone file each time.
    const std::int64_t minute = floorDiv(utc, 60);
    if (!offsetKnown_ || minute != offsetMinute_)
        readOffsets(utcTime);
    LocalTime local = fromWallSecond(utc + knownOffset_);
    local.utcOffset = knownOffset_;
    now = systemTimeOf(local);
    ULARGE_INTEGER ticks;
    ticks.LowPart = utcTime.dwLowDateTime;
    ticks.HighPart = utcTime.dwHighDateTime;
    now.wMilliseconds = static_cast<WORD>(ticks.QuadPart / (fileTimeUnits / 1000) % 1000);
    // Counts time asleep too, and no one sets it.
    local.elapsed = static_cast<std::int64_t>(GetTickCount64());
    return local;
}

void Win32Platform::readOffsets(const FILETIME &utc) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    // The offset in effect is what lies between the two readings, in whole quarters of an hour
    // (every zone's offset is one), so the microseconds between the calls do not count.
    const std::int64_t difference = wallSecond(localTimeOf(now)) - utcSecondOf(utc);
    const std::int64_t quarters = (difference + (difference >= 0 ? 450 : -450)) / 900;
    knownOffset_ = static_cast<int>(quarters * 900);
    // The zone's key name ("W. Europe Standard Time"): zones with equal offsets differ in it.
    DYNAMIC_TIME_ZONE_INFORMATION zone = {};
    knownZone_.clear();
    if (GetDynamicTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID) {
        const WCHAR *name = zone.TimeZoneKeyName[0] ? zone.TimeZoneKeyName : zone.StandardName;
        char text[256] = "";
        WideCharToMultiByte(CP_UTF8, 0, name, -1, text, sizeof text, nullptr, nullptr);
        knownZone_ = text;
    }
    offsetMinute_ = floorDiv(utcSecondOf(utc), 60);
    offsetKnown_ = true;
}

Win32Platform::~Win32Platform() {
    if (wakeTimer_)
        CloseHandle(wakeTimer_);
}

int Win32Platform::offsetAt(std::int64_t utcSecond) {
    const SYSTEMTIME utc = utcSystemTimeOf(utcSecond);
    // The year's rules are asked for once; converting with them asks Windows nothing more.
    auto rules = yearRules_.find(utc.wYear);
    if (rules == yearRules_.end()) {
        TIME_ZONE_INFORMATION year = {};
        if (!GetTimeZoneInformationForYear(utc.wYear, nullptr, &year))
            GetTimeZoneInformation(&year);
        rules = yearRules_.emplace(utc.wYear, year).first;
    }
    SYSTEMTIME local;
    if (!SystemTimeToTzSpecificLocalTime(&rules->second, &utc, &local))
        return localTime().utcOffset;
    return static_cast<int>(wallSecond(localTimeOf(local)) - utcSecond);
}

// Windows' own rules, asked a day at a time for up to a year and a few weeks ahead; a change
// found is narrowed down to its second. Without one the offset holds at least that far.
Platform::ZoneSpan Win32Platform::zoneAt(std::int64_t utcSecond) {
    constexpr std::int64_t day = 86400, horizon = 400 * day;
    const int offset = offsetAt(utcSecond);
    std::int64_t before = utcSecond;
    for (std::int64_t probe = utcSecond + day; probe <= utcSecond + horizon; probe += day) {
        if (offsetAt(probe) == offset) {
            before = probe;
            continue;
        }
        std::int64_t after = probe; // the first second of another offset lies in (before, after]
        while (after - before > 1) {
            const std::int64_t middle = before + (after - before) / 2;
            (offsetAt(middle) == offset ? before : after) = middle;
        }
        return {offset, after};
    }
    return {offset, utcSecond + horizon};
}

std::string Win32Platform::zoneName() {
    if (!offsetKnown_) {
        FILETIME utc;
        GetSystemTimeAsFileTime(&utc);
        readOffsets(utc);
    }
    return knownZone_;
}

std::string wakeTimerName(DWORD processId) {
    return "Velkorin wake " + std::to_string(processId);
}

// A manual-reset timer that resumes the computer: Windows wakes it at the moment when wake
// timers are allowed in its power options, and simply does not otherwise.
void Win32Platform::wakeAt(std::int64_t utcSecond) {
    if (!wakeTimer_)
        wakeTimer_ =
            CreateWaitableTimerA(nullptr, TRUE, wakeTimerName(GetCurrentProcessId()).c_str());
    if (!wakeTimer_)
        return;
    LARGE_INTEGER due;
    due.QuadPart = (utcSecond + secondsFrom1601To1970) * fileTimeUnits;
    SetWaitableTimer(wakeTimer_, &due, 0, nullptr, nullptr, TRUE);
}

void Win32Platform::cancelWake() {
    if (wakeTimer_)
        CancelWaitableTimer(wakeTimer_);
}

std::string Win32Platform::formatDate(const LocalTime &time, const char *picture) {
    SYSTEMTIME system = systemTimeOf(time);
    char text[dateCapacity] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, 0, &system, picture, text, dateCapacity);
    return text;
}

std::string Win32Platform::formatTime(const LocalTime &time, const char *picture) {
    SYSTEMTIME system = systemTimeOf(time);
    char text[timeCapacity] = "";
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &system, picture, text, timeCapacity);
    return text;
}

void Win32Platform::showMissedEventNotice(const std::string &text) {
    ::showMissedEventNotice(mainWindow, text);
}

std::string systemMessage(DWORD error) {
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::string message = text ? narrowOf(text) : "";
    LocalFree(text);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return (message.empty() ? "Unknown error" : message) + " (error " + std::to_string(error) +
           ").";
}

std::string requestSystemExit(UINT flags) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return systemMessage(GetLastError());
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // AdjustTokenPrivileges succeeds also when the privilege was not granted; its last error
    // then says ERROR_NOT_ALL_ASSIGNED, and it is ERROR_SUCCESS only when it really took.
    if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(token);
    if (error != ERROR_SUCCESS)
        return systemMessage(error);
    if (!ExitWindowsEx(flags, plannedMaintenance))
        return systemMessage(GetLastError());
    return std::string();
}

std::string Win32Platform::requestRestart() {
    return requestSystemExit(EWX_REBOOT);
}

std::string Win32Platform::requestShutdown() {
    return requestSystemExit(EWX_SHUTDOWN | EWX_POWEROFF);
}

// While a warning shows, the computer stays awake: after a wake for the action Windows would
// otherwise put it back to sleep within two minutes, before the action runs.
void Win32Platform::showWarning(bool shutDown, const std::string &matchKey, int secondsLeft) {
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    showWarningWindow(mainWindow, shutDown, matchKey, secondsLeft);
}

void Win32Platform::closeWarning() {
    SetThreadExecutionState(ES_CONTINUOUS);
    closeWarningWindow();
}

void Win32Platform::showNotice(const std::string &title, const std::string &text) {
    showTitledNotice(mainWindow, title, text);
}

std::u16string Win32Platform::toUtf16(const std::string &text) {
    const std::wstring wide = wideOf(text, CP_ACP);
    return std::u16string(wide.begin(), wide.end());
}

std::string Win32Platform::fromUtf16(const std::u16string &text) {
    return narrowOf(std::wstring(text.begin(), text.end()), CP_ACP);
}

Platform::FileRead Win32Platform::readFile(const std::string &path, std::string &contents,
                                           std::size_t limit) {
    FileHandle file(CreateFileW(fileSystemPath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        fileError_ = GetLastError();
        return fileError_ == ERROR_FILE_NOT_FOUND || fileError_ == ERROR_PATH_NOT_FOUND
                   ? FileRead::Missing
                   : FileRead::Failed;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) {
        fileError_ = GetLastError();
        return FileRead::Failed;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > limit)
        return FileRead::TooLarge;
    contents.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < contents.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), &contents[done], static_cast<DWORD>(contents.size() - done),
                      &read, nullptr)) {
            fileError_ = GetLastError(); // a read that fails part-way is no shorter file
            return FileRead::Failed;
        }
        if (read == 0)
            break;
        done += read;
    }
    contents.resize(done);
    return FileRead::Read;
}

bool Win32Platform::replaceFile(const std::string &path, const std::string &contents) {
    // The new contents go to a file of their own beside the old one, reach the disk, and only
    // then take the old one's place in one step: a crash at any moment leaves one complete file
    // or the other. The temporary name is new each time, so nothing left lying there (a file,
    // a directory of that name) can block every save for good.
    const std::wstring target = fileSystemPath(path);
    std::wstring temporary;
    FileHandle file(INVALID_HANDLE_VALUE);
    for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        temporary = fileSystemPath(path + ".new-" + std::to_string(GetCurrentProcessId()) + "-" +
                                   std::to_string(++temporaryCount_));
        HANDLE created = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE)
            file.take(created);
        else {
            fileError_ = GetLastError();
            if (fileError_ != ERROR_FILE_EXISTS && fileError_ != ERROR_ALREADY_EXISTS &&
                fileError_ != ERROR_ACCESS_DENIED)
                return false;
        }
    }
    if (!file.valid())
        return false;
    bool written = writeAll(file.get(), contents) && FlushFileBuffers(file.get());
    if (!written)
        fileError_ = GetLastError();
    file.close();
    if (written && MoveFileExW(temporary.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (written)
        fileError_ = GetLastError();
    DeleteFileW(temporary.c_str());
    return false;
}

bool Win32Platform::deleteFile(const std::string &path) {
    if (DeleteFileW(fileSystemPath(path).c_str()))
        return true;
    fileError_ = GetLastError();
    return fileError_ == ERROR_FILE_NOT_FOUND || fileError_ == ERROR_PATH_NOT_FOUND;
}

void Win32Platform::appendFile(const std::string &path, const std::string &text) {
    FileHandle file(CreateFileW(fileSystemPath(path).c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid())
        writeAll(file.get(), text);
}

std::size_t Win32Platform::fileSize(const std::string &path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(fileSystemPath(path).c_str(), GetFileExInfoStandard, &data))
        return 0;
    return static_cast<std::size_t>(data.nFileSizeLow) |
           static_cast<std::size_t>(data.nFileSizeHigh) << 31 << 1;
}

bool Win32Platform::moveFile(const std::string &from, const std::string &to) {
    if (MoveFileExW(fileSystemPath(from).c_str(), fileSystemPath(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    fileError_ = GetLastError();
    return false;
}

std::vector<std::string> Win32Platform::filesStartingWith(const std::string &pathPrefix) {
    const std::size_t cut = pathPrefix.find_last_of('\\') + 1;
    const std::string directory = pathPrefix.substr(0, cut), start = pathPrefix.substr(cut);
    std::vector<std::string> paths;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(fileSystemPath(pathPrefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return paths;
    do {
        // The pattern matches short names too: only the long name counts.
        const std::string name = narrowOf(found.cFileName);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            name.compare(0, start.size(), start) == 0)
            paths.push_back(directory + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return paths;
}
