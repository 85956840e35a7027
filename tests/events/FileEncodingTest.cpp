// Event files saved in Unicode: read as the profile functions read them, written back in their
// own encoding with every character they held. The double's code page is Latin-1: Cyrillic
// reads as "?".
#include "EventFile.h"
#include "FakePlatform.h"
#include "MissedSweep.h"

#include <gtest/gtest.h>

namespace {

const std::string path = "C:\\Tools\\InformationSW";

enum class Saved { Utf16Le, Utf16Be, Utf8 };

// The bytes a text editor saves for text, its mark first; written here by hand, not by the
// program's converter.
std::string saved(const std::u16string &text, Saved as) {
    std::string bytes;
    if (as == Saved::Utf8) {
        bytes = "\xEF\xBB\xBF";
        for (char16_t c : text) {
            if (c < 0x80) {
                bytes += static_cast<char>(c);
            } else if (c < 0x800) {
                bytes += static_cast<char>(0xC0 | c >> 6);
                bytes += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                bytes += static_cast<char>(0xE0 | c >> 12);
                bytes += static_cast<char>(0x80 | (c >> 6 & 0x3F));
                bytes += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        return bytes;
    }
    const bool big = as == Saved::Utf16Be;
    bytes = big ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(big ? c >> 8 : c & 0xFF);
        bytes += static_cast<char>(big ? c & 0xFF : c >> 8);
    }
    return bytes;
}

// Whether a file's bytes hold a text, in the file's own encoding.
bool holds(const std::string &file, const std::u16string &text, Saved as) {
    const std::size_t mark = as == Saved::Utf8 ? 3 : 2;
    const std::string bytes = saved(text, as).substr(mark);
    for (std::size_t at = file.find(bytes, mark); at != std::string::npos;
         at = file.find(bytes, at + 1))
        if (as == Saved::Utf8 || at % 2 == 0)
            return true;
    return false;
}

// Two events: a one-time one ahead whose key the code page holds ("März"), and a row of a
// repeat kind this program does not know, in Russian, which is never due and stays.
const std::u16string russianFile = u"[Date&Time]\r\n"
                                   u"Date&Time 1=Freitag 14 März 2031 09:30:00\r\n"
                                   u"Date&Time 2=Ежегодно 14 марта 09:30:00\r\n"
                                   u"[Repeat]\r\nRepeat 1=\r\nRepeat 2=Ежегодно\r\n"
                                   u"[Year]\r\nYear 1=2031\r\nYear 2=2031\r\n";

struct FileEncoding : testing::TestWithParam<Saved> {
    FakePlatform platform;
    EventTable table;
    EventFile file{platform, path};
    const LocalTime now = at(2026, 12, 7, 12, 0, 0);

    FileEncoding() { platform.now = now; }
    void start() {
        file.loadAll(table);
        sweepMissedEvents(table, file, platform, now);
    }
};

} // namespace

TEST_P(FileEncoding, TheFileKeepsItsEncodingAndEveryCharacterThroughEachWrite) {
    const Saved as = GetParam();
    platform.files[path] = saved(russianFile, as);
    start();
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.event(0).matchKey, "Freitag 14 M\xE4rz 2031 09:30:00");
    EXPECT_EQ(table.event(1).matchKey, "???????? 14 ????? 09:30:00");
    EXPECT_EQ(table.event(1).repeat, "????????");
    // A new event, typed in the code page, and a row deleted: two writes.
    Event added = table.event(0);
    added.matchKey = "Sonntag 16 M\xE4rz 2031 10:00:00";
    table.insertRow(2, added);
    ASSERT_TRUE(file.saveAndReload(table));
    table.deleteRow(0);
    ASSERT_TRUE(file.saveAndReload(table));
    const std::string &written = platform.files[path];
    EXPECT_EQ(written.substr(0, 2), saved(u"", as).substr(0, 2));
    EXPECT_TRUE(holds(written, u"Date&Time 1=Ежегодно 14 марта 09:30:00\r\n", as));
    EXPECT_TRUE(holds(written, u"Repeat 1=Ежегодно\r\n", as));
    EXPECT_TRUE(holds(written, u"Date&Time 2=Sonntag 16 März 2031 10:00:00\r\n", as));
    EXPECT_FALSE(holds(written, u"?", as));
    // Nothing was left out: no copy kept aside, nobody told.
    EXPECT_EQ(platform.filesStartingWith(path + ".").size(), 0u);
    EXPECT_TRUE(platform.otherNotices.empty());
    EventTable again;
    EventFile reread{platform, path};
    reread.loadAll(again);
    ASSERT_EQ(again.rowCount(), 2);
    EXPECT_EQ(again.event(0).repeat, "????????");
}

// Two texts that read alike in one field, and half a character at the end: which text a row
// held cannot be told, so the file as it was is kept aside before the first write.
TEST_P(FileEncoding, WhatCannotBeWrittenBackIsKeptAsideAndToldOf) {
    const Saved as = GetParam();
    const std::u16string alike = u"[Date&Time]\r\nDate&Time 1=a\r\nDate&Time 2=b\r\n"
                                 u"[Repeat]\r\nRepeat 1=Ежегодно\r\nRepeat 2=Ежемесяц\r\n";
    const std::pair<std::string, const char *> cases[] = {
        {saved(alike, as), "2 values with characters it cannot keep"},
        {saved(russianFile, as) + (as == Saved::Utf8 ? "" : "\n"), "1 other line"},
    };
    for (const auto &[contents, what] : cases) {
        if (std::string(what) == "1 other line" && as == Saved::Utf8)
            continue; // UTF-8 has no half characters to lose
        FakePlatform fresh;
        fresh.now = now;
        fresh.files[path] = contents;
        EventTable rows;
        EventFile events{fresh, path};
        events.loadAll(rows);
        EXPECT_TRUE(sweepMissedEvents(rows, events, fresh, now));
        ASSERT_EQ(fresh.otherNotices.size(), 1u) << what;
        EXPECT_NE(fresh.otherNotices[0].find(std::string(what) + "."), std::string::npos)
            << fresh.otherNotices[0];
        EXPECT_EQ(fresh.files[path + ".20261207-120000.bak"], contents);
    }
}

INSTANTIATE_TEST_SUITE_P(Saved, FileEncoding,
                         testing::Values(Saved::Utf16Le, Saved::Utf16Be, Saved::Utf8),
                         [](const testing::TestParamInfo<Saved> &info) {
                             return info.param == Saved::Utf16Le   ? "Utf16LittleEndian"
                                    : info.param == Saved::Utf16Be ? "Utf16BigEndian"
                                                                   : "Utf8WithMark";
                         });
