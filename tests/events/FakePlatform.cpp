// The platform double: pictures rendered with the names of its language, as Windows does.
#include "FakePlatform.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

// The names of days and months in English, German and French, in Windows-1252.
struct Names {
    const char *language;
    const char *weekdays[7];
    const char *months[12];
};
const Names languages[] = {
    {"en",
     {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
     {"January", "February", "March", "April", "May", "June", "July", "August", "September",
      "October", "November", "December"}},
    {"de",
     {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"},
     {"Januar", "Februar", "M\xE4rz", "April", "Mai", "Juni", "Juli", "August", "September",
      "Oktober", "November", "Dezember"}},
    {"fr",
     {"dimanche", "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi"},
     {"janvier", "f\xE9vrier", "mars", "avril", "mai", "juin", "juillet", "ao\xFBt", "septembre",
      "octobre", "novembre",
      "d\xE9"
      "cembre"}},
};

std::string twoDigits(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

std::string render(const LocalTime &t, const char *picture, const std::string &language) {
    const Names *names = &languages[0];
    for (const Names &candidate : languages)
        if (language == candidate.language)
            names = &candidate;
    const auto &weekdays = names->weekdays;
    const auto &months = names->months;
    std::string out;
    for (const char *p = picture; *p;) {
        if (!std::strncmp(p, "dddd", 4)) {
            out += weekdays[t.dayOfWeek];
            p += 4;
        } else if (!std::strncmp(p, "dd", 2)) {
            out += twoDigits(t.day);
            p += 2;
        } else if (!std::strncmp(p, "MMMM", 4)) {
            out += months[t.month - 1];
            p += 4;
        } else if (!std::strncmp(p, "yyyy", 4)) {
            out += std::to_string(t.year);
            p += 4;
        } else if (!std::strncmp(p, "HH", 2)) {
            out += twoDigits(t.hour);
            p += 2;
        } else if (!std::strncmp(p, "mm", 2)) {
            out += twoDigits(t.minute);
            p += 2;
        } else if (!std::strncmp(p, "ss", 2)) {
            out += twoDigits(t.second);
            p += 2;
        } else
            out += *p++;
    }
    return out;
}

} // namespace

std::string FakePlatform::formatDate(const LocalTime &time, const char *picture) {
    ++formatCalls;
    return render(time, picture, language);
}

std::string FakePlatform::formatTime(const LocalTime &time, const char *picture) {
    ++formatCalls;
    return render(time, picture, language);
}

Platform::FileRead FakePlatform::readFile(const std::string &path, std::string &contents,
                                          std::size_t limit) {
    if (unreadable.count(path))
        return FileRead::Failed;
    if (outOfMemory)
        throw std::bad_alloc();
    if (auto huge = hugeFiles.find(path); huge != hugeFiles.end())
        return huge->second > limit ? FileRead::TooLarge : FileRead::Failed;
    if (auto found = files.find(path); found != files.end() && found->second.size() > limit)
        return FileRead::TooLarge;
    auto found = files.find(path);
    if (found == files.end())
        return FileRead::Missing;
    contents = found->second;
    return FileRead::Read;
}

std::u16string FakePlatform::toUtf16(const std::string &text) {
    std::u16string wide;
    for (unsigned char c : text)
        wide.push_back(c);
    return wide;
}

std::string FakePlatform::fromUtf16(const std::u16string &text) {
    std::string narrow;
    for (char16_t c : text)
        narrow.push_back(c < 256 ? static_cast<char>(c) : '?');
    return narrow;
}

bool FakePlatform::replaceFile(const std::string &path, const std::string &contents) {
    bytesWritten += contents.size();
    ++writeAttempts;
    if (failWrites || failReplaces)
        return false;
    ++fileWrites;
    files[path] = contents;
    return true;
}

bool FakePlatform::deleteFile(const std::string &path) {
    if (failWrites)
        return false;
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
    moved.elapsed = time.elapsed + seconds * 1000;
    return moved;
}

LocalTime setTo(const LocalTime &time, std::int64_t seconds) {
    LocalTime moved = later(time, seconds);
    moved.elapsed = time.elapsed;
    return moved;
}

Event eventAt(const LocalTime &when, const std::string &repeat, const std::string &matchKey) {
    Event fields;
    fields.repeat = repeat;
    fields.matchKey = matchKey;
    fields.year = formatTwoDigits(when.year);
    fields.month = formatTwoDigits(when.month);
    fields.day = formatTwoDigits(when.day);
    // The time boxes' texts: two digits.
    fields.hour = twoDigits(when.hour);
    fields.minute = twoDigits(when.minute);
    fields.second = twoDigits(when.second);
    if (repeat == "Weekly")
        fields.dayOfWeek = formatTwoDigits(when.dayOfWeek);
    return fields;
}
