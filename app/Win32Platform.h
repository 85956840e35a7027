// The scheduling core's platform on Windows: local time, date pictures, notices and the two
// power requests (Win32Platform.cpp), and files (Win32Files.cpp). The shell reads the clock
// here and nowhere else.
#pragma once

#include "Platform.h"

#include <windows.h>

#include <map>

LocalTime localTimeOf(const SYSTEMTIME &time);

// The system's text for an error code, with the code.
std::string systemMessage(DWORD error);

SYSTEMTIME systemTimeOf(const LocalTime &time);

// The wake timer is named after the process, so that a look from outside can wait on it.
std::string wakeTimerName(DWORD processId);

class Win32Platform : public Platform {
public:
    ~Win32Platform() override;
    // The window that owns notices and the warning: the main window, once it exists.
    void setWindow(HWND window) { window_ = window; }
    // A command of the command line shows no windows: its notices are told in its text.
    void tellNoticesIn(std::string *text) { noticesTold_ = text; }
    LocalTime localTime() override;
    // The same reading, with the local time as Windows gave it (milliseconds too), so that the
    // face and the due check of one tick show one moment.
    LocalTime readClock(SYSTEMTIME &now);
    // The clock or the zone may have changed (WM_TIMECHANGE, WM_SETTINGCHANGE): the next reading
    // asks Windows for the local time afresh.
    void clockMayHaveChanged() {
        offsetKnown_ = false;
        yearRules_.clear();
    }
    ZoneSpan zoneAt(std::int64_t utcSecond) override;
    // The zone's key name, read with the offsets.
    std::string zoneName() override;
    // The offset Windows' rules give at a UTC second.
    int offsetAt(std::int64_t utcSecond);
    void wakeAt(std::int64_t utcSecond) override;
    void cancelWake() override;
    std::string formatDate(const LocalTime &time, const char *picture) override;
    std::string formatTime(const LocalTime &time, const char *picture) override;
    void showMissedEventNotice(const std::string &text) override;
    void showNotice(const std::string &title, const std::string &text) override;
    void showWarning(bool shutDown, const std::string &matchKey, int secondsLeft,
                     const LaterOffer &later) override;
    void closeWarning() override;
    std::string requestRestart() override;
    std::string requestShutdown() override;
    FileRead readFile(const std::string &path, std::string &contents, std::size_t limit) override;
    bool replaceFile(const std::string &path, const std::string &contents) override;
    bool deleteFile(const std::string &path) override;
    std::string fileError() override { return systemMessage(fileError_); }
    void appendFile(const std::string &path, const std::string &text) override;
    std::size_t fileSize(const std::string &path) override;
    bool moveFile(const std::string &from, const std::string &to) override;
    std::vector<std::string> filesStartingWith(const std::string &pathPrefix) override;
    std::u16string toUtf16(const std::string &text) override;
    std::string fromUtf16(const std::u16string &text) override;

private:
    void readOffsets(const FILETIME &utc);

    // The offsets of the local time as last read from Windows, and the UTC minute read in.
    bool offsetKnown_ = false;
    std::int64_t offsetMinute_ = 0;
    int knownOffset_ = 0;
    std::string knownZone_;
    // The zone's rules of each year asked for, so that a year's probes ask Windows once.
    std::map<int, TIME_ZONE_INFORMATION> yearRules_;
    HWND window_ = nullptr;
    std::string *noticesTold_ = nullptr;
    DWORD fileError_ = ERROR_SUCCESS;
    HANDLE wakeTimer_ = nullptr; // made at the first wake asked for
    unsigned temporaryCount_ = 0;
};

// Enables the shutdown privilege and asks Windows to go down with the given ExitWindowsEx
// flags, logged as planned maintenance by an application. Empty when Windows took the request;
// else the system's reason why the privilege or the request was refused.
std::string requestSystemExit(UINT flags);
