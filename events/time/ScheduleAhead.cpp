// The schedule looking ahead: when each row next fires, and the next power action.
#include "Schedule.h"

#include <algorithm>

namespace {

// 1 January 1601, the first moment Windows can hold, on the wall clock.
constexpr std::int64_t earliestWall = -11644473600;

} // namespace

std::optional<Schedule::Occurrence> Schedule::nextFiring(int row, std::int64_t fromUtc,
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
                return Occurrence{row, *wall, *wall - span.offset};
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
    return Occurrence{row, *wall, real->utc};
}

std::optional<Schedule::Occurrence>
Schedule::nextAction(const std::function<bool(std::int64_t)> &answered) {
    if (!started_ || !anyActions())
        return std::nullopt;
    // Each row's next moment, earliest first.
    const auto later = [](const Occurrence &a, const Occurrence &b) {
        return a.utc != b.utc ? a.utc > b.utc : a.row > b.row;
    };
    std::vector<Occurrence> heap;
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

    std::optional<Occurrence> best;
    int passedOver = 0; // answered moments, a handful at most
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        const Occurrence candidate = heap.back();
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
