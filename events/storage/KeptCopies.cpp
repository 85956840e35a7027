// The copies kept aside beside the event file: the file as it was before a write dropped
// something, what earlier runs left half-written, and a file too large to read.
#include "EventFile.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const char keptAsideTitle[] = "Velkorin: events kept aside";
const char tooLargeTitle[] = "Velkorin: event file too large";

// A kept-aside copy's name after the event file's: ".20261207-152233.bak", or
// ".20261207-152233-2.bak" for a second one in that second. Its moment and number, for
// ordering; false for any other name.
bool keptAsideOrder(std::string_view name, std::pair<std::string, int> &order) {
    const std::string_view bak = ".bak";
    if (name.size() < 15 + bak.size() || name.substr(name.size() - bak.size()) != bak)
        return false;
    for (std::size_t i = 0; i < 15; ++i)
        if (i == 8 ? name[i] != '-' : (name[i] < '0' || name[i] > '9'))
            return false;
    std::string_view rest = name.substr(15, name.size() - 15 - bak.size());
    int number = 1;
    if (!rest.empty()) {
        if (rest[0] != '-' || rest.size() < 2 || rest.size() > 4)
            return false;
        number = 0;
        for (char c : rest.substr(1)) {
            if (c < '0' || c > '9')
                return false;
            number = number * 10 + (c - '0');
        }
    }
    order = {std::string(name.substr(0, 15)), number};
    return true;
}

} // namespace

void EventFile::tellTooLarge() {
    const std::size_t size = platform_.fileSize(path_);
    platform_.showNotice(tooLargeTitle,
                         "The event file\r\n" + path_ + "\r\nholds " + megabytes(size) +
                             ", more than Velkorin reads (" + megabytes(sizeLimit) +
                             "). It is left exactly as it is.\r\n\r\nVelkorin runs without "
                             "events and writes no event file until you add an event.");
    if (history_)
        history_->record(platform_.localTime(), "event file not read: " + std::to_string(size) +
                                                    " bytes, more than " + megabytes(sizeLimit) +
                                                    "; left as it is");
}

bool EventFile::setTooLargeFileAside() {
    if (!tooLarge_)
        return true;
    const std::string aside = keptAsidePath(".large");
    if (!platform_.moveFile(path_, aside)) {
        lastError_ = platform_.fileError();
        return false;
    }
    tooLarge_ = false;
    textKnown_ = false;
    if (history_)
        history_->record(platform_.localTime(), "event file too large to read moved to " + aside);
    return true;
}

std::string EventFile::keptAsidePath(const char *suffix) {
    const LocalTime now = platform_.localTime();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, ".%04d%02d%02d-%02d%02d%02d", now.year % 10000, now.month,
                  now.day, now.hour, now.minute, now.second);
    const std::string base = path_ + stamp;
    const std::vector<std::string> taken = platform_.filesStartingWith(base);
    for (int number = 1;; ++number) {
        const std::string path =
            base + (number == 1 ? std::string() : "-" + std::to_string(number)) + suffix;
        if (std::find(taken.begin(), taken.end(), path) == taken.end())
            return path;
    }
}

std::string EventFile::keepAside(const std::string &bytes) {
    const std::string copy = keptAsidePath();
    if (!platform_.replaceFile(copy, bytes)) {
        lastError_ = platform_.fileError();
        return std::string();
    }
    // The newest copies stay, the oldest go; never the one just made, also when a clock set
    // back dates it before the others.
    const std::string prefix = path_ + ".";
    std::vector<std::pair<std::pair<std::string, int>, std::string>> copies;
    for (const std::string &path : platform_.filesStartingWith(prefix)) {
        std::pair<std::string, int> order;
        if (path != copy && keptAsideOrder(std::string_view(path).substr(prefix.size()), order))
            copies.emplace_back(order, path);
    }
    std::sort(copies.begin(), copies.end());
    for (std::size_t i = 0; i + keptAsideCopies < copies.size() + 1; ++i)
        platform_.deleteFile(copies[i].second);
    return copy;
}

void EventFile::tellKeptAside(const std::string &copy, const std::string &what) {
    platform_.showNotice(keptAsideTitle, what + "\r\nThey are kept in\r\n" + copy +
                                             "\r\n\r\nVelkorin works on without them.");
    if (history_)
        history_->record(platform_.localTime(), "kept aside in " + copy + ": " + what);
}

void EventFile::clearLeftovers(const EventTable &table) {
    if (unreadable_)
        return;
    for (const std::string &temporary : platform_.filesStartingWith(path_ + ".new-")) {
        std::string bytes;
        if (platform_.readFile(temporary, bytes, sizeLimit) != Platform::FileRead::Read)
            continue;
        // A line the write did not finish is no value.
        std::string text = ansiTextOf(bytes);
        if (!text.empty() && text.back() != '\n')
            text.erase(text.find_last_of('\n') + 1);
        const std::size_t unknown = eventsNotIn(ProfileDocument(std::move(text)), table);
        if (unknown > 0) {
            const std::string copy = keepAside(bytes);
            if (copy.empty())
                continue; // left where it is for the next start
            tellKeptAside(copy, "A file left by an earlier run of Velkorin holds " +
                                    counted(unknown, "event", "events") +
                                    " that the event file does not.");
        }
        platform_.deleteFile(temporary);
    }
}

void EventFile::keepAsideBeforeNextWrite() {
    if (!keepFirst_.empty())
        return; // the file as it was is kept already
    std::string bytes;
    if (platform_.readFile(path_, bytes, sizeLimit) == Platform::FileRead::Read)
        keepFirst_ = std::move(bytes);
}

std::string EventFile::ansiTextOf(const std::string &bytes) {
    const TextEncoding encoding = encodingOf(bytes);
    return encoding == TextEncoding::Ansi ? bytes
                                          : platform_.fromUtf16(utf16Of(textIn(bytes, encoding)));
}

// The file as it was, before anything the loader left out is dropped, put in place in one step
// like the file itself; the user is told what it holds.
bool EventFile::keepLoadedAside() {
    if (keepFirst_.empty())
        return true;
    const std::string copy = keepAside(keepFirst_);
    if (copy.empty())
        return false;
    keepFirst_.clear();
    if (anythingLeftOut(leftOut_))
        tellKeptAside(copy, "Velkorin could not use everything in its event file: " +
                                describe(leftOut_) + ".");
    leftOut_ = LeftOut();
    return true;
}
