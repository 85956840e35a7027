// Reading and writing the event file.
#include "EventFile.h"

#include <algorithm>
#include <string_view>
#include <vector>

std::string eventFilePath(const std::string &programDirectory) {
    return programDirectory + "InformationSW";
}

std::string eventKey(const char *section, int number) {
    return section + formatTwoDigits(number);
}

namespace {

// The event number a key names in a section: the section name, then "%2d" of the number
// (compared like any profile name: ASCII case ignored). 0 when the key names no event.
std::size_t eventNumberOf(std::string_view key, std::string_view section) {
    if (key.size() <= section.size() + 1) return 0;
    if (!ProfileDocument::sameName(key.substr(0, section.size()), section)) return 0;
    std::string_view digits = key.substr(section.size());
    if (digits.size() == 2 && digits[0] == ' ') digits.remove_prefix(1);
    else if (digits[0] == '0' || digits.size() < 2) return 0;
    if (digits.size() > 9) return 0;
    std::size_t number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + static_cast<std::size_t>(c - '0');
    }
    return number;
}

// The raw value of each event number in a section, the first key of a number deciding,
// for numbers 1 to limit.
std::vector<std::string_view> eventValues(const ProfileDocument &document, const char *section,
                                          std::size_t limit) {
    std::vector<std::string_view> values(limit + 1);
    std::vector<bool> seen(limit + 1);
    document.forEachKey(section, [&](std::string_view key, std::string_view value, bool hasValue) {
        std::size_t number = eventNumberOf(key, section);
        if (number == 0 || number > limit || seen[number]) return;
        seen[number] = true;
        if (hasValue) values[number] = value;
    });
    return values;
}


} // namespace

void loadEvents(EventTable &table, const ProfileDocument &document) {
    // One pass over each section instead of eleven look-ups per event.
    std::size_t keys = 0;
    document.forEachKey(eventFields[0].name,
                        [&](std::string_view, std::string_view, bool) { ++keys; });
    std::vector<std::string_view> keysOf = eventValues(document, eventFields[0].name, keys);
    std::size_t count = 0;
    while (count < keys &&
           !ProfileDocument::valueAsRead(keysOf[count + 1], eventFields[0].capacity).empty())
        ++count;

    std::vector<EventFields> rows(count);
    for (const EventFieldInfo &field : eventFields) {
        std::vector<std::string_view> values = eventValues(document, field.name, count);
        for (std::size_t number = 1; number <= count; ++number)
            rows[number - 1].*field.member =
                ProfileDocument::valueAsRead(values[number], field.capacity);
    }
    // One change for the whole table, so the event list redraws once, not once a row.
    table.replaceRows(rows);
}

namespace {

// The text of a fresh file of `count` events, event k (from 0) being eventAt(k).
template <typename EventAt> std::string renderEvents(int count, EventAt eventAt) {
    std::string out;
    out.reserve(static_cast<std::size_t>(count) * 160 + 200);
    for (const EventFieldInfo &field : eventFields) {
        if (!out.empty()) out += "\r\n";
        out += '[';
        out += field.name;
        out += "]\r\n";
        for (int index = 0; index < count; ++index) {
            out += field.name;
            out += formatTwoDigits(index + 1);
            out += '=';
            out += ProfileDocument::storedForm(eventAt(index).*field.member);
            out += "\r\n";
        }
    }
    return out;
}

} // namespace

std::string renderEventFile(const EventTable &table) {
    return renderEvents(table.rowCount(), [&](int index) -> const Event & { return table.event(index); });
}

void storeEvents(const EventTable &table, ProfileDocument &document) {
    // Row by row, like one profile write per value: sections appear in the order they are first
    // written, and in each section the events follow 1 to n.
    std::string key;
    for (int index = 0; index < table.rowCount(); ++index) {
        const Event &row = table.event(index);
        for (const EventFieldInfo &field : eventFields) {
            key.assign(field.name).append(formatTwoDigits(index + 1));
            document.set(field.name, key, row.*field.member);
        }
    }
}

