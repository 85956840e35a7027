// Civil-date arithmetic for the local wall clock.
#include "LocalTime.h"

const char longDatePicture[] = "dddd dd MMMM yyyy";
const char clockTimePicture[] = "HH:mm:ss";

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

} // namespace

std::int64_t floorDiv(std::int64_t value, std::int64_t unit) {
    return value >= 0 ? value / unit : -((-value + unit - 1) / unit);
}

std::int64_t wallSecond(const LocalTime &time) {
    std::int64_t days = daysFromCivil(time.year, static_cast<unsigned>(time.month),
                                      static_cast<unsigned>(time.day));
    return days * 86400 + time.hour * 3600 + time.minute * 60 + time.second;
}

LocalTime fromWallSecond(std::int64_t second) {
    std::int64_t days = floorDiv(second, 86400);
    std::int64_t inDay = second - days * 86400;
    LocalTime time;
    time.hour = static_cast<int>(inDay / 3600);
    time.minute = static_cast<int>(inDay / 60 % 60);
    time.second = static_cast<int>(inDay % 60);
    time.dayOfWeek = static_cast<int>(((days + 4) % 7 + 7) % 7); // 1970-01-01 was a Thursday

    // civil_from_days
    std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    time.year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
    time.month = static_cast<int>(m);
    time.day = static_cast<int>(d);
    return time;
}

bool isRealDate(int year, int month, int day) {
    static const int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return year >= 1601 && year <= 30827 && month >= 1 && month <= 12 && day >= 1 &&
           day <= monthDays[month - 1] && (month != 2 || day < 29 || leap);
}
