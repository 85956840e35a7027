// A platform double for the core: scripted clock, date names in three languages, files in memory,
// notices and power requests recorded instead of shown or carried out.
#pragma once

#include "Event.h"
#include "Platform.h"
#include "TestZones.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class FakePlatform : public Platform {
public:
    LocalTime now{};
    std::string language = "en"; // "de" and "fr" too: the names of days and months
    std::map<std::string, std::string> files;
    bool failWrites = false;
    bool failReplaces = false; // only replaceFile fails: the history is still written
    int writeAttempts = 0;     // calls of replaceFile, also those that failed

    std::vector<std::string> notices;
    std::vector<std::string> refusedNotices;
    std::vector<std::string> otherNotices;  // events not stored, and the like
    std::map<std::string, bool> unreadable; // paths that exist but cannot be read
    // Paths that exist with this size (and no contents worth keeping in memory).
    std::map<std::string, std::size_t> hugeFiles;
    bool outOfMemory = false;     // reading any file runs out of memory
    std::size_t bytesWritten = 0; // by every replaceFile, also those that failed
    std::string refuseWith;       // the reason every power request is refused with, when set
    struct Request {
        std::string kind; // "restart" or "shutdown"
        bool fileExisted; // the event file as it was when the request was made
        std::string fileContents;
        // How long the warning had named this action when it was made, by the forward clock of
        // `now`; -1 when no warning named it.
        std::int64_t warnedMs;
    };
    std::vector<Request> requests;
    int formatCalls = 0;
    int fileWrites = 0;
    std::string watchedFile; // the file whose state each request records

    LocalTime localTime() override { return now; }
    // The zone whose rules the platform answers by; without one, the offset of `now` for good.
    const TestZone *zone = nullptr;
    ZoneSpan zoneAt(std::int64_t utcSecond) override {
        ++zoneQuestions;
        if (!zone)
            return {now.utcOffset, INT64_MAX};
        return {zone->offsetAt(utcSecond), zone->nextChange(utcSecond)};
    }
    std::string zoneName() override { return zone ? zone->name : "UTC"; }
    int utcOffsetAt(std::int64_t utcSecond) { return zoneAt(utcSecond).offset; }
    int zoneQuestions = 0;
    // The wake timer: the UTC second it is armed for, if any, and how often it was set.
    bool wakeArmed = false;
    std::int64_t wakeSecond = 0;
    int wakeSettings = 0;
    void wakeAt(std::int64_t utcSecond) override {
        wakeArmed = true;
        wakeSecond = utcSecond;
        ++wakeSettings;
    }
    void cancelWake() override {
        wakeArmed = false;
        ++wakeSettings;
    }
    std::string formatDate(const LocalTime &time, const char *picture) override;
    std::string formatTime(const LocalTime &time, const char *picture) override;
    void showMissedEventNotice(const std::string &text) override { notices.push_back(text); }
    void showNotice(const std::string &title, const std::string &text) override {
        (title.find("refused") != std::string::npos ? refusedNotices : otherNotices)
            .push_back(text);
    }
    // The warning as the user would see it: open or not, and what it last said.
    bool warningOpen = false;
    bool warningShutDown = false;
    std::string warningKey;
    int warningSeconds = 0;
    int warningsOpened = 0;
    std::int64_t warningSince = 0; // `now`'s forward clock when it began to name its action
    LaterOffer warningLater;       // what it last offered under Later
    void showWarning(bool shutDown, const std::string &matchKey, int secondsLeft,
                     const LaterOffer &later) override {
        warningLater = later;
        warningsOpened += !warningOpen;
        if (!warningOpen || shutDown != warningShutDown || matchKey != warningKey)
            warningSince = now.elapsed;
        warningOpen = true;
        warningShutDown = shutDown;
        warningKey = matchKey;
        warningSeconds = secondsLeft;
    }
    // Its close box hides it until the next warning: closing is no answer.
    bool warningDismissed = false;
    void closeWarning() override { warningOpen = warningDismissed = false; }
    std::string requestRestart() override { return record("restart"); }
    std::string requestShutdown() override { return record("shutdown"); }
    FileRead readFile(const std::string &path, std::string &contents, std::size_t limit) override;
    void appendFile(const std::string &path, const std::string &text) override {
        if (!failWrites)
            files[path] += text;
    }
    std::size_t fileSize(const std::string &path) override {
        if (auto huge = hugeFiles.find(path); huge != hugeFiles.end())
            return huge->second;
        auto found = files.find(path);
        return found == files.end() ? 0 : found->second.size();
    }
    bool moveFile(const std::string &from, const std::string &to) override {
        if (auto huge = hugeFiles.find(from); huge != hugeFiles.end() && !failWrites) {
            hugeFiles[to] = huge->second;
            hugeFiles.erase(huge);
            return true;
        }
        auto found = files.find(from);
        if (found == files.end() || failWrites)
            return false;
        files[to] = found->second;
        files.erase(found);
        return true;
    }
    std::vector<std::string> filesStartingWith(const std::string &pathPrefix) override {
        std::vector<std::string> paths;
        for (auto file = files.lower_bound(pathPrefix);
             file != files.end() && file->first.compare(0, pathPrefix.size(), pathPrefix) == 0;
             ++file)
            paths.push_back(file->first);
        return paths;
    }
    std::string fileError() override { return "Access is denied (error 5)."; }
    // Latin-1 both ways, which is enough for tests.
    std::u16string toUtf16(const std::string &text) override;
    std::string fromUtf16(const std::u16string &text) override;
    bool replaceFile(const std::string &path, const std::string &contents) override;
    bool deleteFile(const std::string &path) override;

private:
    std::string record(const char *kind);
};

// A moment by its parts; the day of week is worked out. Its forward clock reads the moment's
// seconds since 1970, so readings made with it move both clocks alike.
LocalTime at(int year, int month, int day, int hour, int minute, int second);

// A reading that many seconds later: wall clock and forward clock both moved, time passing.
LocalTime later(const LocalTime &time, std::int64_t seconds);
// The wall clock set by that many seconds while no time passed: the forward clock stays.
LocalTime setTo(const LocalTime &time, std::int64_t seconds);

// A row for a moment as the editor fills it: the repeat kind, the match key, and the moment's
// date and time in the number fields.
Event eventAt(const LocalTime &when, const std::string &repeat, const std::string &matchKey);
