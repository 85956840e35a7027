// The due check and the power action.
#include "DueCheck.h"

#include "MissedSweep.h"

#include <algorithm>

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

const char refusedNoticeTitle[] = "Velkorin: restart or shut down refused";

std::string refusedNoticeText(const EventFields &fields, PowerAction action,
                              const std::string &reason) {
    return std::string("Velkorin could not ") +
           (action == PowerAction::ShutDown ? "shut down" : "restart") +
           " this computer for the event\r\n" + fields.matchKey + "\r\n\r\n" + reason;
}

const char notStoredNoticeTitle[] = "Velkorin: events not stored";

std::string notStoredNoticeText(const std::string &path, const std::string &reason) {
    return "Velkorin could not store its events in\r\n" + path + "\r\n\r\n" + reason +
           "\r\n\r\nThe list stays as it is, and Velkorin tries again every second.";
}

bool runPowerAction(const EventFields &fields, const EventTable &table, EventFile &file,
                    Platform &platform, History *history, const LocalTime *when) {
    const PowerAction action = powerActionOf(fields);
    if (action == PowerAction::None) return true;
    const bool stored = file.saveThrough(table);
    const char *name = action == PowerAction::ShutDown ? "shut down" : "restart";
    // Written down before Windows is asked: afterwards there may be no time left.
    if (history && when) history->record(*when, std::string(name) + " requested", fields);
    const std::string refused = action == PowerAction::ShutDown ? platform.requestShutdown()
                                                                : platform.requestRestart();
    // The event counts as fired all the same (a one-time row has gone); the user learns why
    // the computer stayed on.
    if (!refused.empty()) {
        if (history && when) history->record(*when, std::string(name) + " refused: " + refused, fields);
        platform.showNotice(refusedNoticeTitle, refusedNoticeText(fields, action, refused));
    }
    return stored;
}

void DueCheck::noteStored(bool stored) {
    if (stored) {
        unsaved_ = told_ = false;
        return;
    }
    // A file that could not be read at start is left alone on purpose; the user knows.
    if (file_.blocked()) return;
    unsaved_ = true;
    if (told_) return;
    told_ = true;
    if (history_) history_->record(platform_.localTime(), "events not stored: " + file_.lastError());
    platform_.showNotice(notStoredNoticeTitle, notStoredNoticeText(file_.path(), file_.lastError()));
}

void DueCheck::startAfter(const LocalTime &swept) {
    started_ = true;
    startPending_ = true;
    lastWall_ = wallSecond(swept);
    examinedUpTo_ = lastWall_ - 1;
    lastOffset_ = swept.utcOffset;
}

bool DueCheck::examineSecond(const LocalTime &time, bool hourly, bool others) {
    ClockTexts clock(platform_, time);
    bool oneTimeWent = false;
    const bool warned = warning_.state != Warning::None && warning_.due == wallSecond(time);
    for (int index = 0; index < table_.rowCount();) {
        const TableRow &row = table_.row(index);
        const RepeatKind kind = row.kind;
        const bool asked = kind == RepeatKind::Hourly ? hourly : others;
        if (!asked || kind == RepeatKind::Unknown ||
            !sameText(clock.text(kind), row.event.matchKey)) {
            ++index;
            continue;
        }
        EventFields fields = table_.readRow(index);
        const bool hasAction = powerActionOf(fields) != PowerAction::None;
        // Answered in its warning: skipped, it fires without its action; carried out at once,
        // there is nothing left to do at its second.
        if (warned && hasAction && warning_.state == Warning::Done) {
            ++index;
            continue;
        }
        if (history_) history_->record(time, "fired", fields);
        if (warned && hasAction && warning_.state == Warning::Skipped) {
            if (history_) history_->record(time, "action skipped", fields);
            fields.restart.clear();
            fields.shutDown.clear();
        }
        if (kind == RepeatKind::OneTime) {
            // The row leaves the table before its power action saves the file, so the file
            // left behind no longer holds the event that is firing; the row that moves up
            // into this index is examined next.
            table_.deleteRow(index);
            if (!runPowerAction(fields, table_, file_, platform_, history_, &time))
                noteStored(false);
            oneTimeWent = true;
        } else {
            if (!runPowerAction(fields, table_, file_, platform_, history_, &time))
                noteStored(false);
            ++index;
        }
    }
    return oneTimeWent;
}

bool DueCheck::examineWallSecond(std::int64_t second, bool hourly) {
    const bool others = second > examinedUpTo_;
    if (!hourly && !others) return false;
    if (others) examinedUpTo_ = second;
    return examineSecond(fromWallSecond(second), hourly, others);
}

// The wall seconds between two ticks across a daylight-saving change: of the real seconds
// that passed, the first ones still had the old offset, the rest the new one, which begins on
// a whole minute as every change does. Forward, the seconds in between never happened on the
// wall clock; they are examined all the same, Hourly rows excepted. Back, the new seconds
// repeat wall seconds already seen, so only Hourly rows are examined in them again.
bool DueCheck::crossDaylightChange(std::int64_t current, std::int64_t real, std::int64_t shift) {
    std::int64_t before = real - 1; // seconds of the old offset after the last tick
    for (std::int64_t j = 0; j < real; ++j)
        if ((current - (real - j) + 1) % 60 == 0) before = j;
    const std::int64_t firstAfter = current - (real - before) + 1;
    bool rewriteNeeded = false;
    for (std::int64_t second = lastWall_ + 1; second <= lastWall_ + before; ++second)
        rewriteNeeded |= examineWallSecond(second, true);
    if (shift > 0)
        for (std::int64_t second = lastWall_ + before + 1; second < firstAfter; ++second)
            rewriteNeeded |= examineWallSecond(second, false);
    for (std::int64_t second = firstAfter; second <= current; ++second)
        rewriteNeeded |= examineWallSecond(second, true);
    return rewriteNeeded;
}

