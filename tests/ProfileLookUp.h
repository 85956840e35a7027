// A value looked up in a parsed document the way GetPrivateProfileStringA looks it up: the
// first section of the name, in it the first key of the name, the value as read into a buffer
// of capacity bytes; empty when either is missing or the line has no "=". The program reads
// whole sections; the reading rules are checked one value at a time through this.
#pragma once

#include "Profile.h"

#include <string>
#include <string_view>

inline std::string lookUp(const ProfileDocument &document, std::string_view section,
                          std::string_view key, std::size_t capacity) {
    key = ProfileDocument::trimmed(key);
    std::string value;
    bool found = key.empty();
    document.forEachKey(section, [&](std::string_view name, std::string_view raw, bool hasValue) {
        if (found || !ProfileDocument::sameName(name, key))
            return;
        found = true;
        if (hasValue)
            value = ProfileDocument::valueAsRead(raw, capacity);
    });
    return value;
}
