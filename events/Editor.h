// The event editor: composes an event from the event form, puts it into the table and the
// event file, takes a row back into the form for editing, and deletes rows.
#pragma once

#include "EventFile.h"
#include "EventTable.h"
#include "Platform.h"

#include <string>
#include <vector>

// What the form's boxes show when nothing is chosen; the dialog sets them, the editor reads
// them as "no value".
extern const char hourPlaceholder[];   // "H"
extern const char minutePlaceholder[]; // "M"
extern const char secondPlaceholder[]; // "S"
extern const char repeatPlaceholder[]; // "Repeat"

// What the event form holds: the box texts as typed or chosen, the two power-action boxes and
// the picked date (year, month, day and day of week; the time of day plays no part).
struct EventForm {
    std::string hour = hourPlaceholder;
    std::string minute = minutePlaceholder;
    std::string second = secondPlaceholder;
    std::string repeat = repeatPlaceholder;
    bool restart = false;
    bool shutDown = false;
    LocalTime date;
};

// The event a form describes, its match key in the shape of its repeat kind with the date
// part formatted exactly as the due check formats the clock. False, and fields untouched, when
// all three time boxes show their placeholders. Every text is cut to its field, whatever was
// typed.
bool composeEventOf(const EventForm &form, Platform &platform, Event &composed);

// The form that shows a row again: its time texts, repeat kind (the placeholder for a one-time
// row), its one power action and its date (all zero for rows without one, which a date picker
// refuses).
EventForm formOf(const Event &row);

// The form a user fills for a moment (its date, and the time from the lists), a repeat kind's
// text (empty for once) and an action: what Later and the command line compose from.
EventForm formAt(const LocalTime &moment, const std::string &repeat, PowerAction action);

// What to tell the user of the event a form composes, when it comes due in some months or years
// only: a Monthly one on the 29th, 30th or 31st ("... not in February, April, June, September,
// November") or a Yearly one on 29 February. Empty for any other.
std::string partlyDueNote(const EventForm &form);

// After the language of the formats changed, or for a file made in another language: each row
// whose fields describe it (a kind with a date, a real date) and whose match key names days or
// months the current language does not know gets the key the editor composes now, when that
// agrees with the stored one in every number (time, day, year): only the names change, and a
// key typed to mean another moment stays as it is. The number of rows changed, in one change
// of the table.
int recomposeInCurrentLanguage(EventTable &table, Platform &platform);

class Editor {
public:
    Editor(EventTable &table, EventFile &file, Platform &platform)
        : table_(table), file_(file), platform_(platform) {}

    enum class Outcome { Added, NothingToAdd, NotStored, FileTooLarge };

    // OK: composes the form's event and inserts it, back at the index of a row taken out for
    // editing or else at the end, then writes the file with exactly the table's rows. When the
    // file cannot be written, the table and the edit state stay as they were. While an event
    // file too large to read is left alone, nothing changes: the user is asked first.
    Outcome composeEvent(const EventForm &form);

    // Events composed elsewhere (the command line) appended to the table in one write of the
    // file; when it cannot be written they leave again and the table is as it was.
    Outcome addEvents(const std::vector<Event> &events);

    // DELETE: removes a row (-1 removes none) and rewrites the file from the table. False when
    // the file could not be written: the row is back where it was.
    bool deleteSelected(int selected);

    // Double-click: takes the row out of the table (the file is not touched) and remembers its
    // index for the next OK; until then every write of the file keeps the row as it was. False,
    // with nothing changed, when there is no such row.
    bool editRow(int selected, Event &taken);

private:
    EventTable &table_;
    EventFile &file_;
    Platform &platform_;
    bool editPending_ = false;
    int editIndex_ = 0;
    Event taken_; // the row taken out, as it was
};
