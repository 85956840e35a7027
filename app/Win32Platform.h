// The scheduling core's platform on Windows: local time, date pictures, files, notices and
// the two power requests.
#pragma once

#include "Platform.h"

#include <windows.h>

LocalTime localTimeOf(const SYSTEMTIME &time);
SYSTEMTIME systemTimeOf(const LocalTime &time);

class Win32Platform : public Platform {
public:
    LocalTime localTime() override;
    std::string formatDate(const LocalTime &time, const char *picture) override;
    std::string formatTime(const LocalTime &time, const char *picture) override;
    void showMissedEventNotice(const std::string &text) override;
    void showRefusedNotice(const std::string &text) override;
    std::string requestRestart() override;
    std::string requestShutdown() override;
    bool readFile(const std::string &path, std::string &contents) override;
    bool replaceFile(const std::string &path, const std::string &contents) override;
    bool deleteFile(const std::string &path) override;
};

// Enables the shutdown privilege and asks Windows to go down with the given ExitWindowsEx
// flags, logged as planned maintenance by an application. Empty when Windows took the request;
// else the system's reason why the privilege or the request was refused.
std::string requestSystemExit(UINT flags);

// The system's text for an error code, with the code.
std::string systemMessage(DWORD error);
