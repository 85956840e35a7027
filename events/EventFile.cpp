// Reading and writing the event file.
#include "EventFile.h"

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

std::string renderEventFile(const EventTable &table) {
    std::string out;
    out.reserve(static_cast<std::size_t>(table.rowCount()) * 160 + 200);
    for (const EventFieldInfo &field : eventFields) {
        if (!out.empty()) out += "\r\n";
        out += '[';
        out += field.name;
        out += "]\r\n";
        for (int index = 0; index < table.rowCount(); ++index) {
            out += field.name;
            out += formatTwoDigits(index + 1);
            out += '=';
            out += ProfileDocument::storedForm(table.event(index).*field.member);
            out += "\r\n";
        }
    }
    return out;
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

void EventFile::loadAll(EventTable &table) {
    std::string text;
    textKnown_ = platform_.readFile(path_, text);
    if (!textKnown_) return;
    knownText_ = text;
    loadEvents(table, ProfileDocument(std::move(text)));
}

bool EventFile::saveAll(const EventTable &table) {
    if (table.rowCount() == 0) return true; // nothing to write, the file stays as it is
    std::string text;
    platform_.readFile(path_, text);
    ProfileDocument document(std::move(text));
    storeEvents(table, document);
    std::string rendered = document.render();
    if (!platform_.replaceFile(path_, rendered)) return false;
    knownText_ = std::move(rendered);
    textKnown_ = true;
    return true;
}

bool EventFile::writeThrough(const EventTable &table, std::string *written) {
    if (table.rowCount() == 0) {
        textKnown_ = false;
        return platform_.deleteFile(path_);
    }
    std::string text = renderEventFile(table);
    if (!platform_.replaceFile(path_, text)) return false;
    knownText_ = text;
    textKnown_ = true;
    if (written) *written = std::move(text);
    return true;
}

bool EventFile::saveThrough(const EventTable &table) { return writeThrough(table, nullptr); }

bool EventFile::rewriteEventFile(EventTable &table) {
    if (textKnown_ && table.rowCount() > 0 && table.numberedInOrder() &&
        renderEventFile(table) == knownText_)
        return true;
    std::string written;
    if (!writeThrough(table, &written)) return false;
    // Cleared and loaded again from what was written, in one change.
    loadEvents(table, ProfileDocument(std::move(written)));
    return true;
}
