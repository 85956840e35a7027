// The event editor's logic; the main window only reads and writes the form's controls.
#include "Editor.h"

#include "ClockText.h"

#include <algorithm>
#include <string_view>
#include <vector>

const char hourPlaceholder[] = "H";
const char minutePlaceholder[] = "M";
const char secondPlaceholder[] = "S";
const char repeatPlaceholder[] = "Repeat";

namespace {

// A time box's text as stored: "00" while the box shows its placeholder. The boxes are
// editable, so any text can come: each is cut to the field it is stored in, and the match key
// is built from the cut texts.
std::string timeText(const std::string &typed, const char *placeholder, int &placeholders) {
    if (typed == placeholder) {
        ++placeholders;
        return "00";
    }
    std::string text = typed;
    cutToCapacity(text, numberCapacity);
    return text;
}

} // namespace

bool composeEventOf(const EventForm &form, Platform &platform, Event &composed) {
    int placeholders = 0;
    const std::string hour = timeText(form.hour, hourPlaceholder, placeholders);
    const std::string minute = timeText(form.minute, minutePlaceholder, placeholders);
    const std::string second = timeText(form.second, secondPlaceholder, placeholders);
    if (placeholders == 3)
        return false;

    Event event;
    event.hour = hour;
    event.minute = minute;
    event.second = second;
    if (form.restart)
        event.restart = "Restart";
    else if (form.shutDown)
        event.shutDown = "Shut down";
    event.repeat = form.repeat;
    cutToCapacity(event.repeat, repeatCapacity);
    if (event.repeat == repeatPlaceholder)
        event.repeat.clear();

    // The key is joined as the clock text is, from the time as typed and the date part from the
    // very formatter, locale and picture of the clock text, so the two are equal at the event's
    // second in every language. Weekly, Monthly and Yearly have pictures of their own; a
    // one-time row and one with any other repeat text take the long picture.
    const RepeatKind kind = repeatKindOf(event.repeat);
    const bool dated = kind != RepeatKind::Hourly && kind != RepeatKind::Daily;
    const std::string time = kind == RepeatKind::Hourly ? ":" + minute + ":" + second
                                                        : hour + ":" + minute + ":" + second;
    std::string date;
    if (dated) {
        date = platform.formatDate(
            form.date, datePictureOf(kind == RepeatKind::Unknown ? RepeatKind::OneTime : kind));
        if (kind == RepeatKind::Weekly)
            event.dayOfWeek = formatTwoDigits(form.date.dayOfWeek);
        event.year = formatTwoDigits(form.date.year);
        event.month = formatTwoDigits(form.date.month);
        event.day = formatTwoDigits(form.date.day);
    }
    event.matchKey = joinedKey(kind, date, time);
    composed = event;
    return true;
}

EventForm formOf(const Event &row) {
    EventForm form;
    form.hour = row.hour;
    form.minute = row.minute;
    form.second = row.second;
    form.repeat = row.repeat.empty() ? repeatPlaceholder : row.repeat;
    // One action at most, as the boxes exclude each other; Shut down wins, as when it fires.
    const PowerAction action = powerActionOf(row);
    form.restart = action == PowerAction::Restart;
    form.shutDown = action == PowerAction::ShutDown;
    form.date.year = parseNumber(row.year);
    form.date.month = parseNumber(row.month);
    form.date.day = parseNumber(row.day);
    return form;
}

EventForm formAt(const LocalTime &moment, const std::string &repeat, PowerAction action) {
    EventForm form;
    form.hour = zeroPaddedTwoDigits(moment.hour);
    form.minute = zeroPaddedTwoDigits(moment.minute);
    form.second = zeroPaddedTwoDigits(moment.second);
    form.repeat = repeat.empty() ? repeatPlaceholder : repeat;
    form.restart = action == PowerAction::Restart;
    form.shutDown = action == PowerAction::ShutDown;
    form.date = moment;
    return form;
}

namespace {

// Each word of a text between blanks and colons, but those made of digits only.
template <typename Visit> void forEachName(std::string_view text, Visit visit) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ' ' && text[i] != ':')
            continue;
        const std::string_view word = text.substr(start, i - start);
        if (word.find_first_not_of("0123456789") != std::string_view::npos)
            visit(word);
        start = i + 1;
    }
}

// The runs of digits of a text, in order.
std::vector<std::string> numbersIn(const std::string &text) {
    std::vector<std::string> numbers;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = text.find_first_of("0123456789", i);
        if (start == std::string::npos)
            break;
        const std::size_t end = std::min(text.find_first_not_of("0123456789", start), text.size());
        numbers.push_back(text.substr(start, end - start));
        i = end;
    }
    return numbers;
}

