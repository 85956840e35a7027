// The once-a-second due check: fires what the schedule lists for the time that passed
// (DueCheck.cpp), announces every power action a full minute before it is requested
// (PowerRequests.cpp), and plans ahead for the wake and the idle ticks (SleepAndWake.cpp).
#pragma once

#include "EventFile.h"
#include "EventTable.h"
#include "History.h"
#include "Platform.h"
#include "Schedule.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

class DueCheck {
public:
    DueCheck(EventTable &table, EventFile &file, Platform &platform)
        : table_(table), file_(file), platform_(platform), schedule_(table, platform) {}

    // A restart or shutdown is requested only after its warning has shown this long, or at
    // once when the user presses Now.
    static constexpr std::int64_t warningLead = 60;

    // The reading that the start-up sweep judged by: the first tick examines its second, one-time
    // rows included, and every second after it. What comes within a minute is warned of at once.
    void startAfter(const LocalTime &swept);

    // One tick. Every row due in the time that passed fires once at its second: a one-time row
    // leaves, the events are written down. Of the power actions that came due, one request goes
    // out (Shut down wins), and only once its warning has shown a full minute: one that came
    // with less (composed less than a minute ahead, caught up after a late tick or a clock
    // change) waits for it. Then the warning is worked out afresh.
    void checkDueEvents(const LocalTime &now);

    // The table changed outside a tick (OK, DELETE, a row taken out for editing): the warning
    // is worked out afresh at once, and an action waiting for a repeating row that is no longer
    // there is dropped.
    void tableChanged(const LocalTime &now);

    // At load, and when the language of the formats changed: the clock is formatted afresh,
    // match keys written in another language are brought into this one (the file is written
    // once, the old one kept aside first, and the history says how many), and the warning is
    // worked out afresh.
    void adoptCurrentLanguage(const LocalTime &now);

    // The warning's answers, for the second it names only. Skip: the events of that second fire
    // without their actions (or the action waiting is dropped). Now: the action runs at once;
    // one-time rows of that second leave first, and at the second nothing more happens. Either
    // way the next action gets a warning of its own. Closing the warning is no answer.
    void skipWarned(const LocalTime &now);
    void runWarnedNow(const LocalTime &now);

    // Later: the warned action is put off by one of `laterChoices`, counted from its second (from
    // now when that has passed). It does not run now; a one-time event with the same action is
    // added for the new second as the editor composes it (at the end of the list, written to the
    // file), with a warning of its own, and a repeating row goes on by its rule as after Skip.
    // False, with nothing changed, when nothing is warned of or the choice is not offered.
    bool postponeWarned(const LocalTime &now, std::size_t choice);
    struct LaterChoice {
        std::int64_t seconds;
        const char *words;
    };
    static constexpr LaterChoice laterChoices[] = {
        {600, "10 minutes"}, {1800, "30 minutes"}, {3600, "1 hour"}, {14400, "4 hours"}};
    static constexpr std::size_t laterChoiceCount = 4;
    // The administrator's longest total delay of one action, over all its Laters (0: no Later at
    // all); none by default.
    void setLaterLimit(std::optional<std::int64_t> seconds) { laterLimit_ = seconds; }
    // What the warning of this action offers now.
    Platform::LaterOffer laterOffer(std::int64_t actionUtc, const LocalTime &now) const;

    // The outcome of a write that kept the file in step with the table. After a failure the
    // table stays the truth: the user is told once a spell of failures, with the reason, and
    // the file is written again by a later tick, 1, 2, 4 ... up to 60 seconds after each
    // failure, or at the first tick after the table changed, until it succeeds; the history
    // tells when it is stored again.
    void noteStored(bool stored, const LocalTime &now);
    static constexpr std::int64_t maxRetryDelayMs = 60 * 1000;

    // The computer goes to sleep, and wakes. What came due while it slept is a gap: one-time
    // rows are reported missed (together, in one notice), repeating rows come at their next
    // times, and an action waiting for its minute is not run, nobody having seen its warning.
    // Windows may tell of one wake twice; a tick after a jump of the forward clock while
    // asleep is the wake when its message has not come yet.
    void asleep(const LocalTime &now);
    void awake(const LocalTime &now);
    // Between two readings the forward clock moves a second; this much more while asleep is the
    // time the computer slept.
    static constexpr std::int64_t sleptMs = 2500;

    // The computer is woken this long before a power action, so its warning has its full
    // minute after the wake. Going to sleep with an action less than this ahead is told in the
    // history; the wake is set for the action's own second then, and a wake after it reports
    // the action missed.
    static constexpr std::int64_t wakeLead = 120;

    // Nothing shown, the program need not tick every second: the UTC second at which it is
    // needed next, from the last reading on. That is the next second some row comes due (fired
    // at that very second, as every second's tick would), a minute before a power action's
    // second (its warning), the wake's moment, the zone's next change of offset, a failed
    // write's next try and the next midnight (the tray tip names the day); the second after
    // the reading while a warning shows or an action waits for its minute. At most
    // `plannedAhead` seconds ahead: a clock that went by unseen is caught up then.
    std::int64_t neededAt(const LocalTime &now);
    static constexpr std::int64_t plannedAhead = 3600;

