// Reading and writing the event file.
#include "EventFile.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {
const char keptAsideTitle[] = "Velkorin: events kept aside";
const char tooLargeTitle[] = "Velkorin: event file too large";
const char noMemoryText[] = "There is not enough memory to read it.";
} // namespace

std::string eventFilePath(const std::string &programDirectory) {
    return programDirectory + "InformationSW";
}

namespace {

// The event number a key names in a section: the section name, then "%2d" of the number
// (compared like any profile name: ASCII case ignored). 0 when the key names no event.
std::size_t eventNumberOf(std::string_view key, std::string_view section) {
    if (key.size() <= section.size() + 1)
        return 0;
    if (!ProfileDocument::sameName(key.substr(0, section.size()), section))
        return 0;
    std::string_view digits = key.substr(section.size());
    if (digits.size() == 2 && digits[0] == ' ')
        digits.remove_prefix(1);
    else if (digits[0] == '0' || digits.size() < 2)
        return 0;
    if (digits.size() > 9)
        return 0;
    std::size_t number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return 0;
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
        if (number == 0 || number > limit || seen[number])
            return;
        seen[number] = true;
        if (hasValue)
            values[number] = value;
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
    // One pass over each section instead of eleven look-ups per event; then each row is made
    // whole at once.
    const std::size_t count = eventsBeforeGap(document);
    std::array<std::vector<std::string_view>, eventFieldCount> values;
    for (std::size_t field = 0; field < eventFieldCount; ++field)
        values[field] = eventValues(document, eventFields[field].name, count);
    std::vector<Event> rows(count);
    for (std::size_t number = 1; number <= count; ++number) {
        Event &row = rows[number - 1];
        for (std::size_t field = 0; field < eventFieldCount; ++field)
            row.*eventFields[field].member =
                ProfileDocument::valueAsRead(values[field][number], eventFields[field].capacity);
    }
    // One change for the whole table, so the event list redraws once, not once a row.
    table.replaceRows(std::move(rows));
}

namespace {

// A fresh file of `count` events, event k (from 0) being eventAt(k), handed to `take` a line
// at a time with its line end; it stops where `take` says false. store(line, field, value)
// appends a value in its stored form.
template <typename EventAt, typename Store, typename Take>
bool renderEvents(int count, EventAt eventAt, Store store, Take take) {
    std::string line;
    for (std::size_t field = 0; field < eventFieldCount; ++field) {
        const EventFieldInfo &info = eventFields[field];
        line.assign(field == 0 ? "[" : "\r\n[").append(info.name).append("]\r\n");
        if (!take(line))
            return false;
        for (int index = 0; index < count; ++index) {
            line.assign(info.name);
            appendTwoDigits(line, index + 1);
            line += '=';
            store(line, field, eventAt(index).*info.member);
            line += "\r\n";
            if (!take(line))
                return false;
        }
    }
    return true;
}

// The values as they are, for a file in the ANSI code page.
void storeAnsi(std::string &line, std::size_t, const std::string &value) {
    ProfileDocument::appendStoredForm(line, value);
}

// The text of such a file.
template <typename EventAt, typename Store>
std::string renderedText(int count, EventAt eventAt, Store store) {
    std::string out;
    out.reserve(static_cast<std::size_t>(count) * 190 + 200);
    renderEvents(count, eventAt, store, [&](const std::string &line) {
        out += line;
        return true;
    });
    return out;
}

// Whether the table writes exactly this text, told without writing it out whole.
template <typename Store>
bool writesExactly(const EventTable &table, std::string_view text, Store store) {
    std::size_t at = 0;
    const bool same = renderEvents(
        table.rowCount(), [&](int index) -> const Event & { return table.event(index); }, store,
        [&](const std::string &line) {
            if (text.compare(at, line.size(), line) != 0)
                return false;
            at += line.size();
            return true;
        });
    return same && at == text.size();
}

// The rows of a file exactly as this program writes it (the eleven sections in order, events
// numbered 1 to n in each, every value in its stored form), read in one pass; false for any
// other text, which the profile rules read instead. Both read such a file alike.
bool readWrittenFile(std::string_view text, std::vector<Event> &rows) {
    rows.clear();
    // One row a line of the first section: room for them at once, and no more than the text has.
    const std::size_t firstEnd = std::min(text.find("\r\n["), text.size());
    rows.reserve(static_cast<std::size_t>(
        std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(firstEnd), '\n')));
    std::size_t at = 0;
    const auto take = [&](std::string_view piece) {
        if (text.compare(at, piece.size(), piece) != 0)
            return false;
        at += piece.size();
        return true;
    };
    std::string expected;
    std::size_t count = 0;
    for (std::size_t field = 0; field < eventFieldCount; ++field) {
        const EventFieldInfo &info = eventFields[field];
        if (!take(field == 0 ? "[" : "\r\n[") || !take(info.name) || !take("]\r\n"))
            return false;
        for (std::size_t index = 0;; ++index) {
            if (field == 0 ? at == text.size() || text[at] == '\r' : index == count)
                break;
            expected.assign(info.name);
            appendTwoDigits(expected, static_cast<int>(index) + 1);
            expected += '=';
            if (!take(expected))
                return false;
            std::size_t end = at;
            while (end < text.size() && text[end] != '\r' && text[end] != '\n')
                ++end;
            const std::string_view raw = text.substr(at, end - at);
            at = end;
            if (!take("\r\n"))
                return false;
            const std::string_view value = ProfileDocument::valueAsRead(raw, info.capacity);
            expected.clear();
            ProfileDocument::appendStoredForm(expected, value);
            if (expected != raw)
                return false;
            if (field == 0) {
                if (value.empty())
                    return false; // a gap: what lies beyond is the rules' to judge
                rows.emplace_back();
            }
            rows[index].*info.member = value;
        }
        if (field == 0)
            count = rows.size();
    }
    return at == text.size();
}

} // namespace

