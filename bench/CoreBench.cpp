// Benchmarks of the core: event file save and load, and one due-check pass.
#include "DueCheck.h"
#include "EventFile.h"
#include "FakePlatform.h"
#include "MissedSweep.h"

#include <benchmark/benchmark.h>

namespace {

EventFields sampleEvent(int i) {
    const LocalTime when = fromWallSecond(wallSecond(at(2027, 1, 1, 0, 0, 0)) + i * 97);
    FakePlatform platform;
    EventFields fields = eventAt(when, "", clockText(platform, RepeatKind::OneTime, when));
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
        file.saveThrough(table);
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

void loadEventsBench(benchmark::State &state) {
    FakePlatform platform;
    EventFile file(platform, "InformationSW");
    EventTable source;
    fillTable(source, static_cast<int>(state.range(0)));
    file.saveThrough(source);
    for (auto _ : state) {
        EventTable table;
        file.loadAll(table);
        benchmark::DoNotOptimize(table.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(loadEventsBench)->Name("loadEvents")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// One due-check pass over rows none of which is due: the common second.
void duePass(benchmark::State &state) {
    FakePlatform platform;
    EventFile file(platform, "InformationSW");
    EventTable table;
    fillTable(table, static_cast<int>(state.range(0)));
    DueCheck due(table, file, platform);
    std::int64_t second = wallSecond(at(2026, 12, 7, 12, 0, 0));
    due.startAfter(fromWallSecond(second));
    for (auto _ : state)
        due.checkDueEvents(fromWallSecond(++second));
}
BENCHMARK(duePass)->Arg(10000)->Unit(benchmark::kMicrosecond);

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
