// The due check and the power action.
#include "DueCheck.h"

#include "Editor.h"

#include "MissedSweep.h"

#include <algorithm>

namespace {

// A tick may land a little before the whole second it waits for.
constexpr std::int64_t fullMinuteMs = DueCheck::warningLead * 1000 - 250;

// Between two readings the forward clock moves a second; this much more while asleep is the
// time the computer slept.
constexpr std::int64_t sleptMs = 2500;

// The tray tip holds 63 characters.
constexpr std::size_t trayTipCapacity = 64;

const char *actionName(bool shutDown) {
    return actionName(shutDown ? PowerAction::ShutDown : PowerAction::Restart);
}

bool beats(const Event &a, const Event &b) {
    return winsOver(powerActionOf(a), powerActionOf(b));
}

} // namespace

const char refusedNoticeTitle[] = "Velkorin: restart or shut down refused";

std::string refusedNoticeText(const std::string &matchKey, PowerAction action,
                              const std::string &reason) {
    return std::string("Velkorin could not ") + actionName(action) +
           " this computer for the event\r\n" + matchKey + "\r\n\r\n" + reason;
}

const char notStoredNoticeTitle[] = "Velkorin: events not stored";

std::string notStoredNoticeText(const std::string &path, const std::string &reason) {
    return "Velkorin could not store its events in\r\n" + path + "\r\n\r\n" + reason +
           "\r\n\r\nThe list stays as it is. Velkorin tries again after a second, then less "
           "often, at least once a minute, and at once after your next change.";
}

bool runPowerAction(const Event &fields, const EventTable &table, EventFile &file,
                    Platform &platform, History *history, const LocalTime *when) {
    const PowerAction action = powerActionOf(fields);
    if (action == PowerAction::None)
        return true;
    const bool stored = file.saveThrough(table);
    const char *name = actionName(action);
    // Written down before Windows is asked: afterwards there may be no time left.
    if (history && when)
        history->record(*when, std::string(name) + " requested", fields);
    const std::string refused =
        action == PowerAction::ShutDown ? platform.requestShutdown() : platform.requestRestart();
    // The event counts as fired all the same (a one-time row has gone); the user learns why
    // the computer stayed on.
    if (!refused.empty()) {
        if (history && when)
            history->record(*when, std::string(name) + " refused: " + refused, fields);
        platform.showNotice(refusedNoticeTitle,
                            refusedNoticeText(platform.utf8From(fields.matchKey), action, refused));
    }
    return stored;
}

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
        file_.keepCopyBeforeNextWrite();
        noteStored(file_.rewriteEventFile(table_), now);
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
    announce(swept);
}

void DueCheck::checkDueEvents(const LocalTime &now) {
    if (!watching_)
        return;
    if (asleep_ && now.elapsed - lastElapsed_ >= sleptMs) {
        awake(now); // the tick came before Windows told of the wake
        return;
    }
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
        noteStored(file_.rewriteEventFile(table_), now);

    if (fired && (!pending_ || beats(fired->event, pending_->event))) {
        pending_ = fired;
        pendingRecorded_ = false;
    }
    announce(now);
}

// An answer is for a moment ahead: once the clock has reached it, it answers nothing more.
void DueCheck::forgetPassedAnswers() {
    for (auto answer = answers_.begin(); answer != answers_.end();)
        answer = schedule_.reached(answer->first) ? answers_.erase(answer) : std::next(answer);
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
        else if (hasAction)
            actions.push_back(row);
        if (oneTime)
            leaving.push_back(row);
    }
    if (actions.empty())
        return;
    const Action action{table_.readRow(winnerAmong(actions)), utc, second,
                        run.skipped ? run.to : second, run.rows};
    if (!fired || beats(action.event, fired->event))
        fired = action;
}

