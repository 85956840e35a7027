// The due check beside the clock: the clock's changes written down, the plan of the next action
// and the wake set for it, the seconds the program is needed at, sleep and wake, and the
// session's end.
#include "DueCheck.h"

#include "MissedSweep.h"

#include <algorithm>

namespace {

// The tray tip holds 63 characters.
constexpr std::size_t trayTipCapacity = 64;

} // namespace

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
                   std::string("asleep with its ") + actionName(powerActionOf(next_->event)) +
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
    if (wakeUp(now))
        checkDueEvents(now); // the second of the wake, and the warning afresh
}

bool DueCheck::wakeUp(const LocalTime &now) {
    asleep_ = false;
    lastElapsed_ = now.elapsed;
    if (history_)
        history_->record(now, "awake");
    if (!schedule_.started())
        return false;
    // Nobody saw the warning's minute: a waiting action is not run, the next gets a new one.
    if (pending_) {
        record(now,
               std::string(pending_->name()) + " not run: the computer slept through its warning",
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
    return true;
}

void DueCheck::sessionEnds(const LocalTime &now) {
    if (watching_) {
        // The action waiting for its minute, or warned of, will not come in this session.
        const Action *waiting = pending_ ? &*pending_ : warning_.open ? &warning_.action : nullptr;
        if (waiting)
            record(now, std::string(waiting->name()) + " not run: the session ended",
                   waiting->event);
        pending_.reset();
        closeWarning();
        if (unsaved_ && file_.save(table_) && history_)
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
    std::string tip = std::string("Velkorin: ") + actionName(powerActionOf(next->event)) + " at " +
                      platform.formatTime(next->at, clockTimePicture);
    if (next->at.year != now.year || next->at.month != now.month || next->at.day != now.day)
        tip += " on " + platform.formatDate(next->at, longDatePicture);
    cutToCapacity(tip, trayTipCapacity);
    return tip;
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
