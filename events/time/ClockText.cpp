// The clock texts.
#include "ClockText.h"

const char hourlyTimePicture[] = ":mm:ss";

std::string joinedKey(RepeatKind kind, const std::string &date, const std::string &time) {
    std::string key =
        kind == RepeatKind::Hourly || kind == RepeatKind::Daily ? time : date + " " + time;
    cutToCapacity(key, matchKeyCapacity);
    return key;
}

const char *datePictureOf(RepeatKind kind) {
    switch (kind) {
    case RepeatKind::OneTime: return longDatePicture;
    case RepeatKind::Weekly: return "dddd";
    case RepeatKind::Monthly: return "dd";
    case RepeatKind::Yearly: return "dd MMMM";
    default: return nullptr;
    }
}

std::string clockText(Platform &platform, RepeatKind kind, const LocalTime &time) {
    if (kind == RepeatKind::Unknown)
        return std::string();
    const std::string clock = platform.formatTime(
        time, kind == RepeatKind::Hourly ? hourlyTimePicture : clockTimePicture);
    const char *picture = datePictureOf(kind);
    return joinedKey(kind, picture ? platform.formatDate(time, picture) : std::string(), clock);
}

const std::string &ClockTextCache::date(RepeatKind kind, std::int64_t day, const LocalTime &time) {
    Day &cached = days_[static_cast<std::size_t>(day & 3)];
    if (cached.at != day)
        cached = Day{day, {}, {}};
    const std::size_t at = slotOf(kind);
    if (!cached.made[at]) {
        cached.dates[at] = platform_.formatDate(time, datePictureOf(kind));
        cached.made[at] = true;
    }
    return cached.dates[at];
}

const std::string &ClockTextCache::text(RepeatKind kind, std::int64_t second) {
    static const std::string never;
    if (kind == RepeatKind::Unknown)
        return never;
    Second &cached = seconds_[static_cast<std::size_t>(second & 127)];
    if (cached.at != second) {
        cached.at = second;
        cached.made.fill(false);
    }
    const std::size_t at = slotOf(kind);
    if (cached.made[at])
        return cached.texts[at];
    const LocalTime time = fromWallSecond(second);
    std::string &text = cached.texts[at];
    if (kind == RepeatKind::Hourly) {
        text = platform_.formatTime(time, hourlyTimePicture);
    } else {
        // The time of day is formatted once a second for every kind that shows it.
        const std::size_t daily = slotOf(RepeatKind::Daily);
        if (!cached.made[daily]) {
            cached.texts[daily] = platform_.formatTime(time, clockTimePicture);
            cached.made[daily] = true;
        }
        if (kind != RepeatKind::Daily)
            text = joinedKey(kind, date(kind, floorDiv(second, 86400), time), cached.texts[daily]);
    }
    cached.made[at] = true;
    return text;
}