namespace {

// Whether loading took everything a document holds: only the eleven sections, each once, and
// in them only the keys of the events loaded, each once, with a value that was not cut.
bool loadedEverything(const ProfileDocument &document, std::size_t events) {
    bool complete = true;
    const EventFieldInfo *field = nullptr;
    std::vector<bool> seen;
    document.forEachSection(
        [&](std::string_view name, bool first, bool unnamed, bool leading) {
            field = nullptr;
            if (unnamed || !first) {
                complete = complete && leading; // the lines before any section are checked below
                return;
            }
            for (const EventFieldInfo &info : eventFields)
                if (ProfileDocument::sameName(name, info.name)) field = &info;
            if (!field) complete = false;
            seen.assign(events + 1, false);
        },
        [&](std::string_view key, std::string_view value, bool hasValue) {
            if (!field) {
                complete = false;
                return;
            }
            const std::size_t number = eventNumberOf(key, field->name);
            // A value as read is never longer than as written: only a long one can be cut.
            const bool cut = value.size() >= field->capacity &&
                             ProfileDocument::valueAsRead(value, field->capacity) !=
                                 ProfileDocument::valueAsRead(value, value.size() + 3);
            if (!hasValue || number == 0 || number > events || seen[number] || cut) {
                complete = false;
                return;
            }
            seen[number] = true;
        });
    return complete;
}

bool isUtf16(const std::string &bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

std::u16string utf16Of(const std::string &bytes) {
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
}

std::string bytesOf(const std::u16string &text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

} // namespace

Platform::FileRead EventFile::loadAll(EventTable &table) {
    std::string bytes;
    const Platform::FileRead read = platform_.readFile(path_, bytes);
    unreadable_ = read == Platform::FileRead::Failed;
    textKnown_ = read == Platform::FileRead::Read;
    unloaded_.clear();
    if (!textKnown_) return read;
    utf16_ = isUtf16(bytes);
    knownText_ = textOf(bytes);
    ProfileDocument document(knownText_);
    loadEvents(table, document);
    if (!loadedEverything(document, static_cast<std::size_t>(table.rowCount())))
        unloaded_ = std::move(bytes); // not empty: something was there to leave out
    return read;
}

std::string EventFile::textOf(const std::string &bytes) {
    return isUtf16(bytes) ? platform_.fromUtf16(utf16Of(bytes)) : bytes;
}

bool EventFile::refused() {
    if (!unreadable_) return false;
    lastError_ = "The event file exists but could not be read; it is left as it is.";
    return true;
}

// The file as it was, before anything the loader left out is dropped: one generation, put in
// place in one step like the file itself.
bool EventFile::keepBackup() {
    if (unloaded_.empty()) return true;
    if (!platform_.replaceFile(backupPath(), unloaded_)) {
        lastError_ = platform_.fileError();
        return false;
    }
    unloaded_.clear();
    return true;
}

bool EventFile::replaceWith(const std::string &text) {
    if (refused() || !keepBackup()) return false;
    if (!platform_.replaceFile(path_, utf16_ ? bytesOf(platform_.toUtf16(text)) : text)) {
        lastError_ = platform_.fileError();
        return false;
    }
    knownText_ = text;
    textKnown_ = true;
    return true;
}

bool EventFile::saveAll(const EventTable &table) {
    if (table.rowCount() == 0) return true; // nothing to write, the file stays as it is
    if (refused()) return false;
    std::string bytes;
    if (platform_.readFile(path_, bytes) == Platform::FileRead::Failed) {
        lastError_ = platform_.fileError();
        return false;
    }
    ProfileDocument document(textOf(bytes));
    storeEvents(table, document);
    return replaceWith(document.render());
}

void EventFile::holdForEdit(int index, const Event &row) {
    held_ = row;
    heldIndex_ = index;
    holding_ = true;
}

void EventFile::releaseEdit() { holding_ = false; }

std::string EventFile::fileText(const EventTable &table) const {
    if (!holding_) return renderEventFile(table);
    const int at = std::min(heldIndex_, table.rowCount());
    return renderEvents(table.rowCount() + 1, [&](int index) -> const Event & {
        return index < at ? table.event(index) : index == at ? held_ : table.event(index - 1);
    });
}

bool EventFile::writeThrough(const EventTable &table, std::string *written) {
    if (table.rowCount() == 0 && !holding_) {
        if (refused() || !keepBackup()) return false;
        if (!platform_.deleteFile(path_)) {
            lastError_ = platform_.fileError();
            return false;
        }
        textKnown_ = false;
        return true;
    }
    std::string text = fileText(table);
    if (!replaceWith(text)) return false;
    if (written) *written = holding_ ? renderEventFile(table) : std::move(text);
    return true;
}

bool EventFile::saveThrough(const EventTable &table) { return writeThrough(table, nullptr); }

bool EventFile::rewriteEventFile(EventTable &table) {
    if (textKnown_ && unloaded_.empty() && (table.rowCount() > 0 || holding_) &&
        table.numberedInOrder() && fileText(table) == knownText_)
        return true;
    std::string written;
    if (!writeThrough(table, &written)) return false;
    // Cleared and loaded again from what was written (without a row held in the form), in one
    // change.
    loadEvents(table, ProfileDocument(std::move(written)));
    return true;
}
