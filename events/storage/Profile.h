// An INI document read with the rules of the platform's profile functions; the event file is
// written whole from the table.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Reading follows GetPrivateProfileStringA: lines end at CR or LF; white space around a line, a
// section name, a key and a value is dropped; a section is "[" up to the last "]"; names match
// without regard to ASCII case; the first matching section and, in it, the first matching key
// decide; a value in matching quotes loses them; names and values end at a NUL byte.
class ProfileDocument {
public:
    ProfileDocument() = default;
    // Keeps the text it reads.
    explicit ProfileDocument(std::string &&text);
    // Reads a text that the caller keeps for as long as the document lives.
    explicit ProfileDocument(std::string_view text);
    ProfileDocument(const ProfileDocument &) = delete;
    ProfileDocument &operator=(const ProfileDocument &) = delete;
    ProfileDocument(ProfileDocument &&) = default;
    ProfileDocument &operator=(ProfileDocument &&) = default;

    // Every line of the first section of that name, in file order: visit(key, raw value,
    // whether the line has an "=").
    template <class Visit> void forEachKey(std::string_view section, Visit visit) const {
        auto found = sectionIndex_.find(trimmed(section));
        if (found == sectionIndex_.end())
            return;
        const Section &lines = sections_[found->second];
        for (std::size_t entry = lines.first; entry < lines.end; ++entry)
            visit(entries_[entry].name, entries_[entry].value, entries_[entry].hasValue);
    }

    // Every section in file order (the lines before the first one form an unnamed section at
    // the start): visit(name, whether it is the first section of its name, whether it is the
    // leading or a "[]" section) and then each of its lines with entry(key, raw value, has "=").
    template <class Section_, class Entry_>
    void forEachSection(Section_ visitSection, Entry_ visitEntry) const {
        for (std::size_t i = 0; i < sections_.size(); ++i) {
            const Section &section = sections_[i];
            const bool first = section.named && sectionIndex_.at(section.name) == i;
            visitSection(section.name, first, !section.named, i == 0);
            for (std::size_t entry = section.first; entry < section.end; ++entry)
                visitEntry(entries_[entry].name, entries_[entry].value, entries_[entry].hasValue);
        }
    }

    // Appends the text a writer puts after "=" so that a reader returns the value: up to the first
    // line break, without leading white space (the profile writer drops it too, and a "%2d" blank
    // means nothing), and in one more pair of quotes where a reader would otherwise take quotes
    // or white space off its end, or the whole value would be white space.
    static void appendStoredForm(std::string &text, std::string_view value);

    // A raw value as GetPrivateProfileStringA returns it into a buffer of capacity bytes.
    // It is a part of the raw value itself.
    static std::string_view valueAsRead(std::string_view raw, std::size_t capacity);

    // White space as the profile functions count it: blanks, tabs, CR, LF and Ctrl-Z.
    static bool isSpace(unsigned char c) {
        return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1a;
    }
    static std::string_view trimmed(std::string_view text);

    // Names match as the profile functions match them: ASCII letters without regard to case.
    static bool sameName(std::string_view a, std::string_view b);

private:
    struct Entry {
        std::string_view name;
        std::string_view value;
        bool hasValue;
    };
    struct Section {
        std::string_view name;
        bool named;
        std::size_t first, end; // its lines in entries_
    };
    struct NoCaseHash {
        std::size_t operator()(std::string_view text) const;
    };
    struct NoCaseEqual {
        bool operator()(std::string_view a, std::string_view b) const { return sameName(a, b); }
    };
    using Index = std::unordered_map<std::string_view, std::size_t, NoCaseHash, NoCaseEqual>;

    void parse();

    // The text kept, when it is the document's own: it stays where it is, also when the
    // document moves, so the views below stay valid.
    std::string owned_;
    std::string_view parsed_;
    std::vector<Section> sections_;
    std::vector<Entry> entries_; // every line of every section, in file order
    Index sectionIndex_;         // first section of each name
};
