// The one narrow interface through which the scheduling core reaches the platform.
#pragma once

#include "LocalTime.h"

#include <string>

// The shell implements it with Win32; tests implement it with doubles, so nothing in a test
// can restart or shut down a machine.
class Platform {
public:
    virtual ~Platform() = default;

    // The local time, with the offset from UTC in effect at that reading.
    virtual LocalTime localTime() = 0;

    // The date or time of a moment in a picture ("dddd dd MMMM yyyy", "HH:mm:ss", ...) in the
    // user's default locale, as the clock face and the date picker show it.
    virtual std::string formatDate(const LocalTime &time, const char *picture) = 0;
    virtual std::string formatTime(const LocalTime &time, const char *picture) = 0;

    virtual void showMissedEventNotice(const std::string &text) = 0;
    // A restart or shutdown that could not be requested, or that the system refused.
    virtual void showRefusedNotice(const std::string &text) = 0;

    // Empty when the system took the request; else the system's reason for refusing it.
    virtual std::string requestRestart() = 0;
    virtual std::string requestShutdown() = 0;

    // False when the file is missing or unreadable.
    virtual bool readFile(const std::string &path, std::string &contents) = 0;
    // Replaces the file as a whole: afterwards it holds either its old or its new contents,
    // never a part; false when the new contents could not be put in place.
    virtual bool replaceFile(const std::string &path, const std::string &contents) = 0;
    // True when the file is gone afterwards, also when it never existed.
    virtual bool deleteFile(const std::string &path) = 0;
};
