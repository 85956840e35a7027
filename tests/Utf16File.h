// The bytes of a text file saved as UTF-16 with its byte-order mark, for ASCII and Latin-1 text.
#pragma once

#include <string>

inline std::string utf16File(const std::string &latin1) {
    std::string bytes = "\xFF\xFE";
    for (char c : latin1) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}
