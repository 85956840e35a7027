// End to end: the event file survives every read, write, hand edit and second copy.
#include "Driver.h"
#include "Utf16File.h"
#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

// The file's bytes, or "<none>" when it is not there.
std::string fileText(const std::string &path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return "<none>";
    return readWholeFile(path);
}

} // namespace

TEST(NothingLost, AUtf16FileLoadsAndKeepsItsEventsAndItsEncoding) {
    Program program("utf16");
    const SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};
    const SYSTEMTIME passed = {2020, 2, 0, 29, 22, 45, 30, 0};
    HWND window =
        program.launch(utf16File(eventFileText({{oneTimeKey(future), "Restart", "", "", future},
                                                {oneTimeKey(passed), "", "", "", passed}})));
    ASSERT_NE(window, nullptr);
    const auto rows = program.listRows(GetDlgItem(window, IDC_EVENTS), 3);
    ASSERT_EQ(rows.size(), 1u); // the passed one was reported and removed, the other kept
    EXPECT_EQ(rows[0][1], oneTimeKey(future));
    EXPECT_EQ(rows[0][2], "Restart");
    const std::string text = fileText(program.eventFilePath());
    EXPECT_EQ(text.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(text.find(utf16File(oneTimeKey(future)).substr(2)), std::string::npos);
}

// A file with a gap: the events before it load, the rest is kept aside under the moment's name
// and the user is told what and where.
TEST(NothingLost, WhatAStartCannotUseIsKeptAsideAndToldOf) {
    Program program("junk");
    const SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};
    const SYSTEMTIME later = {2032, 4, 0, 15, 10, 0, 0, 0};
    std::string text = eventFileText({{oneTimeKey(future), "", "", "", future},
                                      {"gone", "", "", "", future},
                                      {oneTimeKey(later), "", "", "", later}});
    const std::size_t gap = text.find("Date&Time 2=gone");
    text.erase(gap + 12, 4); // event 2 without a match key: event 3 lies after a gap
    program.writeEventFile(text);
    // Temporary files of a run killed while writing: an older state, and one with an event
    // the file does not hold.
    const std::string path = program.eventFilePath();
    const std::string older = eventFileText({{oneTimeKey(future), "", "", "", future}});
    const std::string newer = eventFileText({{oneTimeKey(later), "Restart", "", "", later}});
    for (const auto &[name, contents] :
         {std::make_pair(path + ".new-572-3", older), std::make_pair(path + ".new-572-4", newer)}) {
        HANDLE file =
            CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
        CloseHandle(file);
    }
    HWND window = program.launch();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitUntil(
        [&] { return program.windowsTitled("Velkorin: events kept aside").size() == 2; }, 15000));
    screenshot("events-kept-aside");
    EXPECT_EQ(program.listRows(GetDlgItem(window, IDC_EVENTS), 2).size(), 1u);
    const std::vector<std::string> copies = filesLike(path + ".*.bak");
    ASSERT_EQ(copies.size(), 2u);
    std::vector<std::string> kept = {fileText(copies[0]), fileText(copies[1])};
    EXPECT_TRUE((kept[0] == text && kept[1] == newer) || (kept[1] == text && kept[0] == newer));
    EXPECT_TRUE(filesLike(path + ".new-*").empty());
    const std::string log = fileText(program.directory() + "Velkorin.log");
    EXPECT_NE(log.find("kept aside in "), std::string::npos) << log;
    EXPECT_NE(log.find("1 event after a gap"), std::string::npos) << log;
}

TEST(NothingLost, AFileOfJunkSurvivesAStartKeptAside) {
    Program program("junk");
    const std::string junk("\x01\x02 not an event file\0\0\0\xFF junk", 31);
    program.writeEventFile(junk);
    program.start();
    ASSERT_NE(program.mainWindow(), nullptr);
    ASSERT_NE(program.waitForWindow("Velkorin: events kept aside", 10000), nullptr);
    const std::vector<std::string> copies = filesLike(program.eventFilePath() + ".*.bak");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(fileText(copies[0]), junk);
}

TEST(NothingLost, AFileLockedAgainstReadingIsNeverDestroyed) {
    Program program("locked");
    const SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};
    const std::string events = eventFileText({{oneTimeKey(future), "", "", "", future}});
    program.writeEventFile(events);
    // Another program holds it: reading refused, deleting allowed.
    HANDLE held = CreateFileA(program.eventFilePath().c_str(), GENERIC_READ, FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    program.start();
    HWND question = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] {
            for (HWND window : program.windowsTitled("Velkorin"))
                if (className(window) == "#32770" && GetDlgItem(window, 0xFFFF))
                    question = window;
            return question != nullptr;
        },
        30000));
    const std::string text = windowText(GetDlgItem(question, 0xFFFF));
    EXPECT_NE(text.find("cannot be read"), std::string::npos) << text;
    EXPECT_NE(text.find("InformationSW"), std::string::npos) << text;
    screenshot("event-file-unreadable");
    PostMessageA(question, WM_COMMAND, IDCANCEL, 0);
    HWND window = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] {
            for (HWND w : program.windowsTitled("Velkorin"))
                if (GetDlgItem(w, IDC_EVENTS))
                    window = w;
            return window != nullptr;
        },
        10000));
    EXPECT_EQ(program.listRows(GetDlgItem(window, IDC_EVENTS), 2).size(), 0u);
    Sleep(1500);
    CloseHandle(held);
    EXPECT_EQ(fileText(program.eventFilePath()), events); // untouched by the start
    EXPECT_TRUE(program.running());
}

