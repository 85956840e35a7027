// The event editor's logic; the main window only reads and writes the form's controls.
#include "Editor.h"

#include "DueCheck.h"

const char hourPlaceholder[] = "H";
const char minutePlaceholder[] = "M";
const char secondPlaceholder[] = "S";
const char repeatPlaceholder[] = "Repeat";

namespace {

// The boxes are editable, so any text can come: each is cut to the field it is stored in,
// and the match key is built from the cut texts.
constexpr std::size_t timeFieldCapacity = 20;
constexpr std::size_t repeatFieldCapacity = 10;

// A time box's text as stored: "00" while the box shows its placeholder.
std::string timeText(const std::string &typed, const char *placeholder, int &placeholders) {
    if (typed == placeholder) {
        ++placeholders;
        return "00";
    }
    std::string text = typed;
    cutToCapacity(text, timeFieldCapacity);
    return text;
}

} // namespace

bool composeFields(const EventForm &form, Platform &platform, EventFields &fields) {
    int placeholders = 0;
    const std::string hour = timeText(form.hour, hourPlaceholder, placeholders);
    const std::string minute = timeText(form.minute, minutePlaceholder, placeholders);
    const std::string second = timeText(form.second, secondPlaceholder, placeholders);
    if (placeholders == 3) return false;

    EventFields event;
    event.hour = hour;
    event.minute = minute;
    event.second = second;
    if (form.restart) event.restart = "Restart";
    else if (form.shutDown) event.shutDown = "Shut down";
    event.repeat = form.repeat;
    cutToCapacity(event.repeat, repeatFieldCapacity);
    if (event.repeat == repeatPlaceholder) event.repeat.clear();

    const RepeatKind kind = repeatKindOf(event.repeat);
    if (kind == RepeatKind::Hourly) {
        event.matchKey = ":" + minute + ":" + second;
    } else if (kind == RepeatKind::Daily) {
        event.matchKey = hour + ":" + minute + ":" + second;
    } else {
        // Weekly, Monthly and Yearly have pictures of their own; a one-time row and one with
        // any other repeat text take the long picture. The date part comes from the very
        // formatter, locale and picture of the due check's clock text, so the two are equal
        // at the event's second in every language.
        const char *picture = kind == RepeatKind::Unknown ? longDatePicture : datePictureOf(kind);
        if (kind == RepeatKind::Weekly) event.dayOfWeek = formatTwoDigits(form.date.dayOfWeek);
        event.matchKey = platform.formatDate(form.date, picture) + " " + hour + ":" + minute +
                         ":" + second;
        event.year = formatTwoDigits(form.date.year);
        event.month = formatTwoDigits(form.date.month);
        event.day = formatTwoDigits(form.date.day);
    }
    cutToCapacity(event.matchKey, matchKeyCapacity);
    fields = event;
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

Editor::Outcome Editor::composeEvent(const EventForm &form) {
    EventFields fields;
    if (!composeFields(form, platform_, fields)) return Outcome::NothingToAdd;
    const int asked = editPending_ ? editIndex_ : table_.rowCount();
    const int at = asked < table_.rowCount() ? asked : table_.rowCount();
    table_.insertRow(asked, fields);
    // The file holds exactly the table's rows afterwards, the composed row in place of the one
    // taken out for editing.
    file_.releaseEdit();
    if (!file_.saveThrough(table_)) {
        table_.deleteRow(at);
        if (editPending_) file_.holdForEdit(editIndex_, taken_);
        return Outcome::NotStored;
    }
    editPending_ = false;
    return Outcome::Added;
}

bool Editor::deleteSelected(int selected) {
    if (selected < 0 || selected >= table_.rowCount()) {
        // Nothing to remove; the rewrite still drops rows taken out for editing from the file.
        file_.rewriteEventFile(table_);
        return true;
    }
    const TableRow removed = table_.row(selected);
    table_.deleteRow(selected);
    if (file_.rewriteEventFile(table_)) return true;
    table_.putBack(selected, removed);
    return false;
}

bool Editor::editRow(int selected, Event &taken) {
    if (selected < 0 || selected >= table_.rowCount()) return false;
    taken = table_.readRow(selected);
    if (taken.matchKey.empty()) return false;
    editPending_ = true;
    editIndex_ = selected;
    taken_ = taken;
    table_.deleteRow(selected);
    // It is in the form now, and stays in the file until OK puts it back.
    file_.holdForEdit(editIndex_, taken_);
    return true;
}
