#!/usr/bin/env bash
# Writes an event file of N one-time events on 14 March 2031 from 09:00 (none due, none
# missed), in the form Velkorin writes: bench/write-events.sh N FILE.
set -euo pipefail
awk -v count="$1" 'BEGIN {
    split("Date&Time|Restart|Shut down|Repeat|Year|Month|Day|H|M|S|DayOfWeek", sections, "|")
    for (s = 1; s <= 11; s++) {
        printf "[%s]\r\n", sections[s]
        for (n = 1; n <= count; n++) {
            minute = sprintf("%02d", int(n / 60) % 60); second = sprintf("%02d", n % 60)
            value = ""
            if (s == 1) value = "Friday 14 March 2031 09:" minute ":" second
            else if (s == 5) value = 2031
            else if (s == 6) value = 3
            else if (s == 7) value = 14
            else if (s == 8) value = "09"
            else if (s == 9) value = minute
            else if (s == 10) value = second
            printf "%s%2d=%s\r\n", sections[s], n, value
        }
    }
}' >"$2"
