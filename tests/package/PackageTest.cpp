// The installer and the portable zip under Wine, each case in a fresh prefix of its own
// (tests/package/package-test.sh makes them and names the packages in the environment): a
// silent install for the user and for all users, the installed program starting, an upgrade
// keeping what the user made, and a removal taking only what the installer brought. For all
// users the events are the computer's, in ProgramData.
#include "Driver.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <msi.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace {

std::string environment(const char *name) {
    char value[MAX_PATH * 4] = "";
    GetEnvironmentVariableA(name, value, sizeof value);
    return value;
}

std::string folder(int which) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, which, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::string(path) + "\\";
}

bool exists(const std::string &path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs a command line and waits for it: its exit code.
DWORD run(std::string command) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return GetLastError();
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

DWORD install(const std::string &package, const std::string &properties = "") {
    return run("msiexec /i \"" + package + "\" " + properties + " /qn");
}

DWORD uninstall(const std::string &package) {
    return run("msiexec /x \"" + package + "\" /qn");
}

const char runKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char installerKey[] = "Software\\Marbrook\\Velkorin Installer";
const char settingsKey[] = "Software\\MarbrookVKRN\\Velkorin";
const char upgradeCode[] = "{B527C515-3A78-460C-8A3A-09B794E84C94}";

// In the 64-bit view unless a view is named: KEY_WOW64_32KEY is where a 32-bit Velkorin wrote.
void setValue(HKEY root, const char *key, const char *name, const std::string &data,
              REGSAM view = 0) {
    HKEY opened;
    ASSERT_EQ(
        RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &opened, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.data()),
                   static_cast<DWORD>(data.size()));
    RegCloseKey(opened);
}

