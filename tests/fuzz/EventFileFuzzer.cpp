// libFuzzer target: any bytes as an event file load without crashing or overrunning, and once
// rewritten, the events reload to themselves.
#include "EventFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// What a full rewrite leaves: the table written as a fresh file and read back.
EventTable rewritten(const EventTable &table) {
    EventTable reloaded;
    readEvents(reloaded, ProfileDocument(renderEventFile(table)));
    return reloaded;
}

bool sameRows(const EventTable &a, const EventTable &b) {
    if (a.rowCount() != b.rowCount()) return false;
    for (int row = 0; row < a.rowCount(); ++row)
        for (int column = 0; column < eventColumnCount; ++column)
            if (a.cell(row, column) != b.cell(row, column)) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    EventTable loaded;
    readEvents(loaded, ProfileDocument(std::string(reinterpret_cast<const char *>(data), size)));
    // A rewrite keeps every event, and after the first one (which may still shorten a quoted
    // value as long as its field) nothing changes any more.
    const EventTable once = rewritten(loaded);
    if (once.rowCount() != loaded.rowCount()) std::abort();
    if (!sameRows(once, rewritten(once))) std::abort();
    return 0;
}
