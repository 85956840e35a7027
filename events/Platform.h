// The one narrow interface through which the scheduling core reaches the platform.
#pragma once

#include "LocalTime.h"
#include "TextEncoding.h"

#include <cstdint>
#include <string>
#include <vector>

// The shell implements it with Win32; tests implement it with doubles, so nothing in a test
// can restart or shut down a machine.
class Platform {
public:
    virtual ~Platform() = default;

    // The local time, with the offset from UTC in effect at that reading.
    virtual LocalTime localTime() = 0;
    // The zone's rules at a UTC second (seconds since 1970): the offset from UTC in force there,
    // daylight saving included, and the UTC second up to which (exclusive) it holds at least;
    // from then on the rules may give another. INT64_MAX when it holds for good.
    struct ZoneSpan {
        int offset = 0;
        std::int64_t until = INT64_MAX;
    };
    virtual ZoneSpan zoneAt(std::int64_t utcSecond) = 0;
    // The zone's own name (on Windows its time-zone key): two zones with equal offsets are still
    // two, and a change between them is no daylight-saving change.
    virtual std::string zoneName() = 0;

    // The date or time of a moment in a picture ("dddd dd MMMM yyyy", "HH:mm:ss", ...) in the
    // user's default locale, as the clock face and the date picker show it.
    virtual std::string formatDate(const LocalTime &time, const char *picture) = 0;
    virtual std::string formatTime(const LocalTime &time, const char *picture) = 0;

    // Notices take their texts in UTF-8, as paths and the system's reasons are held; an event's
    // texts, in the code page, come in through utf8From.
    virtual void showMissedEventNotice(const std::string &text) = 0;
    // A notice of the same kind with a title of its own: a refused restart or shutdown, events
    // that could not be stored.
    virtual void showNotice(const std::string &title, const std::string &text) = 0;

    // What the warning offers under Later: the choices that fit the administrator's limit, by
    // their words ("10 minutes", ...) in ascending order, and why the others are not offered
    // (empty when all are).
    struct LaterOffer {
        std::vector<std::string> choices;
        std::string why;
    };
    // The minute's warning before a restart or shutdown: shown without taking the focus (or
    // updated when it shows already) with the seconds left, and closed.
    virtual void showWarning(bool shutDown, const std::string &matchKey, int secondsLeft,
                             const LaterOffer &later) = 0;
    virtual void closeWarning() = 0;

    // Wakes the computer from sleep at a UTC second, where Windows allows wake timers; a later
    // call replaces the moment, cancelWake drops it.
    virtual void wakeAt(std::int64_t utcSecond) = 0;
    virtual void cancelWake() = 0;

    // Empty when the system took the request; else the system's reason for refusing it.
    virtual std::string requestRestart() = 0;
    virtual std::string requestShutdown() = 0;

    // Missing and unreadable are different answers: a file that exists but cannot be read, or
    // that fails part-way, is Failed and must never be taken for an empty one. A file of more
    // than `limit` bytes is TooLarge and not read at all.
    enum class FileRead { Read, Missing, Failed, TooLarge };
    virtual FileRead readFile(const std::string &path, std::string &contents,
                              std::size_t limit) = 0;
    // Replaces the file as a whole: afterwards it holds either its old or its new contents,
    // never a part; false when the new contents could not be put in place.
    virtual bool replaceFile(const std::string &path, const std::string &contents) = 0;
    // True when the file is gone afterwards, also when it never existed.
    virtual bool deleteFile(const std::string &path) = 0;
    // Appends text to a file (made when missing; a failure is not reported), the size of a file
    // (0 when missing), and a move that replaces the target (false when it failed).
    virtual void appendFile(const std::string &path, const std::string &text) = 0;
    virtual std::size_t fileSize(const std::string &path) = 0;
    virtual bool moveFile(const std::string &from, const std::string &to) = 0;

    // The paths of the files whose path begins with this one's text (a directory and the start
    // of a name), in no particular order: the copies kept aside and temporary files left over.
    virtual std::vector<std::string> filesStartingWith(const std::string &pathPrefix) = 0;

    // The system's reason why the last file operation that failed did so.
    virtual std::string fileError() = 0;

    // Text in the user's ANSI code page to and from UTF-16, for event files saved in Unicode; a
    // character the code page lacks becomes what the profile functions make of it.
    virtual std::u16string toUtf16(const std::string &text) = 0;
    virtual std::string fromUtf16(const std::u16string &text) = 0;

    // A text in the code page as UTF-8, the form a notice takes.
    std::string utf8From(const std::string &codePageText) {
        return isAscii(codePageText) ? codePageText : utf8Of(toUtf16(codePageText));
    }
};
