// Later: a warned action put off by a while, as a one-time event of its own, within the
// administrator's limit.
#include "DueCheck.h"

#include "Editor.h"

#include <cstdlib>
#include <new>

namespace {

// "1 hour", "1 hour 30 minutes", "45 minutes".
std::string lengthInWords(std::int64_t seconds) {
    const std::int64_t hours = seconds / 3600, minutes = seconds % 3600 / 60;
    std::string words;
    if (hours > 0)
        words = std::to_string(hours) + (hours == 1 ? " hour" : " hours");
    if (minutes > 0 || hours == 0)
        words += (words.empty() ? "" : " ") + std::to_string(minutes) +
                 (minutes == 1 ? " minute" : " minutes");
    return words;
}

} // namespace

std::int64_t DueCheck::laterBase(std::int64_t actionUtc, const LocalTime &now) const {
    return std::max(actionUtc, wallSecond(now) - now.utcOffset);
}

std::int64_t DueCheck::firstSecondOf(std::int64_t actionUtc) const {
    const auto found = postponedFrom_.find(actionUtc);
    return found == postponedFrom_.end() ? actionUtc : found->second;
}

Platform::LaterOffer DueCheck::laterOffer(std::int64_t actionUtc, const LocalTime &now) const {
    Platform::LaterOffer offer;
    const std::int64_t first = firstSecondOf(actionUtc);
    const std::int64_t base = laterBase(actionUtc, now);
    for (const LaterChoice &choice : laterChoices)
        if (!laterLimit_ || base + choice.seconds - first <= *laterLimit_)
            offer.choices.push_back(choice.words);
    if (offer.choices.size() == laterChoiceCount)
        return offer;
    if (*laterLimit_ <= 0)
        offer.why = "Later is turned off by your administrator.";
    else if (offer.choices.empty())
        offer.why = "No later: your administrator allows at most " + lengthInWords(*laterLimit_) +
                    " in all, and this action has been put off by " + lengthInWords(base - first) +
                    ".";
    else
        offer.why =
            "Later: at most " + lengthInWords(*laterLimit_) + " in all, as your administrator set.";
    return offer;
}

bool DueCheck::postponeWarned(const LocalTime &now, std::size_t choice) {
    if (!watching_ || !warning_.open || choice >= laterChoiceCount ||
        choice >= laterOffer(warning_.action.utc, now).choices.size())
        return false;
    const Action action = *warnedAction();
    const std::int64_t first = firstSecondOf(action.utc);
    const std::int64_t to = laterBase(action.utc, now) + laterChoices[choice].seconds;
    // Fired already and waiting for its minute, or answered for its second: either way it does
    // not run there.
    if (pending_)
        pending_.reset();
    else
        answers_[action.utc] = Answer::Later;

    Event postponed;
    composeEventOf(formAt(schedule_.localAt(to), "", powerActionOf(action.event)), platform_,
                   postponed);
    // Put off twice to one second (an answer given again after a restart of the warning), it is
    // still one event.
    bool there = false;
    for (int row = 0; row < table_.rowCount() && !there; ++row)
        there = table_.row(row).kind() == RepeatKind::OneTime &&
                table_.row(row).matchKey() == postponed.matchKey &&
                table_.row(row).action() == powerActionOf(postponed);
    if (!there)
        table_.insertRow(table_.rowCount(), postponed);
    postponedFrom_[to] = first;
    writePostponed();
    record(now, std::string(action.name()) + " postponed to " + postponed.matchKey, action.event);
    closeWarning();
    if (!there)
        noteStored(file_.save(table_), now);
    announce(now);
    return true;
}

void DueCheck::readPostponed(const LocalTime &now) {
    std::string text;
    try {
        if (platform_.readFile(postponedPath(), text, 64 * 1024) != Platform::FileRead::Read)
            return;
    } catch (const std::bad_alloc &) {
        return; // no memory even for this: the count begins anew
    }
    const std::int64_t nowUtc = wallSecond(now) - now.utcOffset;
    const char *at = text.c_str();
    for (;;) {
        char *end = nullptr;
        const std::int64_t to = std::strtoll(at, &end, 10);
        const char *second = end;
        const std::int64_t first = std::strtoll(second, &end, 10);
        if (end == second || second == at)
            break;
        at = end;
        // Those put off to more than a day ago count no more, as while the program runs.
        if (to + 86400 > nowUtc && first <= to)
            postponedFrom_[to] = first;
    }
}

// A write that fails only forgets the count, as a restart did before it was kept.
void DueCheck::writePostponed() {
    std::string text;
    for (const auto &[to, first] : postponedFrom_)
        text += std::to_string(to) + " " + std::to_string(first) + "\r\n";
    platform_.replaceFile(postponedPath(), text);
}
