// The event table's row operations, mirrored to the event list.
#include "EventTable.h"

#include <algorithm>

const std::array<EventColumn, eventColumnCount> eventColumns = {{
    {"\xE2\x84\x96", 25, eventFieldCount}, // the numero sign, in UTF-8 as every shown text
    {"Date&Time", 222, matchKeyField},
    {"Restart", 60, restartField},
    {"Shut down", 75, shutDownField},
    {"Repeat", 80, repeatField},
    {"Day", 0, dayField},
    {"Month", 0, monthField},
    {"Year", 0, yearField},
    {"H", 0, hourField},
    {"M", 0, minuteField},
    {"S", 0, secondField},
    {"DayOfWeek", 0, dayOfWeekField},
}};

namespace {

constexpr std::size_t textCount = eventFieldCount + 1; // the fields, then the row number

RowTexts textsOf(const Event &event) {
    RowTexts texts;
    for (std::size_t i = 0; i < eventFieldCount; ++i)
        texts[i] = event.*eventFields[i].member;
    return texts;
}

// A text as the row keeps it: a field at most its capacity less one.
std::string_view kept(const RowTexts &fields, std::string_view rowNumber, std::size_t i) {
    return i < eventFieldCount ? fields[i].substr(0, eventFields[i].capacity - 1)
                               : rowNumber.substr(0, 255);
}

} // namespace

TableRow::TableRow(std::string_view rowNumber, const Event &event)
    : TableRow(rowNumber, textsOf(event)) {}

std::size_t TableRow::roomFor(std::string_view rowNumber, const RowTexts &texts) {
    std::size_t size = 0;
    for (std::size_t i = 0; i < textCount; ++i)
        size += kept(texts, rowNumber, i).size() + 1;
    return size;
}

TableRow::TableRow(std::string_view rowNumber, const RowTexts &fields, char *room)
    : texts_(room), owned_(room == nullptr) {
    if (owned_)
        texts_ = new char[roomFor(rowNumber, fields)];
    char *at = texts_;
    for (std::size_t i = 0; i < textCount; ++i) {
        const std::string_view text = kept(fields, rowNumber, i);
        lengths_[i] = static_cast<std::uint8_t>(text.size());
        at = std::copy(text.begin(), text.end(), at);
        *at++ = '\0';
    }
    kind_ = static_cast<std::uint8_t>(repeatKindOf(field(repeatField)));
    action_ = static_cast<std::uint8_t>(!field(shutDownField).empty()  ? PowerAction::ShutDown
                                        : !field(restartField).empty() ? PowerAction::Restart
                                                                       : PowerAction::None);
}

std::size_t TableRow::size() const {
    std::size_t size = 0;
    for (std::uint8_t length : lengths_)
        size += length + 1u;
    return size;
}

TableRow::TableRow(const TableRow &other)
    : texts_(new char[other.size()]), owned_(true), lengths_(other.lengths_), kind_(other.kind_),
      action_(other.action_) {
    std::copy(other.texts_, other.texts_ + other.size(), texts_);
}

TableRow &TableRow::operator=(const TableRow &other) {
    if (this != &other)
        *this = TableRow(other);
    return *this;
}

TableRow::TableRow(TableRow &&other) noexcept
    : texts_(other.texts_), owned_(other.owned_), lengths_(other.lengths_), kind_(other.kind_),
      action_(other.action_) {
    other.texts_ = nullptr;
    other.owned_ = false;
}

TableRow &TableRow::operator=(TableRow &&other) noexcept {
    if (this != &other) {
        if (owned_)
            delete[] texts_;
        texts_ = other.texts_;
        owned_ = other.owned_;
        lengths_ = other.lengths_;
        kind_ = other.kind_;
        action_ = other.action_;
        other.texts_ = nullptr;
        other.owned_ = false;
    }
    return *this;
}

TableRow::~TableRow() {
    if (owned_)
        delete[] texts_;
}

std::string_view TableRow::field(std::size_t index) const {
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i)
        start += lengths_[i] + 1u;
    return {texts_ + start, lengths_[index]};
}

Event TableRow::event() const {
    Event copy;
    for (std::size_t i = 0; i < eventFieldCount; ++i)
        copy.*eventFields[i].member = std::string(field(i));
    return copy;
}

Event EventTable::event(int index) const {
    if (index < 0 || index >= rowCount())
        return Event();
    return rows_[static_cast<std::size_t>(index)].event();
}

void EventTable::insertRow(int index, const Event &event) {
    ++version_;
    if (index < 0)
        index = 0;
    const int at = index < rowCount() ? index : rowCount();
    rows_.insert(rows_.begin() + at, TableRow(formatTwoDigits(index + 1), event));
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

EventTable::Load::Load(std::size_t rows, std::size_t room)
    : block_(room > 0 ? new char[room] : nullptr), room_(room) {
    rows_.reserve(rows);
}

bool EventTable::Load::add(const RowTexts &texts) {
    number_.clear();
    appendTwoDigits(number_, static_cast<int>(rows_.size()) + 1);
    const std::size_t room = TableRow::roomFor(number_, texts);
    if (room > room_ - used_)
        return false;
    rows_.emplace_back(number_, texts, block_.get() + used_);
    used_ += room;
    return true;
}

void EventTable::Load::done(EventTable &table) {
    ++table.version_;
    table.rows_ = std::move(rows_);
    table.loaded_ = std::move(block_); // after the rows in the block before are gone
    if (table.mirror_)
        table.mirror_->tableReloaded();
}

void EventTable::replaceRows(const std::vector<RowTexts> &texts) {
    // The rows' texts in one block: one allocation instead of one a row.
    std::string number;
    std::size_t room = 0;
    for (std::size_t index = 0; index < texts.size(); ++index) {
        number.clear();
        appendTwoDigits(number, static_cast<int>(index) + 1);
        room += TableRow::roomFor(number, texts[index]);
    }
    Load load(texts.size(), room);
    for (const RowTexts &row : texts)
        load.add(row);
    load.done(*this);
}

void EventTable::replaceRows(const std::vector<Event> &events) {
    std::vector<RowTexts> texts;
    texts.reserve(events.size());
    for (const Event &event : events)
        texts.push_back(textsOf(event));
    replaceRows(texts);
}

void EventTable::deleteRow(int index) {
    if (index < 0 || index >= rowCount())
        return;
    ++version_;
    rows_.erase(rows_.begin() + index);
    if (mirror_)
        mirror_->rowDeleted(index);
}

std::string_view EventTable::cell(int index, int column) const {
    if (index < 0 || index >= rowCount() || column < 0 || column >= eventColumnCount)
        return std::string_view("", 0);
    const TableRow &row = rows_[static_cast<std::size_t>(index)];
    return row.field(
        static_cast<std::size_t>(eventColumns[static_cast<std::size_t>(column)].field));
}

bool EventTable::numberedInOrder() const {
    std::string number;
    for (int index = 0; index < rowCount(); ++index) {
        number.clear();
        appendTwoDigits(number, index + 1);
        if (rows_[static_cast<std::size_t>(index)].rowNumber() != number)
            return false;
    }
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
