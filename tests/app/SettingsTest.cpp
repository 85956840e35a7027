// The settings store under Wine, read back with the registry functions: the byte forms of
// every write (all in the user's key), values of odd sizes and types read safely, the order of
// the places a setting is read from, the policies that fix one, the Run entry and the folder
// of the computer's events.
#include "Settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char settingsKey[] = "Software\\MarbrookVKRN\\Velkorin";
const char runKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool stored(HKEY root, const char *key, const char *name, std::vector<BYTE> &data,
            DWORD *type = nullptr) {
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    DWORD size = 0, kind = 0;
    LONG result = RegQueryValueExA(opened, name, nullptr, &kind, nullptr, &size);
    data.assign(size, 0);
    if (result == ERROR_SUCCESS && size)
        result = RegQueryValueExA(opened, name, nullptr, &kind, data.data(), &size);
    RegCloseKey(opened);
    if (type)
        *type = kind;
    return result == ERROR_SUCCESS;
}

// The user's own choice, as the program or a tool wrote it.
void store(const char *name, DWORD type, const std::vector<BYTE> &data) {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

const char virtualStoreKey[] =
    "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\MarbrookVKRN\\Velkorin";

void storeIn(HKEY root, const char *key, REGSAM view, const char *name,
             const std::vector<BYTE> &data) {
    HKEY opened;
    ASSERT_EQ(
        RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE | view, nullptr, &opened, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(opened, name, 0, REG_SZ, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(opened);
}

bool storedIn(HKEY root, const char *key, REGSAM view, const char *name) {
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return false;
    const bool found =
        RegQueryValueExA(opened, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(opened);
    return found;
}

const char policiesKey[] = "Software\\Policies\\MarbrookVKRN\\Velkorin";

void forgetEverySetting() {
    RegDeleteTreeA(HKEY_CURRENT_USER, virtualStoreKey);
    RegDeleteTreeA(HKEY_CURRENT_USER, settingsKey);
    RegDeleteTreeA(HKEY_CURRENT_USER, policiesKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, policiesKey);
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY opened;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, settingsKey, 0, KEY_ALL_ACCESS | view, &opened) ==
            ERROR_SUCCESS) {
            RegDeleteTreeA(opened, nullptr);
            RegCloseKey(opened);
        }
    }
}

} // namespace

