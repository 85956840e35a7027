// Reading and writing the event file.
#include "EventFile.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {
const char keptAsideTitle[] = "Velkorin: events kept aside";
} // namespace

std::string eventFilePath(const std::string &programDirectory) {
    return programDirectory + "InformationSW";
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
// for numbers 1 to limit; with `present`, also which numbers have a key there.
std::vector<std::string_view> eventValues(const ProfileDocument &document, const char *section,
                                          std::size_t limit, std::vector<bool> *present = nullptr) {
    std::vector<std::string_view> values(limit + 1);
    std::vector<bool> seen(limit + 1);
    document.forEachKey(section, [&](std::string_view key, std::string_view value, bool hasValue) {
        std::size_t number = eventNumberOf(key, section);
        if (number == 0 || number > limit || seen[number]) return;
        seen[number] = true;
        if (hasValue) values[number] = value;
    });
    if (present)
        *present = std::move(seen);
    return values;
}

// How many events stand in a document before the first gap in its "Date&Time" section.
std::size_t eventsBeforeGap(const ProfileDocument &document) {
    std::size_t keys = 0;
    document.forEachKey(eventFields[0].name,
                        [&](std::string_view, std::string_view, bool) { ++keys; });
    const std::vector<std::string_view> keysOf = eventValues(document, eventFields[0].name, keys);
    std::size_t count = 0;
    while (count < keys &&
           !ProfileDocument::valueAsRead(keysOf[count + 1], eventFields[0].capacity).empty())
        ++count;
    return count;
}

} // namespace

void readEvents(EventTable &table, const ProfileDocument &document) {
    // One pass over each section instead of eleven look-ups per event.
    const std::size_t count = eventsBeforeGap(document);
    std::vector<Event> rows(count);
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
    return renderEvents(table.rowCount(),
                        [&](int index) -> const Event & { return table.event(index); });
}

