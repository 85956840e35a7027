// The command line's words read, and its commands carried out on a table and its file: composed
// as the event form composes, listed, exported and imported back, and every bad input refused
// with the file left byte for byte as it was.
#include "ClockText.h"
#include "Commands.h"
#include "EventCsv.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

namespace {

const std::string path = "C:\\Tools\\InformationSW";

std::vector<std::string> wordsOf(const std::string &line) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while ((start = line.find_first_not_of(' ', start)) != std::string::npos) {
        if (line[start] == '"') {
            const std::size_t end = line.find('"', start + 1);
            words.push_back(line.substr(start + 1, end - start - 1));
            start = end + 1;
        } else {
            const std::size_t end = line.find(' ', start);
            words.push_back(line.substr(start, end - start));
            start = end;
        }
    }
    return words;
}

ParsedCommand parse(const std::string &line) {
    return parseCommandLine(wordsOf(line));
}

struct Commands : testing::Test {
    FakePlatform platform;
    EventTable table;
    EventFile file{platform, path};
    Editor editor{table, file, platform};
    History history{platform, "C:\\Tools\\"};

    Commands() { platform.now = at(2026, 12, 9, 12, 0, 0); }

    CommandOutcome run(const std::string &line, const std::string &importText = "") {
        const ParsedCommand parsed = parse(line);
        if (!parsed.ok)
            return {exitBadInput, parsed.error, ""};
        return runCommand(parsed.command, table, editor, file, platform, &history, importText);
    }
};

} // namespace

TEST(CommandLine, TheMomentAndSwitchesAreReadInEitherFormAndAnyCase) {
    for (const char *line : {"/add 2026-12-24 18:00:00", "/add \"2026-12-24 18:00:00\"",
                             "-ADD 2026-12-24 18:00:00 /Repeat ONCE"}) {
        const ParsedCommand parsed = parse(line);
        ASSERT_TRUE(parsed.ok) << line << ": " << parsed.error;
        EXPECT_TRUE(parsed.command.moment.dated);
        EXPECT_EQ(wallSecond(parsed.command.moment.time), wallSecond(at(2026, 12, 24, 18, 0, 0)));
        EXPECT_EQ(parsed.command.moment.time.dayOfWeek, 4); // a Thursday
    }
    const ParsedCommand daily = parse("/add 07:30:00 /repeat daily /shutdown");
    ASSERT_TRUE(daily.ok) << daily.error;
    EXPECT_EQ(daily.command.repeat, "Daily");
    EXPECT_EQ(daily.command.action, PowerAction::ShutDown);
    EXPECT_TRUE(parse("/list /csv").command.csv);
    EXPECT_EQ(parse("/delete 12").command.number, 12);
    EXPECT_EQ(parse("/?").command.verb, Command::Verb::Help);
}

TEST(CommandLine, BadWordsAreRefusedWithTheReason) {
    const std::pair<const char *, const char *> cases[] = {
        {"/add 2027-02-30 10:00:00", "2027-02-30 is not a date: there is no 30 February 2027."},
        {"/add 2026-12-24 25:00:00", "25:00:00 is not a time of day: hours go from 00 to 23, "
                                     "minutes and seconds from 00 to 59."},
        {"/add \"24 Dezember 2026 18:00:00\"",
         "\"24 Dezember 2026 18:00:00\" is not a moment: write it as yyyy-mm-dd hh:mm:ss, for "
         "example 2026-12-24 18:00:00."},
        {"/add 2026-13-01 10:00:00", "2026-13-01 is not a date: there is no month 13."},
        {"/add 10:00:00 /repeat weekly", "A weekly event needs its date: write it as yyyy-mm-dd "
                                         "hh:mm:ss, for example 2026-12-24 18:00:00."},
        {"/add 2026-12-24 10:00:00 /repeat fortnightly",
         "/repeat takes once, hourly, daily, weekly, monthly or yearly, not \"fortnightly\"."},
        {"/add 2026-12-24 10:00:00 /restart /shutdown",
         "An event has one action: /restart or /shutdown, not both."},
        {"/remove 3", "Unknown switch /remove. Velkorin.exe /? lists the switches."},
        {"/list /xml", "Unknown switch /xml. Velkorin.exe /? lists the switches."},
        {"/delete three", "\"three\" is not the number of an event: /list shows the numbers."},
        {"/delete", "/delete needs the number of an event, as /list shows it."},
        {"/import", "/import needs the name of a file."},
    };
    for (const auto &[line, error] : cases) {
        const ParsedCommand parsed = parse(line);
        EXPECT_FALSE(parsed.ok) << line;
        EXPECT_EQ(parsed.error, error) << line;
    }
}

