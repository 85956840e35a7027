// The executable's path and directory.
#include "ProgramPaths.h"

#include <windows.h>

std::string runningExecutablePath() {
    // GetModuleFileNameA cuts the path to the buffer without failing, so grow it until the
    // whole path fits.
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return std::string();
        if (length < path.size() - 1) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768) return std::string();
        path.resize(path.size() * 2);
    }
}

std::string directoryOf(const std::string &executablePath) {
    std::size_t slash = executablePath.find_last_of('\\');
    return slash == std::string::npos ? std::string() : executablePath.substr(0, slash + 1);
}

std::wstring fileSystemPath(const std::string &path) {
    std::wstring wide(path.size(), L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()),
                                     &wide[0], static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length));
    const bool drivePath = wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\';
    if (wide.size() < MAX_PATH - 12 || !drivePath) return wide;
    return L"\\\\?\\" + wide;
}
