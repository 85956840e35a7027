// The settings store on the registry.
#include "Settings.h"

#include "ProgramPaths.h"

#include <cstring>
#include <vector>

const char fontColorValue[] = "FontColor";
const char todayValue[] = "Today";
const char skinsValue[] = "Skins";
const char minimizeValue[] = "Minimize";
const char loadValue[] = "Load";
const char laterMinutesValue[] = "LaterMinutes";

namespace {

const char settingsKey[] = "Software\\MarbrookVKRN\\Velkorin";
const char policiesKey[] = "Software\\Policies\\MarbrookVKRN\\Velkorin";
const char runKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
const char runValue[] = "Velkorin";
constexpr std::size_t runEntryBytes = 100;

// The stored forms: an integer setting is its four bytes and six more, a flag text its
// character, a zero byte and eight more; the bytes after the meaning are zero.
constexpr DWORD colourBytes = 4;
constexpr DWORD integerFormBytes = 10;
constexpr DWORD flagFormBytes = 10;

// Where a setting may stand, first place first. The administrator's policies, the computer's
// before the user's, fix a setting; then comes the user's own choice, the one place the program
// writes. Then what was set for the whole computer: by an older Velkorin in the machine's key
// (the 64-bit view, a standard user's virtualised copy of the 32-bit view, the 32-bit view),
// or by a deployment of preferences. Those are read, never written, so nothing set there is lost.
struct Place {
    HKEY root;
    const char *path;
    REGSAM view;
};
const char virtualStoreKey[] =
    "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\MarbrookVKRN\\Velkorin";
const Place policyPlaces[] = {{HKEY_LOCAL_MACHINE, policiesKey, KEY_WOW64_64KEY},
                              {HKEY_CURRENT_USER, policiesKey, 0}};
const Place ownPlace = {HKEY_CURRENT_USER, settingsKey, 0};
const Place machinePlaces[] = {{HKEY_LOCAL_MACHINE, settingsKey, KEY_WOW64_64KEY},
                               {HKEY_CURRENT_USER, virtualStoreKey, 0},
                               {HKEY_LOCAL_MACHINE, settingsKey, KEY_WOW64_32KEY}};

class SettingsKey {
public:
    // The user's own key, for writing and reading, created when asked.
    explicit SettingsKey(bool create) { open(ownPlace, create); }
    // The key a value is read from: the first place that holds it. The user's own key is
    // created on the way when asked.
    SettingsKey(const char *name, bool create) {
        if (openHolding(policyPlaces, name))
            return;
        open(ownPlace, create);
        if (holds(name))
            return;
        close();
        openHolding(machinePlaces, name);
    }
    ~SettingsKey() { close(); }
    SettingsKey(const SettingsKey &) = delete;
    SettingsKey &operator=(const SettingsKey &) = delete;

    // At most capacity bytes of a REG_SZ value; the count of bytes read, or -1 when the value
    // is missing or of another type.
    long read(const char *name, BYTE *data, DWORD capacity) const {
        if (!key_)
            return -1;
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            type != REG_SZ)
            return -1;
        // Longer values are read whole into a buffer of their size, then cut: only the
        // leading bytes have a meaning.
        std::vector<BYTE> whole(size + 1);
        DWORD got = size;
        LONG result = RegQueryValueExA(key_, name, nullptr, &type, whole.data(), &got);
        long count = -1;
        if (result == ERROR_SUCCESS && type == REG_SZ) {
            count = static_cast<long>(got < capacity ? got : capacity);
            std::memcpy(data, whole.data(), static_cast<std::size_t>(count));
        }
        return count;
    }

    // A REG_DWORD value, as Group Policy writes numbers; false for any other type.
    bool readNumber(const char *name, DWORD &number) const {
        DWORD type = 0, size = sizeof number;
        return key_ &&
               RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE *>(&number),
                                &size) == ERROR_SUCCESS &&
               type == REG_DWORD && size == sizeof number;
    }

    bool write(const char *name, const BYTE *data, DWORD size) const {
        return key_ && RegSetValueExA(key_, name, 0, REG_SZ, data, size) == ERROR_SUCCESS;
    }

private:
    // The first of these places that holds the value, left open; false when none does.
    template <std::size_t count> bool openHolding(const Place (&places)[count], const char *name) {
        for (const Place &place : places) {
            open(place, false);
            if (holds(name))
                return true;
            close();
        }
        return false;
    }
    void open(const Place &place, bool create) {
        const LONG opened =
            create ? RegCreateKeyExA(place.root, place.path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_READ | KEY_WRITE | place.view, nullptr, &key_, nullptr)
                   : RegOpenKeyExA(place.root, place.path, 0, KEY_READ | place.view, &key_);
        if (opened != ERROR_SUCCESS)
            key_ = nullptr;
    }
    void close() {
        if (key_)
            RegCloseKey(key_);
        key_ = nullptr;
    }
    bool holds(const char *name) const {
        return key_ &&
               RegQueryValueExA(key_, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }

    HKEY key_ = nullptr;
};

// A flag set by Group Policy is a REG_DWORD 0 or 1, the program's own the text "1" or "0".
char firstCharacter(const char *name, bool create) {
    const SettingsKey key(name, create);
    DWORD number = 0;
    if (key.readNumber(name, number))
        return number == 1 ? '1' : '0';
    BYTE first = 0;
    return key.read(name, &first, 1) == 1 ? static_cast<char>(first) : '\0';
}

