// The once-a-second tick: the clock face, then the due check, which runs after the clock work.
// Shown, the program ticks every second in phase with the clock; hidden, it sleeps until the
// second the due check needs next.
#pragma once

#include <windows.h>

constexpr UINT_PTR tickTimer = 1;

// The first tick's timer, at start.
void startTicks(HWND window);

// A tick: the face, the due check and the tray tip; then the timer for the next one.
void clockTick(HWND window);

// After anything that may change when the program is needed next: a change of the table, an
// answer, the window hidden or shown, a wake.
void planTicks(HWND window);

// The clock or the zone may have been set: judged at once, not at the next planned tick.
void clockChanged(HWND window);

// Windows tells of sleep and wake (WM_POWERBROADCAST): what came due while the computer slept
// is a gap.
void powerChanged(HWND window, WPARAM change);

// Shown again, or restored: the face shows the time at once, formatted afresh, and ticks every
// second again.
void faceBack(HWND window);
