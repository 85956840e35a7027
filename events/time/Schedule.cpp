// The schedule.
#include "Schedule.h"

#include <algorithm>
#include <cmath>

namespace {

// 1 January 1601, the first moment Windows can hold, on the wall clock.
constexpr std::int64_t earliestWall = -11644473600;

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

Schedule::Reading Schedule::readingOf(const LocalTime &now) {
    const std::int64_t wall = wallSecond(now);
    return {wall, wall - now.utcOffset, now.utcOffset, now.elapsed, platform_.zoneName()};
}

void Schedule::start(const LocalTime &swept) {
    started_ = true;
    last_ = readingOf(swept);
    rules_.forget();
    marks_ = {last_.utc - 1, last_.utc - 1, last_.wall - 1};
}

void Schedule::reach(Marks &marks, std::vector<SecondRun> &runs, std::int64_t utc) {
    while (marks.utcUpTo < utc) {
        const std::int64_t from = marks.utcUpTo + 1;
        const ZoneRules::Span span = rules_.spanAt(from);
        const std::int64_t to = std::min(utc, span.until - 1);
        const int offset = span.offset;
        // The clocks went forward at `from`: the wall seconds they skipped come due now, for the
        // rows with a date or a time of day.
        if (from + offset - 1 > marks.wallUpTo) {
            runs.push_back(
                {marks.wallUpTo + 1, from + offset - 1, from, offset, true, Examined::NotHourly});
            marks.wallUpTo = from + offset - 1;
        }
        // Each UTC second reads its wall second: new to the rows with a date or a time of day
        // only past the latest one they had, to Hourly rows past the latest real second.
        for (std::int64_t second = from; second <= to;) {
            const bool dated = second + offset > marks.wallUpTo;
            const bool hourly = second > marks.hourlyUpTo;
            std::int64_t end = to;
            if (!dated)
                end = std::min(end, marks.wallUpTo - offset);
            if (!hourly)
                end = std::min(end, marks.hourlyUpTo);
            const Examined rows = dated ? (hourly ? Examined::All : Examined::NotHourly)
                                        : (hourly ? Examined::Repeated : Examined::OneTime);
            runs.push_back({second + offset, end + offset, second, offset, false, rows});
            second = end + 1;
        }
        marks.wallUpTo = std::max(marks.wallUpTo, to + offset);
        marks.hourlyUpTo = std::max(marks.hourlyUpTo, to);
        marks.utcUpTo = to;
    }
}

Passage Schedule::advance(const LocalTime &now) {
    if (!started_)
        start(now);
    const Reading reading = readingOf(now);
    Passage passage;
    const std::int64_t realMs = std::max<std::int64_t>(0, reading.elapsed - last_.elapsed);
    const std::int64_t real = (realMs + 500) / 1000;
    // What the UTC clock moved beyond the time that really passed. Wall seconds are whole, so
    // a second and a half of it is no setting; nor is the drift of a long gap (0.1 %).
    const double stepped =
        static_cast<double>(reading.utc - last_.utc) - static_cast<double>(realMs) / 1000.0;
    const double tolerance = 1.5 + static_cast<double>(realMs) / 1e6;
    // Another zone is told by its name; rules that no longer give the clock's offset changed
    // too.
    bool zoneChanged = reading.zone != last_.zone;
    if (!zoneChanged && rules_.offsetAt(reading.utc) != reading.offset) {
        rules_.forget();
        zoneChanged = rules_.offsetAt(reading.utc) != reading.offset;
    }
    const bool timePassed =
        std::fabs(stepped) <= tolerance || (stepped > 0 && stepped < catchUpLimit - tolerance);
    if (!zoneChanged && timePassed) {
        reach(marks_, passage.runs, reading.utc);
        if (reading.offset != last_.offset) {
            passage.change = ClockChange::DaylightSaving;
            passage.step = reading.offset - last_.offset;
        }
    } else {
        // The time that passed is reached on the old clock first, its last second included;
        // then the new second alone.
        reach(marks_, passage.runs, last_.utc + std::max<std::int64_t>(real - 1, 0));
        if (zoneChanged)
            rules_.forget();
        // A clock set by hand is measured in UTC (a change of offset in between is the zone's,
        // not the user's); a change of zone by what it does to the wall clock.
        passage.step =
            zoneChanged ? reading.wall - last_.wall - real : reading.utc - last_.utc - real;
        passage.change = zoneChanged        ? ClockChange::Zone
                         : passage.step > 0 ? ClockChange::SetForward
                                            : ClockChange::SetBack;
        if (passage.step > 0) {
            // What it passed over is not caught up: one-time rows are reported missed,
            // repeating rows come at their next times.
            marks_.wallUpTo = std::max(marks_.wallUpTo, reading.wall - 1);
            marks_.hourlyUpTo = std::max(marks_.hourlyUpTo, reading.utc - 1);
            passage.reportPassed = true;
        } else if (-passage.step >= repeatLimit) {
            marks_.wallUpTo = reading.wall - 1;
            marks_.hourlyUpTo = reading.utc - 1;
            passage.anew = true;
        }
        // Set back a little, the seconds read again are new to waiting one-time rows only.
        marks_.utcUpTo = reading.utc - 1;
        reach(marks_, passage.runs, reading.utc);
    }
    last_ = reading;
    return passage;
}

std::vector<SecondRun> Schedule::ahead(std::int64_t seconds) {
    Marks marks = marks_;
    std::vector<SecondRun> runs;
    reach(marks, runs, last_.utc + seconds);
    return runs;
}

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

void Schedule::sleptUntil(const LocalTime &now) {
    if (!started_)
        start(now);
    const Reading reading = readingOf(now);
    if (reading.zone != last_.zone)
        rules_.forget();
    marks_.utcUpTo = reading.utc - 1;
    marks_.hourlyUpTo = std::max(marks_.hourlyUpTo, reading.utc - 1);
    marks_.wallUpTo = std::max(marks_.wallUpTo, reading.wall - 1);
    last_ = reading;
}

std::optional<Schedule::Upcoming> Schedule::nextFiring(int row, std::int64_t fromUtc,
                                                       std::int64_t fromWall) {
    const TableRow &entry = table_.row(row);
    if (entry.kind() == RepeatKind::Hourly) {
        // Every real hour has its minute: the first at or after the second, span by span.
        std::int64_t from = std::max(fromUtc, marks_.hourlyUpTo + 1);
        for (int spans = 0; spans < 4; ++spans) {
            const ZoneRules::Span span = rules_.spanAt(from);
            const auto wall = nextOccurrence(entry, from + span.offset);
            if (!wall)
                return std::nullopt;
            if (*wall - span.offset < span.until)
                return Upcoming{row, *wall, *wall - span.offset};
            from = span.until;
        }
        return std::nullopt;
    }
    // A one-time row fires whenever the wall clock reads its moment while it waits; the others
    // at the first reading of a wall second later than they had.
    const auto wall =
        nextOccurrence(entry, entry.kind() == RepeatKind::OneTime ? earliestWall : fromWall);
    if (!wall)
        return std::nullopt;
    const auto real = rules_.firstReading(*wall, fromUtc);
    if (!real)
        return std::nullopt;
    return Upcoming{row, *wall, real->utc};
}

std::optional<Schedule::Upcoming>
Schedule::nextAction(const std::function<bool(std::int64_t)> &answered) {
    if (!started_ || !anyActions())
        return std::nullopt;
    // Each row's next moment, earliest first.
    const auto later = [](const Upcoming &a, const Upcoming &b) {
        return a.utc != b.utc ? a.utc > b.utc : a.row > b.row;
    };
    std::vector<Upcoming> heap;
    const std::int64_t fromUtc = marks_.utcUpTo + 1;
    // The rows in the order of their next wall seconds, so that the zone's rules are asked in
    // order too: each stretch of one offset once, however many rows fall in it.
    std::vector<std::pair<std::int64_t, int>> byWall;
    for (int row = 0; row < table_.rowCount(); ++row) {
        const TableRow &entry = table_.row(row);
        if (entry.kind() == RepeatKind::Unknown || entry.action() == PowerAction::None)
            continue;
        const auto wall = nextOccurrence(
            entry, entry.kind() == RepeatKind::OneTime ? earliestWall : marks_.wallUpTo + 1);
        if (wall)
            byWall.emplace_back(*wall, row);
    }
    std::sort(byWall.begin(), byWall.end());
    for (const auto &[wall, row] : byWall)
        if (const auto next = nextFiring(row, fromUtc, marks_.wallUpTo + 1))
            heap.push_back(*next);
    std::make_heap(heap.begin(), heap.end(), later);

    std::optional<Upcoming> best;
    int passedOver = 0; // answered moments, a handful at most
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        const Upcoming candidate = heap.back();
        heap.pop_back();
        if (best && candidate.utc > best->utc)
            break;
        const TableRow &entry = table_.row(candidate.row);
        if (answered(candidate.utc)) {
            if (++passedOver > 64 || entry.kind() == RepeatKind::OneTime)
                continue;
            if (const auto next =
                    nextFiring(candidate.row, candidate.utc + 1, candidate.wall + 1)) {
                heap.push_back(*next);
                std::push_heap(heap.begin(), heap.end(), later);
            }
            continue;
        }
        // Fields that disagree with the match key (a hand-edited file) foretell nothing: the
        // row fires when its key comes due, and is warned of then.
        if (clockText(platform_, entry.kind(), fromWallSecond(candidate.wall)) != entry.matchKey())
            continue;
        if (!best || winsOver(entry.action(), table_.row(best->row).action()))
            best = candidate;
    }
    return best;
}
