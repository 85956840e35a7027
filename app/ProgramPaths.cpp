// The executable's path and directory.
#include "ProgramPaths.h"

#include <windows.h>

std::string narrowOf(const std::wstring &wide, UINT codePage) {
    if (wide.empty())
        return std::string();
    const int size = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &text[0], size,
                        nullptr, nullptr);
    return text;
}

std::wstring wideOf(const std::string &text, UINT codePage) {
    if (text.empty())
        return std::wstring();
    const int size =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

bool ansiOf(const std::string &utf8, std::string &ansi) {
    const std::wstring wide = wideOf(utf8);
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    ansi.assign(static_cast<std::size_t>(size), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &ansi[0], size,
                            nullptr, &lossy);
    return !lossy;
}

std::string runningExecutablePath() {
    // GetModuleFileNameW cuts the path to the buffer without failing, so grow it until the
    // whole path fits; the wide path holds names in any language, which the ANSI one turns
    // into question marks.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::string();
        if (length < path.size() - 1) {
            path.resize(length);
            return narrowOf(path);
        }
        if (path.size() >= 32768)
            return std::string();
        path.resize(path.size() * 2);
    }
}

std::string directoryOf(const std::string &executablePath) {
    std::size_t slash = executablePath.find_last_of('\\');
    return slash == std::string::npos ? std::string() : executablePath.substr(0, slash + 1);
}

std::wstring fileSystemPath(const std::string &path) {
    const std::wstring wide = wideOf(path);
    const bool drivePath = wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\';
    if (wide.size() < MAX_PATH - 12 || !drivePath)
        return wide;
    return L"\\\\?\\" + wide;
}
