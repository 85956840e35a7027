// The history file.
#include "History.h"

#include <cstdio>
#include <cstdlib>

std::string History::line(const LocalTime &time, const std::string &what, const Event *event) {
    char stamp[64];
    const int offset = std::abs(time.utcOffset) / 60;
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d %c%02d:%02d", time.year,
                  time.month, time.day, time.hour, time.minute, time.second,
                  time.utcOffset < 0 ? '-' : '+', offset / 60, offset % 60);
    std::string text = std::string(stamp) + "  " + what;
    if (event) {
        text += "  " + event->matchKey;
        const PowerAction action = powerActionOf(*event);
        if (action != PowerAction::None)
            text += action == PowerAction::ShutDown ? "  Shut down" : "  Restart";
    }
    return text + "\r\n";
}

void History::append(const std::string &text) {
    if (platform_.fileSize(path_) + text.size() > maxBytes)
        platform_.moveFile(path_, path_ + ".old");
    platform_.appendFile(path_, text);
}

void History::record(const LocalTime &time, const std::string &what, const Event &event) {
    append(line(time, what, &event));
}

void History::record(const LocalTime &time, const std::string &what) {
    append(line(time, what, nullptr));
}

void History::recordEach(const LocalTime &time, const std::string &what,
                         const std::vector<const Event *> &events) {
    std::string text;
    for (const Event *event : events)
        text += line(time, what, event);
    if (!text.empty())
        append(text);
}
