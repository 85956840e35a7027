// The zone's rules.
#include "ZoneRules.h"

namespace {

// No change of offset moves a wall clock by this much or more.
constexpr std::int64_t twoDays = 2 * 86400;

} // namespace

ZoneRules::Span ZoneRules::spanAt(std::int64_t utc) {
    if (last_.from <= utc && utc < last_.until)
        return last_;
    auto known = spans_.upper_bound(utc);
    if (known == spans_.end() || known->second.from > utc) {
        const Platform::ZoneSpan asked = platform_.zoneAt(utc);
        const std::int64_t until = asked.until > utc ? asked.until : utc + 1;
        auto same = spans_.find(until);
        if (same != spans_.end() && same->second.offset == asked.offset) {
            same->second.from = std::min(same->second.from, utc); // the same span, known further
            known = same;
        } else {
            known = spans_.insert_or_assign(until, Span{utc, until, asked.offset}).first;
        }
    }
    last_ = known->second;
    return last_;
}

LocalTime ZoneRules::localAt(std::int64_t utc) {
    const int offset = offsetAt(utc);
    LocalTime time = fromWallSecond(utc + offset);
    time.utcOffset = offset;
    return time;
}

std::optional<RealMoment> ZoneRules::firstReading(std::int64_t wall, std::int64_t notBefore) {
    std::int64_t from = notBefore;
    for (int spans = 0; spans < 16; ++spans) {
        const Span span = spanAt(from);
        const std::int64_t at = wall - span.offset;
        if (at >= from && at < span.until)
            return RealMoment{at, false};
        if (at < from && wall < from + span.offset - twoDays)
            return std::nullopt; // long passed: no change brings it back
        if (span.until == INT64_MAX)
            return std::nullopt;
        const Span next = spanAt(span.until);
        if (next.offset > span.offset && wall >= span.until + span.offset &&
            wall < span.until + next.offset)
            return RealMoment{span.until, true};
        // Far ahead: on to two days before it, past the changes in between.
        from = at - span.until > twoDays ? at - twoDays : span.until;
    }
    return std::nullopt;
}