TEST_F(Commands, AddComposesAsTheEventFormInTheUsersLanguageAndListsIt) {
    platform.language = "de";
    const CommandOutcome added = run("/add 2026-12-24 18:00:00 /restart");
    EXPECT_EQ(added.exitCode, exitDone) << added.text;
    ASSERT_EQ(table.rowCount(), 1);
    const Event event = table.event(0);
    EXPECT_EQ(event.matchKey, clockText(platform, RepeatKind::OneTime, at(2026, 12, 24, 18, 0, 0)));
    EXPECT_EQ(event.matchKey.rfind("Donnerstag 24 Dezember 2026", 0), 0u) << event.matchKey;
    EXPECT_EQ(event.year + "/" + event.month + "/" + event.day, "2026/12/24");
    EXPECT_EQ(event.hour + event.minute + event.second, "180000");
    EXPECT_EQ(event.restart, "Restart");
    EXPECT_EQ(added.text,
              "Added event 1: 2026-12-24 18:00:00 once restart (" + event.matchKey + ")\r\n");
    EXPECT_NE(platform.files[path].find(event.matchKey), std::string::npos);

    run("/add 07:30:00 /repeat daily /shutdown");
    run("/add 2027-01-04 09:15:00 /repeat weekly");
    EXPECT_EQ(table.event(1).matchKey, "07:30:00");
    EXPECT_EQ(table.event(1).year, "");
    EXPECT_EQ(table.event(2).matchKey, "Montag 09:15:00");
    EXPECT_EQ(table.event(2).dayOfWeek, " 1");
    EXPECT_EQ(run("/list").text, "  No.  Moment               Repeat   Action\r\n"
                                 "    1  2026-12-24 18:00:00  once     restart\r\n"
                                 "    2  07:30:00             daily    shutdown\r\n"
                                 "    3  2027-01-04 09:15:00  weekly\r\n");
    EXPECT_EQ(run("/list /csv").text, "Number,Moment,Repeat,Action\r\n"
                                      "1,2026-12-24 18:00:00,once,restart\r\n"
                                      "2,07:30:00,daily,shutdown\r\n"
                                      "3,2027-01-04 09:15:00,weekly,\r\n");
    // The same event again is no second row.
    const CommandOutcome again = run("/add 07:30:00 /repeat DAILY /shutdown");
    EXPECT_EQ(again.exitCode, exitDone);
    EXPECT_EQ(again.text, "Event 2 is this event already: nothing was added.\r\n");
    EXPECT_EQ(table.rowCount(), 3);
}

TEST_F(Commands, ExportThenImportElsewhereGivesTheSameEventsInThatLanguage) {
    run("/add 2026-12-24 18:00:00 /restart");
    run("/add 00:15:00 /repeat hourly");
    run("/add 2027-02-28 06:00:00 /repeat yearly /shutdown");
    const CommandOutcome exported = run("/export C:\\Out\\events.csv");
    EXPECT_EQ(exported.text, "3 events exported to C:\\Out\\events.csv.\r\n");

    FakePlatform other;
    other.now = platform.now;
    other.language = "fr";
    EventTable otherTable;
    EventFile otherFile{other, path};
    Editor otherEditor{otherTable, otherFile, other};
    const CommandOutcome imported =
        runCommand(parse("/import C:\\In\\events.csv").command, otherTable, otherEditor, otherFile,
                   other, nullptr, "\xEF\xBB\xBF" + exported.exported);
    EXPECT_EQ(imported.exitCode, exitDone) << imported.text;
    EXPECT_EQ(imported.text, "Added 3 events from C:\\In\\events.csv.\r\n");
    EXPECT_EQ(listCsv(otherTable), exported.exported);
    EXPECT_EQ(otherTable.event(0).matchKey,
              clockText(other, RepeatKind::OneTime, at(2026, 12, 24, 18, 0, 0)));
    EXPECT_EQ(otherTable.event(2).matchKey, "28 f\xE9vrier 06:00:00");
}

