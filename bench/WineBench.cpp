// Under Wine: our event-file writer against one profile call per value, one due-check pass
// against formatting the clock text anew for every row, and the editor's commands on the main
// window with 10,000 events.
#include "DueCheck.h"
#include "EventFile.h"
#include "FakePlatform.h"
#include "MainDialog.h"
#include "MissedSweep.h"
#include "Shell.h"
#include "Win32Platform.h"
#include "resource.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

// The real platform, but a due power action in a benchmark only counts.
class BenchPlatform : public Win32Platform {
public:
    std::string requestRestart() override {
        ++requests;
        return std::string();
    }
    std::string requestShutdown() override {
        ++requests;
        return std::string();
    }
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
        Event fields = eventAt(when, repeat, clockText(platform, repeatKindOf(repeat), when));
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
    EventFile(platform, ours).save(table);
    const double oursMs = nowMs() - start;

    const std::string profile = tempPath("velkorin-bench-profile");
    DeleteFileA(profile.c_str());
    start = nowMs();
    for (int i = 0; i < rows; ++i) {
        const Event &row = table.event(i);
        for (const EventFieldInfo &field : eventFields)
            WritePrivateProfileStringA(field.name, (field.name + formatTwoDigits(i + 1)).c_str(),
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
    // Readings as the clock gives them: the forward clock moves with the wall clock.
    const auto reading = [](std::int64_t wall) {
        LocalTime time = fromWallSecond(wall);
        time.elapsed = wall * 1000;
        return time;
    };
    due.startAfter(reading(second));

    const int passes = 50;
    double start = nowMs();
    for (int i = 0; i < passes; ++i)
        due.checkDueEvents(reading(++second));
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

// The start-up steps with 10,000 events on the real platform: load, then the missed-event
// sweep with its rewrite.
void startupSteps(BenchPlatform &platform) {
    const int rows = 10000;
    EventTable written = sampleTable(platform, rows);
    const std::string path = tempPath("velkorin-bench-startup");
    EventFile file(platform, path);
    file.save(written);
    EventTable table;
    double start = nowMs();
    file.loadAll(table);
    const double loadMs = nowMs() - start;
    start = nowMs();
    sweepMissedEvents(table, file, platform, {2026, 12, 1, 7, 12, 0, 0});
    std::printf("start-up with %d events: load %.1f ms, sweep with nothing missed %.1f ms\n", rows,
                loadMs, nowMs() - start);
    DeleteFileA(path.c_str());
}

// The editor's commands on the real main window holding 10,000 events: each runs until the file
// is written and the list has redrawn.
void editorOnTheMainWindow(Platform &platform) {
    const int rows = 10000;
    programInstance = GetModuleHandleA(nullptr);
    programDirectory = tempPath("velkorin-bench-editor\\");
    CreateDirectoryA(programDirectory.c_str(), nullptr);
    EventTable table = sampleTable(platform, rows);
    EventFile(platform, eventFilePath(programDirectory)).save(table);
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x105};
    InitCommonControlsEx(&controls);

    double start = nowMs();
    HWND window = CreateDialogParamA(programInstance, "DIAL", nullptr, mainDialogProc, 0);
    UpdateWindow(window);
    std::printf("main window with %d events initialised and shown: %.0f ms\n", rows,
                nowMs() - start);
    HWND list = GetDlgItem(window, IDC_EVENTS);
    auto select = [&](int row) {
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&state));
    };
    auto timed = [&](const char *what, auto command) {
        const double begin = nowMs();
        command();
        UpdateWindow(list);
        std::printf("%s with %d events: %.1f ms\n", what, rows, nowMs() - begin);
    };
    auto press = [&](int id) {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
    };
    SetDlgItemTextA(window, IDC_HOUR, "12");
    SetDlgItemTextA(window, IDC_MINUTE, "34");
    timed("compose (OK)", [&] { press(IDC_OK); });
    select(0);
    timed("DELETE of row 1", [&] { press(IDC_DELETE); });
    select(5000);
    NMHDR doubleClick = {list, IDC_EVENTS, static_cast<UINT>(NM_DBLCLK)};
    timed("double-click edit of row 5001", [&] {
        SendMessageA(window, WM_NOTIFY, IDC_EVENTS, reinterpret_cast<LPARAM>(&doubleClick));
    });
    timed("OK putting the edited row back", [&] { press(IDC_OK); });
    DestroyWindow(window);
}

} // namespace

int main() {
    BenchPlatform platform;
    saveSideBySide(platform);
    passSideBySide(platform);
    startupSteps(platform);
    editorOnTheMainWindow(platform);
    return 0;
}
