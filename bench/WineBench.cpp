// Side by side under Wine: our event-file writer against one profile call per value, and one
// due-check pass against formatting the clock text anew for every row.
#include "DueCheck.h"
#include "EventList.h"
#include "EventFile.h"
#include "FakePlatform.h"
#include "Win32Platform.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

// The real platform, but a due power action in a benchmark only counts.
class BenchPlatform : public Win32Platform {
public:
    void requestRestart() override { ++requests; }
    void requestShutdown() override { ++requests; }
    int requests = 0;
};

double nowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string tempPath(const char *name) {
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + name;
}

// One-time events from 2027 on, and daily ones between 06:00 and 07:00.
EventTable sampleTable(Platform &platform, int rows) {
    EventTable table;
    const std::int64_t start = wallSecond({2027, 1, 0, 1, 0, 0, 0});
    const std::int64_t morning = wallSecond({2027, 1, 0, 1, 6, 0, 0});
    for (int i = 0; i < rows; ++i) {
        const std::string repeat = i % 2 ? "" : "Daily";
        const LocalTime when = fromWallSecond(i % 2 ? start + i * 97 : morning + i % 3600);
        EventFields fields = eventAt(when, repeat, clockText(platform, repeatKindOf(repeat), when));
        fields.restart = i % 3 == 0 ? "Restart" : "";
        table.insertRow(i, fields);
    }
    return table;
}

void saveSideBySide(Platform &platform) {
    const int rows = 1000;
    EventTable table = sampleTable(platform, rows);

    const std::string ours = tempPath("velkorin-bench-ours");
    double start = nowMs();
    EventFile(platform, ours).saveThrough(table);
    const double oursMs = nowMs() - start;

    const std::string profile = tempPath("velkorin-bench-profile");
    DeleteFileA(profile.c_str());
    start = nowMs();
    for (int i = 0; i < rows; ++i) {
        const Event &row = table.event(i);
        for (const EventFieldInfo &field : eventFields)
            WritePrivateProfileStringA(field.name, eventKey(field.name, i + 1).c_str(),
                                       (row.*field.member).c_str(), profile.c_str());
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, profile.c_str());
    const double profileMs = nowMs() - start;
    std::printf("save %d events: ours %.2f ms, WritePrivateProfileStringA x11 per event %.1f ms, "
                "%.0fx faster\n",
                rows, oursMs, profileMs, profileMs / oursMs);
    DeleteFileA(ours.c_str());
    DeleteFileA(profile.c_str());
}

void passSideBySide(BenchPlatform &platform) {
    const int rows = 10000;
    EventTable table = sampleTable(platform, rows);
    EventFile file(platform, tempPath("velkorin-bench-due"));
    DueCheck due(table, file, platform);
    std::int64_t second = wallSecond({2026, 12, 0, 7, 12, 0, 0});
    due.startAfter(fromWallSecond(second));

    const int passes = 50;
    double start = nowMs();
    for (int i = 0; i < passes; ++i)
        due.checkDueEvents(fromWallSecond(++second));
    const double passMs = (nowMs() - start) / passes;

    const int slowPasses = 3;
    start = nowMs();
    int dueRows = 0;
    for (int i = 0; i < slowPasses; ++i) {
        const LocalTime now = fromWallSecond(++second);
        for (int row = 0; row < rows; ++row) {
            const Event &event = table.event(row);
            dueRows += clockText(platform, repeatKindOf(event.repeat), now) == event.matchKey;
        }
    }
    const double perRowMs = (nowMs() - start) / slowPasses;
    std::printf("due pass over %d rows: %.3f ms, per-row formatting %.2f ms, %.0fx faster "
                "(due: %d, power requests: %d)\n",
                rows, passMs, perRowMs, perRowMs / passMs, dueRows, platform.requests);
}

// A full rewrite as a fired one-time event causes it, with the event list showing the table.
void rewriteShown(Platform &platform) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | WS_VISIBLE | LVS_REPORT, 0, 0,
                                600, 400, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    EventList shown;
    shown.attach(list);
    shown.setUpEventColumns();
    for (int rows : {1000, 10000}) {
        EventTable table = sampleTable(platform, rows);
        table.setMirror(&shown);
        EventFile file(platform, tempPath("velkorin-bench-shown"));
        double start = nowMs();
        {
            EventList::Batch batch(shown);
            file.rewriteEventFile(table);
        }
        UpdateWindow(list);
        std::printf("full rewrite of %d rows shown in the event list: %.0f ms\n", rows,
                    nowMs() - start);
        table.clearTable();
    }
    DestroyWindow(list);
}

} // namespace

int main() {
    BenchPlatform platform;
    saveSideBySide(platform);
    passSideBySide(platform);
    rewriteShown(platform);
    return 0;
}
