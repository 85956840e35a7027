// The warning and the power requests: the next action announced a full minute ahead, the
// user's answers to it, and the request that goes out when its minute is full.
#include "DueCheck.h"

#include <algorithm>

namespace {

// A tick may land a little before the whole second it waits for.
constexpr std::int64_t fullMinuteMs = DueCheck::warningLead * 1000 - 250;

const char refusedNoticeTitle[] = "Velkorin: restart or shut down refused";

std::string refusedNoticeText(const std::string &matchKey, PowerAction action,
                              const std::string &reason) {
    return std::string("Velkorin could not ") + actionName(action) +
           " this computer for the event\r\n" + matchKey + "\r\n\r\n" + reason;
}

bool runPowerAction(const Event &event, const EventTable &table, EventFile &file,
                    Platform &platform, History *history, const LocalTime *when) {
    const PowerAction action = powerActionOf(event);
    if (action == PowerAction::None)
        return true;
    const bool stored = file.save(table);
    const char *name = actionName(action);
    // Written down before Windows is asked: afterwards there may be no time left.
    if (history && when)
        history->record(*when, std::string(name) + " requested", event);
    const std::string refused =
        action == PowerAction::ShutDown ? platform.requestShutdown() : platform.requestRestart();
    // The event counts as fired all the same (a one-time row has gone); the user learns why
    // the computer stayed on.
    if (!refused.empty()) {
        if (history && when)
            history->record(*when, std::string(name) + " refused: " + refused, event);
        platform.showNotice(refusedNoticeTitle,
                            refusedNoticeText(platform.utf8From(event.matchKey), action, refused));
    }
    return stored;
}

} // namespace

std::optional<DueCheck::Action> DueCheck::firstActionAhead() {
    if (!schedule_.anyActions())
        return std::nullopt;
    for (const SecondRun &run : schedule_.ahead(warningLead))
        for (std::int64_t second = run.from; second <= run.to; ++second) {
            if (answers_.count(run.utcOf(second)))
                continue; // answered: the next action is warned of
            schedule_.dueAt(second, run.rows, due_, true);
            if (!due_.empty())
                return Action{table_.event(winnerAmong(due_)), run.utcOf(second), second,
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
            record(now, std::string(next->name()) + " held until its warning has shown a minute",
                   next->event);
            pendingRecorded_ = true;
        }
        // A fired action waits only for its minute; one ahead for its second too.
        const std::int64_t untilDue = pending_ ? 0 : next->utc - (wallSecond(now) - now.utcOffset);
        const std::int64_t left = std::max(untilDue, (fullMinuteMs - shownMs + 999) / 1000);
        platform_.showWarning(next->shutDown(), next->event.matchKey, static_cast<int>(left),
                              laterOffer(next->utc, now));
        break;
    }
    plan();
}

void DueCheck::request(const Action &action, const LocalTime &now) {
    noteStored(runPowerAction(action.event, table_, file_, platform_, history_, &now), now);
}

void DueCheck::closeWarning() {
    if (warning_.open)
        platform_.closeWarning();
    warning_ = Warning();
}

std::optional<DueCheck::Action> DueCheck::warnedAction() {
    if (!watching_ || !warning_.open)
        return std::nullopt;
    replan_ = true;
    return warning_.action;
}

void DueCheck::skipWarned(const LocalTime &now) {
    const std::optional<Action> warned = warnedAction();
    if (!warned)
        return;
    const Action action = *warned;
    if (pending_)
        pending_.reset();
    else
        answers_[action.utc] = Answer::Skip;
    record(now, std::string(action.name()) + " skipped", action.event);
    closeWarning();
    announce(now);
}

void DueCheck::runWarnedNow(const LocalTime &now) {
    const std::optional<Action> warned = warnedAction();
    if (!warned)
        return;
    const Action action = *warned;
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
    record(now, std::string(action.name()) + (early ? " run early" : " run now"), action.event);
    request(action, now);
    closeWarning();
    if (!unsaved_)
        noteStored(file_.saveAndReload(table_), now);
    announce(now);
}
