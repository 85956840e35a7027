// What loading left out.
#include "LeftOut.h"

#include "EventFileText.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

LeftOut leftOutOf(const ProfileDocument &document, std::size_t events) {
    LeftOut left;
    std::unordered_set<std::size_t> later;
    document.forEachKey(
        eventFields[0].name, [&](std::string_view key, std::string_view value, bool hasValue) {
            const std::size_t number = eventNumberOf(key, eventFields[0].name);
            if (number > events && hasValue &&
                !ProfileDocument::valueAsRead(value, eventFields[0].capacity).empty())
                later.insert(number);
        });
    left.events = later.size();
    const EventFieldInfo *field = nullptr;
    std::vector<bool> seen;
    document.forEachSection(
        [&](std::string_view name, bool first, bool unnamed, bool leading) {
            field = nullptr;
            if (unnamed || !first) {
                left.lines += !leading; // the lines before any section count one by one below
                return;
            }
            for (const EventFieldInfo &info : eventFields)
                if (ProfileDocument::sameName(name, info.name))
                    field = &info;
            left.lines += !field;
            seen.assign(events + 1, false);
        },
        [&](std::string_view key, std::string_view value, bool hasValue) {
            if (!field) {
                ++left.lines;
                return;
            }
            const std::size_t number = eventNumberOf(key, field->name);
            if (number > events && later.count(number))
                return; // counted with its event
            if (!hasValue || number == 0 || number > events || seen[number]) {
                ++left.lines;
                return;
            }
            seen[number] = true;
            // A value as read is never longer than as written: only a long one can be cut.
            left.cut += value.size() >= field->capacity &&
                        ProfileDocument::valueAsRead(value, field->capacity) !=
                            ProfileDocument::valueAsRead(value, value.size() + 3);
        });
    return left;
}

bool anythingLeftOut(const LeftOut &left) {
    return left.events + left.lines + left.cut + left.unkept > 0;
}

std::string counted(std::size_t count, const char *one, const char *many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string megabytes(std::size_t bytes) {
    return std::to_string((bytes + 512 * 1024) / (1024 * 1024)) + " MB";
}

std::size_t eventsNotIn(const ProfileDocument &document, const EventTable &table) {
    const std::size_t count = eventsBeforeGap(document);
    std::vector<std::vector<std::string_view>> values;
    std::vector<std::vector<bool>> present(eventFields.size());
    for (std::size_t field = 0; field < eventFields.size(); ++field)
        values.push_back(eventValues(document, eventFields[field].name, count, &present[field]));
    std::unordered_multimap<std::string_view, int> byKey;
    for (int row = 0; row < table.rowCount(); ++row)
        byKey.emplace(table.row(row).matchKey(), row);
    std::size_t missing = 0;
    for (std::size_t number = 1; number <= count; ++number) {
        const std::string_view key =
            ProfileDocument::valueAsRead(values[0][number], eventFields[0].capacity);
        bool held = false;
        for (auto [at, end] = byKey.equal_range(key); at != end && !held; ++at) {
            held = true;
            for (std::size_t field = 1; field < eventFields.size() && held; ++field)
                held = !present[field][number] ||
                       ProfileDocument::valueAsRead(values[field][number],
                                                    eventFields[field].capacity) ==
                           table.row(at->second).field(field);
        }
        missing += !held;
    }
    return missing;
}

std::string describe(const LeftOut &left) {
    std::vector<std::string> parts;
    if (left.events)
        parts.push_back(counted(left.events, "event after a gap", "events after a gap"));
    if (left.lines)
        parts.push_back(counted(left.lines, "other line", "other lines"));
    if (left.cut)
        parts.push_back(counted(left.cut, "value cut to fit", "values cut to fit"));
    if (left.unkept)
        parts.push_back(counted(left.unkept, "value with characters it cannot keep",
                                "values with characters it cannot keep"));
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return text;
}
