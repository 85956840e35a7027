// The tick and its timer.
#include "Ticking.h"

#include "ClockFace.h"
#include "DueCheck.h"
#include "Shell.h"
#include "Tray.h"

namespace {

// While the face shows, ticks fall this long after each second boundary, so the clock changes
// with the real second and no tick lands just before the boundary it waits for. A tick that
// lands up to the slack later keeps the timer as it is: the timer is set again only when the
// ticks drift out of it, since each setting costs a call to the window server.
constexpr int tickPhaseMilliseconds = 20;
constexpr int tickSlackMilliseconds = 40;
constexpr UINT tickPeriod = 1000;
UINT armedPeriod = 0;

// Hidden, the timer is set for the second the due check needs next. A timer counts on the tick
// count, which Windows does not slew with the clock (up to some 2 s an hour): a longer sleep
// wakes early by that much and plans its last seconds afresh.
constexpr std::int64_t shortSleepSeconds = 10;
constexpr std::int64_t driftMilliseconds = 2000;

void armTickTimer(HWND window, WORD milliseconds) {
    const bool inPhase = milliseconds >= tickPhaseMilliseconds &&
                         milliseconds < tickPhaseMilliseconds + tickSlackMilliseconds;
    const UINT period = inPhase ? tickPeriod : tickPeriod - milliseconds + tickPhaseMilliseconds;
    if (period == armedPeriod)
        return;
    SetTimer(window, tickTimer, period, nullptr);
    armedPeriod = period;
}

// Hidden: one timer for the next second the program is needed.
void armSleepTimer(HWND window, const SYSTEMTIME &now, const LocalTime &reading) {
    const std::int64_t seconds =
        scheduling().due.neededAt(reading) - (wallSecond(reading) - reading.utcOffset);
    std::int64_t wait = seconds * 1000 - now.wMilliseconds + tickPhaseMilliseconds;
    if (seconds > shortSleepSeconds)
        wait -= driftMilliseconds;
    armedPeriod = static_cast<UINT>(wait);
    SetTimer(window, tickTimer, armedPeriod, nullptr);
}

// The tray tip follows the next power action; made anew only when that, or the day, changed.
void showNextAction(const LocalTime &now) {
    Scheduling &s = scheduling();
    static std::int64_t shownAction = INT64_MIN;
    static int shownDay = 0;
    const auto &next = s.due.nextAction();
    const std::int64_t action = next ? next->utc * 2 + next->shutDown : -1;
    if (action == shownAction && now.day == shownDay)
        return;
    shownAction = action;
    shownDay = now.day;
    showTrayTip(trayTipOf(next, now, s.platform));
}

} // namespace

void startTicks(HWND window) {
    SYSTEMTIME now;
    scheduling().platform.readClock(now);
    armTickTimer(window, now.wMilliseconds);
}

void planTicks(HWND window) {
    SYSTEMTIME now;
    const LocalTime reading = scheduling().platform.readClock(now);
    if (faceOnScreen(window))
        armTickTimer(window, now.wMilliseconds);
    else
        armSleepTimer(window, now, reading);
}

void clockTick(HWND window) {
    // Shown, the timer is set again for the next second first; hidden, for the next second
    // needed, last.
    SYSTEMTIME now;
    const LocalTime reading = scheduling().platform.readClock(now);
    const bool onScreen = faceOnScreen(window);
    if (onScreen)
        armTickTimer(window, now.wMilliseconds);
    clockWork(window, now);
    {
        EventList::Batch batch(scheduling().list);
        scheduling().due.checkDueEvents(reading);
    }
    showNextAction(reading);
    if (!onScreen)
        armSleepTimer(window, now, reading);
}

void clockChanged(HWND window) {
    scheduling().platform.clockMayHaveChanged();
    clockTick(window);
}

void powerChanged(HWND window, WPARAM change) {
    Scheduling &s = scheduling();
    EventList::Batch batch(s.list);
    const LocalTime now = s.platform.localTime();
    switch (change) {
    case PBT_APMSUSPEND: s.due.asleep(now); break;
    case PBT_APMRESUMEAUTOMATIC:
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMECRITICAL:
        s.due.awake(now);
        // Woken by a timer, Windows sleeps again after two idle minutes: they start afresh
        // here, and the warning holds the computer awake through its minute.
        SetThreadExecutionState(ES_SYSTEM_REQUIRED);
        break;
    default: return;
    }
    showNextAction(now);
    planTicks(window);
}

void faceBack(HWND window) {
    SYSTEMTIME now;
    scheduling().platform.readClock(now);
    faceShown(window, now);
    armedPeriod = 0;
    armTickTimer(window, now.wMilliseconds);
}
