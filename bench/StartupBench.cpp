// Start-up side by side under Wine: from launching Velkorin.exe to its main window on screen,
// with no events and with 1,000, 10,000 and 50,000 (none of them passed), the best of three.
#include "Driver.h"

#include <algorithm>
#include <cstdio>

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
    double empty = 0;
    for (int events : {0, 1000, 10000, 50000}) {
        double best = 1e9;
        for (int run = 0; run < 3; ++run) best = std::min(best, startOnce(events));
        if (events == 0) empty = best;
        std::printf("start to main window shown with %5d events: %6.0f ms (%.2fx the empty start)\n",
                    events, best, best / empty);
    }
    return 0;
}
