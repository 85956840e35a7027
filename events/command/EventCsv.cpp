// The command line's listings and its CSV.
#include "EventCsv.h"

#include <algorithm>
#include <cctype>

const char csvHeader[] = "Number,Moment,Repeat,Action";

namespace {

std::string trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::string();
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// A value as CSV holds it: in quotes, quotes doubled, when it holds a comma, quote or line end.
std::string csvValue(const std::string &value) {
    if (value.find_first_of(",\"\r\n") == std::string::npos)
        return value;
    std::string quoted = "\"";
    for (char c : value)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// The values of one line; false when a quote is left open.
bool csvValues(std::string_view line, std::vector<std::string> &values) {
    values.assign(1, std::string());
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            values.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            values.emplace_back();
        } else {
            values.back() += c;
        }
    }
    return !quoted;
}

bool sameWords(std::string a, std::string b) {
    const auto lower = [](std::string &text) {
        for (char &c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    lower(a);
    lower(b);
    return a == b;
}

struct Listed {
    std::string number, moment, repeat, action;
};

Listed listed(const TableRow &row) {
    return {trimmed(row.rowNumber()), momentOf(row),
            wordOfRepeat(std::string(row.field(repeatField))), actionWord(row.action())};
}

} // namespace

std::string momentOf(const TableRow &row) {
    const auto number = [&row](std::size_t field) { return parseNumber(row.field(field)); };
    const std::string time = zeroPaddedTwoDigits(number(hourField)) + ":" +
                             zeroPaddedTwoDigits(number(minuteField)) + ":" +
                             zeroPaddedTwoDigits(number(secondField));
    const int year = number(yearField), month = number(monthField), day = number(dayField);
    if (!isRealDate(year, month, day))
        return time;
    return std::to_string(year) + "-" + zeroPaddedTwoDigits(month) + "-" +
           zeroPaddedTwoDigits(day) + " " + time;
}

const char *actionWord(PowerAction action) {
    switch (action) {
    case PowerAction::Restart: return "restart";
    case PowerAction::ShutDown: return "shutdown";
    default: return "";
    }
}

std::string listText(const EventTable &table) {
    std::string text;
    text.reserve(static_cast<std::size_t>(table.rowCount()) * 50 + 60);
    const auto line = [&text](const Listed &row) {
        const auto padded = [](std::string value, std::size_t width) {
            value.resize(std::max(width, value.size()), ' ');
            return value;
        };
        std::string number = row.number;
        number.insert(0, number.size() < 5 ? 5 - number.size() : 0, ' ');
        text += number + "  " + padded(row.moment, 19) + "  " + padded(row.repeat, 7) + "  " +
                row.action;
        text.erase(text.find_last_not_of(' ') + 1);
        text += "\r\n";
    };
    line({"No.", "Moment", "Repeat", "Action"});
    for (int index = 0; index < table.rowCount(); ++index)
        line(listed(table.row(index)));
    if (table.rowCount() == 0)
        text += "(no events)\r\n";
    return text;
}

std::string listCsv(const EventTable &table) {
    std::string text = std::string(csvHeader) + "\r\n";
    text.reserve(static_cast<std::size_t>(table.rowCount()) * 40 + 30);
    for (int index = 0; index < table.rowCount(); ++index) {
        const Listed row = listed(table.row(index));
        text +=
            row.number + "," + row.moment + "," + csvValue(row.repeat) + "," + row.action + "\r\n";
    }
    return text;
}

CsvEvents readCsv(std::string_view text) {
    CsvEvents read;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3); // the mark of UTF-8
    if (text.find('\0') != std::string_view::npos) {
        read.error = "it holds binary data, not text";
        return read;
    }
    std::vector<std::string> values;
    int line = 0;
    for (std::size_t start = 0; start < text.size() || line == 0;) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view content = text.substr(start, end - start);
        if (!content.empty() && content.back() == '\r')
            content.remove_suffix(1);
        start = end + 1;
        ++line;
        if (line == 1) {
            if (!csvValues(content, values) || values.size() != 4 ||
                !sameWords(trimmed(values[0]) + "," + trimmed(values[1]) + "," +
                               trimmed(values[2]) + "," + trimmed(values[3]),
                           csvHeader)) {
                read.error = std::string("its first line is not ") + csvHeader;
                return read;
            }
            continue;
        }
        if (trimmed(content).empty())
            continue;
        CsvEvents::Row row;
        row.line = line;
        std::string why;
        if (!csvValues(content, values) || values.size() != 4)
            why = "not four values (number, moment, repeat, action)";
        else if (!repeatOfWord(trimmed(values[2]), row.repeat))
            why = "the repeat \"" + trimmed(values[2]) +
                  "\" is none of once, hourly, daily, weekly, monthly, yearly";
        else if (const std::string action = trimmed(values[3]);
                 !action.empty() && !sameWords(action, "restart") && !sameWords(action, "shutdown"))
            why = "the action \"" + action + "\" is none of restart, shutdown or nothing";
        else
            parseMoment(trimmed(values[1]), row.moment, why);
        if (why.empty()) {
            const std::string action = trimmed(values[3]);
            row.action = action.empty()                 ? PowerAction::None
                         : sameWords(action, "restart") ? PowerAction::Restart
                                                        : PowerAction::ShutDown;
            read.rows.push_back(row);
        } else {
            read.refused.push_back({line, why});
        }
    }
    read.isCsv = true;
    return read;
}
