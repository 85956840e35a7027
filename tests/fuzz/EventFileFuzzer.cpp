// libFuzzer target: any bytes as an event file load without crashing or overrunning, and what
// loads survives a rewrite unchanged.
#include "EventFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    ProfileDocument document(std::string(reinterpret_cast<const char *>(data), size));
    EventTable table;
    loadEvents(table, document);

    ProfileDocument rewritten;
    storeEvents(table, rewritten);
    EventTable reloaded;
    loadEvents(reloaded, ProfileDocument(rewritten.render()));
    if (reloaded.rowCount() != table.rowCount()) std::abort();
    for (int row = 0; row < table.rowCount(); ++row)
        for (int column = 1; column < eventColumnCount; ++column)
            if (reloaded.cell(row, column) != table.cell(row, column)) std::abort();
    return 0;
}