TEST(NothingLost, AFileThatCannotBeWrittenWhenAnEventFiresIsToldOnceAndStoredLater) {
    Program program("unwritable");
    const SYSTEMTIME soon = secondsFromNow(5);
    const SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};
    HWND window = program.launch(eventFileText(
        {{oneTimeKey(soon), "", "", "", soon}, {oneTimeKey(future), "", "", "", future}}));
    ASSERT_NE(window, nullptr);
    // Another program holds the file, and lets nobody write, replace or delete it.
    HANDLE held = CreateFileA(program.eventFilePath().c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 15000));
    ASSERT_NE(program.waitForWindow("Velkorin: events not stored", 5000), nullptr);
    Sleep(4000); // retries after 1, 2 and 4 seconds fail too
    EXPECT_EQ(program.windowsTitled("Velkorin: events not stored").size(), 1u); // told once
    screenshot("events-not-stored");
    EXPECT_NE(fileText(program.eventFilePath()).find(oneTimeKey(soon)), std::string::npos);
    EXPECT_TRUE(filesLike(program.eventFilePath() + ".new-*").empty());
    CloseHandle(held);
    EXPECT_TRUE(waitUntil(
        [&] {
            return fileText(program.eventFilePath()).find(oneTimeKey(soon)) == std::string::npos;
        },
        12000))
        << "the retry did not store the table";
    EXPECT_NE(fileText(program.eventFilePath()).find(oneTimeKey(future)), std::string::npos);
    // One line for the spell of failures and one for its end.
    const std::string log = fileText(program.directory() + "Velkorin.log");
    EXPECT_EQ(log.find("events not stored"), log.rfind("events not stored")) << log;
    EXPECT_NE(log.find("events stored again"), std::string::npos) << log;
}

// "one-copy-link" is a symbolic link to "one-copy", made by the build: another spelling of the
// same directory, as a short name, a substituted drive or a share would be.
TEST(NothingLost, ASecondStartInTheSameDirectoryHandsOverAndEnds) {
    Program first("one-copy");
    Program second("one-copy");
    Program linked("one-copy-link");
    Program elsewhere("one-copy-elsewhere");
    first.start();
    HWND window = first.mainWindow();
    ASSERT_NE(window, nullptr);
    for (Program *again : {&second, &linked}) {
        PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(window); }, 5000));
        again->start();
        EXPECT_EQ(again->waitForExit(15000), 0u) << again->directory();
        EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(window); }, 5000))
            << "the running copy did not come back out of the tray for " << again->directory();
    }
    EXPECT_TRUE(first.running());
    elsewhere.start(); // another directory: another event file, another copy
    EXPECT_NE(elsewhere.mainWindow(), nullptr);
    EXPECT_TRUE(elsewhere.running());
}

namespace {

// A directory of e2e-runs named in any language, holding a copy of Velkorin.exe; "" when the
// host locale cannot name it.
std::wstring copyOfTheProgramIn(const std::wstring &name) {
    wchar_t self[MAX_PATH * 4];
    GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    const std::wstring here =
        std::wstring(self).substr(0, std::wstring(self).find_last_of(L'\\') + 1);
    const std::wstring runs = here + L"e2e-runs\\";
    const std::wstring directory = runs + name + L"\\";
    CreateDirectoryW(runs.c_str(), nullptr);
    CreateDirectoryW(directory.c_str(), nullptr);
    if (GetFileAttributesW(directory.c_str()) == INVALID_FILE_ATTRIBUTES ||
        !CopyFileW((here + L"Velkorin.exe").c_str(), (directory + L"Velkorin.exe").c_str(), FALSE))
        return {};
    return directory;
}

} // namespace

