// The promises' bookkeeping.
#include "Promises.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// The parts of a history line: "<date> <time> <offset>  <what>  <key>  <action>".
struct Line {
    std::int64_t wall = 0;
    int offset = 0;
    std::string what, key;
};

std::string field(const std::string &text, std::size_t from) {
    const std::size_t end = text.find("  ", from);
    return text.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

bool parse(const std::string &text, Line &line) {
    int y, mo, d, h, mi, s, oh, om;
    char sign;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d %c%d:%d", &y, &mo, &d, &h, &mi, &s, &sign, &oh,
                    &om) != 9)
        return false;
    line.wall = wallSecond(at(y, mo, d, h, mi, s));
    line.offset = (sign == '-' ? -1 : 1) * (oh * 3600 + om * 60);
    const std::size_t what = text.find("  ");
    if (what == std::string::npos)
        return false;
    line.what = field(text, what + 2);
    if (what + 2 + line.what.size() < text.size())
        line.key = field(text, what + 4 + line.what.size());
    return true;
}

} // namespace

int Promises::fired(const std::string &key) const {
    const auto found = fired_.find(key);
    return found == fired_.end() ? 0 : found->second;
}

std::string Promises::check(const LocalTime &now, bool plain, bool nowPressed) {
    std::string broken;
    const std::string when = " (wall second " + std::to_string(wallSecond(now)) + ")";
    const std::string &log = platform_.files[historyPath_];
    latestUtc_ = std::max(latestUtc_, wallSecond(now) - now.utcOffset);
    for (std::size_t end; (end = log.find("\r\n", historyRead_)) != std::string::npos;
         historyRead_ = end + 2) {
        Line line;
        if (!parse(log.substr(historyRead_, end - historyRead_), line))
            continue;
        // Every stamp names a moment that exists: its offset is the one the zone's rules give
        // at its UTC second (the zone's before this step, where it changed in it), and nothing
        // fired at a moment the clock has not read.
        const std::int64_t utc = line.wall - line.offset;
        if (platform_.utcOffsetAt(utc) != line.offset &&
            !(zoneBefore_ && zoneBefore_->offsetAt(utc) == line.offset))
            broken += "a stamp with an offset the zone does not give there: " +
                      log.substr(historyRead_, end - historyRead_) + when + "\n";
        if (line.what != "fired")
            continue;
        if (utc > latestUtc_)
            broken += line.key + " fired at a moment the clock has not read" + when + "\n";
        // Where only time passed, however long, a row whose second came since the last step
        // fires in the tick at that very second (the second read at the start is examined by
        // the first tick).
        if (plain && utc > previousUtc_ && utc < wallSecond(now) - now.utcOffset)
            broken += line.key + " fired after its second" + when + "\n";
        const bool hourly = repeats_[line.key] == "Hourly";
        const std::int64_t second = hourly ? line.wall - line.offset : line.wall;
        const bool oldClock = afresh_ && utc != wallSecond(now) - now.utcOffset;
        if (!oldClock && !firings_.insert(line.key + "|" + std::to_string(second)).second)
            broken += line.key + " fired twice for one second" + when + "\n";
        ++fired_[line.key];
    }
    bool requested = false;
    const std::size_t requestsBefore = requestsSeen_;
    for (; requestsSeen_ < platform_.requests.size(); ++requestsSeen_) {
        const FakePlatform::Request &request = platform_.requests[requestsSeen_];
        if (!nowPressed && request.warnedMs < 59750)
            broken += request.kind + " requested after " + std::to_string(request.warnedMs) +
                      " ms of warning" + when + "\n";
        requested = requested ||
                    (promise_.open && request.kind == (promise_.shutDown ? "shutdown" : "restart"));
        requestWalls_.push_back(wallSecond(now));
    }
    if (requestsSeen_ > requestsBefore + 1)
        broken += "more than one request in one step" + when + "\n";
    // On a step where nothing but time passed, what the warning counted down to is requested
    // when it reaches zero; until then, and at zero too, the warning stays and keeps its time,
    // or gives way to another action with a minute of its own (a shutdown due that second).
    if (plain && promise_.open) {
        const bool gaveWay =
            platform_.warningOpen && (platform_.warningKey != promise_.key ||
                                      platform_.warningShutDown != promise_.shutDown);
        if (now.elapsed + 500 >= promise_.atMs && !requested && !gaveWay)
            broken +=
                "the warning named " + promise_.key + " for now, and nothing ran" + when + "\n";
        if (now.elapsed + 500 < promise_.atMs && !platform_.warningOpen)
            broken += "the warning for " + promise_.key + " closed early" + when + "\n";
        if (platform_.warningOpen && platform_.warningKey == promise_.key &&
            platform_.warningShutDown == promise_.shutDown && !requested &&
            std::llabs(now.elapsed + platform_.warningSeconds * 1000 - promise_.atMs) > 1000)
            broken += "the warning for " + promise_.key + " moved its time" + when + "\n";
    }
    previousUtc_ = wallSecond(now) - now.utcOffset;
    afresh_ = false;
    if (platform_.zone)
        zoneBefore_ = *platform_.zone;
    const bool wasOpen = promise_.open;
    promise_.open = platform_.warningOpen;
    if (!promise_.open)
        return broken;
    if (!wasOpen || promise_.key != platform_.warningKey ||
        promise_.shutDown != platform_.warningShutDown || !plain || requested)
        promise_.atMs = now.elapsed + platform_.warningSeconds * 1000;
    promise_.key = platform_.warningKey;
    promise_.shutDown = platform_.warningShutDown;
    return broken;
}
