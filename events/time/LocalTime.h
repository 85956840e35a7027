// Local wall-clock moments, and counting them in seconds to step from one to the next.
#pragma once

#include <cstdint>

// A reading of the local clock; milliseconds play no part in scheduling.
struct LocalTime {
    int year = 0;
    int month = 0;     // 1 to 12
    int dayOfWeek = 0; // 0 = Sunday
    int day = 0;       // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
    // Seconds east of UTC in effect at this reading (local = UTC + offset).
    int utcOffset = 0;
    // Milliseconds of a clock that only moves forward (time asleep included) and is never set:
    // beside the wall clock it tells time that passed from a clock that was set.
    std::int64_t elapsed = 0;
};

// The clock's date and time pictures: the face shows a moment in them, and the one-time match
// keys and the clock texts the due check compares them with are written in them.
extern const char longDatePicture[];  // "dddd dd MMMM yyyy"
extern const char clockTimePicture[]; // "HH:mm:ss"

// The whole units of a count of seconds, rounded down also before 1970 (days, hours).
std::int64_t floorDiv(std::int64_t value, std::int64_t unit);

// Seconds since 1 January 1970 on the local wall clock (daylight saving not taken out), so
// the skipped hour in spring shows as a jump forward and the repeated one as a step back.
std::int64_t wallSecond(const LocalTime &time);

// The moment at a wall-clock second, its day of week included.
LocalTime fromWallSecond(std::int64_t second);

// A date that the calendar has and Windows can hold (the years 1601 to 30827).
bool isRealDate(int year, int month, int day);
