// libFuzzer target: any bytes as an event file load without crashing or overrunning, the event
// file reads them as the profile rules do (a file as the program writes it in one pass, any
// other by the rules), and once rewritten, the events reload to themselves.
#include "EventFile.h"
#include "FakePlatform.h"

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
    if (a.rowCount() != b.rowCount())
        return false;
    for (int row = 0; row < a.rowCount(); ++row)
        for (int column = 0; column < eventColumnCount; ++column)
            if (a.cell(row, column) != b.cell(row, column))
                return false;
    return true;
}

// The table the event file loads from these bytes.
EventTable loadedByTheFile(const std::string &bytes) {
    FakePlatform platform;
    platform.files["InformationSW"] = bytes;
    EventFile file(platform, "InformationSW");
    EventTable table;
    file.loadAll(table);
    return table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    EventTable loaded;
    readEvents(loaded, ProfileDocument(std::string(reinterpret_cast<const char *>(data), size)));
    // A rewrite keeps every event, and after the first one (which may still shorten a quoted
    // value as long as its field) nothing changes any more.
    const EventTable once = rewritten(loaded);
    if (once.rowCount() != loaded.rowCount())
        std::abort();
    if (!sameRows(once, rewritten(once)))
        std::abort();
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const bool utf16 = size >= 2 && data[0] == 0xFF && data[1] == 0xFE; // read as UTF-16 there
    if (!utf16 && !sameRows(loadedByTheFile(bytes), loaded))
        std::abort();
    if (!sameRows(loadedByTheFile(renderEventFile(once)), once))
        std::abort();
    return 0;
}
