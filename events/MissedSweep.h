// The missed-event sweep: one-time events whose moment has come are reported and removed.
#pragma once

#include "EventFile.h"
#include "EventTable.h"
#include "Platform.h"

#include <string>

// True when a one-time row's moment, to the second, is now or earlier. The six number fields
// decide, compared as unsigned 16-bit numbers in the order year, month, day, hour, minute,
// second; the MatchKey plays no part.
bool isMissed(const EventFields &fields, const LocalTime &now);

// The three lines of a missed-event notice.
std::string missedNoticeText(const EventFields &fields);

// Reports each missed one-time row in a notice of its own, in table order, removes it, and
// then rewrites the event file in full, also when nothing was missed.
void sweepMissedEvents(EventTable &table, EventFile &file, Platform &platform,
                       const LocalTime &now);
