// How often a text occurs in another, overlapping occurrences counted: lines of a history.
#pragma once

#include <string>

inline int occurrences(const std::string &text, const std::string &part) {
    int found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}
