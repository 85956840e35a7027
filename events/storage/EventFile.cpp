// Reading and writing the event file.
#include "EventFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
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

TextDigest digestOf(std::string_view text) {
    // Eight bytes a step, in two lanes mixed apart.
    TextDigest digest{text.size(), 0x9E3779B97F4A7C15u, 0xC2B2AE3D27D4EB4Fu};
    const auto mix = [&digest](std::uint64_t word) {
        digest.first = (digest.first ^ word) * 0x100000001B3u;
        digest.first ^= digest.first >> 29;
        digest.second = (digest.second + word) * 0xFF51AFD7ED558CCDu;
        digest.second ^= digest.second >> 32;
    };
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        mix(word);
    }
    std::uint64_t last = 0;
    std::memcpy(&last, text.data() + at, text.size() - at);
    mix(last);
    return digest;
}

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
    std::vector<RowTexts> rows(count);
    for (std::size_t number = 1; number <= count; ++number)
        for (std::size_t field = 0; field < eventFieldCount; ++field)
            rows[number - 1][field] =
                ProfileDocument::valueAsRead(values[field][number], eventFields[field].capacity);
    // One change for the whole table, so the event list redraws once, not once a row.
    table.replaceRows(rows);
}

namespace {

// A fresh file of `count` events, textOf(k, field) the text of a field of event k (from 0),
// handed to `take` a line at a time with its line end; it stops where `take` says false.
// store(line, field, value) appends a value in its stored form.
template <typename TextOf, typename Store, typename Take>
bool renderEvents(int count, TextOf textOf, Store store, Take take) {
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
            store(line, field, textOf(index, field));
            line += "\r\n";
            if (!take(line))
                return false;
        }
    }
    return true;
}

// The texts of a table's rows.
auto textsOf(const EventTable &table) {
    return [&table](int index, std::size_t field) { return table.row(index).field(field); };
}

// The values as they are, for a file in the ANSI code page.
void storeAnsi(std::string &line, std::size_t, std::string_view value) {
    ProfileDocument::appendStoredForm(line, value);
}

// The text of such a file.
template <typename TextOf, typename Store>
std::string renderedText(int count, TextOf textOf, Store store) {
    std::string out;
    out.reserve(static_cast<std::size_t>(count) * 190 + 200);
    renderEvents(count, textOf, store, [&](const std::string &line) {
        out += line;
        return true;
    });
    return out;
}

// Whether the table writes exactly this text, told without writing it out whole.
template <typename Store>
bool writesExactly(const EventTable &table, std::string_view text, Store store) {
    std::size_t at = 0;
    const bool same =
        renderEvents(table.rowCount(), textsOf(table), store, [&](const std::string &line) {
            if (text.compare(at, line.size(), line) != 0)
                return false;
            at += line.size();
            return true;
        });
    return same && at == text.size();
}

// A value written as it reads: not cut, no white space at either end, no quote to take off, no
// line break and no NUL; its stored form is itself.
bool plainValue(std::string_view raw, std::size_t capacity) {
    if (raw.empty())
        return true;
    const auto space = [](char c) {
        return ProfileDocument::isSpace(static_cast<unsigned char>(c));
    };
    if (raw.size() >= capacity || space(raw.front()) || space(raw.back()) || raw.front() == '"' ||
        raw.front() == '\'')
        return false;
    for (const char c : raw)
        if (c == '\0' || c == '\r' || c == '\n')
            return false;
    return true;
}

// Whether loading the text of a table whose rows are numbered 1 to n gives it as it stands:
// every value is plain.
bool readsBackAsItStands(const EventTable &table) {
    for (int row = 0; row < table.rowCount(); ++row)
        for (std::size_t field = 0; field < eventFieldCount; ++field)
            if (!plainValue(table.row(row).field(field), eventFields[field].capacity))
                return false;
    return true;
}

// How a text was read in one pass.
enum class OnePass {
    NotRead, // not a file of the shape below: the profile rules read it
    Read,    // read as the rules read it, but written otherwise than this program writes it
    Exactly, // the text this program writes for the rows read
};

