// The settings store: the program's few persistent settings in the registry, under
// HKEY_LOCAL_MACHINE "Software\MarbrookVKRN\Velkorin", and the Run entry.
#pragma once

#include <windows.h>

#include <string>

extern const char fontColorValue[]; // "FontColor": 4 bytes of a COLORREF
extern const char todayValue[];     // "Today": integer setting
extern const char skinsValue[];     // "Skins": integer setting
extern const char minimizeValue[];  // "Minimize": flag text
extern const char loadValue[];      // "Load": flag text

// The settings live in the 64-bit view of that key; a value missing there is read where a
// 32-bit Velkorin kept it (this user's virtualised copy of the 32-bit view, then the 32-bit
// view), and is never written back there.
// Each read opens the key (created when missing), reads one value and closes it. A value that
// is missing, of another type than REG_SZ or shorter than its form leaves the setting
// unchanged: only the bytes that are there are read. The font colour and the integer settings
// are read from a REG_DWORD as well, the form Group Policy writes numbers in; the program
// itself always writes the REG_SZ forms.
bool readFontColour(COLORREF &colour);
bool readIntegerSetting(const char *name, int &value);
// The first character of a flag text, or 0 when the value is missing or empty.
char readFlag(const char *name);

// Each write opens (or creates) the key, writes one REG_SZ value and closes it; false when
// the value could not be stored.
bool writeFontColour(COLORREF colour);
bool writeIntegerSetting(const char *name, int value);
bool writeFlag(const char *name, bool on);

// Reads a value of the settings key for the Settings dialog, which opens the key without
// creating it: the first character of a flag text, or 0.
char queryFlag(const char *name);

// Start with Windows: the Run value "Velkorin" holds the executable's whole path (UTF-8 here)
// in double quotes, so that Windows does not split it at a blank. Where the machine's Run key
// cannot be written (a standard user), the user's own Run key takes the value instead. False when
// neither could be written.
bool setRunEntry(const std::string &executablePath);
// Deletes the Run value from the user's key and from both views of the machine's.
void deleteRunEntry();

// The Run value's data: the quoted path, its terminating zero, and zero bytes up to 100.
std::string runEntryData(const std::string &executablePath);