void DueCheck::checkDueEvents(const LocalTime &now) {
    const std::int64_t current = wallSecond(now);
    if (!started_) startAfter(now);
    bool rewriteNeeded = unsaved_; // a failed write is tried again at every tick
    if (startPending_) { // the second the sweep read comes first
        startPending_ = false;
        rewriteNeeded |= examineWallSecond(lastWall_, true);
    }
    const std::int64_t gap = current - lastWall_;
    const std::int64_t shift = static_cast<std::int64_t>(now.utcOffset) - lastOffset_;
    const std::int64_t real = gap - shift; // seconds that really passed
    // A clock change that does not step second by second closes the warning; the rules for
    // clock changes decide about its event, and the look-ahead starts again.
    if (shift != 0 || gap < 0 || gap > catchUpLimit) {
        closeWarning();
        lookedOnce_ = false;
    }

    bool sweep = false;
    if (shift != 0 && real >= 1 && real <= catchUpLimit) {
        rewriteNeeded |= crossDaylightChange(current, real, shift);
    } else if (gap == 0 && shift == 0) {
        // this second has been examined already
    } else if (gap >= 1 && gap <= catchUpLimit) {
        for (std::int64_t second = lastWall_ + 1; second <= current; ++second)
            rewriteNeeded |= examineWallSecond(second, true);
    } else {
        // A clock set by hand: only now is examined. Set back, the repeating rows fire again
        // at their times; set forward, the one-time rows it passed are reported at once.
        examinedUpTo_ = current - 1;
        rewriteNeeded |= examineWallSecond(current, true);
        sweep = gap > catchUpLimit;
    }
    lastWall_ = current;
    lastOffset_ = now.utcOffset;

    if (sweep) noteStored(sweepMissedEvents(table_, file_, platform_, now, history_));
    else if (rewriteNeeded) noteStored(file_.rewriteEventFile(table_));

    if (warning_.state != Warning::None && warning_.due <= current) closeWarning();
    lookAhead(current, now.utcOffset);
    if (warning_.state == Warning::Open)
        platform_.showWarning(warning_.shutDown(), warning_.event.matchKey,
                              static_cast<int>(warning_.due - current));
}

std::vector<int> DueCheck::actionsDueAt(std::int64_t second, int offset) {
    LocalTime time = fromWallSecond(second);
    time.utcOffset = offset;
    ClockTexts clock(platform_, time);
    std::vector<int> due;
    for (int index = 0; index < table_.rowCount(); ++index) {
        const TableRow &row = table_.row(index);
        if (powerActionOf(row.event) != PowerAction::None && row.kind != RepeatKind::Unknown &&
            sameText(clock.text(row.kind), row.event.matchKey))
            due.push_back(index);
    }
    return due;
}

int DueCheck::winningRow(const std::vector<int> &due) const {
    for (int index : due)
        if (powerActionOf(table_.event(index)) == PowerAction::ShutDown) return index;
    return due.front();
}

void DueCheck::lookAhead(std::int64_t current, int offset) {
    const bool changed = !lookedOnce_ || table_.version() != lookedAtVersion_;
    std::int64_t from = changed ? current + 1 : std::max(lookedAhead_ + 1, current + 1);
    const std::int64_t to = current + warningLead;
    lookedOnce_ = true;
    lookedAtVersion_ = table_.version();
    lookedAhead_ = to;
    // Only a warning for an earlier second can replace the open one; one warning a second.
    for (std::int64_t second = from; second <= to; ++second) {
        if (warning_.state != Warning::None && warning_.due <= second) break;
        const std::vector<int> due = actionsDueAt(second, offset);
        if (due.empty()) continue;
        warning_ = {Warning::Open, second, table_.readRow(winningRow(due))};
        break;
    }
}

void DueCheck::closeWarning() {
    if (warning_.state == Warning::Open) platform_.closeWarning();
    warning_ = Warning();
}

void DueCheck::skipWarned(const LocalTime &now) {
    if (warning_.state != Warning::Open) return;
    platform_.closeWarning();
    warning_.state = Warning::Skipped;
    if (history_)
        history_->record(now, warning_.shutDown() ? "shut down skipped" : "restart skipped",
                         warning_.event);
}

void DueCheck::runWarnedNow(const LocalTime &now) {
    if (warning_.state != Warning::Open) return;
    platform_.closeWarning();
    warning_.state = Warning::Done;
    const std::vector<int> due = actionsDueAt(warning_.due, now.utcOffset);
    if (due.empty()) return;
    // The winning row's action runs once; the one-time rows of that second leave first, so the
    // file saved before the request no longer holds them.
    const EventFields action = table_.readRow(winningRow(due));
    for (auto index = due.rbegin(); index != due.rend(); ++index)
        if (table_.row(*index).kind == RepeatKind::OneTime) table_.deleteRow(*index);
    if (history_)
        history_->record(now, warning_.shutDown() ? "shut down run early" : "restart run early",
                         action);
    noteStored(runPowerAction(action, table_, file_, platform_, history_, &now));
    if (!unsaved_) noteStored(file_.rewriteEventFile(table_));
}
