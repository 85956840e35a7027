// UTF-8 into the UTF-16 the wide window functions take.
#include "ShownText.h"

std::wstring shownText(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)),
        L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &wide[0], static_cast<int>(wide.size()));
    return wide;
}

void showText(HWND window, const std::string &utf8) {
    SetWindowTextW(window, shownText(utf8).c_str());
}

int askUser(HWND owner, const std::string &text, const std::string &caption, UINT flags) {
    return MessageBoxW(owner, shownText(text).c_str(), shownText(caption).c_str(), flags);
}