// The rows of a file of the shape this program writes, read in one pass: the eleven sections
// in order, each once, every line "<section><%2d of n>=<value>" for n = 1, 2, 3 ... in each,
// the lines ending in CR LF, blank lines anywhere between them. Other programs write such files
// too (the profile functions do, without the blank line before a section). The rules read such
// a file alike: each row is made from its line in each section, straight into the table, and
// nothing is left out but values cut to fit (counted in `cut`). NotRead, with the table as it
// was, for any other text, or one with a gap, a NUL or a lone line break, which the rules read.
OnePass readInOnePass(std::string_view text, EventTable &table, std::size_t &cut) {
    // Pieces are compared byte by byte (they are a few bytes long), within a stretch of text.
    const auto take = [text](std::size_t &at, std::size_t end, std::string_view piece) {
        if (end - at < piece.size())
            return false;
        for (std::size_t i = 0; i < piece.size(); ++i)
            if (text[at + i] != piece[i])
                return false;
        at += piece.size();
        return true;
    };
    // Each section's lines: from its header's end up to the next header.
    std::array<std::size_t, eventFieldCount> cursor{}, end{};
    for (std::size_t field = 0, at = 0; field < eventFieldCount; ++field) {
        if (!take(at, text.size(), "[") || !take(at, text.size(), eventFields[field].name) ||
            !take(at, text.size(), "]\r\n"))
            return OnePass::NotRead;
        cursor[field] = at;
        const std::size_t next =
            field + 1 < eventFieldCount ? text.find("\r\n[", at - 2) : std::string_view::npos;
        if (field + 1 < eventFieldCount && next == std::string_view::npos)
            return OnePass::NotRead;
        end[field] = next == std::string_view::npos ? text.size() : next + 2;
        at = end[field];
    }
    // Blank lines are skipped; this program writes one, before each section but the first.
    std::array<std::size_t, eventFieldCount> blanks{};
    const auto skipBlanks = [&](std::size_t field) {
        std::size_t &at = cursor[field];
        while (end[field] - at >= 2 && text[at] == '\r' && text[at + 1] == '\n') {
            at += 2;
            ++blanks[field];
        }
    };
    const auto upTo = static_cast<std::size_t>(
        std::count(text.begin() + static_cast<std::ptrdiff_t>(cursor[0]),
                   text.begin() + static_cast<std::ptrdiff_t>(end[0]), '\n'));
    // A value and its zero take no more room than its line; a row number at most a dozen bytes.
    EventTable::Load load(upTo, text.size() + upTo * 12);
    bool exactly = true;
    std::string expected;
    std::string digits;
    RowTexts texts;
    cut = 0;
    for (std::size_t row = 0;; ++row) {
        skipBlanks(0);
        if (cursor[0] == end[0])
            break;
        digits.clear();
        appendTwoDigits(digits, static_cast<int>(row) + 1);
        for (std::size_t field = 0; field < eventFieldCount; ++field) {
            const EventFieldInfo &info = eventFields[field];
            skipBlanks(field);
            std::size_t &at = cursor[field];
            if (!take(at, end[field], info.name) || !take(at, end[field], digits) ||
                !take(at, end[field], "="))
                return OnePass::NotRead;
            std::size_t lineEnd = at;
            while (lineEnd < end[field] && text[lineEnd] != '\r' && text[lineEnd] != '\n' &&
                   text[lineEnd] != '\0')
                ++lineEnd;
            const std::string_view raw = text.substr(at, lineEnd - at);
            at = lineEnd;
            if (!take(at, end[field], "\r\n"))
                return OnePass::NotRead;
            // As the rules take it: without white space around it, unquoted, cut to fit.
            const std::string_view stored = ProfileDocument::trimmed(raw);
            const std::string_view value = ProfileDocument::valueAsRead(stored, info.capacity);
            if (field == 0 && value.empty())
                return OnePass::NotRead; // a gap: what lies beyond is the rules' to judge
            cut += stored.size() >= info.capacity &&
                   value != ProfileDocument::valueAsRead(stored, stored.size() + 3);
            if (exactly && !plainValue(raw, info.capacity)) {
                expected.clear();
                ProfileDocument::appendStoredForm(expected, value);
                exactly = expected == raw;
            }
            texts[field] = value;
        }
        if (!load.add(texts))
            return OnePass::NotRead;
    }
    for (std::size_t field = 0; field < eventFieldCount; ++field) {
        skipBlanks(field);
        if (cursor[field] != end[field])
            return OnePass::NotRead;
        exactly = exactly && blanks[field] == (field + 1 < eventFieldCount ? 1u : 0u);
    }
    // The blank line before each section stands at its end in this program's files.
    for (std::size_t field = 0; exactly && field + 1 < eventFieldCount; ++field)
        exactly = text.compare(end[field] - 4, 4, "\r\n\r\n") == 0;
    load.done(table);
    return exactly ? OnePass::Exactly : OnePass::Read;
}

} // namespace

