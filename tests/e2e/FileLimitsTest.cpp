// End to end: event files in every encoding a text editor saves, a file too large to read, a
// lock that cannot be made and a file that cannot be written, each compared byte for byte.
#include "Driver.h"
#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

// The file's bytes, or "<none>" when it is not there.
std::string fileBytes(const std::string &path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return "<none>";
    return readWholeFile(path);
}

std::size_t occurrences(const std::string &text, const std::string &part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

enum class Saved { Utf16Le, Utf16Be, Utf8 };

// A text as a file saved in an encoding holds it, with its mark.
std::string saved(const std::wstring &text, Saved as, bool mark = true) {
    if (as == Saved::Utf8) {
        std::string bytes(mark ? "\xEF\xBB\xBF" : "");
        const int size =
            WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], size, nullptr, nullptr);
        utf8.pop_back();
        return bytes + utf8;
    }
    const bool big = as == Saved::Utf16Be;
    std::string bytes(mark ? (big ? "\xFE\xFF" : "\xFF\xFE") : "");
    for (wchar_t c : text) {
        bytes += static_cast<char>(big ? c >> 8 : c & 0xFF);
        bytes += static_cast<char>(big ? c & 0xFF : c >> 8);
    }
    return bytes;
}

std::wstring wide(const std::string &ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// "Ежегодно" and "Jährlich": repeat kinds of another program's language, which never come due.
const std::wstring russian = L"\x0415\x0436\x0435\x0433\x043E\x0434\x043D\x043E";
const std::wstring german = L"J\x00E4hrlich";

// Five events: three ahead in this locale's text, one Russian and one German row.
std::wstring fiveEvents() {
    const SYSTEMTIME moments[] = {{2031, 3, 0, 14, 9, 30, 0, 0},
                                  {2032, 4, 0, 15, 10, 0, 0, 0},
                                  {2033, 5, 0, 16, 11, 30, 0, 0}};
    std::wstring text = wide(eventFileText({{oneTimeKey(moments[0]), "", "", "", moments[0]},
                                            {oneTimeKey(moments[1]), "Restart", "", "", moments[1]},
                                            {oneTimeKey(moments[2]), "", "", "", moments[2]},
                                            {"@ru 14 09:30:00", "", "", "@ru", moments[0]},
                                            {"@de 09:30:00", "", "", "@de", moments[0]}}));
    for (const auto &[token, word] : {std::pair(L"@ru", russian), std::pair(L"@de", german)})
        for (std::size_t at = text.find(token); at != std::wstring::npos; at = text.find(token))
            text.replace(at, 3, word);
    return text;
}

// Fills the form and presses OK; the press is posted, so a question it asks does not hold the
// test up.
void fillForm(HWND window, const char *hour, const char *minute, const char *second,
              const char *repeat) {
    setText(GetDlgItem(window, IDC_HOUR), hour);
    setText(GetDlgItem(window, IDC_MINUTE), minute);
    setText(GetDlgItem(window, IDC_SECOND), second);
    setText(GetDlgItem(window, IDC_REPEAT), repeat);
    HWND ok = pictureButton(window, IDC_OK);
    PostMessageA(ok, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(ok, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

} // namespace

// UTF-16 of either byte order and UTF-8 with its mark: the five events load, each shown as the
// profile functions give it in this code page, and an added event is written into the file in
// its own encoding with every character the file held.
TEST(NothingLost, AUnicodeFileKeepsItsEncodingAndEveryCharacter) {
    const std::wstring text = fiveEvents();
    for (const Saved as : {Saved::Utf16Le, Saved::Utf16Be, Saved::Utf8}) {
        const char *name = as == Saved::Utf16Le   ? "utf16le"
                           : as == Saved::Utf16Be ? "utf16be"
                                                  : "utf8";
        SCOPED_TRACE(name);
        Program program(name);
        const std::string before = saved(text, as);
        HWND window = program.launch(before);
        ASSERT_NE(window, nullptr);
        HWND list = GetDlgItem(window, IDC_EVENTS);
        const auto rows = program.listRows(list, 5);
        ASSERT_EQ(rows.size(), 5u);
        EXPECT_EQ(rows[3][4], "????????"); // the code page has no Cyrillic
        EXPECT_EQ(rows[4][4], "J\xE4hrlich");
        EXPECT_EQ(rows[4][1], "J\xE4hrlich 09:30:00");
        fillForm(window, "04", "05", "06", "Daily");
        ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 6; }, 5000));
        if (as == Saved::Utf16Be)
            screenshot("utf16-big-endian-file");
        const std::string after = fileBytes(program.eventFilePath());
        EXPECT_EQ(after.substr(0, 2), before.substr(0, 2));
        // Every character the file held is in it, and the new event with them.
        for (const std::wstring &line :
             {L"Date&Time 4=" + russian + L" 14 09:30:00\r\n", L"Repeat 4=" + russian + L"\r\n",
              L"Date&Time 5=" + german + L" 09:30:00\r\n", L"Repeat 5=" + german + L"\r\n",
              std::wstring(L"Date&Time 6=04:05:06\r\n")})
            EXPECT_NE(after.find(saved(line, as, false)), std::string::npos)
                << std::string(line.begin(), line.end());
        EXPECT_EQ(after.find(saved(L"?", as, false)), std::string::npos);
        EXPECT_TRUE(filesLike(program.eventFilePath() + ".*.bak").empty());
        EXPECT_TRUE(program.windowsTitled("Velkorin: events kept aside").empty());
    }
}

