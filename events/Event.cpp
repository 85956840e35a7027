// The event record's field table, repeat kinds and the number parser.
#include "Event.h"

const std::array<EventFieldInfo, eventFieldCount> eventFields = {{
    {"Date&Time", matchKeyCapacity, &Event::matchKey},
    {"Restart", actionCapacity, &Event::restart},
    {"Shut down", actionCapacity, &Event::shutDown},
    {"Repeat", repeatCapacity, &Event::repeat},
    {"Year", numberCapacity, &Event::year},
    {"Month", numberCapacity, &Event::month},
    {"Day", numberCapacity, &Event::day},
    {"H", numberCapacity, &Event::hour},
    {"M", numberCapacity, &Event::minute},
    {"S", numberCapacity, &Event::second},
    {"DayOfWeek", numberCapacity, &Event::dayOfWeek},
}};

void cutToCapacity(std::string &text, std::size_t capacity) {
    if (capacity > 0 && text.size() > capacity - 1)
        text.resize(capacity - 1);
}

RepeatKind repeatKindOf(std::string_view repeat) {
    if (repeat.empty())
        return RepeatKind::OneTime;
    if (repeat == "Hourly")
        return RepeatKind::Hourly;
    if (repeat == "Daily")
        return RepeatKind::Daily;
    if (repeat == "Weekly")
        return RepeatKind::Weekly;
    if (repeat == "Monthly")
        return RepeatKind::Monthly;
    if (repeat == "Yearly")
        return RepeatKind::Yearly;
    return RepeatKind::Unknown;
}

PowerAction powerActionOf(const Event &event) {
    if (!event.shutDown.empty())
        return PowerAction::ShutDown;
    if (!event.restart.empty())
        return PowerAction::Restart;
    return PowerAction::None;
}

bool winsOver(PowerAction challenger, PowerAction held) {
    return challenger == PowerAction::ShutDown && held != PowerAction::ShutDown;
}

const char *actionName(PowerAction action) {
    switch (action) {
    case PowerAction::Restart: return "restart";
    case PowerAction::ShutDown: return "shut down";
    case PowerAction::None: break;
    }
    return "";
}

std::int32_t parseNumber(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    bool negative = false;
    if (at < text.size() && text[at] == '-') {
        negative = true;
        ++at;
    } else if (at < text.size() && text[at] == '+') {
        ++at;
    }
    // Unsigned arithmetic wraps modulo 2^32 without undefined behaviour; a byte that is not a
    // digit ends the number, so a stray letter or colon never counts as one.
    std::uint32_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = value * 10u + static_cast<std::uint32_t>(text[at] - '0');
    if (negative)
        value = 0u - value;
    return static_cast<std::int32_t>(value);
}

void appendTwoDigits(std::string &text, int number) {
    // "%2d" written by hand: the event file and the table write it hundreds of thousands of
    // times at a start with many events.
    char digits[12];
    char *start = digits + sizeof digits;
    unsigned magnitude =
        number < 0 ? 0u - static_cast<unsigned>(number) : static_cast<unsigned>(number);
    do {
        *--start = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    if (number < 0)
        *--start = '-';
    if (digits + sizeof digits - start < 2)
        *--start = ' ';
    text.append(start, static_cast<std::size_t>(digits + sizeof digits - start));
}

std::string zeroPaddedTwoDigits(int number) {
    return {static_cast<char>('0' + number / 10 % 10), static_cast<char>('0' + number % 10)};
}

std::string formatTwoDigits(int number) {
    std::string text;
    appendTwoDigits(text, number);
    return text;
}
