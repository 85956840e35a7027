// End to end: the command line for administrators on the same Velkorin.exe, with the program
// not running (the event file follows) and running (its list follows at once), from a batch file
// in a folder with a blank and letters of other languages in its name; and every bad input
// leaves the event file byte for byte as it was.
#include "Driver.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

struct Ran {
    DWORD exitCode = STILL_ACTIVE;
    std::string output;
};

// Velkorin.exe of a directory with these words, its output read through a pipe as a script
// would read it.
Ran command(const std::wstring &directory, const std::wstring &words) {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE reading = nullptr, writing = nullptr;
    CreatePipe(&reading, &writing, &inherited, 0);
    SetHandleInformation(reading, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writing;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring line = L"\"" + directory + L"Velkorin.exe\" " + words;
    PROCESS_INFORMATION process = {};
    Ran ran;
    const BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        directory.c_str(), &startup, &process);
    CloseHandle(writing);
    if (!started) {
        CloseHandle(reading);
        return ran;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(reading, buffer, sizeof buffer, &got, nullptr) && got > 0)
        ran.output.append(buffer, got);
    CloseHandle(reading);
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &ran.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return ran;
}

std::wstring wide(const std::string &text) {
    std::wstring result(text.size(), L'\0');
    result.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &result[0],
                            static_cast<int>(result.size()))));
    return result;
}

Ran command(const Program &program, const std::string &words) {
    return command(wide(program.directory()), wide(words));
}

std::string fileText(const Program &program) {
    std::string text;
    program.readEventFile(text);
    return text;
}

const SYSTEMTIME later2030 = {2030, 1, 2, 1, 10, 0, 0, 0};

} // namespace

TEST(CommandLine, WithoutTheProgramEachCommandChangesTheFileUnderItsLock) {
    Program program("command-alone");
    program.writeEventFile(eventFileText({{oneTimeKey(later2030), "Restart", "", "", later2030}}));
    Ran ran = command(program, "/add 2030-06-01 08:00:00 /repeat yearly /shutdown");
    EXPECT_EQ(ran.exitCode, 0u) << ran.output;
    EXPECT_EQ(ran.output, "Added event 2: 2030-06-01 08:00:00 yearly shutdown (01 June "
                          "08:00:00)\r\n");
    EXPECT_NE(fileText(program).find("Date&Time 2=01 June 08:00:00"), std::string::npos);

    ran = command(program, "/list");
    EXPECT_EQ(ran.output, "  No.  Moment               Repeat   Action\r\n"
                          "    1  2030-01-01 10:00:00  once     restart\r\n"
                          "    2  2030-06-01 08:00:00  yearly   shutdown\r\n");
    ran = command(program, "/export \"exported events.csv\"");
    EXPECT_EQ(ran.exitCode, 0u) << ran.output;
    const std::string csv = readWholeFile(program.directory() + "exported events.csv");
    EXPECT_EQ(csv,
              "\xEF\xBB\xBFNumber,Moment,Repeat,Action\r\n1,2030-01-01 10:00:00,once,restart\r\n"
              "2,2030-06-01 08:00:00,yearly,shutdown\r\n");
    EXPECT_EQ(command(program, "/list /csv").output, csv.substr(3));

    ran = command(program, "/delete 1");
    EXPECT_EQ(ran.exitCode, 0u) << ran.output;
    EXPECT_EQ(fileText(program).find(oneTimeKey(later2030)), std::string::npos);
    ran = command(program, "/import \"exported events.csv\"");
    EXPECT_EQ(ran.exitCode, 2u) << ran.output; // one event was there already
    EXPECT_NE(ran.output.find("Added 1 event from "), std::string::npos) << ran.output;
    EXPECT_NE(ran.output.find("Line 3 refused: the same event is in the list already."),
              std::string::npos)
        << ran.output;
    EXPECT_NE(fileText(program).find("Date&Time 2=" + oneTimeKey(later2030)), std::string::npos);
    EXPECT_NE(readWholeFile(program.directory() + "Velkorin.log")
                  .find("imported from the command line  " + oneTimeKey(later2030)),
              std::string::npos);
}

TEST(CommandLine, WithTheProgramRunningItsListWarningAndFileFollowAtOnce) {
    Program program("command-running");
    HWND window = program.launch(eventFileText({}));
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    const SYSTEMTIME soon = secondsFromNow(40);
    char moment[32];
    wsprintfA(moment, "%04u-%02u-%02u %02u:%02u:%02u", soon.wYear, soon.wMonth, soon.wDay,
              soon.wHour, soon.wMinute, soon.wSecond);
    Ran ran = command(program, std::string("/add ") + moment + " /restart");
    EXPECT_EQ(ran.exitCode, 0u) << ran.output;
    ASSERT_EQ(program.listRows(list, 2).size(), 1u) << "the list did not follow at once";
    EXPECT_EQ(program.listRows(list, 2)[0][1], oneTimeKey(soon));
    EXPECT_NE(fileText(program).find(oneTimeKey(soon)), std::string::npos);
    ASSERT_NE(program.waitForWindow("Velkorin warning", 5000), nullptr) << "no warning";
    screenshot("command-line-added");

    // Deleted as DELETE deletes: the warning closes.
    ran = command(program, "/delete 1");
    EXPECT_EQ(ran.exitCode, 0u) << ran.output;
    EXPECT_TRUE(program.listRows(list, 2).empty());
    EXPECT_TRUE(waitUntil([&] { return program.windowsTitled("Velkorin warning").empty(); }, 3000));
    EXPECT_EQ(fileText(program).find(oneTimeKey(soon)), std::string::npos);

    const std::string csv = "Number,Moment,Repeat,Action\r\n1,07:30:00,daily,shutdown\r\n"
                            "2,2030-01-01 10:00:00,once,\r\n";
    HANDLE file = CreateFileA((program.directory() + "import.csv").c_str(), GENERIC_WRITE, 0,
                              nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, csv.data(), static_cast<DWORD>(csv.size()), &written, nullptr);
    CloseHandle(file);
    ran = command(program, "/import import.csv");
    EXPECT_EQ(ran.exitCode, 0u) << ran.output;
    const auto rows = program.listRows(list, 4);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], "07:30:00");
    EXPECT_EQ(rows[0][3], "Shut down");
    EXPECT_EQ(rows[1][1], oneTimeKey(later2030));
    EXPECT_EQ(command(program, "/list /csv").output, csv);
    EXPECT_EQ(command(program, "/export again.csv").exitCode, 0u);
    EXPECT_EQ(readWholeFile(program.directory() + "again.csv"), "\xEF\xBB\xBF" + csv);
    EXPECT_TRUE(program.running());
}