TEST(Settings, EveryWriteHasItsByteForm) {
    std::vector<BYTE> data;
    DWORD type = 0;
    ASSERT_TRUE(writeFontColour(RGB(0x12, 0x34, 0x56)));
    ASSERT_TRUE(stored(HKEY_CURRENT_USER, settingsKey, fontColorValue, data, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, (std::vector<BYTE>{0x12, 0x34, 0x56, 0}));

    ASSERT_TRUE(writeIntegerSetting(skinsValue, 0x01020304));
    ASSERT_TRUE(stored(HKEY_CURRENT_USER, settingsKey, skinsValue, data, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    ASSERT_EQ(data.size(), 10u);
    EXPECT_EQ(std::vector<BYTE>(data.begin(), data.begin() + 4), (std::vector<BYTE>{4, 3, 2, 1}));

    ASSERT_TRUE(writeFlag(minimizeValue, true));
    ASSERT_TRUE(stored(HKEY_CURRENT_USER, settingsKey, minimizeValue, data, &type));
    ASSERT_EQ(data.size(), 10u);
    EXPECT_EQ(data[0], '1');
    EXPECT_EQ(data[1], 0);
    writeFlag(minimizeValue, false);
    ASSERT_TRUE(stored(HKEY_CURRENT_USER, settingsKey, minimizeValue, data));
    EXPECT_EQ(data[0], '0');
}

TEST(Settings, OnlyTheLeadingBytesCountAndShortOrForeignValuesReadAsMissing) {
    store(todayValue, REG_SZ, {1, 0, 0, 0, 'j', 'u', 'n', 'k', '!', '?', 'x', 'y'});
    int today = 7;
    EXPECT_TRUE(readIntegerSetting(todayValue, today));
    EXPECT_EQ(today, 1);

    store(todayValue, REG_SZ, {1, 0});
    today = 7;
    EXPECT_FALSE(readIntegerSetting(todayValue, today));
    EXPECT_EQ(today, 7);

    store(fontColorValue, REG_SZ, {0x80}); // one byte: nothing of the memory after it is read
    COLORREF colour = RGB(1, 2, 3);
    EXPECT_FALSE(readFontColour(colour));
    EXPECT_EQ(colour, RGB(1, 2, 3));
    store(fontColorValue, REG_BINARY, {0x10, 0x20, 0x30, 0});
    EXPECT_FALSE(readFontColour(colour));
    store(fontColorValue, REG_DWORD, {0x10, 0x20, 0x30}); // cut short
    EXPECT_FALSE(readFontColour(colour));
    EXPECT_EQ(colour, RGB(1, 2, 3));
    store(fontColorValue, REG_SZ, {0x10, 0x20, 0x30, 0, 0x55, 0x66});
    EXPECT_TRUE(readFontColour(colour));
    EXPECT_EQ(colour, RGB(0x10, 0x20, 0x30));

    store(minimizeValue, REG_SZ, {'1', 'x'});
    EXPECT_EQ(readFlag(minimizeValue), '1');
    EXPECT_EQ(readFlag(minimizeValue, MissingKey::Leave), '1');
    store(minimizeValue, REG_SZ, {});
    EXPECT_EQ(readFlag(minimizeValue), '\0');
}

// Numbers written as REG_DWORD, as by Group Policy or a tool: the colour as a COLORREF, the
// integer settings as themselves.
TEST(Settings, NumbersWrittenByGroupPolicyAreRead) {
    store(fontColorValue, REG_DWORD, {0x10, 0x20, 0x30, 0x7f});
    COLORREF colour = 0;
    EXPECT_TRUE(readFontColour(colour));
    EXPECT_EQ(colour, RGB(0x10, 0x20, 0x30)); // the top byte is no colour
    store(skinsValue, REG_DWORD, {1, 0, 0, 0});
    int skin = 0;
    EXPECT_TRUE(readIntegerSetting(skinsValue, skin));
    EXPECT_EQ(skin, 1);
    // The program's own writes stay in their REG_SZ form.
    writeIntegerSetting(skinsValue, 0);
    std::vector<BYTE> data;
    DWORD type = 0;
    ASSERT_TRUE(stored(HKEY_CURRENT_USER, settingsKey, skinsValue, data, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

TEST(Settings, TheSettingsDialogsReadsNeverCreateTheKey) {
    forgetEverySetting();
    EXPECT_EQ(readFlag(loadValue, MissingKey::Leave), '\0');
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(readFlag(loadValue), '\0'); // the main window's reads create it
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(Settings, TheRunValueHoldsTheWholePathInQuotes) {
    const std::string path = "C:\\Program Files\\Velkorin\\Velkorin.exe";
    const std::string data = runEntryData(path);
    ASSERT_EQ(data.size(), 100u);
    EXPECT_EQ(data.substr(0, path.size() + 3), "\"" + path + "\"" + std::string(1, '\0'));
    EXPECT_EQ(data.find_first_not_of('\0', path.size() + 2), std::string::npos);

    const std::string longPath = "C:\\" + std::string(250, 'd') + "\\Velkorin.exe";
    EXPECT_EQ(runEntryData(longPath), "\"" + longPath + "\"" + std::string(1, '\0'));

    ASSERT_TRUE(setRunEntry(path));
    std::vector<BYTE> stored_;
    DWORD type = 0;
    ASSERT_TRUE(stored(HKEY_CURRENT_USER, runKey, "Velkorin", stored_, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(stored_.begin(), stored_.end()), data);
    EXPECT_FALSE(stored(HKEY_LOCAL_MACHINE, runKey, "Velkorin", stored_));
    deleteRunEntry();
    EXPECT_FALSE(stored(HKEY_CURRENT_USER, runKey, "Velkorin", stored_));
}

// An older Velkorin kept its settings in the computer's key: the 64-bit view, the 32-bit view,
// or, for a standard user, that user's virtualised copy of it. Nothing set there is lost while
// the user has not chosen otherwise, and nothing there is written.
TEST(Settings, WhatAnOlderVelkorinSetIsReadWhereTheUsersOwnKeyHasNone) {
    forgetEverySetting();
    storeIn(HKEY_LOCAL_MACHINE, settingsKey, KEY_WOW64_32KEY, skinsValue, {1, 0, 0, 0});
    storeIn(HKEY_LOCAL_MACHINE, settingsKey, KEY_WOW64_32KEY, minimizeValue, {'1', 0});
    storeIn(HKEY_LOCAL_MACHINE, settingsKey, KEY_WOW64_32KEY, todayValue, {0, 0, 0, 0});
    storeIn(HKEY_CURRENT_USER, virtualStoreKey, 0, todayValue, {1, 0, 0, 0});
    storeIn(HKEY_CURRENT_USER, virtualStoreKey, 0, fontColorValue, {0x10, 0x20, 0x30, 0});
    int skin = 0, today = 0;
    COLORREF colour = 0;
    EXPECT_TRUE(readIntegerSetting(skinsValue, skin));
    EXPECT_EQ(skin, 1);
    EXPECT_EQ(readFlag(minimizeValue), '1');
    EXPECT_EQ(readFlag(minimizeValue, MissingKey::Leave), '1');
    EXPECT_TRUE(readIntegerSetting(todayValue, today)); // the user's own copy comes first
    EXPECT_EQ(today, 1);
    EXPECT_TRUE(readFontColour(colour));
    EXPECT_EQ(colour, RGB(0x10, 0x20, 0x30));

    // What the program writes is the user's own from then on, and the older places stay as
    // they were.
    ASSERT_TRUE(writeIntegerSetting(skinsValue, 0));
    ASSERT_TRUE(writeFlag(minimizeValue, false));
    EXPECT_TRUE(readIntegerSetting(skinsValue, skin));
    EXPECT_EQ(skin, 0);
    EXPECT_EQ(readFlag(minimizeValue), '0');
    std::vector<BYTE> data;
    ASSERT_TRUE(stored(HKEY_CURRENT_USER, settingsKey, skinsValue, data));
    EXPECT_EQ(data[0], 0);
    EXPECT_FALSE(storedIn(HKEY_LOCAL_MACHINE, settingsKey, KEY_WOW64_64KEY, skinsValue));
    HKEY older;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, settingsKey, 0, KEY_READ | KEY_WOW64_32KEY, &older),
              ERROR_SUCCESS);
    BYTE olderSkin[4] = {};
    DWORD size = sizeof olderSkin;
    RegQueryValueExA(older, skinsValue, nullptr, nullptr, olderSkin, &size);
    RegCloseKey(older);
    EXPECT_EQ(olderSkin[0], 1);
    forgetEverySetting();
}

// A value in the computer's 64-bit view, written by an older 64-bit Velkorin run by an
// administrator or by a deployment of preferences, comes after the user's own choice.
TEST(Settings, TheUsersOwnChoiceComesBeforeTheComputersKey) {
    forgetEverySetting();
    storeIn(HKEY_LOCAL_MACHINE, settingsKey, KEY_WOW64_64KEY, skinsValue, {1, 0, 0, 0});
    storeIn(HKEY_LOCAL_MACHINE, settingsKey, KEY_WOW64_32KEY, skinsValue, {2, 0, 0, 0});
    int skin = 0;
    EXPECT_TRUE(readIntegerSetting(skinsValue, skin));
    EXPECT_EQ(skin, 1);
    ASSERT_TRUE(writeIntegerSetting(skinsValue, 0));
    EXPECT_TRUE(readIntegerSetting(skinsValue, skin));
    EXPECT_EQ(skin, 0);
    forgetEverySetting();
}

namespace {

void storeNumber(HKEY root, const char *key, const char *name, DWORD number) {
    HKEY opened;
    ASSERT_EQ(RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr,
                              &opened, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(opened, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number),
                   sizeof number);
    RegCloseKey(opened);
}

} // namespace

// A policy fixes a setting: the computer's wins over the user's, either wins over the user's
// own choice, and the program's writes leave the setting as the policy has it.
TEST(Settings, PoliciesOfTheComputerThenOfTheUserFixASetting) {
    forgetEverySetting();
    store(skinsValue, REG_SZ, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(fixedByPolicy(skinsValue));
    storeNumber(HKEY_CURRENT_USER, policiesKey, skinsValue, 1);
    int skin = 0;
    EXPECT_TRUE(readIntegerSetting(skinsValue, skin));
    EXPECT_EQ(skin, 1);
    EXPECT_TRUE(fixedByPolicy(skinsValue));
    storeNumber(HKEY_LOCAL_MACHINE, policiesKey, skinsValue, 0);
    EXPECT_TRUE(readIntegerSetting(skinsValue, skin));
    EXPECT_EQ(skin, 0);

    // Fixed, the setting is not written: the user's own value stays as it was.
    EXPECT_FALSE(writeIntegerSetting(skinsValue, 1));
    std::vector<BYTE> data;
    ASSERT_TRUE(stored(HKEY_CURRENT_USER, settingsKey, skinsValue, data));
    EXPECT_EQ(data[0], 0);

    // Every setting a policy may fix, in the policy's REG_DWORD.
    storeNumber(HKEY_LOCAL_MACHINE, policiesKey, fontColorValue, 0x00302010);
    storeNumber(HKEY_CURRENT_USER, policiesKey, todayValue, 1);
    storeNumber(HKEY_LOCAL_MACHINE, policiesKey, minimizeValue, 1);
    COLORREF colour = 0;
    int today = 0;
    EXPECT_TRUE(readFontColour(colour));
    EXPECT_EQ(colour, RGB(0x10, 0x20, 0x30));
    EXPECT_TRUE(readIntegerSetting(todayValue, today));
    EXPECT_EQ(today, 1);
    EXPECT_EQ(readFlag(minimizeValue), '1');
    EXPECT_EQ(readFlag(minimizeValue, MissingKey::Leave), '1');
    EXPECT_FALSE(writeFontColour(RGB(1, 2, 3)));
    EXPECT_FALSE(writeFlag(minimizeValue, false));
    EXPECT_EQ(readFlag(minimizeValue), '1');
    storeNumber(HKEY_LOCAL_MACHINE, policiesKey, minimizeValue, 0);
    EXPECT_EQ(readFlag(minimizeValue), '0');
    EXPECT_FALSE(fixedByPolicy(loadValue));
    forgetEverySetting();
}

// Start with Windows is the user's Run value; one in the computer's Run key, either view, is
// its owner's: the program shows it and never deletes it.
TEST(Settings, TheComputersRunValueIsLeftToItsOwner) {
    deleteRunEntry();
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        EXPECT_FALSE(startedForEveryUser());
        storeIn(HKEY_LOCAL_MACHINE, runKey, view, "Velkorin", {'x', 0});
        EXPECT_TRUE(startedForEveryUser());
        storeIn(HKEY_CURRENT_USER, runKey, 0, "Velkorin", {'x', 0});
        deleteRunEntry();
        EXPECT_FALSE(storedIn(HKEY_CURRENT_USER, runKey, 0, "Velkorin"));
        EXPECT_TRUE(storedIn(HKEY_LOCAL_MACHINE, runKey, view, "Velkorin"));
        HKEY key;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, runKey, 0, KEY_SET_VALUE | view, &key);
        RegDeleteValueA(key, "Velkorin");
        RegCloseKey(key);
    }
}

// The computer's events are the installed program's only; the folder is made when it has gone.
TEST(Settings, TheComputersEventFolderIsTheProgramInstalledForAllUsers) {
    const char installerKey[] = "Software\\Marbrook\\Velkorin Installer";
    char temporary[MAX_PATH];
    GetTempPathA(MAX_PATH, temporary);
    const std::string installed = std::string(temporary) + "Program Files\\Velkorin\\";
    const std::string events = std::string(temporary) + "ProgramData\\Velkorin\\";
    RemoveDirectoryA(events.c_str());
    EXPECT_EQ(eventDirectoryFor(installed), installed); // nothing named

    storeIn(HKEY_LOCAL_MACHINE, settingsKey, KEY_WOW64_64KEY, "EventFolder",
            std::vector<BYTE>(events.begin(), events.end() - 1)); // without its backslash
    storeIn(HKEY_LOCAL_MACHINE, installerKey, KEY_WOW64_64KEY, "InstallDir",
            std::vector<BYTE>(installed.begin(), installed.end()));
    CreateDirectoryA((std::string(temporary) + "ProgramData").c_str(), nullptr);
    EXPECT_EQ(eventDirectoryFor(installed), events);
    EXPECT_NE(GetFileAttributesA(events.c_str()), INVALID_FILE_ATTRIBUTES);
    std::string otherCase = installed;
    otherCase[otherCase.size() - 3] = 'I'; // "VelkorIn\": the file system does not care
    EXPECT_EQ(eventDirectoryFor(otherCase), events);
    const std::string elsewhere = std::string(temporary) + "Unpacked\\";
    EXPECT_EQ(eventDirectoryFor(elsewhere), elsewhere);

    HKEY key;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, settingsKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key);
    RegDeleteValueA(key, "EventFolder");
    RegCloseKey(key);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, installerKey);
    RemoveDirectoryA(events.c_str());
}
