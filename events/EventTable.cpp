// The event table's row operations, mirrored to the event list.
#include "EventTable.h"

const std::array<EventColumn, eventColumnCount> eventColumns = {{
    {"\xB9", 25, nullptr}, // the numero sign in Windows-1251
    {"Date&Time", 222, &Event::matchKey},
    {"Restart", 60, &Event::restart},
    {"Shut down", 75, &Event::shutDown},
    {"Repeat", 80, &Event::repeat},
    {"Day", 0, &Event::day},
    {"Month", 0, &Event::month},
    {"Year", 0, &Event::year},
    {"H", 0, &Event::hour},
    {"M", 0, &Event::minute},
    {"S", 0, &Event::second},
    {"DayOfWeek", 0, &Event::dayOfWeek},
}};

Event EventTable::readRow(int index) const {
    Event fields;
    if (index < 0 || index >= rowCount())
        return fields;
    return rows_[static_cast<std::size_t>(index)].event;
}

void EventTable::insertRow(int index, const Event &fields) {
    ++version_;
    if (index < 0)
        index = 0;
    TableRow row{formatTwoDigits(index + 1), fields, RepeatKind::Unknown};
    for (const EventFieldInfo &field : eventFields)
        cutToCapacity(row.event.*field.member, field.capacity);
    row.kind = repeatKindOf(row.event.repeat);
    int at = index < rowCount() ? index : rowCount();
    rows_.insert(rows_.begin() + at, std::move(row));
    if (mirror_)
        mirror_->rowInserted(at, rows_[static_cast<std::size_t>(at)]);
}

void EventTable::putBack(int index, const TableRow &row) {
    ++version_;
    const int at = index >= 0 && index < rowCount() ? index : rowCount();
    rows_.insert(rows_.begin() + at, row);
    if (mirror_)
        mirror_->rowInserted(at, rows_[static_cast<std::size_t>(at)]);
}

void EventTable::replaceRows(std::vector<Event> events) {
    ++version_;
    std::vector<TableRow> rows;
    rows.reserve(events.size());
    for (Event &fields : events) {
        TableRow row{formatTwoDigits(static_cast<int>(rows.size()) + 1), std::move(fields),
                     RepeatKind::Unknown};
        for (const EventFieldInfo &field : eventFields)
            cutToCapacity(row.event.*field.member, field.capacity);
        row.kind = repeatKindOf(row.event.repeat);
        rows.push_back(std::move(row));
    }
    rows_ = std::move(rows);
    if (mirror_)
        mirror_->tableReloaded();
}

void EventTable::deleteRow(int index) {
    if (index < 0 || index >= rowCount())
        return;
    ++version_;
    rows_.erase(rows_.begin() + index);
    if (mirror_)
        mirror_->rowDeleted(index);
}

const std::string &EventTable::cell(int index, int column) const {
    static const std::string empty;
    if (index < 0 || index >= rowCount() || column < 0 || column >= eventColumnCount)
        return empty;
    const TableRow &row = rows_[static_cast<std::size_t>(index)];
    const EventColumn &info = eventColumns[static_cast<std::size_t>(column)];
    return info.member ? row.event.*info.member : row.rowNumber;
}

bool EventTable::numberedInOrder() const {
    for (int index = 0; index < rowCount(); ++index)
        if (rows_[static_cast<std::size_t>(index)].rowNumber != formatTwoDigits(index + 1))
            return false;
    return true;
}

void EventTable::deleteRows(const std::vector<int> &indexes) {
    if (indexes.empty())
        return;
    ++version_;
    std::vector<TableRow> kept;
    kept.reserve(rows_.size());
    std::size_t next = 0;
    for (int index = 0; index < rowCount(); ++index) {
        if (next < indexes.size() && indexes[next] == index) {
            ++next;
            continue;
        }
        kept.push_back(std::move(rows_[static_cast<std::size_t>(index)]));
    }
    rows_ = std::move(kept);
    if (mirror_)
        mirror_->tableReloaded();
}
