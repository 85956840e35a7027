// Start-up side by side under Wine: from launching Velkorin.exe to its main window on screen,
// with no events and with 1,000, 10,000 and 50,000 (none of them passed), the median of nine
// starts, taken in turns so that a slow moment of the machine falls on every size alike. The
// everyday start reads the event file as Velkorin itself wrote it; the first start after a file
// written by another program (here the tests' writer) also rewrites it once, and is measured
// apart. Last, a start on a sparse 1 GB event file, which is too large to read.
//
// Given the path of another build's Velkorin.exe (an earlier version), each start of this build
// is followed by the same start of that one, and both are reported, each against its own empty
// start: startup_bench [earlier\Velkorin.exe]
#include "Driver.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

double nowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::vector<FileEvent> futureEvents(int count) {
    std::vector<FileEvent> events;
    for (int i = 0; i < count; ++i) {
        SYSTEMTIME when = {static_cast<WORD>(2031 + i % 5),
                           static_cast<WORD>(1 + i % 12),
                           0,
                           static_cast<WORD>(1 + i % 28),
                           static_cast<WORD>(i % 24),
                           static_cast<WORD>(i / 24 % 60),
                           static_cast<WORD>(i % 60),
                           0};
        events.push_back({oneTimeKey(when), i % 3 ? "" : "Restart", "", "", when});
    }
    return events;
}

// Starts the program on this event file text and waits for its main window; the milliseconds
// from the start to the window, and the file as the program left it.
double startOnce(const std::string &exe, int events, const std::string &fileText,
                 std::string *left = nullptr, LONGLONG sparseSize = 0) {
    // A directory of its own for each build and size, holding a copy of the build's program.
    const std::string runs = buildDirectory() + "e2e-runs\\";
    CreateDirectoryA(runs.c_str(), nullptr);
    const std::string directory = runs + "startup-" +
                                  std::to_string(std::hash<std::string>()(exe)) + "-" +
                                  std::to_string(events) + "\\";
    CreateDirectoryA(directory.c_str(), nullptr);
    for (const char *leftOver : {"InformationSW", "Velkorin.log", "Velkorin.log.old"})
        DeleteFileA((directory + leftOver).c_str());
    for (const std::string &copy : filesLike(directory + "InformationSW.*"))
        DeleteFileA(copy.c_str());
    CopyFileA(exe.c_str(), (directory + "Velkorin.exe").c_str(), FALSE);
    Program program(Program::Installed{directory});
    if (events > 0)
        program.writeEventFile(fileText);
    if (sparseSize > 0) {
        HANDLE file = CreateFileA(program.eventFilePath().c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
        LARGE_INTEGER size;
        size.QuadPart = sparseSize;
        SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
    }
    const double start = nowMs();
    program.start();
    HWND window = nullptr;
    while (!window && nowMs() - start < 60000) {
        std::vector<HWND> shown = program.windowsTitled("Velkorin");
        if (!shown.empty())
            window = shown.front();
        else
            Sleep(1);
    }
    const double shownAfter = nowMs() - start;
    if (left) {
        Sleep(500);
        HANDLE file =
            CreateFileA(program.eventFilePath().c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        left->clear();
        if (file != INVALID_HANDLE_VALUE) { // with no events there is no file
            left->assign(GetFileSize(file, nullptr), '\0');
            DWORD read = 0;
            if (!left->empty())
                ReadFile(file, &(*left)[0], static_cast<DWORD>(left->size()), &read, nullptr);
            CloseHandle(file);
        }
    }
    TerminateProcess(OpenProcess(PROCESS_TERMINATE, FALSE,
                                 [&] {
                                     DWORD id = 0;
                                     GetWindowThreadProcessId(window, &id);
                                     return id;
                                 }()),
                     0);
    Sleep(300);
    return shownAfter;
}

void report(const char *what, int events, std::vector<double> &times, double empty) {
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("%s with %5d events: median %6.0f ms of %zu (%.0f to %.0f), %.2fx the empty "
                "start\n",
                what, events, median, times.size(), times.front(), times.back(), median / empty);
}

// One build's starts.
struct Build {
    std::string exe;
    std::vector<double> everyday[4], firstStart[4], huge;
};

void reportBuild(Build &build, const int *sizes, std::size_t count) {
    std::printf("%s\n", build.exe.c_str());
    std::sort(build.everyday[0].begin(), build.everyday[0].end());
    const double empty = build.everyday[0][build.everyday[0].size() / 2];
    for (std::size_t size = 0; size < count; ++size)
        report("start to main window shown", sizes[size], build.everyday[size], empty);
    for (std::size_t size = 1; size < count; ++size)
        report("first start after another program wrote the file", sizes[size],
               build.firstStart[size], empty);
    std::vector<double> &huge = build.huge;
    std::sort(huge.begin(), huge.end());
    std::printf("start to main window shown with a 1 GB event file: median %6.0f ms of %zu (%.0f "
                "to %.0f), %.2fx the empty start\n",
                huge[huge.size() / 2], huge.size(), huge.front(), huge.back(),
                huge[huge.size() / 2] / empty);
}

} // namespace

int main(int argc, char **argv) {
    const int sizes[] = {0, 1000, 10000, 50000};
    constexpr std::size_t count = std::size(sizes);
    std::vector<Build> builds(1);
    builds[0].exe = buildDirectory() + "Velkorin.exe";
    if (argc > 1) {
        builds.emplace_back();
        builds[1].exe = argv[1];
    }
    std::string written[count], own[count];
    for (std::size_t size = 0; size < count; ++size)
        written[size] = eventFileText(futureEvents(sizes[size]));
    // The first start of each size rewrites the tests' file into the program's own form, and
    // sets the prefix up.
    for (std::size_t size = 0; size < count; ++size)
        startOnce(builds[0].exe, sizes[size], written[size], &own[size]);
    constexpr int runs = 9;
    for (int run = 0; run < runs; ++run)
        for (std::size_t size = 0; size < count; ++size)
            for (Build &build : builds) {
                build.everyday[size].push_back(startOnce(build.exe, sizes[size], own[size]));
                build.firstStart[size].push_back(startOnce(build.exe, sizes[size], written[size]));
            }
    for (int run = 0; run < 5; ++run)
        for (Build &build : builds)
            build.huge.push_back(startOnce(build.exe, 0, std::string(), nullptr, 1LL << 30));
    for (Build &build : builds)
        reportBuild(build, sizes, count);
    return 0;
}