    // The power action that runs next: the one waiting for its minute, else the first ahead;
    // when it comes on the local clock and in UTC.
    struct NextAction {
        Event event;
        bool shutDown = false;
        LocalTime at;
        std::int64_t utc = 0;
    };
    const std::optional<NextAction> &nextAction() const { return next_; }

    // Another copy of the program may keep the same file (the lock that tells could not be
    // had): from now on nothing is checked, warned of, reported missed or requested here, so
    // no event can fire twice.
    void stopWatching() { watching_ = false; }
    bool watching() const { return watching_; }

    // Windows ends the session (a sign-out, a shutdown, an installer closing the program): an
    // action waiting for its minute or warned of is written down as not run, a file that lags
    // behind the table is written once more, the history says "session ended", and from then on
    // nothing is checked or requested here.
    void sessionEnds(const LocalTime &now);

    // Where what happens is written down; none by default.
    void setHistory(History *history) { history_ = history; }

private:
    // The action that wins one moment: its event, the UTC second it is due, the wall seconds
    // that come due then (several where the clocks skipped them) and which rows were examined.
    struct Action {
        Event event;
        std::int64_t utc = 0;
        std::int64_t firstWall = 0, lastWall = 0;
        Examined rows = Examined::All;
        bool shutDown() const { return powerActionOf(event) == PowerAction::ShutDown; }
        const char *name() const { return actionName(powerActionOf(event)); }
        bool same(const Action &other) const {
            return utc == other.utc && shutDown() == other.shutDown() &&
                   event.matchKey == other.event.matchKey;
        }
    };
    enum class Answer { Skip, Now, Later };

    // Fires the rows due in one second; one-time rows are gathered to leave after the walk, and
    // the winning action of the second is kept when it beats the one kept so far.
    void fireSecond(std::int64_t second, const SecondRun &run, std::vector<int> &leaving,
                    std::optional<Action> &fired);
    std::optional<Action> firstActionAhead();
    // The row that carries an action's event, or -1 when none does any more.
    int rowOf(const Event &event) const;
    // Among rows due in one second, the one whose action runs: the first to shut down, else the
    // first.
    int winnerAmong(const std::vector<int> &rows) const;
    // Shows the action that will really run next, and requests it once its minute is full.
    void announce(const LocalTime &now);
    void request(const Action &action, const LocalTime &now);
    // The action an answer of the user's is for: the one warned of; none while nothing is warned
    // of or watched. What follows an answer is planned afresh.
    std::optional<Action> warnedAction();
    void closeWarning();
    void noteClockChange(const Passage &passage, const LocalTime &now);
    // The wake: what passed while asleep is swept; false when nothing is scheduled yet.
    bool wakeUp(const LocalTime &now);
    // Works out the next action again when anything it rests on changed, and sets the wake.
    void plan();
    void record(const LocalTime &time, const std::string &what, const Event &event);

    EventTable &table_;
    EventFile &file_;
    Platform &platform_;
    Schedule schedule_;
    History *history_ = nullptr;
    bool unsaved_ = false; // the file lags behind the table
    bool told_ = false;    // and the user has been told so
    bool watching_ = true;
    std::int64_t retryDelayMs_ = 0; // the wait after the last failure
    std::int64_t retryAtMs_ = 0;    // on the forward clock, when the next try is due

    std::optional<Action> pending_; // fired, waiting for its warning's full minute
    bool pendingRecorded_ = false;  // and the history says so
    struct Warning {
        bool open = false;
        Action action;
        std::int64_t shownSince = 0; // the forward clock when it began to name this action
    } warning_;
    std::map<std::int64_t, Answer> answers_; // by the UTC second they answer for
    void forgetPassedAnswers();
    std::vector<int> due_; // reused for each second

    std::optional<std::int64_t> laterLimit_;
    // The second each action put off comes at now, with the second it first came at.
    std::map<std::int64_t, std::int64_t> postponedFrom_;
    std::int64_t laterBase(std::int64_t actionUtc, const LocalTime &now) const;
    // The second an action came at before it was first put off.
    std::int64_t firstSecondOf(std::int64_t actionUtc) const;
    // What was put off is kept beside the event file ("InformationSW.later", a line "<new UTC
    // second> <first UTC second>" each), so the limit counts across a restart of the program.
    std::string postponedPath() const { return file_.path() + ".later"; }
    void readPostponed(const LocalTime &now);
    void writePostponed();

    bool asleep_ = false;
    std::int64_t lastElapsed_ = 0; // the forward clock at the last reading
    // The action less than the wake's lead ahead when the computer went to sleep: reported
    // missed at the wake when its moment passed meanwhile.
    struct SleptBefore {
        Event event;
        std::int64_t utc = 0;
    };
    std::optional<SleptBefore> sleptBefore_;

    // The next action as last worked out, and what it rested on.
    std::optional<Schedule::Occurrence> ahead_;
    std::optional<NextAction> next_;
    bool replan_ = true;       // a clock change, an answer or a wake since
    unsigned planVersion_ = 0; // the table's version then
    std::int64_t plannedPending_ = INT64_MIN;
    std::optional<std::int64_t> wakeAt_; // the UTC second the wake is armed for
};

// The tray icon's tip: "Velkorin: restart at 03:00:00", with the date when it is not today's,
// or "Velkorin" when no action lies ahead.
std::string trayTipOf(const std::optional<DueCheck::NextAction> &next, const LocalTime &now,
                      Platform &platform);