std::string renderEventFile(const EventTable &table) {
    return renderedText(
        table.rowCount(), [&](int index) -> const Event & { return table.event(index); },
        storeAnsi);
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
    return left.events + left.lines + left.cut + left.unkept > 0;
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
        const std::string_view key =
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

// The key of a value's original: its field, then the text it reads as.
std::string originalKey(std::size_t field, const std::string &shown) {
    return static_cast<char>('A' + field) + shown;
}

std::string megabytes(std::size_t bytes) {
    return std::to_string((bytes + 512 * 1024) / (1024 * 1024)) + " MB";
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
    if (left.unkept)
        parts.push_back(counted(left.unkept, "value with characters it cannot keep",
                                "values with characters it cannot keep"));
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return text;
}

Platform::FileRead EventFile::loadAll(EventTable &table) {
    try {
        return load(table);
    } catch (const std::bad_alloc &) {
        // No memory for what the file holds: it is left alone like a file that cannot be read.
        knownText_ = std::string();
        keepFirst_ = std::string();
        originals_.clear();
        textKnown_ = false;
        unreadable_ = true;
        readError_ = noMemoryText;
        table.replaceRows({});
        return Platform::FileRead::Failed;
    }
}

Platform::FileRead EventFile::load(EventTable &table) {
    std::string bytes;
    const Platform::FileRead read = platform_.readFile(path_, bytes, sizeLimit);
    unreadable_ = read == Platform::FileRead::Failed;
    tooLarge_ = read == Platform::FileRead::TooLarge;
    readError_ = unreadable_ ? platform_.fileError() : std::string();
    textKnown_ = read == Platform::FileRead::Read;
    keepFirst_.clear();
    originals_.clear();
    encoding_ = TextEncoding::Ansi;
    leftOut_ = LeftOut();
    if (tooLarge_)
        tellTooLarge();
    if (!textKnown_)
        return read;
    // The program reads the text as the profile functions give it, in the ANSI code page; a
    // Unicode file's own text is what it writes back.
    encoding_ = encodingOf(bytes);
    bool whole = true;
    std::string converted;
    if (encoding_ == TextEncoding::Ansi) {
        knownText_ = std::move(bytes);
    } else {
        knownText_ = textIn(bytes, encoding_, &whole);
        converted = isAscii(knownText_) ? knownText_ : platform_.fromUtf16(utf16Of(knownText_));
    }
    const std::string &ansi = encoding_ == TextEncoding::Ansi ? knownText_ : converted;
    // A file as this program writes it leaves nothing out and is read in one pass; any other
    // is read by the profile rules and looked at line by line.
    std::vector<Event> rows;
    std::optional<ProfileDocument> document;
    if (readWrittenFile(ansi, rows)) {
        table.replaceRows(std::move(rows));
    } else {
        document.emplace(ansi);
        readEvents(table, *document);
    }
    LeftOut left;
    left.lines = whole ? 0 : 1;
    if (encoding_ != TextEncoding::Ansi && ansi != knownText_)
        left.unkept = keepOriginals(knownText_, table);
    const bool exact = (encoding_ == TextEncoding::Ansi && !document) ||
                       writesExactly(table, knownText_, [this](auto &...a) { appendStored(a...); });
    if (exact && !holding_)
        knowTableText(table);
    if (!exact || holding_) {
        if (!document)
            document.emplace(ansi);
        const LeftOut rules = leftOutOf(*document, static_cast<std::size_t>(table.rowCount()));
        left.events = rules.events;
        left.lines += rules.lines;
        left.cut = rules.cut;
    }
    leftOut_ = left;
    if (anythingLeftOut(leftOut_)) // not empty then: something was left out
        keepFirst_ = encoding_ == TextEncoding::Ansi ? knownText_ : std::move(bytes);
    return read;
}

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
            const std::string &shown = table.event(static_cast<int>(number) - 1).*info.member;
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

void EventFile::appendStored(std::string &line, std::size_t field, const std::string &value) const {
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
        ProfileDocument::appendStoredForm(line, utf8Of(platform_.toUtf16(value)));
}

void EventFile::tellTooLarge() {
    const std::size_t size = platform_.fileSize(path_);
    platform_.showNotice(tooLargeTitle,
                         "The event file\r\n" + path_ + "\r\nholds " + megabytes(size) +
                             ", more than Velkorin reads (" + megabytes(sizeLimit) +
                             "). It is left exactly as it is.\r\n\r\nVelkorin runs without "
                             "events and writes no event file until you add an event.");
    if (history_)
        history_->record(platform_.localTime(), "event file not read: " + std::to_string(size) +
                                                    " bytes, more than " + megabytes(sizeLimit) +
                                                    "; left as it is");
}

bool EventFile::setTooLargeFileAside() {
    if (!tooLarge_)
        return true;
    const std::string aside = keptAsidePath(".large");
    if (!platform_.moveFile(path_, aside)) {
        lastError_ = platform_.fileError();
        return false;
    }
    tooLarge_ = false;
    textKnown_ = false;
    if (history_)
        history_->record(platform_.localTime(), "event file too large to read moved to " + aside);
    return true;
}

std::string EventFile::keptAsidePath(const char *suffix) {
    const LocalTime now = platform_.localTime();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, ".%04d%02d%02d-%02d%02d%02d", now.year % 10000, now.month,
                  now.day, now.hour, now.minute, now.second);
    const std::string base = path_ + stamp;
    const std::vector<std::string> taken = platform_.filesStartingWith(base);
    for (int number = 1;; ++number) {
        const std::string path =
            base + (number == 1 ? std::string() : "-" + std::to_string(number)) + suffix;
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
        if (platform_.readFile(temporary, bytes, sizeLimit) != Platform::FileRead::Read)
            continue;
        // A line the write did not finish is no value.
        std::string text = ansiTextOf(bytes);
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
    if (platform_.readFile(path_, bytes, sizeLimit) == Platform::FileRead::Read)
        keepFirst_ = std::move(bytes);
}

std::string EventFile::ansiTextOf(const std::string &bytes) {
    const TextEncoding encoding = encodingOf(bytes);
    return encoding == TextEncoding::Ansi ? bytes
                                          : platform_.fromUtf16(utf16Of(textIn(bytes, encoding)));
}

bool EventFile::refused() {
    if (tooLarge_) {
        lastError_ = "The event file is larger than Velkorin reads (" + megabytes(sizeLimit) +
                     "); it is left as it is.";
        return true;
    }
    if (!unreadable_)
        return false;
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
    if (refused() || !keepBackup())
        return false;
    if (!(encoding_ == TextEncoding::Ansi
              ? platform_.replaceFile(path_, text)
              : platform_.replaceFile(path_, bytesIn(text, encoding_)))) {
        lastError_ = platform_.fileError();
        return false;
    }
    knownText_ = text;
    textKnown_ = true;
    knownTable_ = nullptr;
    return true;
}

void EventFile::knowTableText(const EventTable &table) {
    knownTable_ = &table;
    knownVersion_ = table.version();
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
    const auto store = [this](auto &...a) { appendStored(a...); };
    if (!holding_)
        return renderedText(
            table.rowCount(), [&](int index) -> const Event & { return table.event(index); },
            store);
    const int at = std::min(heldIndex_, table.rowCount());
    return renderedText(
        table.rowCount() + 1,
        [&](int index) -> const Event & {
            return index < at ? table.event(index) : index == at ? held_ : table.event(index - 1);
        },
        store);
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
    if (!holding_)
        knowTableText(table);
    // What the program reads back is the table's text in the code page.
    if (written)
        *written =
            holding_ || encoding_ != TextEncoding::Ansi ? renderEventFile(table) : std::move(text);
    return true;
}

bool EventFile::saveThrough(const EventTable &table) {
    return writeThrough(table, nullptr);
}

bool EventFile::rewriteEventFile(EventTable &table) {
    // A table unchanged since its text was read or written needs no rendering to tell.
    const bool unchanged = !holding_ && knownTable_ == &table && knownVersion_ == table.version();
    if (textKnown_ && keepFirst_.empty() && (table.rowCount() > 0 || holding_) &&
        table.numberedInOrder() && (unchanged || fileText(table) == knownText_))
        return true;
    std::string written;
    if (!writeThrough(table, &written))
        return false;
    // Cleared and loaded again from what was written (without a row held in the form), in one
    // change; the program's own writing is read in one pass.
    std::vector<Event> rows;
    if (readWrittenFile(written, rows))
        table.replaceRows(std::move(rows));
    else
        readEvents(table, ProfileDocument(std::move(written)));
    if (!holding_)
        knowTableText(table);
    return true;
}
