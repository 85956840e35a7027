// The schedule.
#include "Schedule.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr char hourlyTimePicture[] = ":mm:ss";

std::size_t slot(RepeatKind kind) {
    return static_cast<std::size_t>(kind);
}

// Two digits as a number; -1 when they are not two digits.
int twoDigits(const char *at) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return digit(at[0]) && digit(at[1]) ? (at[0] - '0') * 10 + (at[1] - '0') : -1;
}

// The time a key ends in: "HH:mm:ss" as seconds of the day, or an Hourly key ":mm:ss" as
// seconds of the hour; -1 when it ends in no such time, or is as long as a clock text cut to
// its field, whose end need not be its time.
int timeAtEnd(const std::string &key, bool hourly) {
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

} // namespace

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
    if (kind == RepeatKind::Hourly)
        return platform.formatTime(time, hourlyTimePicture);
    std::string clock = platform.formatTime(time, clockTimePicture);
    if (kind == RepeatKind::Daily)
        return clock;
    std::string text = platform.formatDate(time, datePictureOf(kind)) + " " + clock;
    cutToCapacity(text, matchKeyCapacity);
    return text;
}

const std::string &ClockTextCache::date(RepeatKind kind, std::int64_t day, const LocalTime &time) {
    Day &cached = days_[static_cast<std::size_t>(day & 3)];
    if (cached.at != day)
        cached = Day{day, {}, {}};
    const std::size_t at = slot(kind);
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
    const std::size_t at = slot(kind);
    if (cached.made[at])
        return cached.texts[at];
    const LocalTime time = fromWallSecond(second);
    std::string &text = cached.texts[at];
    if (kind == RepeatKind::Hourly) {
        text = platform_.formatTime(time, hourlyTimePicture);
    } else {
        // The time of day is formatted once a second for every kind that shows it.
        const std::size_t daily = slot(RepeatKind::Daily);
        if (!cached.made[daily]) {
            cached.texts[daily] = platform_.formatTime(time, clockTimePicture);
            cached.made[daily] = true;
        }
        if (kind != RepeatKind::Daily) {
            text = date(kind, floorDiv(second, 86400), time) + " " + cached.texts[daily];
            cutToCapacity(text, matchKeyCapacity);
        }
    }
    cached.made[at] = true;
    return text;
}

void Schedule::start(const LocalTime &swept) {
    started_ = true;
    last_ = {wallSecond(swept), swept.utcOffset, swept.standardOffset, swept.elapsed};
    marks_ = Marks();
    marks_.upTo = last_.wall - 1;
}

void Schedule::Marks::reach(std::vector<SecondRun> &runs, std::int64_t to, int offset) {
    if (repeating) {
        const std::int64_t from = std::max(repeatUpTo + 1, repeatFrom);
        const std::int64_t end = std::min(to, repeatTo);
        if (end >= from) {
            runs.push_back({from, end, offset, Examined::Repeated});
            repeatUpTo = end;
            hourlyUpTo = std::max(hourlyUpTo, end - offset);
        }
        if (to >= repeatTo)
            repeating = false; // the repeated hour is over
    }
    if (to > upTo) {
        // Wall seconds whose UTC second Hourly rows were examined in already are new to the
        // other rows only.
        const std::int64_t hourlyFrom = hourlyUpTo + offset + 1;
        if (hourlyFrom > upTo + 1) {
            const std::int64_t end = std::min(to, hourlyFrom - 1);
            runs.push_back({upTo + 1, end, offset, Examined::NotHourly});
            upTo = end;
        }
        if (to > upTo) {
            runs.push_back({upTo + 1, to, offset, Examined::All});
            upTo = to;
            hourlyUpTo = std::max(hourlyUpTo, to - offset);
        }
    }
}

Passage Schedule::advance(const LocalTime &now) {
    if (!started_)
        start(now);
    const Reading reading{wallSecond(now), now.utcOffset, now.standardOffset, now.elapsed};
    Passage passage;
    const std::int64_t realMs = std::max<std::int64_t>(0, reading.elapsed - last_.elapsed);
    const std::int64_t utcMoved = (reading.wall - reading.offset) - (last_.wall - last_.offset);
    // What the UTC clock moved beyond the time that really passed. Wall seconds are whole, so
    // a second and a half of it is no setting; nor is the drift of a long gap (0.1 %).
    const double stepped = static_cast<double>(utcMoved) - static_cast<double>(realMs) / 1000.0;
    const double tolerance = 1.5 + static_cast<double>(realMs) / 1e6;
    const bool offsetChanged = reading.offset != last_.offset;
    const bool zoneChanged = reading.standardOffset != last_.standardOffset;
    const bool timePassed = std::fabs(stepped) <= tolerance ||
                            (stepped > 0 && stepped <= catchUpLimit && !offsetChanged);
    if (timePassed && !offsetChanged) {
        marks_.reach(passage.runs, reading.wall, reading.offset);
    } else if (timePassed && !zoneChanged) {
        passage.change = ClockChange::DaylightSaving;
        passage.step = reading.offset - last_.offset;
        crossDaylightChange(passage, reading);
    } else {
        setClock(passage, reading, (realMs + 500) / 1000);
        if (zoneChanged)
            passage.change = ClockChange::Zone;
    }
    last_ = reading;
    return passage;
}