// A directory whose name is not in the ANSI code page: run by the test command with a UTF-8
// host locale, without which Wine cannot reach such a path at all.
TEST(NothingLost, ADirectoryNamedInAnyLanguageLoadsAndFires) {
    const std::wstring directory =
        copyOfTheProgramIn(L"\x0441\x043E\x0431\x044B\x0442\x0438\x044F");
    if (directory.empty())
        GTEST_SKIP() << "this host locale cannot name the directory";
    const SYSTEMTIME soon = secondsFromNow(8);
    const SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};
    const std::string events = eventFileText(
        {{oneTimeKey(soon), "", "", "", soon}, {oneTimeKey(future), "", "", "", future}});
    HANDLE file = CreateFileW((directory + L"InformationSW").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, events.data(), static_cast<DWORD>(events.size()), &written, nullptr);
    CloseHandle(file);

    const PROCESS_INFORMATION process = startIn(directory);
    ASSERT_NE(process.hProcess, nullptr);
    HWND window = mainWindowOf(process.dwProcessId);
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_TRUE(waitUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 1; }, 15000))
        << "the event did not fire";
    TerminateProcess(process.hProcess, 0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// A copy whose window this desktop cannot see (another user's session) holds the lock: this
// copy says so once and ends with 0, without loading, firing or writing anything.
TEST(NothingLost, ACopyRunningForAnotherUserIsToldOfAndNothingRunsTwice) {
    Program program("other-user");
    const SYSTEMTIME soon = secondsFromNow(3);
    const std::string events = eventFileText({{oneTimeKey(soon), "", "", "", soon}});
    program.writeEventFile(events);
    HANDLE lock = CreateFileA((program.directory() + "InformationSW.lock").c_str(),
                              GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    program.start();
    HWND told = program.waitForWindow("Velkorin", 20000); // a message box, no main window
    ASSERT_NE(told, nullptr);
    ASSERT_NE(GetDlgItem(told, 0xFFFF), nullptr);
    // The box may show a moment before its text is set.
    std::string text;
    waitUntil([&] { return !(text = windowText(GetDlgItem(told, 0xFFFF))).empty(); }, 5000);
    EXPECT_NE(text.find("another user"), std::string::npos) << text;
    EXPECT_NE(text.find("other-user"), std::string::npos) << text;
    screenshot("other-user");
    Sleep(4000); // the event's second passes while the notice shows
    PostMessageA(told, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program.waitForExit(10000), 0u);
    EXPECT_EQ(program.windowsTitled("Velkorin", true).size(), 0u);
    CloseHandle(lock);
    EXPECT_EQ(fileText(program.eventFilePath()), events);
    EXPECT_EQ(fileText(program.directory() + "Velkorin.log"), "<none>");
}

// A file made under German formats, loaded under English ones: its keys are brought into
// English, its events fire at their seconds, and the German file is kept aside.
TEST(NothingLost, AFileMadeUnderGermanFormatsFiresAtItsSecondsUnderEnglishOnes) {
    Program program("german");
    const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
    const SYSTEMTIME once = secondsFromNow(8), weekly = secondsFromNow(10);
    ASSERT_NE(clockTextOf("", once, german), clockTextOf("", once)) << "no German names here";
    const std::string made =
        eventFileText({{clockTextOf("", once, german), "", "", "", once},
                       {clockTextOf("Weekly", weekly, german), "", "", "Weekly", weekly}});
    HWND window = program.launch(made);
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    const auto rows = program.listRows(list, 2);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], clockTextOf("", once));
    EXPECT_EQ(rows[1][1], clockTextOf("Weekly", weekly));
    screenshot("german-file-in-english");
    const std::string log = program.directory() + "Velkorin.log";
    EXPECT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 15000))
        << "the one-time event did not fire";
    EXPECT_TRUE(waitUntil(
        [&] {
            return fileText(log).find("fired  " + clockTextOf("Weekly", weekly)) !=
                   std::string::npos;
        },
        10000))
        << fileText(log);
    EXPECT_NE(fileText(log).find("2 events brought into the current language"), std::string::npos);
    const std::vector<std::string> copies = filesLike(program.eventFilePath() + ".*.bak");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(fileText(copies[0]), made);
    EXPECT_NE(fileText(program.eventFilePath()).find(clockTextOf("Weekly", weekly)),
              std::string::npos);
    EXPECT_EQ(program.windowsTitled("Velkorin: events kept aside").size(), 0u);
}

// The program in a directory named in Cyrillic, under a Western code page: a message that names
// the event file shows its path as it is, not in question marks.
TEST(NothingLost, ADirectoryNamedInCyrillicShowsItsPathInAMessage) {
    const std::wstring directory = copyOfTheProgramIn(L"\x043F\x0430\x043F\x043A\x0430");
    if (directory.empty())
        GTEST_SKIP() << "this host locale cannot name the directory";
    // Another program holds the event file and lets nobody read it.
    const std::wstring eventFile = directory + L"InformationSW";
    HANDLE held = CreateFileW(eventFile.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    const PROCESS_INFORMATION process = startIn(directory);
    ASSERT_NE(process.hProcess, nullptr);
    HWND box = nullptr;
    waitUntil(
        [&] {
            box = FindWindowA("#32770", "Velkorin");
            DWORD owner = 0;
            GetWindowThreadProcessId(box, &owner);
            return box && owner == process.dwProcessId && GetDlgItem(box, 0xFFFF);
        },
        20000);
    ASSERT_NE(box, nullptr);
    wchar_t text[2048] = L"";
    waitUntil(
        [&] {
            SendMessageTimeoutW(GetDlgItem(box, 0xFFFF), WM_GETTEXT, 2048,
                                reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
            return text[0] != 0;
        },
        5000);
    screenshot("cyrillic-path-message");
    EXPECT_NE(std::wstring(text).find(eventFile), std::wstring::npos)
        << "code page " << GetACP() << ": the path came out otherwise";
    PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    CloseHandle(held);
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}