void writeFile(const std::string &path, const std::string &text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string productVersionOf(const std::string &file) {
    DWORD ignored = 0;
    std::vector<char> data(GetFileVersionInfoSizeA(file.c_str(), &ignored));
    if (data.empty() ||
        !GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
        return "";
    char *text = nullptr;
    UINT length = 0;
    VerQueryValueA(data.data(), "\\StringFileInfo\\040904E4\\ProductVersion",
                   reinterpret_cast<void **>(&text), &length);
    return text ? text : "";
}

// The products installed under Velkorin's upgrade code.
std::vector<std::string> installedVersions() {
    std::vector<std::string> versions;
    char product[39];
    for (DWORD i = 0; MsiEnumRelatedProductsA(upgradeCode, 0, i, product) == ERROR_SUCCESS; ++i) {
        char version[64] = "";
        DWORD size = sizeof version;
        MsiGetProductInfoA(product, INSTALLPROPERTY_VERSIONSTRING, version, &size);
        versions.push_back(version);
    }
    return versions;
}

const SYSTEMTIME future = {2031, 3, 0, 14, 9, 30, 0, 0};

// The computer's event folder of an installation for all users.
std::string eventFolder() {
    return folder(CSIDL_COMMON_APPDATA) + "Velkorin\\";
}

// What a user has made beside the program: events, a kept-aside copy, the history.
void writeUsersFiles(const std::string &directory) {
    writeFile(directory + "InformationSW",
              eventFileText({{oneTimeKey(future), "Restart", "", "", future}}));
    writeFile(directory + "InformationSW.20261207-120000.bak", "[Date&Time]\r\n");
    writeFile(directory + "Velkorin.log", "2026-12-07 12:00:00 +01:00  fired\r\n");
}

void expectUsersFilesKept(const std::string &directory) {
    // The program may have written it anew since: the event is what counts.
    EXPECT_NE(readWholeFile(directory + "InformationSW").find("=" + oneTimeKey(future) + "\r\n"),
              std::string::npos);
    EXPECT_TRUE(exists(directory + "InformationSW.20261207-120000.bak"));
    EXPECT_TRUE(exists(directory + "Velkorin.log"));
}

// Starts the program in a directory: its main window shows, with the events of its file; with
// a colour, the face shows the metal skin and the time in that colour.
void expectItStarts(const std::string &directory, const std::string &picture, size_t rows,
                    COLORREF metalFaceIn = CLR_INVALID) {
    Program program(Program::Installed{directory});
    program.start();
    HWND window = program.mainWindow();
    ASSERT_NE(window, nullptr) << directory;
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(program.listRows(GetDlgItem(window, IDC_EVENTS), 2).size(), rows);
    if (metalFaceIn != CLR_INVALID) {
        Sleep(1500);
        const std::vector<COLORREF> below = screenPixels(window, RECT{300, 420, 301, 421});
        EXPECT_LT(GetRValue(below[0]), 245) << "not the metal picture";
        EXPECT_GT(countLike(screenPixels(window, RECT{80, 50, 400, 78}), metalFaceIn), 30);
    }
    if (!picture.empty())
        screenshot(picture);
}

// The settings a 32-bit Velkorin wrote in the 32-bit view, in its own forms: the metal skin
// and a font colour.
void writeOlderSettings(COLORREF colour) {
    setValue(HKEY_LOCAL_MACHINE, settingsKey, "Skins", std::string("\x01\0\0\0\0\0\0\0\0\0", 10),
             KEY_WOW64_32KEY);
    const char bytes[] = {static_cast<char>(GetRValue(colour)),
                          static_cast<char>(GetGValue(colour)),
                          static_cast<char>(GetBValue(colour)), 0};
    setValue(HKEY_LOCAL_MACHINE, settingsKey, "FontColor", std::string(bytes, 4), KEY_WOW64_32KEY);
}

} // namespace

TEST(Package, ForTheUserItInstallsStartsAndGoesLeavingTheEvents) {
    const std::string package = environment("VELKORIN_MSI");
    ASSERT_FALSE(package.empty());
    ASSERT_EQ(install(package), 0u);
    const std::string directory = folder(CSIDL_LOCAL_APPDATA) + "Programs\\Velkorin\\";
    const std::string shortcut = folder(CSIDL_PROGRAMS) + "Velkorin.lnk";
    for (const char *file : {"Velkorin.exe", "HelpVelkorin.chm", "LICENSE.txt"})
        EXPECT_TRUE(exists(directory + file)) << directory << file;
    EXPECT_TRUE(exists(shortcut));
    EXPECT_EQ(installedVersions().size(), 1u);
    expectItStarts(directory, "installed-for-the-user", 0);

    writeUsersFiles(directory);
    const std::string runValue = "\"" + directory + "Velkorin.exe\"";
    setValue(HKEY_CURRENT_USER, runKey, "Velkorin", runValue);
    setValue(HKEY_LOCAL_MACHINE, runKey, "Velkorin", runValue);
    ASSERT_EQ(uninstall(package), 0u);
    for (const char *file : {"Velkorin.exe", "HelpVelkorin.chm", "LICENSE.txt"})
        EXPECT_FALSE(exists(directory + file)) << file;
    EXPECT_FALSE(exists(shortcut));
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, runKey, "Velkorin"), "<none>");
    EXPECT_EQ(storedValue(HKEY_LOCAL_MACHINE, runKey, "Velkorin"), "<none>");
    EXPECT_TRUE(installedVersions().empty());
    expectUsersFilesKept(directory);
}