std::optional<DueCheck::Action> DueCheck::firstActionAhead() {
    if (!schedule_.anyActions())
        return std::nullopt;
    for (const SecondRun &run : schedule_.ahead(warningLead))
        for (std::int64_t second = run.from; second <= run.to; ++second) {
            if (answers_.count(run.utcOf(second)))
                continue; // answered: the next action is warned of
            schedule_.dueAt(second, run.rows, due_, true);
            if (!due_.empty())
                return Action{table_.readRow(winnerAmong(due_)), run.utcOf(second), second,
                              run.skipped ? run.to : second, run.rows};
        }
    return std::nullopt;
}

int DueCheck::winnerAmong(const std::vector<int> &rows) const {
    int winner = rows.front();
    for (int row : rows)
        if (winsOver(table_.row(row).action(), table_.row(winner).action()))
            winner = row;
    return winner;
}

void DueCheck::announce(const LocalTime &now) {
    if (!schedule_.started())
        return;
    for (;;) {
        const std::optional<Action> next = pending_ ? pending_ : firstActionAhead();
        if (!next) {
            closeWarning();
            break;
        }
        // Another action than the one named is a new warning, with a minute of its own, shown
        // also where the user closed the last one.
        if (warning_.open && !warning_.action.same(*next))
            closeWarning();
        if (!warning_.open)
            warning_ = {true, *next, now.elapsed};
        const std::int64_t shownMs = now.elapsed - warning_.shownSince;
        if (pending_ && shownMs >= fullMinuteMs) {
            const Action action = *pending_;
            pending_.reset();
            request(action, now);
            closeWarning();
            continue; // the next action is warned of in its turn
        }
        if (pending_ && !pendingRecorded_) {
            record(now,
                   std::string(actionName(next->shutDown())) +
                       " held until its warning has shown a minute",
                   next->event);
            pendingRecorded_ = true;
        }
        // A fired action waits only for its minute; one ahead for its second too.
        const std::int64_t untilDue = pending_ ? 0 : next->utc - (wallSecond(now) - now.utcOffset);
        const std::int64_t left = std::max(untilDue, (fullMinuteMs - shownMs + 999) / 1000);
        platform_.showWarning(next->shutDown(), next->event.matchKey, static_cast<int>(left));
        break;
    }
    plan();
}

void DueCheck::plan() {
    const std::int64_t pendingSecond = pending_ ? pending_->utc : INT64_MIN;
    const bool stale =
        replan_ || planVersion_ != table_.version() || (ahead_ && schedule_.reached(ahead_->utc));
    if (!stale && pendingSecond == plannedPending_)
        return;
    if (stale) {
        ahead_ = schedule_.nextAction(
            [this](std::int64_t second) { return answers_.count(second) > 0; });
        replan_ = false;
        planVersion_ = table_.version();
        // Woken ahead of the action, so the warning has its whole minute after the wake.
        std::optional<std::int64_t> wake;
        if (ahead_)
            wake = ahead_->utc - wakeLead;
        if (wake != wakeAt_) {
            if (wake)
                platform_.wakeAt(*wake);
            else
                platform_.cancelWake();
            wakeAt_ = wake;
        }
    }
    plannedPending_ = pendingSecond;
    if (pending_) {
        next_ = NextAction{pending_->event, pending_->shutDown(), schedule_.localAt(pending_->utc),
                           pending_->utc};
    } else if (ahead_) {
        const Event &event = table_.event(ahead_->row);
        next_ = NextAction{event, powerActionOf(event) == PowerAction::ShutDown,
                           schedule_.localAt(ahead_->utc), ahead_->utc};
    } else {
        next_.reset();
    }
}

