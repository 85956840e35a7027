// The event record: eleven texts with fixed capacities, the repeat kinds and the number parser.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// One scheduled event. Each text holds at most its field's capacity less one character.
struct Event {
    std::string matchKey; // compared with the clock text of the repeat kind
    std::string restart;  // "Restart" or empty
    std::string shutDown; // "Shut down" or empty
    std::string repeat;   // empty for a one-time event, else the repeat kind's text
    std::string year;
    std::string month;
    std::string day;
    std::string hour;
    std::string minute;
    std::string second;
    std::string dayOfWeek; // stored for Weekly events, never interpreted
};

struct EventFieldInfo {
    const char *name;     // list column header and event file section
    std::size_t capacity; // buffer size including the terminator
    std::string Event::*member;
};

constexpr int eventFieldCount = 11;

// The fields in the order the event file writes them, and their indexes in it.
enum EventFieldIndex : std::size_t {
    matchKeyField,
    restartField,
    shutDownField,
    repeatField,
    yearField,
    monthField,
    dayField,
    hourField,
    minuteField,
    secondField,
    dayOfWeekField
};
extern const std::array<EventFieldInfo, eventFieldCount> eventFields;

// The fields' capacities, each its buffer size including the terminator.
constexpr std::size_t matchKeyCapacity = 200;
constexpr std::size_t actionCapacity = 10; // "Restart", "Shut down"
constexpr std::size_t repeatCapacity = 10; // the repeat kind's text
constexpr std::size_t numberCapacity = 20; // year, month, day, hour, minute, second, weekday

// Cuts a text to a field's capacity less one, the longest text the field holds.
void cutToCapacity(std::string &text, std::size_t capacity);

enum class RepeatKind { OneTime, Hourly, Daily, Weekly, Monthly, Yearly, Unknown };
// The kinds by number, from 0 for OneTime; the six before Unknown come due.
constexpr std::size_t dueKindCount = 6;
inline std::size_t slotOf(RepeatKind kind) {
    return static_cast<std::size_t>(kind);
}

// The kind named by a Repeat text, compared whole and case-sensitively; anything else is
// Unknown, a row that is never due and never reported as missed.
RepeatKind repeatKindOf(std::string_view repeat);

// A power action is set when its text is not empty; Shut down wins over Restart.
enum class PowerAction { None, Restart, ShutDown };
PowerAction powerActionOf(const Event &event);
// Of two actions due at one moment, whether the challenger wins over the one held (the earlier
// row's): Shut down wins over Restart; between equals the one held stays.
bool winsOver(PowerAction challenger, PowerAction held);
// "restart" or "shut down", as the history and the notices name an action; empty for None.
const char *actionName(PowerAction action);

// Reads a decimal number the way every event routine reads date and time texts: leading
// blanks and tabs skipped, one optional sign, digits until the first byte that is not one.
std::int32_t parseNumber(std::string_view text);

// "%2d": right-aligned in two characters, so 1 to 9 get a leading blank.
std::string formatTwoDigits(int number);
// "%02d" for 0 to 99: "07", as the time boxes' lists and the command line write numbers.
std::string zeroPaddedTwoDigits(int number);
void appendTwoDigits(std::string &text, int number);
