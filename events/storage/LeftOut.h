// What loading left out of an event file, and what a copy holds that the table does not: told to
// the user in words before a write drops any of it.
#pragma once

#include "EventTable.h"
#include "Profile.h"

#include <string>

// What loading left out of a file: events after a gap, other lines (sections, keys and lines
// the file has no use for), values cut to fit their fields, and values whose characters the
// program cannot write back as the file held them.
struct LeftOut {
    std::size_t events = 0, lines = 0, cut = 0, unkept = 0;
};
// "3 events after a gap, 2 other lines and 1 value cut to fit".
std::string describe(const LeftOut &left);
bool anythingLeftOut(const LeftOut &left);

// What loading left out of a document that gave `events` events: the events after a gap (a
// number beyond them with a match key), every line of no use (foreign or repeated sections,
// foreign, repeated or numberless keys, lines without "="), and the values cut to fit.
LeftOut leftOutOf(const ProfileDocument &document, std::size_t events);

// How many events of a document the table does not hold: an event is held by a row with its
// match key and, in every field the document has a key for, its value. A file cut short while
// it was written lacks keys, not values, so a cut copy of an older state holds nothing new.
std::size_t eventsNotIn(const ProfileDocument &document, const EventTable &table);

// "1 event", "3 events"; "2 MB".
std::string counted(std::size_t count, const char *one, const char *many);
std::string megabytes(std::size_t bytes);