// The seconds between two readings across a daylight-saving change. The new offset begins on
// the last whole quarter hour of UTC in between (every zone changes on one), or the last whole
// minute, or at the new reading.
void Schedule::crossDaylightChange(Passage &passage, const Reading &now) {
    const std::int64_t utcFrom = last_.wall - last_.offset, utcTo = now.wall - now.offset;
    std::int64_t change = utcTo;
    for (std::int64_t unit : {900, 60}) {
        const std::int64_t whole = floorDiv(utcTo, unit) * unit;
        if (whole > utcFrom) {
            change = whole;
            break;
        }
    }
    marks_.reach(passage.runs, change - 1 + last_.offset, last_.offset);
    if (now.offset > last_.offset) {
        // Forward: the wall seconds in between never happened; they are examined all the same,
        // with the offset the wall clock had.
        const std::int64_t from = std::max(change + last_.offset, marks_.upTo + 1);
        const std::int64_t to = change + now.offset - 1;
        if (to >= from) {
            passage.runs.push_back({from, to, last_.offset, Examined::NotHourly});
            marks_.upTo = to;
        }
        marks_.repeating = false;
    } else {
        // Back: the wall seconds from the new offset's first one up to those already reached
        // come again, from the first whose UTC second is new (a clock set back a little
        // before the change examined some already).
        marks_.repeating = true;
        marks_.repeatFrom = std::max(change, marks_.hourlyUpTo + 1) + now.offset;
        marks_.repeatTo = marks_.upTo;
        marks_.repeatUpTo = marks_.repeatFrom - 1;
    }
    marks_.reach(passage.runs, now.wall, now.offset);
}

// A clock set, or a change of zone: the time that passed is reached on the old wall clock
// first, then the new wall second alone.
void Schedule::setClock(Passage &passage, const Reading &now, std::int64_t real) {
    if (real > 1)
        marks_.reach(passage.runs, last_.wall + real - 1, last_.offset);
    passage.step = now.wall - last_.wall - real;
    passage.change = passage.step > 0 ? ClockChange::SetForward : ClockChange::SetBack;
    if (passage.step > 0) {
        // What it passed over is not caught up: one-time rows are reported missed, repeating
        // rows come at their next times.
        marks_.repeating = false;
        marks_.upTo = std::max(marks_.upTo, now.wall - 1);
        passage.reportPassed = true;
    } else if (-passage.step >= repeatLimit) {
        marks_ = Marks();
        marks_.upTo = now.wall - 1;
        passage.anew = true;
    }
    marks_.reach(passage.runs, now.wall, now.offset);
}

std::vector<SecondRun> Schedule::ahead(std::int64_t seconds) const {
    Marks marks = marks_;
    std::vector<SecondRun> runs;
    marks.reach(runs, last_.wall + seconds, last_.offset);
    return runs;
}

bool Schedule::comesAgain(std::int64_t second) const {
    return second > marks_.upTo || (marks_.repeating && second > marks_.repeatUpTo &&
                                    second >= marks_.repeatFrom && second <= marks_.repeatTo);
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
        index_.times[kind].assign(kind == slot(RepeatKind::Hourly) ? 3600 : 86400, false);
    for (int row = 0; row < table_.rowCount(); ++row) {
        const TableRow &entry = table_.row(row);
        if (entry.kind == RepeatKind::Unknown)
            continue;
        const std::size_t at = slot(entry.kind);
        index_.byKey[at][entry.event.matchKey].push_back(row);
        if (powerActionOf(entry.event) != PowerAction::None)
            index_.actions[at] = true;
        const int time = timeAtEnd(entry.event.matchKey, entry.kind == RepeatKind::Hourly);
        if (time < 0)
            index_.everySecond[at] = true;
        else
            index_.times[at][static_cast<std::size_t>(time)] = true;
    }
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
        const auto &keys = index_.byKey[slot(kind)];
        if (keys.empty() || (actionsOnly && !index_.actions[slot(kind)]))
            continue;
        if (rows == Examined::NotHourly && kind == RepeatKind::Hourly)
            continue;
        if (rows == Examined::Repeated && kind != RepeatKind::Hourly && kind != RepeatKind::OneTime)
            continue;
        const std::size_t at = slot(kind);
        const std::int64_t period = kind == RepeatKind::Hourly ? 3600 : 86400;
        const auto time = static_cast<std::size_t>(second - floorDiv(second, period) * period);
        if (!index_.everySecond[at] && !index_.times[at][time])
            continue;
        const auto found = keys.find(texts_.text(kind, second));
        if (found == keys.end())
            continue;
        for (int row : found->second)
            if (!actionsOnly || powerActionOf(table_.event(row)) != PowerAction::None)
                due.push_back(row);
    }
    std::sort(due.begin(), due.end());
}