// Every name of a day or month that the date pictures show in the current language.
std::vector<std::string> currentNames(Platform &platform) {
    std::vector<std::string> names;
    auto add = [&](const LocalTime &date, const char *picture) {
        forEachName(platform.formatDate(date, picture),
                    [&](std::string_view name) { names.emplace_back(name); });
    };
    for (int day = 1; day <= 7; ++day)
        add(fromWallSecond(wallSecond({2027, 2, 0, day})), "dddd");
    for (int month = 1; month <= 12; ++month) {
        const LocalTime first = fromWallSecond(wallSecond({2027, month, 0, 1}));
        add(first, longDatePicture);
        add(first, datePictureOf(RepeatKind::Yearly));
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::string partlyDueNote(const EventForm &form) {
    const RepeatKind kind = repeatKindOf(form.repeat);
    const int day = form.date.day;
    if (kind == RepeatKind::Yearly && form.date.month == 2 && day == 29)
        return "This Yearly event comes due on 29 February only: in leap years.";
    if (kind != RepeatKind::Monthly || day < 29 || day > 31)
        return std::string();
    const char *without = day == 29   ? "not in February, except in leap years"
                          : day == 30 ? "not in February"
                                      : "not in February, April, June, September, November";
    return "This Monthly event comes due only in months that have a " + std::to_string(day) +
           (day == 31 ? "st: " : "th: ") + without + ".";
}

int recomposeInCurrentLanguage(EventTable &table, Platform &platform) {
    std::vector<std::string> known;
    std::vector<Event> rows;
    int changed = 0;
    for (int index = 0; index < table.rowCount(); ++index) {
        const TableRow &row = table.row(index);
        const RepeatKind kind = row.kind();
        if (kind != RepeatKind::OneTime && kind != RepeatKind::Weekly && kind != RepeatKind::Yearly)
            continue; // the other kinds have no names
        if (known.empty())
            known = currentNames(platform);
        bool foreign = false;
        forEachName(row.matchKey(), [&](std::string_view name) {
            foreign = foreign || !std::binary_search(known.begin(), known.end(), name);
        });
        if (!foreign)
            continue; // it can come due in this language as it is
        const Event event = row.event();
        EventForm form = formOf(event);
        if (!isRealDate(form.date.year, form.date.month, form.date.day))
            continue;
        form.date = fromWallSecond(wallSecond(form.date)); // with its day of the week
        Event composed;
        if (!composeEventOf(form, platform, composed) || composed.matchKey == event.matchKey ||
            numbersIn(composed.matchKey) != numbersIn(event.matchKey) ||
            (kind == RepeatKind::Weekly && !event.dayOfWeek.empty() &&
             parseNumber(event.dayOfWeek) != form.date.dayOfWeek))
            continue;
        if (rows.empty())
            for (int i = 0; i < table.rowCount(); ++i)
                rows.push_back(table.event(i));
        rows[static_cast<std::size_t>(index)].matchKey = composed.matchKey;
        ++changed;
    }
    if (changed > 0)
        table.replaceRows(std::move(rows));
    return changed;
}

Editor::Outcome Editor::composeEvent(const EventForm &form) {
    Event composed;
    if (!composeEventOf(form, platform_, composed))
        return Outcome::NothingToAdd;
    if (file_.tooLarge())
        return Outcome::FileTooLarge;
    const int asked = editPending_ ? editIndex_ : table_.rowCount();
    const int at = asked < table_.rowCount() ? asked : table_.rowCount();
    table_.insertRow(asked, composed);
    // The file holds exactly the table's rows afterwards, the composed row in place of the one
    // taken out for editing.
    file_.releaseEdit();
    if (!file_.save(table_)) {
        table_.deleteRow(at);
        if (editPending_)
            file_.holdForEdit(editIndex_, taken_);
        return Outcome::NotStored;
    }
    editPending_ = false;
    return Outcome::Added;
}

Editor::Outcome Editor::addEvents(const std::vector<Event> &events) {
    if (file_.tooLarge())
        return Outcome::FileTooLarge;
    if (events.empty())
        return Outcome::NothingToAdd;
    const int first = table_.rowCount();
    for (const Event &event : events)
        table_.insertRow(table_.rowCount(), event);
    if (file_.save(table_))
        return Outcome::Added;
    std::vector<int> added;
    for (int row = first; row < table_.rowCount(); ++row)
        added.push_back(row);
    table_.deleteRows(added);
    return Outcome::NotStored;
}

bool Editor::deleteSelected(int selected) {
    if (selected < 0 || selected >= table_.rowCount()) {
        // Nothing to remove; the rewrite still drops rows taken out for editing from the file.
        file_.saveAndReload(table_);
        return true;
    }
    const TableRow removed = table_.row(selected);
    table_.deleteRow(selected);
    if (file_.saveAndReload(table_))
        return true;
    table_.putBack(selected, removed);
    return false;
}

bool Editor::editRow(int selected, Event &taken) {
    if (selected < 0 || selected >= table_.rowCount())
        return false;
    taken = table_.event(selected);
    if (taken.matchKey.empty())
        return false;
    editPending_ = true;
    editIndex_ = selected;
    taken_ = taken;
    table_.deleteRow(selected);
    // It is in the form now, and stays in the file until OK puts it back.
    file_.holdForEdit(editIndex_, taken_);
    return true;
}
