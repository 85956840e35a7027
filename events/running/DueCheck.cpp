// The due check firing what came due: each tick, the seconds it passed, and the file kept in step.
#include "DueCheck.h"

#include "Editor.h"
#include "MissedSweep.h"

#include <algorithm>

namespace {

bool beats(const Event &a, const Event &b) {
    return winsOver(powerActionOf(a), powerActionOf(b));
}

const char notStoredNoticeTitle[] = "Velkorin: events not stored";

std::string notStoredNoticeText(const std::string &path, const std::string &reason) {
    return "Velkorin could not store its events in\r\n" + path + "\r\n\r\n" + reason +
           "\r\n\r\nThe list stays as it is. Velkorin tries again after a second, then less "
           "often, at least once a minute, and at once after your next change.";
}

} // namespace

void DueCheck::noteStored(bool stored, const LocalTime &now) {
    if (stored) {
        if (told_ && history_)
            history_->record(now, "events stored again");
        unsaved_ = told_ = false;
        retryDelayMs_ = 0;
        return;
    }
    // A file that could not be read at start is left alone on purpose; the user knows.
    if (file_.blocked())
        return;
    // Each failure waits twice as long as the one before for the next try, up to a minute: a
    // file that cannot be written is not written out whole every second.
    unsaved_ = true;
    retryDelayMs_ = std::min(retryDelayMs_ == 0 ? 1000 : retryDelayMs_ * 2, maxRetryDelayMs);
    retryAtMs_ = now.elapsed + retryDelayMs_;
    if (told_)
        return;
    told_ = true;
    if (history_)
        history_->record(now, "events not stored: " + file_.lastError());
    platform_.showNotice(notStoredNoticeTitle,
                         notStoredNoticeText(file_.path(), file_.lastError()));
}

void DueCheck::record(const LocalTime &time, const std::string &what, const Event &event) {
    if (history_)
        history_->record(time, what, event);
}

int DueCheck::rowOf(const Event &event) const {
    for (int row = 0; row < table_.rowCount(); ++row) {
        const TableRow &candidate = table_.row(row);
        if (candidate.matchKey() == event.matchKey &&
            candidate.field(repeatField) == event.repeat &&
            candidate.action() == powerActionOf(event))
            return row;
    }
    return -1;
}

void DueCheck::adoptCurrentLanguage(const LocalTime &now) {
    if (!watching_)
        return;
    schedule_.formatsChanged();
    // The rows of the waiting and the warned action keep them under their new keys.
    const int pendingRow = pending_ ? rowOf(pending_->event) : -1;
    const int warnedRow = warning_.open ? rowOf(warning_.action.event) : -1;
    if (const int changed = recomposeInCurrentLanguage(table_, platform_); changed > 0) {
        if (pendingRow >= 0)
            pending_->event.matchKey = table_.row(pendingRow).matchKey();
        if (warnedRow >= 0)
            warning_.action.event.matchKey = table_.row(warnedRow).matchKey();
        file_.keepAsideBeforeNextWrite();
        noteStored(file_.saveAndReload(table_), now);
        if (history_)
            history_->record(now, std::to_string(changed) + (changed == 1 ? " event" : " events") +
                                      " brought into the current language");
    }
    tableChanged(now);
}

void DueCheck::startAfter(const LocalTime &swept) {
    if (!watching_)
        return;
    schedule_.start(swept);
    readPostponed(swept);
    announce(swept);
}

void DueCheck::checkDueEvents(const LocalTime &now) {
    if (!watching_)
        return;
    // The tick came before Windows told of the wake.
    if (asleep_ && now.elapsed - lastElapsed_ >= sleptMs && !wakeUp(now))
        return;
    lastElapsed_ = now.elapsed;
    if (!schedule_.started())
        schedule_.start(now);
    const Passage passage = schedule_.advance(now);
    noteClockChange(passage, now);
    if (passage.anew)
        answers_.clear();
    if (passage.change != ClockChange::None)
        replan_ = true;

    std::vector<int> leaving;
    std::optional<Action> fired;
    for (const SecondRun &run : passage.runs)
        for (std::int64_t second = run.from; second <= run.to; ++second)
            fireSecond(second, run, leaving, fired);
    forgetPassedAnswers();

    // A failed write is tried again once its wait has passed.
    bool rewriteNeeded = unsaved_ && now.elapsed >= retryAtMs_;
    if (!leaving.empty()) {
        // The one-time rows that fired leave in one change, before any request saves the file.
        std::sort(leaving.begin(), leaving.end());
        table_.deleteRows(leaving);
        rewriteNeeded = true;
    }
    if (passage.reportPassed)
        noteStored(sweepMissedEvents(table_, file_, platform_, now, history_), now);
    else if (rewriteNeeded)
        noteStored(file_.saveAndReload(table_), now);

    if (fired && (!pending_ || beats(fired->event, pending_->event))) {
        pending_ = fired;
        pendingRecorded_ = false;
    }
    announce(now);
}

// An answer is for a moment ahead: once the clock has reached it, it answers nothing more.
// What was put off is remembered for a day after its new second, while it may still wait for
// its minute or come again in a repeated hour.
void DueCheck::forgetPassedAnswers() {
    for (auto answer = answers_.begin(); answer != answers_.end();)
        answer = schedule_.reached(answer->first) ? answers_.erase(answer) : std::next(answer);
    for (auto put = postponedFrom_.begin(); put != postponedFrom_.end();)
        put = schedule_.reached(put->first + 86400) ? postponedFrom_.erase(put) : std::next(put);
}

void DueCheck::fireSecond(std::int64_t second, const SecondRun &run, std::vector<int> &leaving,
                          std::optional<Action> &fired) {
    const std::int64_t utc = run.utcOf(second);
    std::optional<Answer> answer;
    if (const auto found = answers_.find(utc); found != answers_.end())
        answer = found->second;
    schedule_.dueAt(second, run.rows, due_);
    if (due_.empty())
        return;
    // Stamped with the moment it really fires at.
    LocalTime time = fromWallSecond(utc + run.utcOffset);
    time.utcOffset = run.utcOffset;
    std::vector<int> actions; // the rows whose action is still to run
    for (int row : due_) {
        const Event event = table_.event(row);
        const bool oneTime = table_.row(row).kind() == RepeatKind::OneTime;
        // A late tick across a repeated hour reaches a one-time row's second twice.
        if (oneTime && std::find(leaving.begin(), leaving.end(), row) != leaving.end())
            continue;
        const bool hasAction = powerActionOf(event) != PowerAction::None;
        if (hasAction && answer == Answer::Now)
            continue; // carried out already
        record(time, "fired", event);
        if (hasAction && answer == Answer::Skip)
            record(time, "action skipped", event);
        else if (hasAction && answer == Answer::Later)
            record(time, "action postponed", event);
        else if (hasAction)
            actions.push_back(row);
        if (oneTime)
            leaving.push_back(row);
    }
    if (actions.empty())
        return;
    const Action action{table_.event(winnerAmong(actions)), utc, second,
                        run.skipped ? run.to : second, run.rows};
    if (!fired || beats(action.event, fired->event))
        fired = action;
}

void DueCheck::tableChanged(const LocalTime &now) {
    if (!watching_)
        return;
    retryAtMs_ = 0; // after the user's change a file that lags behind is tried again at once
    if (pending_ && !pending_->event.repeat.empty()) {
        if (rowOf(pending_->event) < 0) {
            record(now, std::string(pending_->name()) + " dropped with its event", pending_->event);
            pending_.reset();
        }
    }
    announce(now);
}
