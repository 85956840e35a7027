// The Windows platform: date pictures in real locales, files, paths.
#include "Win32Platform.h"
#include "DueCheck.h"
#include "ProgramPaths.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

std::string tempDirectory() {
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    return directory;
}

LocalTime monday() {
    return {2010, 6, 1, 7, 8, 5, 9};
}

} // namespace

// The test command runs this program in English, German and Russian.
TEST(DatePictures, ClockTextsUseTheUsersLanguage) {
    Win32Platform platform;
    const LocalTime t = monday();
    EXPECT_EQ(clockText(platform, RepeatKind::Hourly, t), ":05:09");
    EXPECT_EQ(clockText(platform, RepeatKind::Daily, t), "08:05:09");
    EXPECT_EQ(clockText(platform, RepeatKind::Monthly, t), "07 08:05:09");
    switch (PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID()))) {
    case LANG_ENGLISH:
        EXPECT_EQ(clockText(platform, RepeatKind::OneTime, t), "Monday 07 June 2010 08:05:09");
        EXPECT_EQ(clockText(platform, RepeatKind::Weekly, t), "Monday 08:05:09");
        EXPECT_EQ(clockText(platform, RepeatKind::Yearly, t), "07 June 08:05:09");
        break;
    case LANG_GERMAN:
        EXPECT_EQ(clockText(platform, RepeatKind::OneTime, t), "Montag 07 Juni 2010 08:05:09");
        EXPECT_EQ(clockText(platform, RepeatKind::Weekly, t), "Montag 08:05:09");
        EXPECT_EQ(clockText(platform, RepeatKind::Yearly, t), "07 Juni 08:05:09");
        break;
    case LANG_RUSSIAN: // Windows-1251: the month in the genitive after a day
        EXPECT_EQ(GetACP(), 1251u);
        EXPECT_EQ(clockText(platform, RepeatKind::OneTime, t),
                  "\xEF\xEE\xED\xE5\xE4\xE5\xEB\xFC\xED\xE8\xEA 07 \xE8\xFE\xED\xFF 2010 08:05:09");
        EXPECT_EQ(clockText(platform, RepeatKind::Yearly, t), "07 \xE8\xFE\xED\xFF 08:05:09");
        break;
    default: FAIL() << "unexpected test locale " << GetUserDefaultLCID();
    }
}

// A key composed for a moment equals the clock text at that moment, second by second across
// a whole year, in whatever language the test runs.
TEST(DatePictures, KeysComposedForAMomentComeDueAtIt) {
    Win32Platform platform;
    for (std::int64_t day = 0; day < 366; ++day) {
        const LocalTime moment = fromWallSecond(wallSecond(monday()) + day * 86400 + day * 61);
        for (RepeatKind kind :
             {RepeatKind::OneTime, RepeatKind::Weekly, RepeatKind::Monthly, RepeatKind::Yearly}) {
            ClockTextCache clock(platform);
            EXPECT_EQ(clock.text(kind, wallSecond(moment)), clockText(platform, kind, moment));
        }
    }
}

