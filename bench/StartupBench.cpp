// Start-up side by side under Wine: from launching Velkorin.exe to its main window on screen,
// with no events and with 1,000, 10,000 and 50,000 (none of them passed), the median of nine
// starts, taken in turns so that a slow moment of the machine falls on every size alike.
#include "Driver.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
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
        SYSTEMTIME when = {static_cast<WORD>(2031 + i % 5), static_cast<WORD>(1 + i % 12), 0,
                           static_cast<WORD>(1 + i % 28), static_cast<WORD>(i % 24),
                           static_cast<WORD>(i / 24 % 60), static_cast<WORD>(i % 60), 0};
        events.push_back({oneTimeKey(when), i % 3 ? "" : "Restart", "", "", when});
    }
    return events;
}

double startOnce(int events) {
    Program program("startup-" + std::to_string(events));
    if (events > 0) program.writeEventFile(eventFileText(futureEvents(events)));
    const double start = nowMs();
    program.start();
    HWND window = nullptr;
    while (!window && nowMs() - start < 60000) {
        std::vector<HWND> shown = program.windowsTitled("Velkorin");
        if (!shown.empty()) window = shown.front();
        else Sleep(1);
    }
    const double shownAfter = nowMs() - start;
    TerminateProcess(OpenProcess(PROCESS_TERMINATE, FALSE, [&] {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        return id;
    }()), 0);
    Sleep(300);
    return shownAfter;
}

} // namespace

int main() {
    startOnce(0); // the first start of a prefix sets things up
    const int sizes[] = {0, 1000, 10000, 50000};
    constexpr int runs = 9;
    std::vector<double> times[std::size(sizes)];
    for (int run = 0; run < runs; ++run)
        for (std::size_t size = 0; size < std::size(sizes); ++size)
            times[size].push_back(startOnce(sizes[size]));
    double empty = 0;
    for (std::size_t size = 0; size < std::size(sizes); ++size) {
        std::vector<double> &t = times[size];
        std::sort(t.begin(), t.end());
        const double median = t[t.size() / 2];
        if (size == 0) empty = median;
        std::printf("start to main window shown with %5d events: median %6.0f ms of %d "
                    "(%.0f to %.0f), %.2fx the empty start\n",
                    sizes[size], median, runs, t.front(), t.back(), median / empty);
    }
    return 0;
}
