// The Win32 side of the core's files: each write made whole beside the file and put in its
// place in one step, and the file names in UTF-8 turned into the system's wide ones.
#include "Win32Platform.h"

#include "ProgramPaths.h"

#include <algorithm>

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid())
            CloseHandle(handle_);
    }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    void close() {
        if (valid())
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    void take(HANDLE handle) {
        close();
        handle_ = handle;
    }

private:
    HANDLE handle_;
};

bool writeAll(HANDLE file, const std::string &contents) {
    std::size_t done = 0;
    while (done < contents.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(contents.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, contents.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

std::u16string Win32Platform::toUtf16(const std::string &text) {
    const std::wstring wide = wideOf(text, CP_ACP);
    return std::u16string(wide.begin(), wide.end());
}

std::string Win32Platform::fromUtf16(const std::u16string &text) {
    return narrowOf(std::wstring(text.begin(), text.end()), CP_ACP);
}

Platform::FileRead Win32Platform::readFile(const std::string &path, std::string &contents,
                                           std::size_t limit) {
    FileHandle file(CreateFileW(fileSystemPath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        fileError_ = GetLastError();
        return fileError_ == ERROR_FILE_NOT_FOUND || fileError_ == ERROR_PATH_NOT_FOUND
                   ? FileRead::Missing
                   : FileRead::Failed;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) {
        fileError_ = GetLastError();
        return FileRead::Failed;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > limit)
        return FileRead::TooLarge;
    contents.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < contents.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), &contents[done], static_cast<DWORD>(contents.size() - done),
                      &read, nullptr)) {
            fileError_ = GetLastError(); // a read that fails part-way is no shorter file
            return FileRead::Failed;
        }
        if (read == 0)
            break;
        done += read;
    }
    contents.resize(done);
    return FileRead::Read;
}

bool Win32Platform::replaceFile(const std::string &path, const std::string &contents) {
    // The new contents go to a file of their own beside the old one, reach the disk, and only
    // then take the old one's place in one step: a crash at any moment leaves one complete file
    // or the other. The temporary name is new each time, so nothing left lying there (a file,
    // a directory of that name) can block every save for good.
    const std::wstring target = fileSystemPath(path);
    std::wstring temporary;
    FileHandle file(INVALID_HANDLE_VALUE);
    for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        temporary = fileSystemPath(path + ".new-" + std::to_string(GetCurrentProcessId()) + "-" +
                                   std::to_string(++temporaryCount_));
        HANDLE created = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE)
            file.take(created);
        else {
            fileError_ = GetLastError();
            if (fileError_ != ERROR_FILE_EXISTS && fileError_ != ERROR_ALREADY_EXISTS &&
                fileError_ != ERROR_ACCESS_DENIED)
                return false;
        }
    }
    if (!file.valid())
        return false;
    bool written = writeAll(file.get(), contents) && FlushFileBuffers(file.get());
    if (!written)
        fileError_ = GetLastError();
    file.close();
    if (written && MoveFileExW(temporary.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (written)
        fileError_ = GetLastError();
    DeleteFileW(temporary.c_str());
    return false;
}

bool Win32Platform::deleteFile(const std::string &path) {
    if (DeleteFileW(fileSystemPath(path).c_str()))
        return true;
    fileError_ = GetLastError();
    return fileError_ == ERROR_FILE_NOT_FOUND || fileError_ == ERROR_PATH_NOT_FOUND;
}

void Win32Platform::appendFile(const std::string &path, const std::string &text) {
    FileHandle file(CreateFileW(fileSystemPath(path).c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid())
        writeAll(file.get(), text);
}

std::size_t Win32Platform::fileSize(const std::string &path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(fileSystemPath(path).c_str(), GetFileExInfoStandard, &data))
        return 0;
    return static_cast<std::size_t>(data.nFileSizeLow) |
           static_cast<std::size_t>(data.nFileSizeHigh) << 31 << 1;
}

bool Win32Platform::moveFile(const std::string &from, const std::string &to) {
    if (MoveFileExW(fileSystemPath(from).c_str(), fileSystemPath(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    fileError_ = GetLastError();
    return false;
}

std::vector<std::string> Win32Platform::filesStartingWith(const std::string &pathPrefix) {
    const std::size_t cut = pathPrefix.find_last_of('\\') + 1;
    const std::string directory = pathPrefix.substr(0, cut), start = pathPrefix.substr(cut);
    std::vector<std::string> paths;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(fileSystemPath(pathPrefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return paths;
    do {
        // The pattern matches short names too: only the long name counts.
        const std::string name = narrowOf(found.cFileName);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            name.compare(0, start.size(), start) == 0)
            paths.push_back(directory + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return paths;
}
