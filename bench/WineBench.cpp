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
    eventDirectory = programDirectory;
    CreateDirectoryA(programDirectory.c_str(), nullptr);
    EventTable table = sampleTable(platform, rows);
    // A daily restart 50 s ahead, warned of as the window starts: put off by Later below, so
    // nothing is requested.
    const LocalTime soon = fromWallSecond(wallSecond(platform.localTime()) + 50);
    Event daily = eventAt(soon, "Daily", clockText(platform, RepeatKind::Daily, soon));
    daily.restart = "Restart";
    table.insertRow(table.rowCount(), daily);
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
    // Later on the warning of the daily restart that comes within the minute.
    timed("Later (10 minutes) on the warning", [&] {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_WARNING_LATER_FIRST, BN_CLICKED),
                     reinterpret_cast<LPARAM>(list));
    });
    if (table.rowCount() + 1 != static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)))
        std::printf("  (Later added no row: no warning showed)\n");
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

// Commands of the command line on 10,000 events, each a process of Velkorin.exe from its start
// to its end, with the program not running (the file read, and written for a change) and
// running (handed over to it).
double commandMs(const std::string &directory, const std::string &words) {
    std::string line = "\"" + directory + "Velkorin.exe\" " + words;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE discard =
        CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = discard;
    PROCESS_INFORMATION process = {};
    const double start = nowMs();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(),
                        &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    const double took = nowMs() - start;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(discard);
    return took;
}

void commandLine(Platform &platform) {
    const int rows = 10000;
    const std::string directory = tempPath("velkorin-bench-commands\\");
    CreateDirectoryA(directory.c_str(), nullptr);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string program = self;
    program = program.substr(0, program.find_last_of('\\') + 1) + "Velkorin.exe";
    CopyFileA(program.c_str(), (directory + "Velkorin.exe").c_str(), FALSE);
    EventTable table = sampleTable(platform, rows);
    EventFile(platform, eventFilePath(directory)).save(table);
    const char *const commands[] = {
        "/list",        "/list /csv",         "/add 2031-01-01 10:00:00 /restart",
        "/delete 5000", "/export events.csv", "/?"};
    for (bool running : {false, true}) {
        PROCESS_INFORMATION copy = {};
        if (running) {
            std::string line = "\"" + directory + "Velkorin.exe\"";
            STARTUPINFOA startup = {};
            startup.cb = sizeof startup;
            CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                           directory.c_str(), &startup, &copy);
            WaitForInputIdle(copy.hProcess, 30000);
            Sleep(3000);
        }
        for (const char *words : commands)
            std::printf("command %s with %d events, Velkorin %s: %.0f ms\n", words, rows,
                        running ? "running" : "not running", commandMs(directory, words));
        if (running) {
            TerminateProcess(copy.hProcess, 0);
            WaitForSingleObject(copy.hProcess, 10000);
            CloseHandle(copy.hProcess);
            CloseHandle(copy.hThread);
        }
    }
}

} // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0); // each figure shows as it is measured
    BenchPlatform platform;
    saveSideBySide(platform);
    passSideBySide(platform);
    startupSteps(platform);
    editorOnTheMainWindow(platform);
    commandLine(platform);
    return 0;
}