TEST(CommandLine, BadInputIsToldAndLeavesTheFileByteForByteRunningOrNot) {
    Program program("command-bad");
    const std::string text = eventFileText({{oneTimeKey(later2030), "Restart", "", "", later2030}});
    program.writeEventFile(text);
    const std::string notCsv = program.directory() + "letter.txt";
    HANDLE file = CreateFileA(notCsv.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "Dear all,\r\n", 11, &written, nullptr);
    CloseHandle(file);
    const std::pair<const char *, const char *> cases[] = {
        {"/add 2031-02-30 10:00:00", "there is no 30 February 2031"},
        {"/add 2031-01-01 25:00:00", "is not a time of day"},
        {"/add 2020-01-01 10:00:00 /restart", "the moment has passed"},
        {"/add \"01 Januar 2031 10:00:00\"", "is not a moment"},
        {"/delete 5", "There is no event number 5"},
        {"/shutdown-now", "Unknown switch /shutdown-now"},
        {"/import letter.txt", "is not a CSV file of events"},
    };
    for (bool running : {false, true}) {
        if (running) {
            ASSERT_NE(program.launch(), nullptr);
        }
        // The program writes the file in its own form when it starts.
        const std::string before = fileText(program);
        EXPECT_NE(before.find(oneTimeKey(later2030)), std::string::npos);
        for (const auto &[words, told] : cases) {
            const Ran ran = command(program, words);
            EXPECT_EQ(ran.exitCode, 2u) << words;
            EXPECT_NE(ran.output.find(told), std::string::npos) << words << ": " << ran.output;
            EXPECT_EQ(fileText(program), before) << words << (running ? " running" : "");
        }
    }
}

TEST(CommandLine, FromABatchFileInAFolderWithABlankAndLettersOfOtherLanguages) {
    const std::wstring directory = wide(buildDirectory() + "e2e-runs\\") +
                                   L"Ereignisse M\u00E4rz \u0436\u0443\u0440\u043D\u0430\u043B\\";
    CreateDirectoryW(directory.c_str(), nullptr);
    if (GetFileAttributesW(directory.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "this host locale cannot name the directory";
    for (const wchar_t *left : {L"InformationSW", L"out.txt", L"code.txt"})
        DeleteFileW((directory + left).c_str());
    CopyFileW(wide(buildDirectory() + "Velkorin.exe").c_str(),
              (directory + L"Velkorin.exe").c_str(), FALSE);
    const std::string script = "@echo off\r\n"
                               "\"%~dp0Velkorin.exe\" /add 2030-01-01 10:00:00 /restart "
                               "> \"%~dp0out.txt\"\r\n"
                               "echo exit %ERRORLEVEL% > \"%~dp0code.txt\"\r\n"
                               "\"%~dp0Velkorin.exe\" /list >> \"%~dp0out.txt\"\r\n"
                               "\"%~dp0Velkorin.exe\" /delete 7 >> \"%~dp0out.txt\"\r\n"
                               "echo exit %ERRORLEVEL% >> \"%~dp0code.txt\"\r\n";
    HANDLE file = CreateFileW((directory + L"events.bat").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, script.data(), static_cast<DWORD>(script.size()), &written, nullptr);
    CloseHandle(file);

    std::wstring line = L"cmd.exe /c \"\"" + directory + L"events.bat\"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                               directory.c_str(), &startup, &process));
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);

    const auto read = [&](const wchar_t *name) {
        std::string text;
        HANDLE in = CreateFileW((directory + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
        char buffer[4096];
        DWORD got = 0;
        while (in != INVALID_HANDLE_VALUE && ReadFile(in, buffer, sizeof buffer, &got, nullptr) &&
               got > 0)
            text.append(buffer, got);
        CloseHandle(in);
        return text;
    };
    const std::string out = read(L"out.txt");
    EXPECT_NE(out.find("Added event 1: 2030-01-01 10:00:00 once restart"), std::string::npos)
        << out;
    EXPECT_NE(out.find("    1  2030-01-01 10:00:00  once     restart"), std::string::npos) << out;
    EXPECT_NE(out.find("There is no event number 7"), std::string::npos) << out;
    EXPECT_EQ(read(L"code.txt"), "exit 0 \r\nexit 2 \r\n");
    EXPECT_NE(read(L"InformationSW").find(oneTimeKey(later2030)), std::string::npos);
}
