// The event file's text.
#include "EventFileText.h"

#include <algorithm>
#include <array>
#include <cstring>

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

std::vector<std::string_view> eventValues(const ProfileDocument &document, const char *section,
                                          std::size_t limit, std::vector<bool> *present) {
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

} // namespace

bool readsBackAsItStands(const EventTable &table) {
    for (int row = 0; row < table.rowCount(); ++row)
        for (std::size_t field = 0; field < eventFieldCount; ++field)
            if (!plainValue(table.row(row).field(field), eventFields[field].capacity))
                return false;
    return true;
}

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

std::string renderEventFile(const EventTable &table) {
    return renderedText(table.rowCount(), textsOf(table), storeAnsi);
}
