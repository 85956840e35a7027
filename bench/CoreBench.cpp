// Benchmarks of the core: event file save and load, and one due-check pass.
#include "DueCheck.h"
#include "Editor.h"
#include "EventFile.h"
#include "FakePlatform.h"
#include "MissedSweep.h"

#include <benchmark/benchmark.h>

namespace {

Event sampleEvent(int i) {
    const LocalTime when = fromWallSecond(wallSecond(at(2027, 1, 1, 0, 0, 0)) + i * 97);
    FakePlatform platform;
    Event fields = eventAt(when, "", clockText(platform, RepeatKind::OneTime, when));
    fields.restart = i % 3 == 0 ? "Restart" : "";
    return fields;
}

void fillTable(EventTable &table, int rows) {
    for (int i = 0; i < rows; ++i)
        table.insertRow(i, sampleEvent(i));
}

void saveEvents(benchmark::State &state) {
    FakePlatform platform;
    EventFile file(platform, "InformationSW");
    EventTable table;
    fillTable(table, static_cast<int>(state.range(0)));
    for (auto _ : state)
        file.save(table);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(saveEvents)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The start-up sweep over passed one-time rows: they are reported and removed in one pass.
void sweepPassedRows(benchmark::State &state) {
    FakePlatform platform;
    EventFile file(platform, "InformationSW");
    const LocalTime now = at(2040, 1, 1, 0, 0, 0);
    for (auto _ : state) {
        state.PauseTiming();
        EventTable table;
        fillTable(table, static_cast<int>(state.range(0)));
        platform.notices.clear();
        state.ResumeTiming();
        sweepMissedEvents(table, file, platform, now);
        benchmark::DoNotOptimize(table.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(sweepPassedRows)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

// A table made under German formats brought into English, as at the first start after a change
// of language; and the same table already in English, as at every other start.
void bringIntoLanguage(benchmark::State &state) {
    FakePlatform platform;
    const bool foreign = state.range(1) != 0;
    platform.language = foreign ? "de" : "en";
    std::vector<Event> rows;
    for (int i = 0; i < state.range(0); ++i) {
        const LocalTime when = fromWallSecond(wallSecond(at(2027, 1, 1, 9, 0, 0)) + i * 97);
        rows.push_back(eventAt(when, "", clockText(platform, RepeatKind::OneTime, when)));
    }
    platform.language = "en";
    for (auto _ : state) {
        state.PauseTiming();
        EventTable table;
        table.replaceRows(rows);
        state.ResumeTiming();
        benchmark::DoNotOptimize(recomposeInCurrentLanguage(table, platform));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(bringIntoLanguage)->Args({10000, 1})->Args({10000, 0})->Unit(benchmark::kMillisecond);

// The core's share of a start on an event file's text, as the main window runs it: the file
// read and loaded, brought into the current language, swept and the due check started.
void startOn(benchmark::State &state, const std::string &text) {
    FakePlatform platform;
    const LocalTime now = at(2026, 12, 7, 12, 0, 0);
    for (auto _ : state) {
        platform.files["InformationSW"] = text;
        EventTable table;
        EventFile file(platform, "InformationSW");
        DueCheck due(table, file, platform);
        file.loadAll(table);
        due.adoptCurrentLanguage(now);
        due.noteStored(sweepMissedEvents(table, file, platform, now), now);
        due.startAfter(now);
        benchmark::DoNotOptimize(table.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// With many events, none of them passed.
void startUp(benchmark::State &state) {
    EventTable source;
    fillTable(source, static_cast<int>(state.range(0)));
    startOn(state, renderEventFile(source));
}
BENCHMARK(startUp)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The same, on a file another program wrote (no blank line between the sections, numbers as
// "%2d"): read by the profile rules, and written once in the program's own form by the sweep.
void firstStartAfterAnotherWriter(benchmark::State &state) {
    EventTable source;
    fillTable(source, static_cast<int>(state.range(0)));
    const std::string own = renderEventFile(source);
    std::string text;
    text.reserve(own.size() + own.size() / 10);
    for (std::size_t at = 0; at < own.size();) {
        std::size_t end = own.find("\r\n", at);
        end = end == std::string::npos ? own.size() : end + 2;
        const std::string_view line(own.data() + at, end - at);
        at = end;
        if (line == "\r\n")
            continue;
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && line.size() == equals + 4 &&
            (line.rfind("Month", 0) == 0 || line.rfind("Day", 0) == 0))
            text.append(line.substr(0, equals + 1)).append(" ").append(line.substr(equals + 1));
        else
            text.append(line);
    }
    startOn(state, text);
}
BENCHMARK(firstStartAfterAnotherWriter)->Arg(50000)->Unit(benchmark::kMillisecond);

void readEventsBench(benchmark::State &state) {
    FakePlatform platform;
    EventFile file(platform, "InformationSW");
    EventTable source;
    fillTable(source, static_cast<int>(state.range(0)));
    file.save(source);
    for (auto _ : state) {
        EventTable table;
        file.loadAll(table);
        benchmark::DoNotOptimize(table.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(readEventsBench)
    ->Name("readEvents")
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);

// Ten thousand rows of every kind but Hourly, spread over the days and times from 2027 on, a
// third of them with a power action (Daily rows without, so that none requests anything while a
// pass runs through the day).
void fillMixedTable(EventTable &table, int rows) {
    FakePlatform platform;
    const char *const kinds[] = {"", "Daily", "Weekly", "Monthly", "Yearly"};
    for (int i = 0; i < rows; ++i) {
        const LocalTime when = fromWallSecond(wallSecond(at(2027, 1, 1, 0, 0, 0)) + i * 97);
        const char *kind = kinds[i % 5];
        Event fields = eventAt(when, kind, clockText(platform, repeatKindOf(kind), when));
        if (i % 3 == 0 && i % 5 != 1)
            fields.restart = "Restart";
        table.insertRow(i, fields);
    }
}

// The due check over such a table.
struct Scheduled {
    FakePlatform platform;
    EventFile file{platform, "InformationSW"};
    EventTable table;
    DueCheck due{table, file, platform};
    explicit Scheduled(int rows) { fillMixedTable(table, rows); }
};

// One due-check pass, the warning's look-ahead included: the common second.
void duePass(benchmark::State &state) {
    Scheduled s(static_cast<int>(state.range(0)));
    LocalTime now = at(2026, 12, 7, 12, 0, 0);
    s.due.startAfter(now);
    for (auto _ : state) {
        now = later(now, 1);
        s.due.checkDueEvents(now);
    }
}
BENCHMARK(duePass)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The warning worked out afresh after a change of the table (a row composed ten seconds ahead,
// then deleted again): the schedule's index is rebuilt and the coming minute looked at.
void warningAfresh(benchmark::State &state) {
    Scheduled s(static_cast<int>(state.range(0)));
    const LocalTime now = at(2026, 12, 7, 12, 0, 0);
    s.due.startAfter(now);
    Event soon =
        eventAt(later(now, 10), "", clockText(s.platform, RepeatKind::OneTime, later(now, 10)));
    soon.shutDown = "Shut down";
    for (auto _ : state) {
        s.table.insertRow(s.table.rowCount(), soon);
        s.due.tableChanged(now);
        s.table.deleteRow(s.table.rowCount() - 1);
        s.due.tableChanged(now);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(warningAfresh)->Arg(10000)->Unit(benchmark::kMillisecond);

// Later on the warning of a daily restart among 10,000 events: the one-time row composed and
// added, the file written, the warning worked out afresh. The row leaves again, untimed.
void laterOnTheWarning(benchmark::State &state) {
    Scheduled s(static_cast<int>(state.range(0)));
    const LocalTime now = at(2026, 12, 7, 12, 0, 0);
    Event daily =
        eventAt(later(now, 30), "Daily", clockText(s.platform, RepeatKind::Daily, later(now, 30)));
    daily.restart = "Restart";
    s.table.insertRow(s.table.rowCount(), daily);
    for (auto _ : state) {
        state.PauseTiming();
        DueCheck due(s.table, s.file, s.platform);
        due.startAfter(now);
        state.ResumeTiming();
        if (!due.postponeWarned(now, 0))
            state.SkipWithError("nothing was warned of");
        state.PauseTiming();
        s.table.deleteRow(s.table.rowCount() - 1);
        state.ResumeTiming();
    }
}
BENCHMARK(laterOnTheWarning)->Arg(10000)->Unit(benchmark::kMillisecond);

// The next power action worked out over the table, as after every change of it: the mixed
// table, and one where every row of every kind, Hourly too, carries an action.
void nextAction(benchmark::State &state) {
    Scheduled s(static_cast<int>(state.range(0)));
    if (state.range(1)) {
        const char *const kinds[] = {"", "Hourly", "Daily", "Weekly", "Monthly", "Yearly"};
        s.table.clearTable();
        for (int i = 0; i < state.range(0); ++i) {
            const LocalTime when = fromWallSecond(wallSecond(at(2027, 1, 1, 0, 0, 0)) + i * 97);
            const char *kind = kinds[i % 6];
            Event fields = eventAt(when, kind, clockText(s.platform, repeatKindOf(kind), when));
            fields.shutDown = "Shut down";
            s.table.insertRow(i, fields);
        }
    }
    Schedule schedule(s.table, s.platform);
    schedule.start(at(2026, 12, 7, 12, 0, 0));
    const auto none = [](std::int64_t) { return false; };
    for (auto _ : state)
        benchmark::DoNotOptimize(schedule.nextAction(none));
}
BENCHMARK(nextAction)->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond);

// A tick that comes late, every second of the gap caught up: a busy machine, or one asleep.
void lateTick(benchmark::State &state) {
    Scheduled s(10000);
    const LocalTime now = at(2026, 12, 7, 12, 0, 0);
    for (auto _ : state) {
        DueCheck due(s.table, s.file, s.platform);
        due.startAfter(now);
        due.checkDueEvents(later(now, state.range(0)));
    }
}
BENCHMARK(lateTick)->Arg(7200)->Arg(7 * 86400)->Unit(benchmark::kMillisecond);

// The tick at which the zone changes (Berlin to Lagos and back, equal standard offsets, an hour
// apart in summer): the table is planned afresh by the new zone's rules, the warning and the
// wake with it.
void zoneChange(benchmark::State &state) {
    Scheduled s(static_cast<int>(state.range(0)));
    TestZone zone = zones::berlin;
    s.platform.zone = &zone;
    std::int64_t utc = secondsOf(2026, 7, 15, 10, 0, 0);
    const auto reading = [&] {
        const int offset = zone.offsetAt(utc);
        LocalTime time = fromWallSecond(utc + offset);
        time.utcOffset = offset;
        time.elapsed = utc * 1000;
        return time;
    };
    s.due.startAfter(reading());
    for (auto _ : state) {
        zone = zone.name == zones::berlin.name ? zones::lagos : zones::berlin;
        ++utc;
        s.due.checkDueEvents(reading());
    }
}
BENCHMARK(zoneChange)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same pass formatting every row's clock text anew, as a per-row check would.
void duePassPerRowFormatting(benchmark::State &state) {
    FakePlatform platform;
    EventTable table;
    fillTable(table, static_cast<int>(state.range(0)));
    std::int64_t second = wallSecond(at(2026, 12, 7, 12, 0, 0));
    for (auto _ : state) {
        const LocalTime now = fromWallSecond(++second);
        int due = 0;
        for (int i = 0; i < table.rowCount(); ++i) {
            const Event &row = table.event(i);
            due += clockText(platform, repeatKindOf(row.repeat), now) == row.matchKey;
        }
        benchmark::DoNotOptimize(due);
    }
}
BENCHMARK(duePassPerRowFormatting)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

// A minute of a file that cannot be written, with 100,000 events: a row fires and its rewrite
// fails, then every tick of the minute passes while the file stays unwritable. The bytes handed
// to the file system and the tries, per minute.
void failedWriteMinute(benchmark::State &state) {
    const int rows = static_cast<int>(state.range(0));
    std::size_t bytes = 0;
    int tries = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FakePlatform platform;
        EventFile file(platform, "InformationSW");
        EventTable table;
        DueCheck due(table, file, platform);
        fillTable(table, rows);
        const LocalTime start = at(2026, 12, 7, 12, 0, 0);
        const LocalTime firing = later(start, 1);
        table.insertRow(0, eventAt(firing, "", clockText(platform, RepeatKind::OneTime, firing)));
        platform.failReplaces = true;
        due.startAfter(start);
        state.ResumeTiming();
        for (int second = 1; second <= 60; ++second)
            due.checkDueEvents(later(start, second));
        bytes = platform.bytesWritten;
        tries = platform.writeAttempts;
    }
    state.counters["tries"] = tries;
    state.counters["MB"] = static_cast<double>(bytes) / (1024 * 1024);
}
BENCHMARK(failedWriteMinute)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