namespace {

// Files beside a path whose names begin with it and more: temporaries left behind.
int leftBeside(const std::string &path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + ".new*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do
        ++count;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

} // namespace

// Within a minute the reading is worked out from UTC and the offset read at its start: it must
// be what Windows says, to the second and the millisecond, across minute boundaries too.
TEST(Clock, ReadingsAreWindowsLocalTime) {
    Win32Platform platform;
    FILETIME before, after;
    for (int i = 0; i < 40; ++i) {
        SYSTEMTIME read, local;
        GetSystemTimeAsFileTime(&before);
        const LocalTime reading = platform.readClock(read);
        GetLocalTime(&local);
        GetSystemTimeAsFileTime(&after);
        const auto seconds = [](const FILETIME &t) {
            return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000000;
        };
        if (seconds(before) != seconds(after))
            continue; // a second boundary fell between
        FILETIME readAsFile, localAsFile;
        SystemTimeToFileTime(&read, &readAsFile);
        SystemTimeToFileTime(&local, &localAsFile);
        const LONGLONG apart =
            (static_cast<LONGLONG>(localAsFile.dwHighDateTime) << 32 | localAsFile.dwLowDateTime) -
            (static_cast<LONGLONG>(readAsFile.dwHighDateTime) << 32 | readAsFile.dwLowDateTime);
        EXPECT_GE(apart, 0);
        EXPECT_LT(apart, 50 * 10000); // 50 ms
        EXPECT_EQ(reading.second, local.wSecond);
        EXPECT_EQ(reading.dayOfWeek, local.wDayOfWeek);
        EXPECT_EQ(wallSecond(reading), wallSecond(localTimeOf(local)));
        EXPECT_FALSE(platform.zoneName().empty());
        EXPECT_EQ(platform.zoneAt(wallSecond(reading) - reading.utcOffset).offset,
                  reading.utcOffset);
        if (i % 10 == 9)
            platform.clockMayHaveChanged();
        Sleep(37);
    }
}

// The zone's spans end where Windows' own rules change the offset, and in a zone with daylight
// saving one comes within the year. (The test command runs this in a zone with changes too.)
TEST(Zone, SpansEndWhereWindowsRulesChangeTheOffset) {
    Win32Platform platform;
    TIME_ZONE_INFORMATION zone;
    GetTimeZoneInformation(&zone);
    const bool daylightSaving = zone.StandardDate.wMonth != 0 && zone.DaylightBias != 0;
    std::int64_t utc = 1767225600; // 2026-01-01 00:00 UTC
    int changes = 0;
    for (int span = 0; span < 4; ++span) {
        const Platform::ZoneSpan found = platform.zoneAt(utc);
        EXPECT_EQ(found.offset, platform.offsetAt(utc));
        EXPECT_EQ(platform.offsetAt(found.until - 1), found.offset);
        if (platform.offsetAt(found.until) != found.offset)
            ++changes;
        utc = found.until;
    }
    EXPECT_EQ(changes, daylightSaving ? 4 : 0) << platform.zoneName();
}

constexpr std::size_t anySize = SIZE_MAX;

TEST(Files, ReplacingPutsTheWholeNewFileInPlaceAndLeavesNothingBehind) {
    Win32Platform platform;
    const std::string path =
        tempDirectory() + "velkorin-replace-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(platform.replaceFile(path, "old"));
    ASSERT_TRUE(platform.replaceFile(path, std::string(3 * 1024 * 1024, 'n')));
    std::string contents;
    // A file over the limit is not read at all.
    EXPECT_EQ(platform.readFile(path, contents, 3 * 1024 * 1024 - 1), Platform::FileRead::TooLarge);
    EXPECT_TRUE(contents.empty());
    ASSERT_EQ(platform.readFile(path, contents, 3 * 1024 * 1024), Platform::FileRead::Read);
    EXPECT_EQ(contents.size(), 3u * 1024 * 1024);
    EXPECT_EQ(leftBeside(path), 0);
    EXPECT_TRUE(platform.deleteFile(path));
    EXPECT_TRUE(platform.deleteFile(path)); // already gone is fine
    EXPECT_EQ(platform.readFile(path, contents, anySize), Platform::FileRead::Missing);
}

TEST(Files, NothingLyingBesideTheFileBlocksItsSaves) {
    Win32Platform platform;
    const std::string path =
        tempDirectory() + "velkorin-blocked-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(platform.replaceFile(path, "old"));
    // The name the temporary once had, taken by a directory, made every save fail for good.
    ASSERT_TRUE(CreateDirectoryA((path + ".new").c_str(), nullptr));
    EXPECT_TRUE(platform.replaceFile(path, "new"));
    std::string contents;
    ASSERT_EQ(platform.readFile(path, contents, anySize), Platform::FileRead::Read);
    EXPECT_EQ(contents, "new");
    RemoveDirectoryA((path + ".new").c_str());
    platform.deleteFile(path);
}

TEST(Files, AFailedReplaceLeavesTheOldFileAndSaysWhy) {
    Win32Platform platform;
    const std::string path =
        tempDirectory() + "velkorin-locked-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(platform.replaceFile(path, "old"));
    // Another program holds the file open and lets nobody replace or delete it.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(platform.replaceFile(path, "new"));
    EXPECT_FALSE(platform.fileError().empty());
    EXPECT_EQ(leftBeside(path), 0);
    CloseHandle(held);
    std::string contents;
    ASSERT_EQ(platform.readFile(path, contents, anySize), Platform::FileRead::Read);
    EXPECT_EQ(contents, "old");
    EXPECT_FALSE(platform.replaceFile(tempDirectory() + "no-such-dir\\InformationSW", "x"));
    platform.deleteFile(path);
}

TEST(Files, AFileThatCannotBeReadIsNeverTakenForAMissingOne) {
    Win32Platform platform;
    const std::string path =
        tempDirectory() + "velkorin-unreadable-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(platform.replaceFile(path, "[Date&Time]\r\nDate&Time 1=x\r\n"));
    // Held open with delete allowed but reading refused.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string contents;
    EXPECT_EQ(platform.readFile(path, contents, anySize), Platform::FileRead::Failed);
    EXPECT_NE(platform.fileError().find("error"), std::string::npos);
    CloseHandle(held);
    platform.deleteFile(path);
}

TEST(ProgramPaths, TheDirectoryKeepsItsBackslash) {
    EXPECT_EQ(directoryOf("C:\\Tools\\clock.exe"), "C:\\Tools\\");
    EXPECT_EQ(eventFilePath(directoryOf("C:\\Tools\\clock.exe")), "C:\\Tools\\InformationSW");
    const std::string self = runningExecutablePath();
    EXPECT_NE(self.find("wine_tests.exe"), std::string::npos) << self;
}

TEST(ProgramPaths, AnEventFileInADirectoryLongerThanMaxPathWorks) {
    std::string directory =
        tempDirectory() + "velkorin-deep-" + std::to_string(GetCurrentProcessId()) + "\\";
    for (int level = 0; directory.size() < 400; ++level) {
        ASSERT_TRUE(CreateDirectoryW(fileSystemPath(directory).c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS)
            << directory;
        directory += std::string(40, static_cast<char>('a' + level)) + "\\";
    }
    ASSERT_TRUE(CreateDirectoryW(fileSystemPath(directory).c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_GT(eventFilePath(directory).size(), static_cast<std::size_t>(MAX_PATH));
    Win32Platform platform;
    EventFile file(platform, eventFilePath(directory));
    EventTable table;
    Event fields;
    fields.matchKey = "deep";
    table.insertRow(0, fields);
    ASSERT_TRUE(file.save(table));
    EventTable loaded;
    file.loadAll(loaded);
    ASSERT_EQ(loaded.rowCount(), 1);
    EXPECT_EQ(loaded.cell(0, 1), "deep");
    EXPECT_TRUE(file.save(EventTable()));
}