// A sparse 1 GB event file is not read: it stays as it is, the user is told, the program runs
// without events, and the first OK asks before the file is moved aside for a new one.
TEST(NothingLost, AnEventFileTooLargeToReadIsLeftAloneUntilTheUserChooses) {
    Program program("too-large");
    const std::string start = "[Date&Time]\r\nDate&Time 1=kept\r\n";
    {
        HANDLE file = CreateFileA(program.eventFilePath().c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, start.data(), static_cast<DWORD>(start.size()), &written, nullptr);
        LARGE_INTEGER size;
        size.QuadPart = 1LL << 30;
        SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
    }
    const auto sizeOf = [](const std::string &path) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
        return static_cast<ULONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    };
    const auto beginning = [&](const std::string &path) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        std::string bytes(start.size(), '\0');
        DWORD read = 0;
        ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(file);
        return bytes;
    };
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    HWND notice = program.waitForWindow("Velkorin: event file too large", 10000);
    ASSERT_NE(notice, nullptr);
    screenshot("event-file-too-large");
    HWND list = GetDlgItem(window, IDC_EVENTS);
    EXPECT_EQ(program.listRows(list, 2).size(), 0u);
    Sleep(2000); // ticks go by: nothing writes or deletes the file
    EXPECT_EQ(sizeOf(program.eventFilePath()), 1ULL << 30);
    EXPECT_EQ(beginning(program.eventFilePath()), start);
    EXPECT_TRUE(filesLike(program.eventFilePath() + ".*.bak").empty());
    EXPECT_TRUE(filesLike(program.eventFilePath() + ".new-*").empty());
    const std::string log = program.directory() + "Velkorin.log";
    EXPECT_NE(fileBytes(log).find("event file not read: 1073741824 bytes"), std::string::npos);

    fillForm(window, "04", "05", "06", "Daily");
    HWND question = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] {
            for (HWND shown : program.windowsTitled("Velkorin"))
                if (shown != window && className(shown) == "#32770")
                    question = shown;
            return question != nullptr;
        },
        10000));
    EXPECT_NE(windowText(GetDlgItem(question, 0xFFFF)).find("too-large"), std::string::npos);
    screenshot("event-file-too-large-question");
    PostMessageA(question, WM_COMMAND, IDYES, 0);
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 5000));
    const std::vector<std::string> aside = filesLike(program.eventFilePath() + ".*.large");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(sizeOf(aside[0]), 1ULL << 30);
    EXPECT_EQ(beginning(aside[0]), start);
    EXPECT_NE(fileBytes(program.eventFilePath()).find("Date&Time 1=04:05:06"), std::string::npos);
    EXPECT_NE(fileBytes(log).find("moved to " + aside[0]), std::string::npos) << fileBytes(log);
}

// A directory of the lock's name: neither copy can tell whether the other runs, so both say why
// and neither carries out the event that comes due.
TEST(NothingLost, ALockThatCannotBeMadeKeepsEveryCopyFromCarryingOutEvents) {
    Program first("no-lock");
    Program second("no-lock");
    const SYSTEMTIME soon = secondsFromNow(6);
    const std::string events = eventFileText({{oneTimeKey(soon), "", "", "", soon}});
    first.writeEventFile(events);
    const std::string lockDirectory = first.directory() + "InformationSW.lock";
    ASSERT_TRUE(CreateDirectoryA(lockDirectory.c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS); // left by an earlier run
    first.start();
    HWND notice = first.waitForWindow("Velkorin: events not carried out", 15000);
    ASSERT_NE(notice, nullptr);
    second.start();
    ASSERT_TRUE(waitUntil(
        [&] { return second.windowsTitled("Velkorin: events not carried out").size() == 1; },
        15000));
    screenshot("no-lock");
    HWND window = first.mainWindow();
    ASSERT_NE(window, nullptr);
    Sleep(8000); // the event's second passes
    EXPECT_TRUE(first.running());
    EXPECT_TRUE(second.running());
    EXPECT_EQ(first.listRows(GetDlgItem(window, IDC_EVENTS), 2).size(), 1u);
    EXPECT_EQ(fileBytes(first.eventFilePath()), events);
    const std::string log = fileBytes(first.directory() + "Velkorin.log");
    EXPECT_EQ(occurrences(log, "events not carried out: the lock "), 2u) << log;
    EXPECT_NE(log.find("InformationSW.lock could not be had"), std::string::npos) << log;
    EXPECT_EQ(log.find("fired"), std::string::npos) << log;
}
