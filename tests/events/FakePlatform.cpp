// The platform double: pictures rendered with English names, as Windows does in en-US.
#include "FakePlatform.h"

#include <cstdio>
#include <cstring>

namespace {

const char *const weekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                "Thursday", "Friday", "Saturday"};
const char *const months[] = {"January", "February", "March",     "April",   "May",      "June",
                              "July",    "August",   "September", "October", "November",
                              "December"};

std::string twoDigits(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

std::string render(const LocalTime &t, const char *picture) {
    std::string out;
    for (const char *p = picture; *p;) {
        if (!std::strncmp(p, "dddd", 4)) { out += weekdays[t.dayOfWeek]; p += 4; }
        else if (!std::strncmp(p, "dd", 2)) { out += twoDigits(t.day); p += 2; }
        else if (!std::strncmp(p, "MMMM", 4)) { out += months[t.month - 1]; p += 4; }
        else if (!std::strncmp(p, "yyyy", 4)) { out += std::to_string(t.year); p += 4; }
        else if (!std::strncmp(p, "HH", 2)) { out += twoDigits(t.hour); p += 2; }
        else if (!std::strncmp(p, "mm", 2)) { out += twoDigits(t.minute); p += 2; }
        else if (!std::strncmp(p, "ss", 2)) { out += twoDigits(t.second); p += 2; }
        else out += *p++;
    }
    return out;
}

} // namespace

std::string FakePlatform::formatDate(const LocalTime &time, const char *picture) {
    ++formatCalls;
    return render(time, picture);
}

std::string FakePlatform::formatTime(const LocalTime &time, const char *picture) {
    ++formatCalls;
    return render(time, picture);
}

Platform::FileRead FakePlatform::readFile(const std::string &path, std::string &contents) {
    if (unreadable.count(path)) return FileRead::Failed;
    auto found = files.find(path);
    if (found == files.end()) return FileRead::Missing;
    contents = found->second;
    return FileRead::Read;
}

std::u16string FakePlatform::toUtf16(const std::string &text) {
    std::u16string wide;
    for (unsigned char c : text) wide.push_back(c);
    return wide;
}

std::string FakePlatform::fromUtf16(const std::u16string &text) {
    std::string narrow;
    for (char16_t c : text) narrow.push_back(c < 256 ? static_cast<char>(c) : '?');
    return narrow;
}

bool FakePlatform::replaceFile(const std::string &path, const std::string &contents) {
    if (failWrites) return false;
    ++fileWrites;
    files[path] = contents;
    return true;
}

bool FakePlatform::deleteFile(const std::string &path) {
    if (failWrites) return false;
    ++fileWrites;
    files.erase(path);
    return true;
}

std::string FakePlatform::record(const char *kind) {
    auto found = files.find(watchedFile);
    const bool named = warningOpen && warningShutDown == (std::string(kind) == "shutdown");
    requests.push_back({kind, found != files.end(), found != files.end() ? found->second : "",
                        named ? now.elapsed - warningSince : -1});
    return refuseWith;
}

LocalTime at(int year, int month, int day, int hour, int minute, int second) {
    LocalTime time{year, month, 0, day, hour, minute, second};
    time = fromWallSecond(wallSecond(time));
    time.elapsed = wallSecond(time) * 1000;
    return time;
}

LocalTime later(const LocalTime &time, std::int64_t seconds) {
    LocalTime moved = fromWallSecond(wallSecond(time) + seconds);
    moved.utcOffset = time.utcOffset;
    moved.standardOffset = time.standardOffset;
    moved.elapsed = time.elapsed + seconds * 1000;
    return moved;
}

LocalTime setTo(const LocalTime &time, std::int64_t seconds) {
    LocalTime moved = later(time, seconds);
    moved.elapsed = time.elapsed;
    return moved;
}

EventFields eventAt(const LocalTime &when, const std::string &repeat, const std::string &matchKey) {
    EventFields fields;
    fields.repeat = repeat;
    fields.matchKey = matchKey;
    fields.year = formatTwoDigits(when.year);
    fields.month = formatTwoDigits(when.month);
    fields.day = formatTwoDigits(when.day);
    fields.hour = formatTwoDigits(when.hour);
    fields.minute = formatTwoDigits(when.minute);
    fields.second = formatTwoDigits(when.second);
    return fields;
}
