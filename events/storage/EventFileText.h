// The event file's text: how the table's rows are written, and how the events of a text are
// read, by the profile rules or, for a file of the program's own shape, in one pass.
#pragma once

#include "EventTable.h"
#include "Profile.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A text told apart from others by its length and two 64-bit hashes: two texts with the same
// digest are taken for the same, which by chance happens about once in 2^128 pairs.
struct TextDigest {
    std::size_t size = 0;
    std::uint64_t first = 0, second = 0;
    bool operator==(const TextDigest &other) const {
        return size == other.size && first == other.first && second == other.second;
    }
};
TextDigest digestOf(std::string_view text);

// The program directory (ending with its separator) followed by "InformationSW".
std::string eventFilePath(const std::string &programDirectory);

// Makes the table hold events 1, 2, 3, ... of a document, up to the first event whose
// "Date&Time" reads empty.
void readEvents(EventTable &table, const ProfileDocument &document);

// The text of a fresh event file holding exactly the table's rows: what writing every value
// with the profile writer into an empty file gives.
std::string renderEventFile(const EventTable &table);

// The event number a key names in a section: the section name, then "%2d" of the number
// (compared like any profile name: ASCII case ignored). 0 when the key names no event.
std::size_t eventNumberOf(std::string_view key, std::string_view section);

// The raw value of each event number in a section, the first key of a number deciding,
// for numbers 1 to limit; with `present`, also which numbers have a key there.
std::vector<std::string_view> eventValues(const ProfileDocument &document, const char *section,
                                          std::size_t limit, std::vector<bool> *present = nullptr);

// How many events stand in a document before the first gap in its "Date&Time" section.
std::size_t eventsBeforeGap(const ProfileDocument &document);

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
inline auto textsOf(const EventTable &table) {
    return [&table](int index, std::size_t field) { return table.row(index).field(field); };
}

// The values as they are, for a file in the ANSI code page.
inline void storeAnsi(std::string &line, std::size_t, std::string_view value) {
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

// Whether loading the text of a table whose rows are numbered 1 to n gives it as it stands:
// every value is plain.
bool readsBackAsItStands(const EventTable &table);

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
OnePass readInOnePass(std::string_view text, EventTable &table, std::size_t &cut);