bool inPlace(const Place &place, const char *name) {
    HKEY key;
    if (RegOpenKeyExA(place.root, place.path, 0, KEY_QUERY_VALUE | place.view, &key) !=
        ERROR_SUCCESS)
        return false;
    const bool found =
        RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

// The user's own key takes the value, unless a policy fixes the setting.
bool writeOwn(const char *name, const BYTE *data, DWORD size) {
    return !fixedByPolicy(name) && SettingsKey(true).write(name, data, size);
}

} // namespace

bool readPolicyNumber(const char *name, DWORD &value) {
    for (const Place &place : policyPlaces) {
        DWORD size = sizeof value;
        if (RegGetValueA(place.root, place.path, name, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
            ERROR_SUCCESS)
            return true;
    }
    return false;
}

bool fixedByPolicy(const char *name) {
    for (const Place &place : policyPlaces)
        if (inPlace(place, name))
            return true;
    return false;
}

bool readFontColour(COLORREF &colour) {
    const SettingsKey key(fontColorValue, true);
    DWORD number = 0;
    if (key.readNumber(fontColorValue, number)) {
        colour = number & 0xFFFFFF;
        return true;
    }
    BYTE data[colourBytes] = {};
    if (key.read(fontColorValue, data, colourBytes) < static_cast<long>(colourBytes))
        return false;
    colour = RGB(data[0], data[1], data[2]);
    return true;
}

bool readIntegerSetting(const char *name, int &value) {
    const SettingsKey key(name, true);
    DWORD number = 0;
    if (key.readNumber(name, number)) {
        value = static_cast<int>(number);
        return true;
    }
    BYTE data[4] = {};
    if (key.read(name, data, sizeof data) < 4)
        return false;
    value = static_cast<int>(static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 |
                             static_cast<DWORD>(data[2]) << 16 | static_cast<DWORD>(data[3]) << 24);
    return true;
}

char readFlag(const char *name, MissingKey missing) {
    return firstCharacter(name, missing == MissingKey::Create);
}

bool writeFontColour(COLORREF colour) {
    const BYTE data[colourBytes] = {GetRValue(colour), GetGValue(colour), GetBValue(colour), 0};
    return writeOwn(fontColorValue, data, colourBytes);
}

bool writeIntegerSetting(const char *name, int value) {
    BYTE data[integerFormBytes] = {};
    const DWORD bits = static_cast<DWORD>(value);
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<BYTE>(bits >> (8 * i));
    return writeOwn(name, data, integerFormBytes);
}

bool writeFlag(const char *name, bool on) {
    BYTE data[flagFormBytes] = {static_cast<BYTE>(on ? '1' : '0')};
    return writeOwn(name, data, flagFormBytes);
}

std::string runEntryData(const std::string &executablePath) {
    std::string data = "\"" + executablePath + "\"";
    data.push_back('\0');
    if (data.size() < runEntryBytes)
        data.resize(runEntryBytes, '\0');
    return data;
}

// The path in the ANSI form when the code page holds every character of it; else in UTF-16,
// quoted and ended with its zero the same way.
bool setRunEntry(const std::string &executablePath) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, runKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    std::string ansi;
    LONG result;
    if (ansiOf(executablePath, ansi)) {
        const std::string data = runEntryData(ansi);
        result =
            RegSetValueExA(key, runValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.data()),
                           static_cast<DWORD>(data.size()));
    } else {
        std::wstring data = L"\"" + wideOf(executablePath) + L"\"";
        data.push_back(L'\0');
        if (data.size() * sizeof(wchar_t) < runEntryBytes)
            data.resize(runEntryBytes / sizeof(wchar_t), L'\0');
        result =
            RegSetValueExW(key, L"Velkorin", 0, REG_SZ, reinterpret_cast<const BYTE *>(data.data()),
                           static_cast<DWORD>(data.size() * sizeof(wchar_t)));
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

void deleteRunEntry() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, runKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, runValue);
    RegCloseKey(key);
}

bool startedForEveryUser() {
    return inPlace({HKEY_LOCAL_MACHINE, runKey, KEY_WOW64_64KEY}, runValue) ||
           inPlace({HKEY_LOCAL_MACHINE, runKey, KEY_WOW64_32KEY}, runValue);
}

namespace {

const char eventFolderValue[] = "EventFolder";
const char installerKey[] = "Software\\Marbrook\\Velkorin Installer";
const char installDirValue[] = "InstallDir";

// A REG_SZ of the machine's 64-bit view, in UTF-8; empty when missing.
std::string machineText(const char *path, const char *name) {
    const std::wstring widePath = wideOf(path), wideName = wideOf(name);
    const DWORD flags = RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY;
    DWORD size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, widePath.c_str(), wideName.c_str(), flags, nullptr,
                     nullptr, &size) != ERROR_SUCCESS)
        return "";
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegGetValueW(HKEY_LOCAL_MACHINE, widePath.c_str(), wideName.c_str(), flags, nullptr,
                     &text[0], &size) != ERROR_SUCCESS)
        return "";
    text.resize(wcsnlen(text.c_str(), text.size())); // the value comes with its zero
    return narrowOf(text);
}

std::string withBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

bool sameFolder(const std::string &a, const std::string &b) {
    const std::wstring wa = wideOf(withBackslash(a)), wb = wideOf(withBackslash(b));
    return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                                static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

} // namespace

std::string eventDirectoryFor(const std::string &programDirectory) {
    const std::string folder = withBackslash(machineText(settingsKey, eventFolderValue));
    if (folder.empty() || !sameFolder(machineText(installerKey, installDirValue), programDirectory))
        return programDirectory;
    CreateDirectoryW(fileSystemPath(folder).c_str(), nullptr); // the package made it; once gone
    return folder;
}
