// Our event-file reader and writer against Windows' own profile functions, both ways.
#include "EventFile.h"
#include "ProfileLookUp.h"
#include "Win32Platform.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The key of an event number in a section, as the profile writer's callers name it: "%2d".
std::string keyOf(const char *section, int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%2d", number);
    return section + std::string(digits);
}

// A fresh file name for every case: the profile functions keep recently used files cached.
std::string freshPath(const char *name) {
    static int counter = 0;
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + "velkorin-profile-" + std::to_string(GetCurrentProcessId()) +
           "-" + std::to_string(++counter) + "-" + name;
}

void writeBytes(const std::string &path, const std::string &bytes) {
    Win32Platform platform;
    ASSERT_TRUE(platform.replaceFile(path, bytes));
}

std::string profileRead(const std::string &path, const char *section, const std::string &key,
                        std::size_t capacity) {
    std::vector<char> buffer(capacity + 1, '\0');
    GetPrivateProfileStringA(section, key.c_str(), "", buffer.data(), static_cast<DWORD>(capacity),
                             path.c_str());
    return buffer.data();
}

// The rows the profile functions give, read the way the program reads them: one call per value,
// until the first empty "Date&Time".
std::vector<Event> profileRows(const std::string &path) {
    std::vector<Event> rows;
    for (int number = 1;; ++number) {
        Event fields;
        for (const EventFieldInfo &field : eventFields)
            fields.*field.member =
                profileRead(path, field.name, keyOf(field.name, number), field.capacity);
        if (fields.matchKey.empty())
            return rows;
        rows.push_back(fields);
    }
}

void expectSameRows(const std::string &path, const EventTable &table) {
    std::vector<Event> expected = profileRows(path);
    ASSERT_EQ(table.rowCount(), static_cast<int>(expected.size())) << path;
    for (int row = 0; row < table.rowCount(); ++row)
        for (const EventFieldInfo &field : eventFields)
            EXPECT_EQ(table.event(row).*field.member, expected[row].*field.member)
                << field.name << " of event " << row + 1;
}

Event sample(int i) {
    Event fields;
    fields.matchKey =
        "Monday " + std::to_string(10 + i % 18) + " June 2030 08:05:" + std::to_string(10 + i % 50);
    fields.restart = i % 3 == 0 ? "Restart" : "";
    fields.shutDown = i % 3 == 1 ? "Shut down" : "";
    fields.repeat = i % 4 == 0 ? "Weekly" : "";
    fields.year = "2030";
    fields.month = formatTwoDigits(1 + i % 12);
    fields.day = formatTwoDigits(1 + i % 28);
    fields.hour = "08";
    fields.minute = "05";
    fields.second = std::to_string(10 + i % 50);
    fields.dayOfWeek = i % 4 == 0 ? formatTwoDigits(i % 7) : "";
    return fields;
}

} // namespace

TEST(ProfileCompatibility, FilesWrittenByTheProfileWriterLoadIdentically) {
    const std::string path = freshPath("written-by-windows");
    for (int i = 0; i < 25; ++i) {
        Event fields = sample(i);
        for (const EventFieldInfo &field : eventFields)
            WritePrivateProfileStringA(field.name, keyOf(field.name, i + 1).c_str(),
                                       (fields.*field.member).c_str(), path.c_str());
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str()); // flush the cache

    Win32Platform platform;
    EventFile file(platform, path);
    EventTable table;
    file.loadAll(table);
    EXPECT_EQ(table.rowCount(), 25);
    expectSameRows(path, table);
}

TEST(ProfileCompatibility, FilesWeWriteReadBackThroughTheProfileReader) {
    Win32Platform platform;
    EventTable table;
    for (int i = 0; i < 25; ++i)
        table.insertRow(i, sample(i));
    Event odd = sample(99);
    odd.matchKey = "\"quoted\" and 'more'  ";
    odd.repeat = "  Daily";
    table.insertRow(3, odd);
    Event quoted = sample(98);
    quoted.matchKey = "'in single quotes'";
    quoted.restart = "\"\"";
    quoted.repeat = "Daily \t";
    table.insertRow(5, quoted);

    const std::string through = freshPath("save-through");
    EventFile(platform, through).save(table);
    EventTable loaded;
    EventFile(platform, through).loadAll(loaded);
    EXPECT_EQ(loaded.rowCount(), 27);
    expectSameRows(through, loaded);
    EXPECT_EQ(loaded.cell(5, 1), "'in single quotes'");
    EXPECT_EQ(loaded.cell(5, 2), "\"\"");
    EXPECT_EQ(loaded.cell(5, 4), "Daily \t");
}

TEST(ProfileCompatibility, HandEditedOdditiesReadAsTheProfileFunctionsReadThem) {
    const std::vector<std::string> files = {
        "\n\n[Date&Time]\n\nDate&Time 1 =  spaced  \n\n[Restart]\nRestart 1=Restart",
        "[Date&Time]\r\nDate&Time 1=crlf\r\n[Repeat]\r\nRepeat 1=Daily\r\n",
        "[date&time]\nDATE&TIME 1=case\n[REPEAT]\nrepeat 1=Hourly\n",
        "[Date&Time]\n; a comment\n;Date&Time 1=commented\nDate&Time 1=after comment\n",
        "[Date&Time]\nDate&Time 1=first\nDate&Time 1=second\n[Date&Time]\nDate&Time 2=later\n",
        "[Date&Time]\nDate&Time 1=\"double\"\nDate&Time 2='single'\nDate&Time 3=\"open\n",
        "Date&Time 1=no section\n[Date&Time]\nDate&Time 2=two\n",
        "[Date&Time]\nDate&Time 1=one\nDate&Time 3=three\n",
        "[Date&Time]\nDate&Time 1=" + std::string(400, 'L') +
            "\n[Year]\nYear 1=" + std::string(50, '9') + "\n",
        "[Date&Time]\nDate&Time 1=last line without end",
        "[Date&Time]\n\tDate&Time 1\t=\ttabs\t\n[Shut down]\nShut down 1 = Shut down \n",
        "[ Date&Time ]\nDate&Time 1=bracket spaces\n",
        "[Date&Time]\nDate&Time 1=x\n[Restart\nRestart 1=Restart\n",
        "[Date&Time]\nDate&Time 1=a=b=c\n",
        "[Date&Time]\nDate&Time 1=\x01\x02\x7f\x80\xff\n",
        "\xEF\xBB\xBF[Date&Time]\nDate&Time 1=bom\n",
    };
    Win32Platform platform;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = freshPath("odd");
        writeBytes(path, files[i]);
        EventTable table;
        EventFile(platform, path).loadAll(table);
        SCOPED_TRACE("file " + std::to_string(i));
        expectSameRows(path, table);
    }
}

TEST(ProfileCompatibility, WhiteSpaceIsTheSameBytes) {
    Win32Platform platform;
    for (int code = 1; code < 256; ++code) {
        if (code == '\n' || code == '[' || code == '=' || code == '"' || code == '\'')
            continue;
        const char c = static_cast<char>(code);
        const std::string text = std::string("[S]\n") + c + "k" + c + "=" + c + "v" + c + "\n";
        const std::string path = freshPath("byte");
        writeBytes(path, text);
        ProfileDocument document{std::string(text)};
        EXPECT_EQ(lookUp(document, "S", "k", 20), profileRead(path, "S", "k", 20))
            << "byte " << code;
        EXPECT_EQ(lookUp(document, "S", std::string(1, c) + "k", 20),
                  profileRead(path, "S", std::string(1, c) + "k", 20))
            << "byte " << code;
    }
}
