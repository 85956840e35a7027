// The INI reader behind the event file.
#include "Profile.h"

#include <algorithm>

namespace {

unsigned char lowerAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// Where the first CR or LF stands, or npos: one pass, without a search of the two-byte set
// for every byte of a large file.
std::size_t lineBreakIn(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\r' || text[i] == '\n')
            return i;
    return std::string_view::npos;
}

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
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(static_cast<unsigned char>(a[i])) !=
            lowerAscii(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

ProfileDocument::ProfileDocument(std::string &&text) : owned_(std::move(text)) {
    // A moved std::string may carry a short text inside itself; give the views a heap copy.
    if (owned_.capacity() < 32)
        owned_.reserve(32);
    parsed_ = owned_;
    parse();
}

ProfileDocument::ProfileDocument(std::string_view text) : parsed_(text) {
    parse();
}

void ProfileDocument::parse() {
    std::string_view rest = parsed_;
    if (rest.substr(0, 3) == "\xEF\xBB\xBF")
        rest.remove_prefix(3);
    // Room for every line at once: a line break a line at most.
    entries_.reserve(static_cast<std::size_t>(std::count(rest.begin(), rest.end(), '\n')) + 1);
    sections_.push_back({std::string_view(), false, 0, 0}); // lines before the first section
    while (!rest.empty()) {
        // A line ends at any run of CR and LF characters.
        std::size_t end = lineBreakIn(rest);
        std::string_view line = trimmed(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
        while (!rest.empty() && (rest.front() == '\r' || rest.front() == '\n'))
            rest.remove_prefix(1);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                // "[]" opens a section without a name, which no lookup ever finds.
                std::string_view name = upToNul(trimmed(line.substr(1, close - 1)));
                sections_.push_back({name, !name.empty(), entries_.size(), entries_.size()});
                if (!name.empty())
                    sectionIndex_.emplace(name, sections_.size() - 1);
                continue;
            }
        }
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            entries_.push_back({upToNul(line), std::string_view(), false});
        } else {
            std::string_view name = trimmed(line.substr(0, equals));
            std::string_view value = trimmed(line.substr(equals + 1));
            entries_.push_back({upToNul(name), upToNul(value), true});
        }
        sections_.back().end = entries_.size();
    }
}

void ProfileDocument::appendStoredForm(std::string &text, std::string_view value) {
    // A line break would end the value and start a line of its own.
    value = upToNul(value.substr(0, lineBreakIn(value)));
    std::string_view rest = value;
    while (!rest.empty() && isSpace(static_cast<unsigned char>(rest.front())))
        rest.remove_prefix(1);
    const bool allBlank = rest.empty() && !value.empty();
    const bool quoted = rest.size() >= 2 && (rest.front() == '"' || rest.front() == '\'') &&
                        rest.back() == rest.front();
    const bool spaceAtEnd = !rest.empty() && isSpace(static_cast<unsigned char>(rest.back()));
    const std::string_view shown = allBlank ? value : rest;
    if (allBlank || quoted || spaceAtEnd) {
        text += '"';
        text += shown;
        text += '"';
    } else {
        text += shown;
    }
}

std::string_view ProfileDocument::valueAsRead(std::string_view value, std::size_t capacity) {
    if (capacity == 0)
        return std::string_view();
    // The platform copies at most capacity - 1 characters; a value in matching quotes loses
    // the opening quote, and the closing one only when the copy reached it.
    bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                  value.back() == value.front();
    if (quoted)
        value.remove_prefix(1);
    std::string_view copy = value.substr(0, capacity - 1);
    if (quoted && capacity >= value.size() && !copy.empty())
        copy.remove_suffix(1);
    return copy;
}
