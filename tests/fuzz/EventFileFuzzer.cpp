// libFuzzer target: any bytes as an event file load without crashing or overrunning, the event
// file reads them as the profile rules do (a file as the program writes it in one pass, any
// other by the rules), and once rewritten, the events reload to themselves. The same bytes
// saved as UTF-16 (either byte order) or UTF-8 with its mark come back from two writes in that
// encoding with every value they held, unless the user was told what was kept aside.
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

// The events of a file's text as the profile rules read them, every value in the file's own
// characters.
EventTable valuesIn(const std::string &bytes) {
    EventTable table;
    readEvents(table, ProfileDocument(textIn(bytes, encodingOf(bytes))));
    return table;
}

// Whether a value may have been cut to its field, counted in bytes of UTF-8, where the program
// counts characters: such values are compared by the program's own reading only.
bool mayBeCut(const EventTable &table) {
    for (int row = 0; row < table.rowCount(); ++row)
        for (const EventFieldInfo &field : eventFields)
            if ((table.event(row).*field.member).size() + 2 >= field.capacity) // a quote too
                return true;
    return false;
}

// A Unicode file loaded, written twice (a row added, then taken away again) and compared.
void roundTrip(const std::string &bytes) {
    FakePlatform platform;
    platform.now = at(2026, 12, 7, 12, 0, 0);
    platform.files["InformationSW"] = bytes;
    EventFile file(platform, "InformationSW");
    EventTable table;
    file.loadAll(table);
    if (table.rowCount() == 0)
        return;
    table.insertRow(table.rowCount(), table.event(0));
    if (!file.saveAndReload(table))
        std::abort();
    table.deleteRow(table.rowCount() - 1);
    if (!file.saveAndReload(table))
        std::abort();
    const std::string &written = platform.files["InformationSW"];
    if (encodingOf(written) != encodingOf(bytes))
        std::abort();
    // Told and kept aside: the copy holds the file as it was.
    if (!platform.otherNotices.empty())
        return;
    // Written as the program writes every value (leading blanks go, as the profile writer drops
    // them too).
    const EventTable before = valuesIn(bytes);
    if (!mayBeCut(before) && !sameRows(valuesIn(written), rewritten(before)))
        std::abort();
    if (!sameRows(loadedByTheFile(written), table))
        std::abort();
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
    // A mark makes a Unicode file, read in the code page there.
    if (encodingOf(bytes) == TextEncoding::Ansi && !sameRows(loadedByTheFile(bytes), loaded))
        std::abort();
    if (!sameRows(loadedByTheFile(renderEventFile(once)), once))
        std::abort();
    for (const char *mark : {"\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"})
        roundTrip(mark + bytes);
    return 0;
}
