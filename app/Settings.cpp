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

namespace {

const char settingsKey[] = "Software\\MarbrookVKRN\\Velkorin";
const char runKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
const char runValue[] = "Velkorin";
constexpr std::size_t runEntryBytes = 100;

// The stored forms: an integer setting is its four bytes and six more, a flag text its
// character, a zero byte and eight more; the bytes after the meaning are zero.
constexpr DWORD colourBytes = 4;
constexpr DWORD integerFormBytes = 10;
constexpr DWORD flagFormBytes = 10;

// Where a setting may stand. This 64-bit program keeps its settings in the 64-bit view of the
// machine's key. A value missing there may still be where a 32-bit Velkorin kept it: in this
// user's virtualised copy of the 32-bit view (a standard user's writes went there), or in the
// 32-bit view itself. Those are read, never written, so nothing a user set is lost by the upgrade.
struct Place {
    HKEY root;
    const char *path;
    REGSAM view;
};
const char virtualStoreKey[] =
    "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\MarbrookVKRN\\Velkorin";
const Place ownPlace = {HKEY_LOCAL_MACHINE, settingsKey, KEY_WOW64_64KEY};
const Place olderPlaces[] = {{HKEY_CURRENT_USER, virtualStoreKey, KEY_WOW64_64KEY},
                             {HKEY_LOCAL_MACHINE, settingsKey, KEY_WOW64_32KEY}};

class SettingsKey {
public:
    // The program's own key, for writing and reading, created when asked.
    explicit SettingsKey(bool create) { open(ownPlace, create); }
    // The key a value is read from: the program's own (created when asked), or, when that does
    // not hold the value, the first older place that does.
    SettingsKey(const char *name, bool create) {
        open(ownPlace, create);
        for (const Place &older : olderPlaces) {
            if (holds(name))
                return;
            close();
            open(older, false);
        }
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

char firstCharacter(const char *name, bool create) {
    BYTE first = 0;
    return SettingsKey(name, create).read(name, &first, 1) == 1 ? static_cast<char>(first) : '\0';
}

} // namespace

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

char readFlag(const char *name) {
    return firstCharacter(name, true);
}

bool writeFontColour(COLORREF colour) {
    const BYTE data[colourBytes] = {GetRValue(colour), GetGValue(colour), GetBValue(colour), 0};
    return SettingsKey(true).write(fontColorValue, data, colourBytes);
}

bool writeIntegerSetting(const char *name, int value) {
    BYTE data[integerFormBytes] = {};
    const DWORD bits = static_cast<DWORD>(value);
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<BYTE>(bits >> (8 * i));
    return SettingsKey(true).write(name, data, integerFormBytes);
}

bool writeFlag(const char *name, bool on) {
    BYTE data[flagFormBytes] = {static_cast<BYTE>(on ? '1' : '0')};
    return SettingsKey(true).write(name, data, flagFormBytes);
}

char queryFlag(const char *name) {
    return firstCharacter(name, false);
}

std::string runEntryData(const std::string &executablePath) {
    std::string data = "\"" + executablePath + "\"";
    data.push_back('\0');
    if (data.size() < runEntryBytes)
        data.resize(runEntryBytes, '\0');
    return data;
}

namespace {

// The path in the ANSI form when the code page holds every character of it; else in UTF-16,
// quoted and ended with its zero the same way.
bool writeRunValue(HKEY root, const std::string &utf8Path) {
    HKEY key;
    if (RegCreateKeyExA(root, runKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    std::string ansi;
    LONG result;
    if (ansiOf(utf8Path, ansi)) {
        const std::string data = runEntryData(ansi);
        result =
            RegSetValueExA(key, runValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.data()),
                           static_cast<DWORD>(data.size()));
    } else {
        std::wstring data = L"\"" + wideOf(utf8Path) + L"\"";
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

void deleteRunValue(HKEY root, REGSAM view) {
    HKEY key;
    if (RegOpenKeyExA(root, runKey, 0, KEY_SET_VALUE | view, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, runValue);
    RegCloseKey(key);
}

} // namespace

bool setRunEntry(const std::string &executablePath) {
    // The machine's Run key is never virtualised: a standard user may not write it, and the
    // box would show ticked while nothing starts. The user's own key starts it for that user.
    if (writeRunValue(HKEY_LOCAL_MACHINE, executablePath))
        return true;
    return writeRunValue(HKEY_CURRENT_USER, executablePath);
}

// Windows starts what either view of the machine's Run key names: a value a 32-bit Velkorin
// left in the 32-bit view would go on starting the old path.
void deleteRunEntry() {
    deleteRunValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
    deleteRunValue(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY);
    deleteRunValue(HKEY_CURRENT_USER, 0);
}
