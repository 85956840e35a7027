// The values of a Unicode event file that the ANSI code page lacks characters of: the program
// reads them as the profile functions give them, and writes them back as the file held them.
#include "EventFile.h"

#include <algorithm>

namespace {

// The key of a value's original: its field, then the text it reads as.
std::string originalKey(std::size_t field, std::string_view shown) {
    return static_cast<char>('A' + field) + std::string(shown);
}

} // namespace

std::size_t EventFile::keepOriginals(const std::string &unicode, const EventTable &table) {
    // The file as the profile functions parse it, before its values are converted.
    const ProfileDocument document(unicode);
    const std::size_t count = eventsBeforeGap(document);
    const std::size_t rows = std::min(count, static_cast<std::size_t>(table.rowCount()));
    std::size_t unkept =
        count == rows && rows == static_cast<std::size_t>(table.rowCount()) ? 0 : 1;
    for (std::size_t field = 0; field < eventFieldCount; ++field) {
        const EventFieldInfo &info = eventFields[field];
        const std::vector<std::string_view> values = eventValues(document, info.name, rows);
        for (std::size_t number = 1; number <= rows; ++number) {
            if (isAscii(values[number]))
                continue;
            const std::string_view stored =
                ProfileDocument::valueAsRead(values[number], values[number].size() + 3);
            const std::string shown(table.row(static_cast<int>(number) - 1).field(field));
            const std::string read = platform_.fromUtf16(utf16Of(stored));
            if (read != shown) {
                // A value cut to fit is told as one.
                unkept += read.size() <= shown.size() || read.compare(0, shown.size(), shown) != 0;
                continue;
            }
            if (utf8Of(platform_.toUtf16(shown)) == stored)
                continue; // the code page holds every character
            // Known by the text it reads as, and by the one it reads as after a write, which
            // drops leading blanks.
            std::string written;
            ProfileDocument::appendStoredForm(written, shown);
            const std::string_view rewritten = ProfileDocument::valueAsRead(written, info.capacity);
            bool clash = false;
            for (const std::string_view text : {std::string_view(shown), rewritten}) {
                auto [at, added] = originals_.try_emplace(originalKey(field, std::string(text)),
                                                          Original{std::string(stored), false});
                // Two texts that read alike in one field: which one a row held cannot be told.
                if (!added && at->second.stored != stored) {
                    clash = clash || !at->second.clash;
                    at->second.clash = true;
                }
                if (text == rewritten)
                    break;
            }
            unkept += clash ? 2 : 0;
        }
    }
    return unkept;
}

void EventFile::appendStored(std::string &line, std::size_t field, std::string_view value) const {
    if (encoding_ != TextEncoding::Ansi && !originals_.empty()) {
        const auto found = originals_.find(originalKey(field, value));
        if (found != originals_.end() && !found->second.clash) {
            ProfileDocument::appendStoredForm(line, found->second.stored);
            return;
        }
    }
    if (encoding_ == TextEncoding::Ansi || isAscii(value))
        ProfileDocument::appendStoredForm(line, value);
    else
        ProfileDocument::appendStoredForm(line, utf8Of(platform_.toUtf16(std::string(value))));
}