TEST_F(Commands, AnImportAddsWhatItCanAndNamesEveryRefusedLine) {
    run("/add 07:30:00 /repeat daily");
    const std::string csv = "number,moment,repeat,action\r\n"
                            "1,2026-12-24 18:00:00,once,restart\r\n"
                            "\r\n"
                            "2,2026-02-30 10:00:00,once,\r\n"
                            "3,2026-12-01 10:00:00,once,shutdown\r\n"
                            "4,07:30:00,daily,\r\n"
                            "5,2026-12-25 10:00:00,sometimes,\r\n"
                            ",2026-12-26 10:00:00,monthly,reboot\r\n"
                            "7,2026-12-27 25:00:00\r\n"
                            "8,2026-12-27 10:00:00,monthly,Shutdown\r\n";
    const CommandOutcome imported = run("/import events.csv", csv);
    EXPECT_EQ(imported.exitCode, exitBadInput);
    EXPECT_EQ(imported.text,
              "Added 2 events from events.csv.\r\n"
              "Line 4 refused: 2026-02-30 is not a date: there is no 30 February 2026.\r\n"
              "Line 5 refused: the moment has passed: a one-time event then could only be "
              "reported missed.\r\n"
              "Line 6 refused: the same event is in the list already.\r\n"
              "Line 7 refused: the repeat \"sometimes\" is none of once, hourly, daily, weekly, "
              "monthly, yearly.\r\n"
              "Line 8 refused: the action \"reboot\" is none of restart, shutdown or nothing.\r\n"
              "Line 9 refused: not four values (number, moment, repeat, action).\r\n");
    ASSERT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.event(2).shutDown, "Shut down");
    EXPECT_NE(platform.files["C:\\Tools\\Velkorin.log"].find("imported from the command line"),
              std::string::npos);
}

TEST_F(Commands, BadInputAndAFileThatCannotBeWrittenLeaveTheFileAsItWas) {
    run("/add 2026-12-24 18:00:00 /restart");
    run("/add 07:30:00 /repeat daily");
    const std::string before = platform.files[path];
    const std::pair<const char *, const char *> cases[] = {
        {"/add 2026-12-09 11:59:59", "Nothing was added: the moment has passed: a one-time event "
                                     "then could only be reported missed.\r\n"},
        {"/add 2026-12-09 12:00:00", nullptr},
        {"/delete 7", "There is no event number 7: nothing was deleted. /list shows the "
                      "numbers.\r\n"},
        {"/import notes.txt", "notes.txt is not a CSV file of events: its first line is not "
                              "Number,Moment,Repeat,Action. Nothing was added.\r\n"},
    };
    for (const auto &[line, text] : cases) {
        const CommandOutcome result = run(line, "Dear all,\r\nthe restart is on Friday.\r\n");
        EXPECT_EQ(result.exitCode, exitBadInput) << line;
        if (text)
            EXPECT_EQ(result.text, text) << line;
        EXPECT_EQ(platform.files[path], before) << line;
    }
    EXPECT_EQ(run("/import data.bin", std::string("Number,Moment,Repeat,Action\r\n\0\1", 33)).text,
              "data.bin is not a CSV file of events: it holds binary data, not text. Nothing was "
              "added.\r\n");

    platform.failWrites = true;
    const CommandOutcome failed = run("/add 2026-12-31 23:59:59 /shutdown");
    EXPECT_EQ(failed.exitCode, exitFileProblem);
    EXPECT_EQ(failed.text, "Nothing was changed: the event file " + path +
                               " could not be written: Access is denied (error 5).\r\n");
    EXPECT_EQ(run("/delete 1").exitCode, exitFileProblem);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(platform.files[path], before);
    platform.failWrites = false;

    const CommandOutcome deleted = run("/delete 1");
    EXPECT_EQ(deleted.exitCode, exitDone);
    EXPECT_EQ(deleted.text, "Deleted event 1: 2026-12-24 18:00:00 once restart\r\n");
    EXPECT_EQ(run("/list /csv").text, "Number,Moment,Repeat,Action\r\n1,07:30:00,daily,\r\n");
}
