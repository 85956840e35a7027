// The schedule's index: which rows a wall second brings, found by their match keys.
#include "Schedule.h"

#include <algorithm>

namespace {

// Two digits as a number; -1 when they are not two digits.
int twoDigits(const char *at) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return digit(at[0]) && digit(at[1]) ? (at[0] - '0') * 10 + (at[1] - '0') : -1;
}

// The time a key ends in: "HH:mm:ss" as seconds of the day, or an Hourly key ":mm:ss" as
// seconds of the hour; -1 when it ends in no such time, or is as long as a clock text cut to
// its field, whose end need not be its time.
int timeAtEnd(std::string_view key, bool hourly) {
    if (key.size() >= matchKeyCapacity - 1)
        return -1;
    if (hourly) {
        if (key.size() != 6 || key[0] != ':' || key[3] != ':')
            return -1;
        const int minute = twoDigits(&key[1]), second = twoDigits(&key[4]);
        return minute < 0 || second < 0 || minute > 59 || second > 59 ? -1 : minute * 60 + second;
    }
    if (key.size() < 8)
        return -1;
    const char *time = key.data() + key.size() - 8;
    if (time[2] != ':' || time[5] != ':')
        return -1;
    const int hour = twoDigits(time), minute = twoDigits(time + 3), second = twoDigits(time + 6);
    if (hour < 0 || minute < 0 || second < 0 || hour > 23 || minute > 59 || second > 59)
        return -1;
    return hour * 3600 + minute * 60 + second;
}

// FNV-1a of a key, by which the rows of a kind are found.
std::uint64_t keyHash(std::string_view key) {
    std::uint64_t hash = 14695981039346656037u;
    for (const char c : key)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
    return hash;
}

} // namespace

void Schedule::index() {
    if (index_.built && index_.version == table_.version())
        return;
    if (!timesChecked_) {
        const LocalTime sample = fromWallSecond(12 * 3600 + 34 * 60 + 56);
        timesReadable_ = platform_.formatTime(sample, clockTimePicture) == "12:34:56" &&
                         platform_.formatTime(sample, hourlyTimePicture) == ":34:56";
        timesChecked_ = true;
    }
    for (auto &keys : index_.byKey)
        keys.clear();
    index_.actions.fill(false);
    index_.everySecond.fill(!timesReadable_);
    for (std::size_t kind = 0; kind < index_.times.size(); ++kind)
        index_.times[kind].assign(kind == slotOf(RepeatKind::Hourly) ? 3600 : 86400, false);
    for (int row = 0; row < table_.rowCount(); ++row) {
        const TableRow &entry = table_.row(row);
        if (entry.kind() == RepeatKind::Unknown)
            continue;
        const std::size_t at = slotOf(entry.kind());
        index_.byKey[at].emplace_back(keyHash(entry.matchKey()), row);
        if (entry.action() != PowerAction::None)
            index_.actions[at] = true;
        const int time = timeAtEnd(entry.matchKey(), entry.kind() == RepeatKind::Hourly);
        if (time < 0)
            index_.everySecond[at] = true;
        else
            index_.times[at][static_cast<std::size_t>(time)] = true;
    }
    for (auto &keys : index_.byKey)
        std::sort(keys.begin(), keys.end());
    index_.built = true;
    index_.version = table_.version();
}

bool Schedule::anyActions() {
    index();
    return std::find(index_.actions.begin(), index_.actions.end(), true) != index_.actions.end();
}

void Schedule::dueAt(std::int64_t second, Examined rows, std::vector<int> &due, bool actionsOnly) {
    index();
    due.clear();
    for (RepeatKind kind : {RepeatKind::OneTime, RepeatKind::Hourly, RepeatKind::Daily,
                            RepeatKind::Weekly, RepeatKind::Monthly, RepeatKind::Yearly}) {
        const auto &keys = index_.byKey[slotOf(kind)];
        if (keys.empty() || (actionsOnly && !index_.actions[slotOf(kind)]))
            continue;
        if (rows == Examined::NotHourly && kind == RepeatKind::Hourly)
            continue;
        if (rows == Examined::Repeated && kind != RepeatKind::Hourly && kind != RepeatKind::OneTime)
            continue;
        if (rows == Examined::OneTime && kind != RepeatKind::OneTime)
            continue;
        const std::size_t at = slotOf(kind);
        const std::int64_t period = kind == RepeatKind::Hourly ? 3600 : 86400;
        const auto time = static_cast<std::size_t>(second - floorDiv(second, period) * period);
        if (!index_.everySecond[at] && !index_.times[at][time])
            continue;
        const std::string &text = texts_.text(kind, second);
        const std::uint64_t hash = keyHash(text);
        for (auto found = std::lower_bound(keys.begin(), keys.end(), std::make_pair(hash, -1));
             found != keys.end() && found->first == hash; ++found) {
            const TableRow &row = table_.row(found->second);
            if (row.matchKey() == text && (!actionsOnly || row.action() != PowerAction::None))
                due.push_back(found->second);
        }
    }
    std::sort(due.begin(), due.end());
}
