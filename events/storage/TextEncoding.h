// The encodings a profile file may be saved in, told by its byte-order mark as the profile
// functions tell them, and the conversions between them and UTF-8.
#pragma once

#include <string>
#include <string_view>

enum class TextEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

// UTF-8 after "EF BB BF", UTF-16 after "FF FE" or "FE FF"; any other file is in the ANSI code
// page.
TextEncoding encodingOf(std::string_view bytes);

// The text of a file's bytes without the mark: ANSI bytes as they are, the others as UTF-8.
// UTF-16 that pairs no surrogate still comes back whole: each stray surrogate gets the three
// bytes UTF-8 would give it, so bytesIn() makes the same file again. An odd last byte of a
// UTF-16 file is no character: `whole` is false then.
std::string textIn(std::string_view bytes, TextEncoding encoding, bool *whole = nullptr);

// The file's bytes for a text, its mark first.
std::string bytesIn(std::string_view text, TextEncoding encoding);

// UTF-8 to UTF-16 and back; bytes that are no UTF-8 become U+FFFD, as the platform's
// conversion makes them.
std::u16string utf16Of(std::string_view utf8);
std::string utf8Of(std::u16string_view utf16);

// No byte beyond 7-bit ASCII: the same text in every encoding.
bool isAscii(std::string_view text);
