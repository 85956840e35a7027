// The Win32 side of the scheduling core's platform.
#include "Win32Platform.h"

#include "Notices.h"
#include "ProgramPaths.h"
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
    if (noticesTold_)
        *noticesTold_ += text + "\r\n\r\n";
    else
        ::showMissedEventNotice(window_, text);
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
void Win32Platform::showWarning(bool shutDown, const std::string &matchKey, int secondsLeft,
                                const LaterOffer &later) {
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    showWarningWindow(window_, shutDown, matchKey, secondsLeft, later.choices, later.why);
}

void Win32Platform::closeWarning() {
    SetThreadExecutionState(ES_CONTINUOUS);
    closeWarningWindow();
}

void Win32Platform::showNotice(const std::string &title, const std::string &text) {
    if (noticesTold_)
        *noticesTold_ += title + ":\r\n" + text + "\r\n\r\n";
    else
        showTitledNotice(window_, title, text);
}