std::int64_t DueCheck::neededAt(const LocalTime &now) {
    const std::int64_t wall = wallSecond(now);
    const std::int64_t nowUtc = wall - now.utcOffset;
    const auto ahead = [nowUtc](std::int64_t utc) { return utc > nowUtc ? utc : INT64_MAX; };
    // The next midnight, when the tray tip may name another day.
    std::int64_t needed =
        std::min(nowUtc + (floorDiv(wall, 86400) + 1) * 86400 - wall, nowUtc + plannedAhead);
    if (!watching_ || !schedule_.started())
        return needed;
    if (pending_ || warning_.open)
        return nowUtc + 1; // the warning counts down every second
    if (unsaved_)
        needed = std::min(
            needed, nowUtc + std::max<std::int64_t>(1, (retryAtMs_ - now.elapsed + 999) / 1000));
    if (wakeAt_)
        needed = std::min(needed, ahead(*wakeAt_));
    needed = std::min(needed, ahead(schedule_.nextOffsetChange()));
    // The seconds ahead as the ticks would examine them: the first with a row due, or a minute
    // before the first with an action due that no answer has dealt with.
    for (const SecondRun &run : schedule_.ahead(needed + warningLead - schedule_.lastUtc()))
        for (std::int64_t second = run.from; second <= run.to; ++second) {
            const std::int64_t utc = run.utcOf(second);
            if (utc - warningLead >= needed)
                return std::max(needed, nowUtc + 1);
            schedule_.dueAt(second, run.rows, due_);
            if (due_.empty())
                continue;
            needed = std::min(needed, utc);
            if (answers_.count(utc))
                continue;
            for (int row : due_)
                if (table_.row(row).action() != PowerAction::None) {
                    needed = std::min(needed, utc - warningLead);
                    break;
                }
        }
    return std::max(needed, nowUtc + 1);
}

void DueCheck::asleep(const LocalTime &now) {
    if (!watching_)
        return;
    if (asleep_)
        return;
    asleep_ = true;
    lastElapsed_ = now.elapsed;
    sleptBefore_.reset();
    // An action too close for a wake before its warning: the history says so, and the computer
    // is woken at its second at least.
    if (schedule_.started()) {
        plan();
        if (next_ && next_->utc - wakeLead <= wallSecond(now) - now.utcOffset) {
            record(now,
                   std::string("asleep with its ") + actionName(next_->shutDown) +
                       " less than two minutes ahead",
                   next_->event);
            sleptBefore_ = SleptBefore{next_->event, next_->utc};
            if (wakeAt_ != next_->utc) {
                platform_.wakeAt(next_->utc);
                wakeAt_ = next_->utc;
            }
            return;
        }
    }
    if (history_)
        history_->record(now, "asleep");
}

void DueCheck::awake(const LocalTime &now) {
    if (!watching_)
        return;
    // Windows tells of one wake twice; a resume without a suspend told of first is a wake when
    // the forward clock jumped.
    if (!asleep_ && now.elapsed - lastElapsed_ < sleptMs)
        return;
    asleep_ = false;
    lastElapsed_ = now.elapsed;
    if (history_)
        history_->record(now, "awake");
    if (!schedule_.started())
        return;
    // Nobody saw the warning's minute: a waiting action is not run, the next gets a new one.
    if (pending_) {
        record(now,
               std::string(actionName(pending_->shutDown())) +
                   " not run: the computer slept through its warning",
               pending_->event);
        pending_.reset();
    }
    closeWarning();
    schedule_.sleptUntil(now);
    forgetPassedAnswers();
    // The action it went to sleep too close to, when its moment passed meanwhile: a one-time
    // row still in the table is among the missed rows already.
    std::vector<Event> sleptThrough;
    if (sleptBefore_ && schedule_.reached(sleptBefore_->utc) &&
        (!sleptBefore_->event.repeat.empty() || rowOf(sleptBefore_->event) < 0))
        sleptThrough.push_back(sleptBefore_->event);
    sleptBefore_.reset();
    noteStored(sweepMissedEvents(table_, file_, platform_, now, history_, MissedNotices::Together,
                                 sleptThrough),
               now);
    replan_ = true;
    checkDueEvents(now); // the second of the wake, and the warning afresh
}