// The program in Program Files, the events in ProgramData: the program fires them from there
// and writes nothing beside itself.
TEST(Package, ForAllUsersItGoesIntoProgramFiles) {
    const std::string package = environment("VELKORIN_MSI");
    ASSERT_EQ(install(package, "ALLUSERS=1"), 0u);
    const std::string directory = folder(CSIDL_PROGRAM_FILES) + "Velkorin\\";
    for (const char *file : {"Velkorin.exe", "HelpVelkorin.chm", "LICENSE.txt"})
        EXPECT_TRUE(exists(directory + file)) << directory << file;
    EXPECT_FALSE(exists(folder(CSIDL_LOCAL_APPDATA) + "Programs\\Velkorin\\Velkorin.exe"));
    const std::string events = eventFolder();
    ASSERT_TRUE(exists(events));
    EXPECT_EQ(std::string(storedValue(HKEY_LOCAL_MACHINE, settingsKey, "EventFolder").c_str()),
              events);

    writeUsersFiles(events);
    const SYSTEMTIME soon = secondsFromNow(8);
    writeFile(events + "InformationSW", eventFileText({{oneTimeKey(future), "", "", "", future},
                                                       {oneTimeKey(soon), "", "", "", soon}}));
    {
        Program program(Program::Installed{directory});
        program.start();
        HWND window = program.mainWindow();
        ASSERT_NE(window, nullptr);
        HWND list = GetDlgItem(window, IDC_EVENTS);
        EXPECT_EQ(program.listRows(list, 2).size(), 2u);
        EXPECT_TRUE(exists(events + "InformationSW.lock"));
        ASSERT_TRUE(waitUntil([&] { return program.listRows(list, 2).size() == 1; }, 20000))
            << "the event did not fire";
        ASSERT_TRUE(waitUntil(
            [&] {
                return readWholeFile(events + "InformationSW").find(oneTimeKey(soon)) ==
                       std::string::npos;
            },
            5000));
    }
    EXPECT_TRUE(filesLike(directory + "InformationSW*").empty());
    EXPECT_TRUE(filesLike(directory + "Velkorin.log*").empty());

    ASSERT_EQ(uninstall(package), 0u);
    EXPECT_FALSE(exists(directory + "Velkorin.exe"));
    EXPECT_EQ(storedValue(HKEY_LOCAL_MACHINE, settingsKey, "EventFolder"), "<none>");
    expectUsersFilesKept(events);
}

// The program looks for the computer's events only when it is the program installed for all
// users: a copy unpacked elsewhere on the same computer keeps its events beside itself.
TEST(Package, ForAllUsersAnotherCopyKeepsItsEventsBesideItself) {
    ASSERT_EQ(install(environment("VELKORIN_MSI"), "ALLUSERS=1"), 0u);
    Program copy("elsewhere");
    copy.start();
    ASSERT_NE(copy.mainWindow(), nullptr);
    EXPECT_TRUE(exists(copy.directory() + "InformationSW.lock"));
    EXPECT_FALSE(exists(eventFolder() + "InformationSW.lock"));
}

// What an earlier 64-bit version kept beside the program for all users moves into ProgramData
// whole: the file of 1,000 events byte for byte, its dated copies and the history.
TEST(Package, ForAllUsersAnUpgradeMovesTheEventsFromBesideTheProgramIntoProgramData) {
    const std::string older = environment("VELKORIN_MSI"), newer = environment("VELKORIN_NEXT_MSI");
    ASSERT_EQ(install(older, "ALLUSERS=1"), 0u);
    const std::string directory = folder(CSIDL_PROGRAM_FILES) + "Velkorin\\";
    std::vector<FileEvent> many;
    for (int i = 0; i < 1000; ++i) {
        const SYSTEMTIME moment = plusSeconds(future, 61 * i);
        many.push_back({oneTimeKey(moment), i % 7 ? "" : "Restart", "", "", moment});
    }
    const std::vector<std::pair<std::string, std::string>> beside = {
        {"InformationSW", eventFileText(many)},
        {"InformationSW.20261201-080000.bak", eventFileText({many[0], many[1]})},
        {"InformationSW.20261207-120000.bak", eventFileText({many[2]})},
        {"Velkorin.log", "2026-12-07 12:00:00 +01:00  fired\r\n"}};
    for (const auto &file : beside)
        writeFile(directory + file.first, file.second);

    ASSERT_EQ(install(newer, "ALLUSERS=1"), 0u);
    EXPECT_EQ(installedVersions().size(), 1u);
    for (const auto &file : beside) {
        EXPECT_EQ(readWholeFile(eventFolder() + file.first), file.second) << file.first;
        EXPECT_FALSE(exists(directory + file.first)) << file.first;
    }
    expectItStarts(directory, "", 1000);
}

