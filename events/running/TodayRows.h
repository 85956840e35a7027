// Which events concern a day: the rows the Today window lists at start.
#pragma once

#include "EventTable.h"
#include "LocalTime.h"

#include <vector>

// Whether a row comes due on the day of a moment: Hourly and Daily rows every day; a Weekly
// row on its weekday (its DayOfWeek, or when that is empty the weekday of its date), a
// Monthly row on its day of the month, a Yearly row on its day and month; a one-time row, or
// one with any other repeat text, on the date its fields hold.
bool concernsDay(const Event &row, const LocalTime &today);
bool concernsDay(const TableRow &row, const LocalTime &today);

// The indexes of the table's rows that concern the day, in table order.
std::vector<int> todaysRows(const EventTable &table, const LocalTime &today);
