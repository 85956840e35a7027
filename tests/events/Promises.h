// The program's two promises, checked after every step of a scripted clock: a row fires once
// at its second, and no power action runs without a minute's warning or Now. An open warning
// must name what will really run. Read from what a user could see: the history, the requests
// and the warning.
#pragma once

#include "FakePlatform.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class Promises {
public:
    Promises(FakePlatform &platform, std::string historyPath)
        : platform_(platform), historyPath_(std::move(historyPath)) {}

    // The repeat kind of a row's key: an Hourly row fires once per real second, every other
    // row once per wall second (not again in a repeated hour).
    void kindOf(const std::string &key, const std::string &repeat) { repeats_[key] = repeat; }
    // The wall clock goes back an hour or more in the next step: its seconds come again as new
    // ones. What that step fires of the time before the change belongs to the old clock.
    void startAfresh() {
        firings_.clear();
        afresh_ = true;
    }

    // After one step. Plain: nothing but time passed since the last step (a second, or while
    // hidden as long as the due check slept). Now: the
    // user pressed Now in this step. Returns what was broken; empty when nothing was.
    std::string check(const LocalTime &now, bool plain, bool nowPressed);

    int fired(const std::string &key) const;
    // The wall second of each request.
    const std::vector<std::int64_t> &requestWalls() const { return requestWalls_; }

private:
    FakePlatform &platform_;
    std::string historyPath_;
    std::map<std::string, std::string> repeats_;
    std::size_t historyRead_ = 0;
    std::int64_t latestUtc_ = INT64_MIN;   // the latest moment the clock has read
    std::int64_t previousUtc_ = INT64_MIN; // the moment it read at the step before
    std::optional<TestZone> zoneBefore_;   // the zone at the last step
    std::size_t requestsSeen_ = 0;
    std::set<std::string> firings_; // key and due second of every firing
    bool afresh_ = false;
    std::map<std::string, int> fired_; // firings per key
    std::vector<std::int64_t> requestWalls_;
    struct Promise {
        bool open = false;
        bool shutDown = false;
        std::string key;
        std::int64_t atMs = 0; // the forward clock when the action is to be requested
    } promise_;
};