// An action that matters for safety failing fails the installation, which leaves nothing.
TEST(Package, ForAllUsersAFailingSafetyActionFailsTheInstallation) {
    EXPECT_NE(install(environment("VELKORIN_MSI"), "ALLUSERS=1"), 0u);
    EXPECT_TRUE(installedVersions().empty());
    EXPECT_FALSE(exists(folder(CSIDL_PROGRAM_FILES) + "Velkorin\\Velkorin.exe"));
    EXPECT_EQ(storedValue(HKEY_LOCAL_MACHINE, settingsKey, "EventFolder"), "<none>");
    EXPECT_EQ(storedValue(HKEY_LOCAL_MACHINE, installerKey, "InstallDir"), "<none>");
}

TEST(Package, AnUpgradeReplacesTheProgramAndKeepsEventsSettingsAndStartWithWindows) {
    const std::string older = environment("VELKORIN_MSI"), newer = environment("VELKORIN_NEXT_MSI");
    const std::string newerVersion = environment("VELKORIN_NEXT_VERSION");
    ASSERT_FALSE(newer.empty());
    ASSERT_EQ(install(older), 0u);
    const std::string directory = folder(CSIDL_LOCAL_APPDATA) + "Programs\\Velkorin\\";
    EXPECT_NE(productVersionOf(directory + "Velkorin.exe"), newerVersion);
    writeUsersFiles(directory);
    const std::string skins("\x01\0\0\0\0\0\0\0\0\0", 10);
    setValue(HKEY_CURRENT_USER, settingsKey, "Skins", skins);
    const std::string runValue = "\"" + directory + "Velkorin.exe\"";
    setValue(HKEY_CURRENT_USER, runKey, "Velkorin", runValue);

    ASSERT_EQ(install(newer), 0u);
    EXPECT_EQ(productVersionOf(directory + "Velkorin.exe"), newerVersion);
    const std::vector<std::string> versions = installedVersions();
    ASSERT_EQ(versions.size(), 1u) << "the older version is still installed";
    EXPECT_EQ(versions[0].rfind(newerVersion, 0), 0u) << versions[0];
    expectUsersFilesKept(directory);
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, settingsKey, "Skins"), skins);
    EXPECT_EQ(std::string(storedValue(HKEY_CURRENT_USER, runKey, "Velkorin").c_str()), runValue);
    expectItStarts(directory, "", 1);

    ASSERT_EQ(uninstall(newer), 0u);
    EXPECT_EQ(storedValue(HKEY_CURRENT_USER, runKey, "Velkorin"), "<none>");
    expectUsersFilesKept(directory);
}