void Schedule::sleptUntil(const LocalTime &now) {
    const Reading reading{wallSecond(now), now.utcOffset, now.standardOffset, now.elapsed};
    if (!started_)
        start(now);
    marks_.repeating = false;
    marks_.upTo = std::max(marks_.upTo, reading.wall - 1);
    marks_.hourlyUpTo = std::max(marks_.hourlyUpTo, reading.wall - 1 - reading.offset);
    last_ = reading;
}

std::optional<Schedule::Upcoming>
Schedule::nextAction(const std::function<bool(std::int64_t)> &answered) {
    if (!started_ || !anyActions())
        return std::nullopt;
    // Each row's next second, earliest first; the wall clock reaches them in that order, also
    // across a daylight-saving change ahead.
    struct Candidate {
        std::int64_t wall;
        int row;
        bool repeated; // a second of the hour the clocks repeat now
    };
    const auto later = [](const Candidate &a, const Candidate &b) {
        return a.wall != b.wall ? a.wall > b.wall : a.row > b.row;
    };
    std::vector<Candidate> heap;
    const std::int64_t from = marks_.upTo + 1;
    const std::int64_t hourlyFrom = std::max(from, marks_.hourlyUpTo + last_.offset + 1);
    for (int row = 0; row < table_.rowCount(); ++row) {
        const TableRow &entry = table_.row(row);
        if (entry.kind == RepeatKind::Unknown || powerActionOf(entry.event) == PowerAction::None)
            continue;
        if (marks_.repeating &&
            (entry.kind == RepeatKind::Hourly || entry.kind == RepeatKind::OneTime)) {
            const auto at = nextOccurrence(entry.event, entry.kind,
                                           std::max(marks_.repeatUpTo + 1, marks_.repeatFrom));
            if (at && *at <= marks_.repeatTo) {
                heap.push_back({*at, row, true});
                continue;
            }
        }
        if (const auto at = nextOccurrence(entry.event, entry.kind,
                                           entry.kind == RepeatKind::Hourly ? hourlyFrom : from))
            heap.push_back({*at, row, false});
    }
    std::make_heap(heap.begin(), heap.end(), later);

    const std::int64_t nowUtc = last_.wall - last_.offset;
    std::optional<Upcoming> best;
    int passedOver = 0; // answered seconds and skipped hours, a handful at most
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        const Candidate candidate = heap.back();
        heap.pop_back();
        if (best && candidate.wall > best->wall)
            break;
        const TableRow &entry = table_.row(candidate.row);
        const RealMoment real = candidate.repeated
                                    ? RealMoment{candidate.wall - last_.offset, false}
                                    : realMomentOf(platform_, candidate.wall, nowUtc);
        // An Hourly row's minute in an hour the clocks skip comes in the next hour.
        if (answered(candidate.wall) || (real.skipped && entry.kind == RepeatKind::Hourly)) {
            if (++passedOver > 64)
                continue;
            if (const auto at = nextOccurrence(entry.event, entry.kind, candidate.wall + 1)) {
                heap.push_back({*at, candidate.row, false});
                std::push_heap(heap.begin(), heap.end(), later);
            }
            continue;
        }
        // Fields that disagree with the match key (a hand-edited file) foretell nothing: the
        // row fires when its key comes due, and is warned of then.
        if (clockText(platform_, entry.kind, fromWallSecond(candidate.wall)) !=
            entry.event.matchKey)
            continue;
        if (!best || (powerActionOf(entry.event) == PowerAction::ShutDown &&
                      powerActionOf(table_.event(best->row)) != PowerAction::ShutDown))
            best = Upcoming{candidate.row, candidate.wall, real};
    }
    return best;
}
