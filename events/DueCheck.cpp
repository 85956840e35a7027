// The due check and the power action.
#include "DueCheck.h"

#include "MissedSweep.h"

const char longDatePicture[] = "dddd dd MMMM yyyy";
const char clockTimePicture[] = "HH:mm:ss";

const char *datePictureOf(RepeatKind kind) {
    switch (kind) {
    case RepeatKind::OneTime: return longDatePicture;
    case RepeatKind::Weekly: return "dddd";
    case RepeatKind::Monthly: return "dd";
    case RepeatKind::Yearly: return "dd MMMM";
    default: return nullptr;
    }
}

namespace {

// Equal texts, deciding most unequal ones by their last character: the seconds digit of a
// clock text differs from nearly every other row's.
bool sameText(const std::string &a, const std::string &b) {
    return a.size() == b.size() && (a.empty() || a.back() == b.back()) && a == b;
}

} // namespace

std::string clockText(Platform &platform, RepeatKind kind, const LocalTime &time) {
    if (kind == RepeatKind::Unknown) return std::string();
    if (kind == RepeatKind::Hourly) return platform.formatTime(time, ":mm:ss");
    std::string clock = platform.formatTime(time, clockTimePicture);
    if (kind == RepeatKind::Daily) return clock;
    std::string text = platform.formatDate(time, datePictureOf(kind)) + " " + clock;
    cutToCapacity(text, matchKeyCapacity);
    return text;
}

const std::string &ClockTexts::text(RepeatKind kind) {
    static const std::string never;
    if (kind == RepeatKind::Unknown) return never;
    std::size_t at = static_cast<std::size_t>(kind);
    if (!made_[at]) {
        texts_[at] = clockText(platform_, kind, time_);
        made_[at] = true;
    }
    return texts_[at];
}

void runPowerAction(const EventFields &fields, const EventTable &table, EventFile &file,
                    Platform &platform) {
    switch (powerActionOf(fields)) {
    case PowerAction::ShutDown:
        file.saveThrough(table);
        platform.requestShutdown();
        break;
    case PowerAction::Restart:
        file.saveThrough(table);
        platform.requestRestart();
        break;
    case PowerAction::None: break;
    }
}

void DueCheck::startAfter(const LocalTime &swept) {
    lastExamined_ = wallSecond(swept);
    started_ = true;
}

bool DueCheck::examineSecond(const LocalTime &time) {
    ClockTexts clock(platform_, time);
    bool oneTimeWent = false;
    for (int index = 0; index < table_.rowCount();) {
        const TableRow &row = table_.row(index);
        const RepeatKind kind = row.kind;
        if (kind == RepeatKind::Unknown || !sameText(clock.text(kind), row.event.matchKey)) {
            ++index;
            continue;
        }
        const EventFields fields = table_.readRow(index);
        if (kind == RepeatKind::OneTime) {
            // The row leaves the table before its power action saves the file, so the file
            // left behind no longer holds the event that is firing; the row that moves up
            // into this index is examined next.
            table_.deleteRow(index);
            runPowerAction(fields, table_, file_, platform_);
            oneTimeWent = true;
        } else {
            runPowerAction(fields, table_, file_, platform_);
            ++index;
        }
    }
    return oneTimeWent;
}

void DueCheck::checkDueEvents(const LocalTime &now) {
    const std::int64_t current = wallSecond(now);
    const std::int64_t gap = started_ ? current - lastExamined_ : 1;
    if (gap == 0) return; // this second has been examined already
    started_ = true;
    lastExamined_ = current;

    bool rewriteNeeded = false;
    if (gap >= 1 && gap <= catchUpLimit) {
        for (std::int64_t second = current - gap + 1; second < current; ++second)
            rewriteNeeded |= examineSecond(fromWallSecond(second));
    }
    rewriteNeeded |= examineSecond(now);

    if (gap > catchUpLimit) {
        sweepMissedEvents(table_, file_, platform_, now); // rewrites the file itself
        return;
    }
    if (rewriteNeeded) file_.rewriteEventFile(table_);
}
