// The INI reader and writer behind the event file.
#include "Profile.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t blockSize = 64 * 1024;

unsigned char lowerAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

std::string_view upToNul(std::string_view text) {
    std::size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

} // namespace

std::string_view ProfileDocument::trimmed(std::string_view text) {
    while (!text.empty() && isSpace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::size_t ProfileDocument::NoCaseHash::operator()(std::string_view text) const {
    std::size_t hash = 2166136261u; // FNV-1a
    for (char c : text)
        hash = (hash ^ lowerAscii(static_cast<unsigned char>(c))) * 16777619u;
    return hash;
}

bool ProfileDocument::sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(static_cast<unsigned char>(a[i])) !=
            lowerAscii(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

ProfileDocument::ProfileDocument(std::string text) : parsed_(std::move(text)) {
    // A moved std::string may carry a short text inside itself; give the views a heap copy.
    if (parsed_.capacity() < 32) parsed_.reserve(32);
    parse();
}

void ProfileDocument::parse() {
    std::string_view rest = parsed_;
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
    sections_.push_back({std::string_view(), false, {}}); // lines before the first section
    while (!rest.empty()) {
        // A line ends at any run of CR and LF characters.
        std::size_t end = rest.find_first_of("\r\n");
        std::string_view line = trimmed(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
        while (!rest.empty() && (rest.front() == '\r' || rest.front() == '\n'))
            rest.remove_prefix(1);
        if (line.empty()) continue;
        if (line.front() == '[') {
            std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                // "[]" opens a section without a name, which no lookup ever finds.
                std::string_view name = upToNul(trimmed(line.substr(1, close - 1)));
                sections_.push_back({name, !name.empty(), {}});
                if (!name.empty()) sectionIndex_.emplace(name, sections_.size() - 1);
                continue;
            }
        }
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            sections_.back().entries.push_back({upToNul(line), std::string_view(), false});
        } else {
            std::string_view name = trimmed(line.substr(0, equals));
            std::string_view value = trimmed(line.substr(equals + 1));
            sections_.back().entries.push_back({upToNul(name), upToNul(value), true});
        }
    }
    keyIndexes_.resize(sections_.size());
}

const ProfileDocument::Index &ProfileDocument::keyIndex(std::size_t section) const {
    Index &index = keyIndexes_[section];
    const std::vector<Entry> &entries = sections_[section].entries;
    if (index.empty() && !entries.empty()) {
        index.reserve(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i)
            index.emplace(entries[i].name, i); // emplace keeps the first of duplicate keys
    }
    return index;
}

std::string ProfileDocument::get(std::string_view section, std::string_view key,
                                 std::size_t capacity) const {
    section = trimmed(section);
    key = trimmed(key);
    if (key.empty() || capacity == 0) return std::string();
    auto found = sectionIndex_.find(section);
    if (found == sectionIndex_.end()) return std::string();
    const Index &index = keyIndex(found->second);
    auto entry = index.find(key);
    if (entry == index.end()) return std::string();
    const Entry &e = sections_[found->second].entries[entry->second];
    if (!e.hasValue) return std::string();
    return valueAsRead(e.value, capacity);
}

std::string ProfileDocument::storedForm(std::string_view value) {
    // A line break would end the value and start a line of its own.
    value = upToNul(value.substr(0, value.find_first_of("\r\n")));
    std::string_view rest = value;
    while (!rest.empty() && isSpace(static_cast<unsigned char>(rest.front())))
        rest.remove_prefix(1);
    if (rest.empty() && !value.empty()) return "\"" + std::string(value) + "\""; // all blanks
    const bool quoted = rest.size() >= 2 && (rest.front() == '"' || rest.front() == '\'') &&
                        rest.back() == rest.front();
    const bool spaceAtEnd = !rest.empty() && isSpace(static_cast<unsigned char>(rest.back()));
    return quoted || spaceAtEnd ? "\"" + std::string(rest) + "\"" : std::string(rest);
}

std::string ProfileDocument::valueAsRead(std::string_view value, std::size_t capacity) {
    if (capacity == 0) return std::string();
    // The platform copies at most capacity - 1 characters; a value in matching quotes loses
    // the opening quote, and the closing one only when the copy reached it.
    bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                  value.back() == value.front();
    if (quoted) value.remove_prefix(1);
    std::string copy(value.substr(0, capacity - 1));
    if (quoted && capacity >= value.size() && !copy.empty()) copy.pop_back();
    return copy;
}

std::string_view ProfileDocument::keep(std::string_view text) {
    text = upToNul(text);
    if (text.empty()) return std::string_view();
    if (text.size() > blockFree_) {
        blockUsed_ = 0;
        blockFree_ = std::max(blockSize, text.size());
        blocks_.push_back(std::make_unique<char[]>(blockFree_));
    }
    char *at = blocks_.back().get() + blockUsed_;
    std::memcpy(at, text.data(), text.size());
    blockUsed_ += text.size();
    blockFree_ -= text.size();
    return std::string_view(at, text.size());
}

void ProfileDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    section = trimmed(section);
    key = trimmed(key);
    std::string_view storedValue = keep(storedForm(value));

    auto found = sectionIndex_.find(section);
    if (found == sectionIndex_.end()) {
        sections_.push_back({keep(section), true, {}});
        keyIndexes_.emplace_back();
        found = sectionIndex_.emplace(sections_.back().name, sections_.size() - 1).first;
    }
    std::size_t at = found->second;
    const Index &index = keyIndex(at);
    auto entry = index.find(key);
    if (entry != index.end()) {
        Entry &e = sections_[at].entries[entry->second];
        e.value = storedValue;
        e.hasValue = true;
        return;
    }
    std::vector<Entry> &entries = sections_[at].entries;
    entries.push_back({keep(key), storedValue, true});
    keyIndexes_[at].emplace(entries.back().name, entries.size() - 1);
}

std::string ProfileDocument::render() const {
    std::size_t size = 0;
    for (const Section &section : sections_) {
        size += section.name.size() + 6;
        for (const Entry &entry : section.entries)
            size += entry.name.size() + entry.value.size() + 3;
    }
    std::string out;
    out.reserve(size);
    for (const Section &section : sections_) {
        if (section.named) {
            if (!out.empty()) out += "\r\n";
            out += '[';
            out += section.name;
            out += "]\r\n";
        }
        for (const Entry &entry : section.entries) {
            out += entry.name;
            if (entry.hasValue) {
                out += '=';
                out += entry.value;
            }
            out += "\r\n";
        }
    }
    return out;
}
