// libFuzzer target: the due check and the missed-event sweep driven by random tables and
// scripted times (steps, jumps, clocks set back, daylight-saving changes), checked against
// their promises after every tick.
#include "DueCheck.h"
#include "FakePlatform.h"
#include "MissedSweep.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

namespace {

const char *const kinds[] = {"", "Hourly", "Daily", "Weekly", "Monthly", "Yearly"};

void check(bool promise) {
    if (!promise) std::abort();
}

class Input {
public:
    Input(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    unsigned byte() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    Input input(data, size);
    FakePlatform platform;
    const std::string path = "InformationSW";
    EventFile file(platform, path);
    EventTable table;
    const LocalTime base = at(2026, 3, 29, 1, 0, 0);
    // Up to ten rows, each of a kind at a moment within two hours of the start; one-time rows
    // carry a Restart action, so that each of their firings leaves a request.
    const unsigned rows = input.byte() % 11;
    std::map<std::string, int> oneTime; // key -> moment (wall second)
    for (unsigned i = 0; i < rows; ++i) {
        const char *kind = kinds[input.byte() % 6];
        const LocalTime when = fromWallSecond(wallSecond(base) + (input.byte() * 256 + input.byte()) % 7200);
        EventFields row = eventAt(when, kind, clockText(platform, repeatKindOf(kind), when));
        if (!*kind) {
            if (oneTime.count(row.matchKey)) continue; // keys tell the rows apart
            row.restart = "Restart";
            oneTime[row.matchKey] = static_cast<int>(wallSecond(when) - wallSecond(base));
        }
        table.insertRow(table.rowCount(), row);
    }
    file.saveThrough(table);

    DueCheck due(table, file, platform);
    std::int64_t wall = wallSecond(base);
    int offset = 3600;
    LocalTime now = fromWallSecond(wall);
    now.utcOffset = offset;
    due.startAfter(now);
    std::int64_t latest = wall; // the latest wall second reached
    while (!input.empty()) {
        const unsigned step = input.byte();
        if (step < 200) wall += step % 4;                       // ordinary ticks
        else if (step < 220) wall += 61 + step * 37;            // asleep, or set forward
        else if (step < 235) wall -= (step - 219) * 13;         // set back by hand
        else if (step < 245) wall += 3600 + 1, offset += 3600;  // clocks go forward
        else wall -= 3600 - 1, offset -= 3600;                  // clocks go back
        now = fromWallSecond(wall);
        now.utcOffset = offset;
        due.checkDueEvents(now);
        if (wall > latest) latest = wall;

        // The table and the file agree after every tick.
        EventTable saved;
        file.loadAll(saved);
        check(saved.rowCount() == table.rowCount());
        for (int i = 0; i < table.rowCount(); ++i)
            check(saved.event(i).matchKey == table.event(i).matchKey);
        // No row leaves that was not due or passed: a one-time row only once the clock has
        // reached its moment, a repeating row never.
        int left = 0;
        for (const auto &[key, moment] : oneTime) {
            bool present = false;
            for (int i = 0; i < table.rowCount(); ++i)
                present = present || table.event(i).matchKey == key;
            if (!present) {
                check(wallSecond(base) + moment <= latest);
                ++left;
            }
        }
        // Each one-time row fired at most once: it left with one request or one notice.
        check(platform.requests.size() + platform.notices.size() == static_cast<std::size_t>(left));
    }
    return 0;
}
