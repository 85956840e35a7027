// The history: one line per happening appended to "Velkorin.log" next to the event file, so a
// user can see afterwards what fired, what was missed and what was requested of Windows.
#pragma once

#include "Event.h"
#include "Platform.h"

#include <string>
#include <vector>

class History {
public:
    // The log grows to this size at most; then it becomes "Velkorin.log.old" and begins anew.
    static constexpr std::size_t maxBytes = 1024 * 1024;

    History(Platform &platform, const std::string &programDirectory)
        : platform_(platform), path_(programDirectory + "Velkorin.log") {}

    const std::string &path() const { return path_; }

    // Appends "<local time> <UTC offset>  <what>  <MatchKey>  <action>". A log that cannot be
    // written never stops an event or a power action: the line is lost, nothing else.
    void record(const LocalTime &time, const std::string &what, const Event &event);
    void record(const LocalTime &time, const std::string &what);
    // One line for each event, written in one go (thousands of missed events at a start).
    void recordEach(const LocalTime &time, const std::string &what,
                    const std::vector<const Event *> &events);

    // One line as written.
    static std::string line(const LocalTime &time, const std::string &what, const Event *event);

private:
    void append(const std::string &text);

    Platform &platform_;
    std::string path_;
};