std::string renderEventFile(const EventTable &table) {
    return renderedText(table.rowCount(), textsOf(table), storeAnsi);
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
        byKey.emplace(table.row(row).matchKey(), row);
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
                           table.row(at->second).field(field);
        }
        missing += !held;
    }
    return missing;
}

// The key of a value's original: its field, then the text it reads as.
std::string originalKey(std::size_t field, std::string_view shown) {
    return static_cast<char>('A' + field) + std::string(shown);
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
        knownText_ = TextDigest();
        keepFirst_ = std::string();
        originals_.clear();
        textKnown_ = false;
        unreadable_ = true;
        readError_ = noMemoryText;
        table.clearTable();
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
    // The file's text, as this program writes it: the bytes themselves for the ANSI code page.
    std::string text, converted;
    if (encoding_ == TextEncoding::Ansi) {
        text = std::move(bytes);
    } else {
        text = textIn(bytes, encoding_, &whole);
        converted = isAscii(text) ? text : platform_.fromUtf16(utf16Of(text));
    }
    const std::string &ansi = encoding_ == TextEncoding::Ansi ? text : converted;
    // A file as this program writes it leaves nothing out and is read in one pass; any other
    // is read by the profile rules and looked at line by line.
    std::optional<ProfileDocument> document;
    std::size_t cut = 0;
    const OnePass pass = readInOnePass(ansi, table, cut);
    if (pass == OnePass::NotRead) {
        document.emplace(ansi);
        readEvents(table, *document);
    }
    LeftOut left;
    left.lines = whole ? 0 : 1;
    if (encoding_ != TextEncoding::Ansi && ansi != text)
        left.unkept = keepOriginals(text, table);
    const bool exact =
        encoding_ == TextEncoding::Ansi
            ? pass == OnePass::Exactly
            : pass != OnePass::NotRead &&
                  writesExactly(table, text, [this](auto &&...a) { appendStored(a...); });
    if (exact && !holding_)
        knowTableText(table);
    if (pass != OnePass::NotRead) {
        left.cut = cut; // nothing else of such a file is left out
    } else if (!exact || holding_) {
        const LeftOut rules = leftOutOf(*document, static_cast<std::size_t>(table.rowCount()));
        left.events = rules.events;
        left.lines += rules.lines;
        left.cut = rules.cut;
    }
    leftOut_ = left;
    if (anythingLeftOut(leftOut_)) // not empty then: something was left out
        keepFirst_ = encoding_ == TextEncoding::Ansi ? text : std::move(bytes);
    knownText_ = digestOf(text);
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
    knownText_ = digestOf(text);
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
    const auto store = [this](auto &&...a) { appendStored(a...); };
    if (!holding_)
        return renderedText(table.rowCount(), textsOf(table), store);
    const int at = std::min(heldIndex_, table.rowCount());
    return renderedText(
        table.rowCount() + 1,
        [&](int index, std::size_t field) {
            return index == at ? std::string_view(held_.*eventFields[field].member)
                               : table.row(index < at ? index : index - 1).field(field);
        },
        store);
}

bool EventFile::writeThrough(const EventTable &table, std::string *written, std::string *made) {
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
    std::string text = made ? std::move(*made) : fileText(table);
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
    const bool rows = table.rowCount() > 0 || holding_;
    const bool numbered = table.numberedInOrder();
    const bool mayBeKnown = textKnown_ && keepFirst_.empty() && rows && numbered;
    // A table unchanged since its text was read or written needs no rendering to tell.
    if (mayBeKnown && !holding_ && knownTable_ == &table && knownVersion_ == table.version())
        return true;
    // The text is made once, to tell whether the file holds it already and to write it.
    std::string text = rows ? fileText(table) : std::string();
    if (mayBeKnown && digestOf(text) == knownText_)
        return true;
    const bool readsBack = numbered && readsBackAsItStands(table);
    std::string written;
    if (!writeThrough(table, readsBack ? nullptr : &written, &text))
        return false;
    // Cleared and loaded again from what was written (without a row held in the form), in one
    // change; the program's own writing is read in one pass. Rows numbered 1 to n whose every
    // value is written as it reads would come back as they stand: they stay.
    std::size_t cut = 0;
    if (!readsBack && readInOnePass(written, table, cut) == OnePass::NotRead)
        readEvents(table, ProfileDocument(std::move(written)));
    if (!holding_)
        knowTableText(table);
    return true;
}
