// The settings store: the program's few persistent settings in the registry, the user's under
// HKEY_CURRENT_USER "Software\MarbrookVKRN\Velkorin" below the administrator's policies, and
// the Run entry.
#pragma once

#include <windows.h>

#include <string>

extern const char fontColorValue[]; // "FontColor": 4 bytes of a COLORREF
extern const char todayValue[];     // "Today": integer setting
extern const char skinsValue[];     // "Skins": integer setting
extern const char minimizeValue[];  // "Minimize": flag text
extern const char loadValue[];      // "Load": flag text

// A setting is read from the first place that holds it: the policies of the computer, then of
// the user ("Software\Policies\MarbrookVKRN\Velkorin"), then the user's own key, then what an
// older Velkorin or a deployment of preferences left in the computer's key (either view, or a
// standard user's virtualised copy). Only the user's own key is ever written.
// Each read opens the key (the user's own created when missing), reads one value and closes it.
// A value that is missing, of another type than REG_SZ or shorter than its form leaves the
// setting unchanged: only the bytes that are there are read. The font colour, the integer
// settings and the flags are read from a REG_DWORD as well, the form Group Policy writes
// numbers in; the program itself always writes the REG_SZ forms.
bool readFontColour(COLORREF &colour);
bool readIntegerSetting(const char *name, int &value);
// The first character of a flag text, or 0 when the value is missing or empty. The main
// window's reads create the user's key when it is missing; the Settings dialog's leave it so.
enum class MissingKey { Create, Leave };
char readFlag(const char *name, MissingKey missing = MissingKey::Create);

// A policy of the computer or of the user holds this setting: the user cannot change it.
bool fixedByPolicy(const char *name);

// "LaterMinutes": the longest total delay of one action by Later, in minutes (0: no Later at
// all). Only a policy sets it, as a REG_DWORD; false when none does.
extern const char laterMinutesValue[];
bool readPolicyNumber(const char *name, DWORD &value);

// Each write opens (or creates) the user's key, writes one REG_SZ value and closes it; false
// when the value could not be stored, or a policy fixes the setting (nothing is written then).
bool writeFontColour(COLORREF colour);
bool writeIntegerSetting(const char *name, int value);
bool writeFlag(const char *name, bool on);

// Start with Windows: the Run value "Velkorin" in the user's own Run key holds the executable's
// whole path (UTF-8 here) in double quotes, so that Windows does not split it at a blank. False
// when it could not be written.
bool setRunEntry(const std::string &executablePath);
// Deletes the user's Run value.
void deleteRunEntry();
// The computer's Run key (either view) starts Velkorin for every user: put there by a policy or
// an older Velkorin, it is its owner's to change, never the program's.
bool startedForEveryUser();

// The Run value's data: the quoted path, its terminating zero, and zero bytes up to 100.
std::string runEntryData(const std::string &executablePath);

// Where the events live: beside the program, unless the program is the one installed for all
// users and the installer named the computer's event folder ("EventFolder" in the computer's
// settings key). That folder is made again when it has gone.
std::string eventDirectoryFor(const std::string &programDirectory);