// Unpacked by the script into a folder named with a blank and accented letters.
TEST(Package, ThePortableProgramRunsFromAFolderNamedWithABlankAndAccents) {
    wchar_t value[MAX_PATH * 4] = L"";
    GetEnvironmentVariableW(L"VELKORIN_PORTABLE", value, MAX_PATH * 4);
    const std::wstring directory = std::wstring(value) + L"\\";
    ASSERT_NE(GetFileAttributesW((directory + L"Velkorin.exe").c_str()), INVALID_FILE_ATTRIBUTES)
        << "no Velkorin.exe unpacked";
    const PROCESS_INFORMATION process = startIn(directory);
    ASSERT_NE(process.hProcess, nullptr);
    EXPECT_NE(mainWindowOf(process.dwProcessId), nullptr);
    // It keeps its events in its own folder: the lock on the event file stands there.
    EXPECT_NE(GetFileAttributesW((directory + L"InformationSW.lock").c_str()),
              INVALID_FILE_ATTRIBUTES);
    screenshot("portable-program");
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// The 32-bit 1.0 package, then this one: for the user, both live in the same folder.
TEST(Package, OverThe32BitPackageForTheUserItKeepsEventsSettingsAndStartWithWindows) {
    const std::string older = environment("VELKORIN_OLDER_MSI"),
                      newer = environment("VELKORIN_MSI");
    ASSERT_FALSE(older.empty());
    ASSERT_EQ(install(older), 0u);
    const std::string directory = folder(CSIDL_LOCAL_APPDATA) + "Programs\\Velkorin\\";
    ASSERT_EQ(productVersionOf(directory + "Velkorin.exe"), "1.0");
    writeUsersFiles(directory);
    const COLORREF green = RGB(20, 160, 40);
    writeOlderSettings(green);
    const std::string runValue = "\"" + directory + "Velkorin.exe\"";
    setValue(HKEY_CURRENT_USER, runKey, "Velkorin", runValue);

    ASSERT_EQ(install(newer), 0u);
    const std::vector<std::string> versions = installedVersions();
    ASSERT_EQ(versions.size(), 1u) << "the 32-bit version is still installed";
    EXPECT_NE(versions[0].rfind("1.0", 0), 0u) << versions[0];
    EXPECT_NE(productVersionOf(directory + "Velkorin.exe"), "1.0");
    expectUsersFilesKept(directory);
    EXPECT_EQ(std::string(storedValue(HKEY_CURRENT_USER, runKey, "Velkorin").c_str()), runValue);
    expectItStarts(directory, "upgraded-from-32-bit", 1, green);
}

// For all users the 32-bit package lived in the 32-bit Program Files: what Velkorin wrote there
// moves into the computer's event folder, and start with Windows names the new program.
TEST(Package, OverThe32BitPackageForAllUsersTheEventsMoveIntoProgramData) {
    const std::string older = environment("VELKORIN_OLDER_MSI"),
                      newer = environment("VELKORIN_MSI");
    ASSERT_EQ(install(older, "ALLUSERS=1"), 0u);
    const std::string olderDirectory = folder(CSIDL_PROGRAM_FILESX86) + "Velkorin\\";
    const std::string directory = folder(CSIDL_PROGRAM_FILES) + "Velkorin\\";
    ASSERT_NE(olderDirectory, directory);
    ASSERT_EQ(productVersionOf(olderDirectory + "Velkorin.exe"), "1.0");
    writeUsersFiles(olderDirectory);
    const std::string events = readWholeFile(olderDirectory + "InformationSW");
    setValue(HKEY_LOCAL_MACHINE, runKey, "Velkorin", "\"" + olderDirectory + "Velkorin.exe\"",
             KEY_WOW64_32KEY);

    ASSERT_EQ(install(newer, "ALLUSERS=1"), 0u);
    EXPECT_EQ(installedVersions().size(), 1u);
    EXPECT_TRUE(exists(directory + "Velkorin.exe"));
    EXPECT_FALSE(exists(olderDirectory + "Velkorin.exe"));
    EXPECT_EQ(readWholeFile(eventFolder() + "InformationSW"), events);
    expectUsersFilesKept(eventFolder());
    for (const char *moved : {"InformationSW", "InformationSW.20261207-120000.bak", "Velkorin.log"})
        EXPECT_FALSE(exists(olderDirectory + moved)) << moved;
    EXPECT_EQ(std::string(storedValue(HKEY_LOCAL_MACHINE, runKey, "Velkorin").c_str()),
              "\"" + directory + "Velkorin.exe\"");
    EXPECT_EQ(storedValue(HKEY_LOCAL_MACHINE, runKey, "Velkorin", KEY_WOW64_32KEY), "<none>");
    expectItStarts(directory, "", 1);
}
