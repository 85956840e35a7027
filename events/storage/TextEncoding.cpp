// Byte-order marks and UTF-8 / UTF-16 conversions.
#include "TextEncoding.h"

namespace {

const std::string_view utf8Mark = "\xEF\xBB\xBF";
const std::string_view utf16LeMark = "\xFF\xFE";
const std::string_view utf16BeMark = "\xFE\xFF";

void appendUtf8(std::string &out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The character at `at` and the bytes it takes; a stray surrogate in three bytes is one too,
// anything else that is no UTF-8 is U+FFFD for one byte.
char32_t nextCharacter(std::string_view text, std::size_t &at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                                                              : 0;
    if (length == 0 || at + length > text.size()) {
        ++at;
        return 0xFFFD;
    }
    char32_t c = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            ++at;
            return 0xFFFD;
        }
        c = c << 6 | (byte(at + i) & 0x3F);
    }
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (c < least || c > 0x10FFFF) {
        ++at;
        return 0xFFFD;
    }
    at += length;
    return c;
}

} // namespace

TextEncoding encodingOf(std::string_view bytes) {
    if (bytes.substr(0, 3) == utf8Mark)
        return TextEncoding::Utf8;
    if (bytes.substr(0, 2) == utf16LeMark)
        return TextEncoding::Utf16Le;
    if (bytes.substr(0, 2) == utf16BeMark)
        return TextEncoding::Utf16Be;
    return TextEncoding::Ansi;
}

std::string textIn(std::string_view bytes, TextEncoding encoding, bool *whole) {
    if (whole)
        *whole = true;
    switch (encoding) {
    case TextEncoding::Ansi: return std::string(bytes);
    case TextEncoding::Utf8: return std::string(bytes.substr(utf8Mark.size()));
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be: break;
    }
    const std::size_t high = encoding == TextEncoding::Utf16Be ? 0 : 1;
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i + high]) << 8 |
                                              static_cast<unsigned char>(bytes[i + 1 - high])));
    if (whole)
        *whole = bytes.size() % 2 == 0;
    return utf8Of(units);
}

std::string bytesIn(std::string_view text, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Ansi: return std::string(text);
    case TextEncoding::Utf8: return std::string(utf8Mark).append(text);
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be: break;
    }
    const bool bigEndian = encoding == TextEncoding::Utf16Be;
    const std::u16string units = utf16Of(text);
    std::string bytes(bigEndian ? utf16BeMark : utf16LeMark);
    bytes.reserve(2 + units.size() * 2);
    for (char16_t unit : units) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::u16string utf16Of(std::string_view utf8) {
    std::u16string units;
    units.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t c = nextCharacter(utf8, at);
        if (c >= 0x10000) {
            units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(c));
        }
    }
    return units;
}

std::string utf8Of(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t unit = utf16[i];
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] < 0xE000) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
        } else {
            appendUtf8(out, unit); // a stray surrogate too, so it comes back
        }
    }
    return out;
}

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}