void DueCheck::sessionEnds(const LocalTime &now) {
    if (watching_) {
        // The action waiting for its minute, or warned of, will not come in this session.
        const Action *waiting = pending_ ? &*pending_ : warning_.open ? &warning_.action : nullptr;
        if (waiting)
            record(now,
                   std::string(actionName(waiting->shutDown())) + " not run: the session ended",
                   waiting->event);
        pending_.reset();
        closeWarning();
        if (unsaved_ && file_.saveThrough(table_) && history_)
            history_->record(now, "events stored again");
        watching_ = false;
    }
    if (history_)
        history_->record(now, "session ended");
}

std::string trayTipOf(const std::optional<DueCheck::NextAction> &next, const LocalTime &now,
                      Platform &platform) {
    if (!next)
        return "Velkorin";
    std::string tip = std::string("Velkorin: ") + actionName(next->shutDown) + " at " +
                      platform.formatTime(next->at, clockTimePicture);
    if (next->at.year != now.year || next->at.month != now.month || next->at.day != now.day)
        tip += " on " + platform.formatDate(next->at, longDatePicture);
    cutToCapacity(tip, trayTipCapacity);
    return tip;
}

void DueCheck::request(const Action &action, const LocalTime &now) {
    noteStored(runPowerAction(action.event, table_, file_, platform_, history_, &now), now);
}

void DueCheck::closeWarning() {
    if (warning_.open)
        platform_.closeWarning();
    warning_ = Warning();
}

void DueCheck::tableChanged(const LocalTime &now) {
    if (!watching_)
        return;
    retryAtMs_ = 0; // after the user's change a file that lags behind is tried again at once
    if (pending_ && !pending_->event.repeat.empty()) {
        if (rowOf(pending_->event) < 0) {
            record(now, std::string(actionName(pending_->shutDown())) + " dropped with its event",
                   pending_->event);
            pending_.reset();
        }
    }
    announce(now);
}

void DueCheck::skipWarned(const LocalTime &now) {
    if (!watching_)
        return;
    if (!warning_.open)
        return;
    replan_ = true;
    const Action action = warning_.action;
    if (pending_)
        pending_.reset();
    else
        answers_[action.utc] = Answer::Skip;
    record(now, std::string(actionName(action.shutDown())) + " skipped", action.event);
    closeWarning();
    announce(now);
}

void DueCheck::runWarnedNow(const LocalTime &now) {
    if (!watching_)
        return;
    if (!warning_.open)
        return;
    replan_ = true;
    const Action action = warning_.action;
    const bool early = !pending_;
    if (pending_) {
        pending_.reset();
    } else {
        // Carried out before its moment: the one-time rows with an action then leave first, so
        // the file saved before the request no longer holds them.
        answers_[action.utc] = Answer::Now;
        std::vector<int> leaving;
        for (std::int64_t second = action.firstWall; second <= action.lastWall; ++second) {
            schedule_.dueAt(second, action.rows, due_, true);
            for (int row : due_)
                if (table_.row(row).kind() == RepeatKind::OneTime)
                    leaving.push_back(row);
        }
        std::sort(leaving.begin(), leaving.end());
        leaving.erase(std::unique(leaving.begin(), leaving.end()), leaving.end());
        table_.deleteRows(leaving);
    }
    record(now, std::string(actionName(action.shutDown())) + (early ? " run early" : " run now"),
           action.event);
    request(action, now);
    closeWarning();
    if (!unsaved_)
        noteStored(file_.rewriteEventFile(table_), now);
    announce(now);
}

void DueCheck::noteClockChange(const Passage &passage, const LocalTime &now) {
    if (!history_)
        return;
    const std::string by = std::to_string(passage.step < 0 ? -passage.step : passage.step) + " s";
    switch (passage.change) {
    case ClockChange::None: return;
    case ClockChange::DaylightSaving:
        history_->record(now, "clocks changed for daylight saving by " + by);
        return;
    case ClockChange::Zone:
        history_->record(now, "time zone changed: the clock moved " + by);
        return;
    case ClockChange::SetForward: history_->record(now, "clock set forward by " + by); return;
    case ClockChange::SetBack: history_->record(now, "clock set back by " + by); return;
    }
}
