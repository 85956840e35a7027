// The start of scheduling.
#include "Startup.h"

#include "MissedSweep.h"
#include "Settings.h"
#include "Shell.h"
#include "ShownText.h"

namespace {

const char noLockTitle[] = "Velkorin: events not carried out";
const char noLockText[] = "Velkorin cannot hold the lock that keeps a second copy from "
                          "carrying out the same events:";
const char noLockEnd[] = "It shows the events but carries none of them out, so that no restart "
                         "or shutdown can come twice. Start Velkorin again once the lock can be "
                         "made.";

const char unreadableEnd[] = "Retry reads it again. Cancel runs Velkorin without its events; the "
                             "file is then left exactly as it is.";

// The event file exists but cannot be read: the user learns why and chooses; true for Retry.
bool retryUnreadableFile(HWND window) {
    Scheduling &s = scheduling();
    const std::string reason = s.file.readError();
    const std::string text = "The event file\r\n" + s.file.path() +
                             "\r\nexists but cannot be read:\r\n" + reason + "\r\n\r\n" +
                             unreadableEnd;
    s.history.record(s.platform.localTime(), "event file could not be read: " + reason);
    return askUser(window, text, "Velkorin", MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
}

} // namespace

void readLaterPolicy() {
    DWORD minutes = 0;
    std::optional<std::int64_t> limit;
    if (readPolicyNumber(laterMinutesValue, minutes))
        limit = static_cast<std::int64_t>(minutes) * 60;
    scheduling().due.setLaterLimit(limit);
}

void startScheduling(HWND window, const CopyCheck &oneCopy) {
    Scheduling &s = scheduling();
    readLaterPolicy();
    while (s.file.loadAll(s.table) == Platform::FileRead::Failed && retryUnreadableFile(window)) {
    }
    if (!oneCopy.lockError.empty()) {
        // Another copy may keep this file: its events are shown, nothing more.
        s.due.stopWatching();
        s.history.record(s.platform.localTime(), "events not carried out: the lock " +
                                                     oneCopy.lockPath +
                                                     " could not be had: " + oneCopy.lockError);
        s.platform.showNotice(noLockTitle, std::string(noLockText) + "\r\n" + oneCopy.lockPath +
                                               "\r\n" + oneCopy.lockError + "\r\n\r\n" + noLockEnd);
        return;
    }
    EventList::Batch batch(s.list); // after the question, which comes with the list live
    // This copy holds the file's lock: what earlier runs left half-written is its to clear.
    s.file.clearLeftovers(s.table);
    const LocalTime swept = s.platform.localTime();
    // Keys made in another language are brought into this one before anything is judged.
    s.due.adoptCurrentLanguage(swept);
    s.due.noteStored(sweepMissedEvents(s.table, s.file, s.platform, swept, &s.history), swept);
    s.due.startAfter(swept);
    // The copy that carries out the events is started again when an upgrade or an update's
    // restart closed it; a crash or a hang is not reason enough.
    RegisterApplicationRestart(L"", RESTART_NO_CRASH | RESTART_NO_HANG);
}