namespace {

// What loading left out of a document that gave `events` events: the events after a gap (a
// number beyond them with a match key), every line of no use (foreign or repeated sections,
// foreign, repeated or numberless keys, lines without "="), and the values cut to fit.
LeftOut leftOutOf(const ProfileDocument &document, std::size_t events) {
    LeftOut left;
    std::unordered_set<std::size_t> later;
    document.forEachKey(
        eventFields[0].name, [&](std::string_view key, std::string_view value, bool hasValue) {
            const std::size_t number = eventNumberOf(key, eventFields[0].name);
            if (number > events && hasValue &&
                !ProfileDocument::valueAsRead(value, eventFields[0].capacity).empty())
                later.insert(number);
        });
    left.events = later.size();
    const EventFieldInfo *field = nullptr;
    std::vector<bool> seen;
    document.forEachSection(
        [&](std::string_view name, bool first, bool unnamed, bool leading) {
            field = nullptr;
            if (unnamed || !first) {
                left.lines += !leading; // the lines before any section count one by one below
                return;
            }
            for (const EventFieldInfo &info : eventFields)
                if (ProfileDocument::sameName(name, info.name))
                    field = &info;
            left.lines += !field;
            seen.assign(events + 1, false);
        },
        [&](std::string_view key, std::string_view value, bool hasValue) {
            if (!field) {
                ++left.lines;
                return;
            }
            const std::size_t number = eventNumberOf(key, field->name);
            if (number > events && later.count(number))
                return; // counted with its event
            if (!hasValue || number == 0 || number > events || seen[number]) {
                ++left.lines;
                return;
            }
            seen[number] = true;
            // A value as read is never longer than as written: only a long one can be cut.
            left.cut += value.size() >= field->capacity &&
                        ProfileDocument::valueAsRead(value, field->capacity) !=
                            ProfileDocument::valueAsRead(value, value.size() + 3);
        });
    return left;
}

bool anythingLeftOut(const LeftOut &left) {
    return left.events + left.lines + left.cut > 0;
}

std::string counted(std::size_t count, const char *one, const char *many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// A kept-aside copy's name after the event file's: ".20261207-152233.bak", or
// ".20261207-152233-2.bak" for a second one in that second. Its moment and number, for
// ordering; false for any other name.
bool keptAsideOrder(std::string_view name, std::pair<std::string, int> &order) {
    const std::string_view bak = ".bak";
    if (name.size() < 15 + bak.size() || name.substr(name.size() - bak.size()) != bak)
        return false;
    for (std::size_t i = 0; i < 15; ++i)
        if (i == 8 ? name[i] != '-' : (name[i] < '0' || name[i] > '9'))
            return false;
    std::string_view rest = name.substr(15, name.size() - 15 - bak.size());
    int number = 1;
    if (!rest.empty()) {
        if (rest[0] != '-' || rest.size() < 2 || rest.size() > 4)
            return false;
        number = 0;
        for (char c : rest.substr(1)) {
            if (c < '0' || c > '9')
                return false;
            number = number * 10 + (c - '0');
        }
    }
    order = {std::string(name.substr(0, 15)), number};
    return true;
}

// How many events of a document the table does not hold: an event is held by a row with its
// match key and, in every field the document has a key for, its value. A file cut short while
// it was written lacks keys, not values, so a cut copy of an older state holds nothing new.
std::size_t eventsNotIn(const ProfileDocument &document, const EventTable &table) {
    const std::size_t count = eventsBeforeGap(document);
    std::vector<std::vector<std::string_view>> values;
    std::vector<std::vector<bool>> present(eventFields.size());
    for (std::size_t field = 0; field < eventFields.size(); ++field)
        values.push_back(eventValues(document, eventFields[field].name, count, &present[field]));
    std::unordered_multimap<std::string_view, int> byKey;
    for (int row = 0; row < table.rowCount(); ++row)
        byKey.emplace(table.event(row).matchKey, row);
    std::size_t missing = 0;
    for (std::size_t number = 1; number <= count; ++number) {
        const std::string key =
            ProfileDocument::valueAsRead(values[0][number], eventFields[0].capacity);
        bool held = false;
        for (auto [at, end] = byKey.equal_range(key); at != end && !held; ++at) {
            held = true;
            for (std::size_t field = 1; field < eventFields.size() && held; ++field)
                held = !present[field][number] ||
                       ProfileDocument::valueAsRead(values[field][number],
                                                    eventFields[field].capacity) ==
                           table.event(at->second).*eventFields[field].member;
        }
        missing += !held;
    }
    return missing;
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

std::string describe(const LeftOut &left) {
    std::vector<std::string> parts;
    if (left.events)
        parts.push_back(counted(left.events, "event after a gap", "events after a gap"));
    if (left.lines)
        parts.push_back(counted(left.lines, "other line", "other lines"));
    if (left.cut)
        parts.push_back(counted(left.cut, "value cut to fit", "values cut to fit"));
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return text;
}

Platform::FileRead EventFile::load(EventTable &table) {
    std::string bytes;
    const Platform::FileRead read = platform_.readFile(path_, bytes);
    unreadable_ = read == Platform::FileRead::Failed;
    textKnown_ = read == Platform::FileRead::Read;
    keepFirst_.clear();
    leftOut_ = LeftOut();
    if (!textKnown_)
        return read;
    utf16_ = isUtf16(bytes);
    knownText_ = textOf(bytes);
    ProfileDocument document(knownText_);
    readEvents(table, document);
    leftOut_ = leftOutOf(document, static_cast<std::size_t>(table.rowCount()));
    if (anythingLeftOut(leftOut_))
        keepFirst_ = std::move(bytes); // not empty: something was left out
    return read;
}

std::string EventFile::keptAsidePath() {
    const LocalTime now = platform_.localTime();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, ".%04d%02d%02d-%02d%02d%02d", now.year % 10000, now.month,
                  now.day, now.hour, now.minute, now.second);
    const std::string base = path_ + stamp;
    const std::vector<std::string> taken = platform_.filesStartingWith(base);
    for (int number = 1;; ++number) {
        const std::string path =
            base + (number == 1 ? std::string() : "-" + std::to_string(number)) + ".bak";
        if (std::find(taken.begin(), taken.end(), path) == taken.end())
            return path;
    }
}

std::string EventFile::keepAside(const std::string &bytes) {
    const std::string copy = keptAsidePath();
    if (!platform_.replaceFile(copy, bytes)) {
        lastError_ = platform_.fileError();
        return std::string();
    }
    // The newest copies stay, the oldest go; never the one just made, also when a clock set
    // back dates it before the others.
    const std::string prefix = path_ + ".";
    std::vector<std::pair<std::pair<std::string, int>, std::string>> copies;
    for (const std::string &path : platform_.filesStartingWith(prefix)) {
        std::pair<std::string, int> order;
        if (path != copy && keptAsideOrder(std::string_view(path).substr(prefix.size()), order))
            copies.emplace_back(order, path);
    }
    std::sort(copies.begin(), copies.end());
    for (std::size_t i = 0; i + keptAsideCopies < copies.size() + 1; ++i)
        platform_.deleteFile(copies[i].second);
    return copy;
}

void EventFile::tellKeptAside(const std::string &copy, const std::string &what) {
    platform_.showNotice(keptAsideTitle, what + "\r\nThey are kept in\r\n" + copy +
                                             "\r\n\r\nVelkorin works on without them.");
    if (history_)
        history_->record(platform_.localTime(), "kept aside in " + copy + ": " + what);
}

void EventFile::clearLeftovers(const EventTable &table) {
    if (unreadable_)
        return;
    for (const std::string &temporary : platform_.filesStartingWith(path_ + ".new-")) {
        std::string bytes;
        if (platform_.readFile(temporary, bytes) != Platform::FileRead::Read)
            continue;
        // A line the write did not finish is no value.
        std::string text = textOf(bytes);
        if (!text.empty() && text.back() != '\n')
            text.erase(text.find_last_of('\n') + 1);
        const std::size_t unknown = eventsNotIn(ProfileDocument(std::move(text)), table);
        if (unknown > 0) {
            const std::string copy = keepAside(bytes);
            if (copy.empty())
                continue; // left where it is for the next start
            tellKeptAside(copy, "A file left by an earlier run of Velkorin holds " +
                                    counted(unknown, "event", "events") +
                                    " that the event file does not.");
        }
        platform_.deleteFile(temporary);
    }
}

void EventFile::keepCopyBeforeNextWrite() {
    if (!keepFirst_.empty())
        return; // the file as it was is kept already
    std::string bytes;
    if (platform_.readFile(path_, bytes) == Platform::FileRead::Read)
        keepFirst_ = std::move(bytes);
}

std::string EventFile::textOf(const std::string &bytes) {
    return isUtf16(bytes) ? platform_.fromUtf16(utf16Of(bytes)) : bytes;
}

bool EventFile::refused() {
    if (!unreadable_) return false;
    lastError_ = "The event file exists but could not be read; it is left as it is.";
    return true;
}

// The file as it was, before anything the loader left out is dropped, put in place in one step
// like the file itself; the user is told what it holds.
bool EventFile::keepBackup() {
    if (keepFirst_.empty())
        return true;
    const std::string copy = keepAside(keepFirst_);
    if (copy.empty())
        return false;
    keepFirst_.clear();
    if (anythingLeftOut(leftOut_))
        tellKeptAside(copy, "Velkorin could not use everything in its event file: " +
                                describe(leftOut_) + ".");
    leftOut_ = LeftOut();
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

void EventFile::holdForEdit(int index, const Event &row) {
    held_ = row;
    heldIndex_ = index;
    holding_ = true;
}

void EventFile::releaseEdit() {
    holding_ = false;
}

std::string EventFile::fileText(const EventTable &table) const {
    if (!holding_)
        return renderEventFile(table);
    const int at = std::min(heldIndex_, table.rowCount());
    return renderEvents(table.rowCount() + 1, [&](int index) -> const Event & {
        return index < at ? table.event(index) : index == at ? held_ : table.event(index - 1);
    });
}

bool EventFile::writeThrough(const EventTable &table, std::string *written) {
    if (table.rowCount() == 0 && !holding_) {
        if (refused() || !keepBackup())
            return false;
        if (!platform_.deleteFile(path_)) {
            lastError_ = platform_.fileError();
            return false;
        }
        textKnown_ = false;
        return true;
    }
    std::string text = fileText(table);
    if (!replaceWith(text))
        return false;
    if (written)
        *written = holding_ ? renderEventFile(table) : std::move(text);
    return true;
}

bool EventFile::saveThrough(const EventTable &table) { return writeThrough(table, nullptr); }

bool EventFile::rewriteEventFile(EventTable &table) {
    if (textKnown_ && keepFirst_.empty() && (table.rowCount() > 0 || holding_) &&
        table.numberedInOrder() && fileText(table) == knownText_)
        return true;
    std::string written;
    if (!writeThrough(table, &written))
        return false;
    // Cleared and loaded again from what was written (without a row held in the form), in one
    // change.
    readEvents(table, ProfileDocument(std::move(written)));
    return true;
}
