// The events as the command line shows them: a text table for /list, CSV for /list /csv and
// /export, and CSV read back for /import.
#pragma once

#include "CommandLine.h"
#include "EventTable.h"

#include <string>
#include <string_view>
#include <vector>

// "Number,Moment,Repeat,Action"
extern const char csvHeader[];

// A row's moment by its fields: "2026-12-24 18:00:00", or the time alone for a row without a
// date (Daily, Hourly).
std::string momentOf(const TableRow &row);
// "restart", "shutdown", or empty.
const char *actionWord(PowerAction action);

std::string listText(const EventTable &table);
std::string listCsv(const EventTable &table);

// The rows of a CSV text as /list /csv writes it, each with its line number (the header is line
// 1). A text that is not such a file (no header line, a zero byte) is not read at all; a row that
// cannot be read is refused with its line and the reason.
struct CsvEvents {
    bool isCsv = false;
    std::string error; // why the text is not such a file
    struct Row {
        int line = 0;
        CommandMoment moment;
        std::string repeat;
        PowerAction action = PowerAction::None;
    };
    std::vector<Row> rows;
    struct Refused {
        int line = 0;
        std::string why;
    };
    std::vector<Refused> refused;
};
CsvEvents readCsv(std::string_view text);
