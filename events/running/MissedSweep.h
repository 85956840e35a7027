// The missed-event sweep: one-time events whose moment has come are reported and removed.
#pragma once

#include "EventFile.h"
#include "EventTable.h"
#include "History.h"
#include "Platform.h"

#include <string>
#include <vector>

// True when a one-time row's moment, to the second, is earlier than now. The six number fields
// decide, compared as unsigned 16-bit numbers in the order year, month, day, hour, minute,
// second; the MatchKey plays no part. Fields that name no real moment (missing, zero, out of
// range) are never missed: the row stays, and fires if its text comes due.
bool isMissed(const Event &event, const LocalTime &now);
bool isMissed(const TableRow &row, const LocalTime &now);

// The three lines of a missed-event notice.
std::string missedNoticeText(const Event &event);

// Up to this many missed events get a notice each; beyond them the rest share one more.
constexpr std::size_t maxMissedNotices = 10;

// How missed events are told of: a notice each (at a start), or all in one (after a sleep).
enum class MissedNotices { EachOwn, Together };

// The notice for the events that passed while the computer slept.
std::string sleptNoticeText(const std::vector<std::string> &notices);

// Reports the missed one-time rows in table order and removes them, then rewrites the event
// file in full, also when nothing was missed. False when the file could not be written. After a
// sleep, the power actions it came too soon for (of rows that stay, or have left) are reported
// first, in the same notice.
bool sweepMissedEvents(EventTable &table, EventFile &file, Platform &platform, const LocalTime &now,
                       History *history = nullptr, MissedNotices told = MissedNotices::EachOwn,
                       const std::vector<Event> &actionsSleptThrough = {});
