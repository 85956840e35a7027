// The event file "InformationSW": the saved copy of the event table, an INI file of eleven
// sections with one key per event. Loading and writing are in EventFile.cpp, the copies kept
// aside in KeptCopies.cpp, the text itself in EventFileText.
#pragma once

#include "EventFileText.h"
#include "EventTable.h"
#include "History.h"
#include "LeftOut.h"
#include "Platform.h"
#include "Profile.h"
#include "TextEncoding.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

// Every write goes through Platform::replaceFile, so a crash or a failed write leaves the old
// file or the new one, never a part; a failed write leaves the table as it was.
//
// Nothing the file holds is lost by a rewrite: a file saved as UTF-16 (either byte order) or as
// UTF-8 with its mark is written back in its encoding. The table holds the texts as the profile
// functions give them to the program, in the ANSI code page; a value with characters the code
// page lacks is written back as the file held it for as long as the row holds what it read.
// Before the first rewrite or deletion that would drop something the loader did not
// load (events after a gap, foreign sections, keys or lines, cut values, a file of junk), the
// file as it was is kept aside as "InformationSW.<moment>.bak" (the ten newest such copies
// stay) and the user is told once; and a file that exists but cannot be read is never
// replaced or deleted.
class EventFile {
public:
    EventFile(Platform &platform, std::string path) : platform_(platform), path_(std::move(path)) {}

    const std::string &path() const { return path_; }
    // Where content is kept aside, and told of: "InformationSW.20261207-152233.bak" for now.
    std::string keptAsidePath(const char *suffix = ".bak");
    static constexpr std::size_t keptAsideCopies = 10;

    // No table comes near this (some 300,000 events): a larger file is not read at all.
    static constexpr std::size_t sizeLimit = 64 * 1024 * 1024;

    // Where what is kept aside is written down; none by default.
    void setHistory(History *history) { history_ = history; }

    // Makes the table hold the file's events. Missing gives an empty table; Failed (the file
    // exists but cannot be read, or there was no memory for it) leaves the table empty and
    // refuses every later write and deletion of the file until a load succeeds. TooLarge (over
    // sizeLimit) does the same without reading it; the user is told in a notice and the
    // history.
    Platform::FileRead loadAll(EventTable &table);
    // Why the last load failed.
    std::string readError() const { return readError_; }

    // The file was too large to read: it is left where and as it is until the user chooses to
    // store events. Then it is moved aside under a kept-aside name (told in the history) and
    // writes go ahead; false, with the user told why in lastError(), when it cannot be moved.
    bool tooLarge() const { return tooLarge_; }
    bool setTooLargeFileAside();

    // The file afterwards holds exactly the table's rows; with no rows there is no file.
    bool save(const EventTable &table);

    // Saves, then the table is reloaded from what was written, so it holds what the file
    // returns and its rows are numbered 1 to n again. When the file already holds exactly that
    // text (as last read or written here) and the rows are numbered 1 to n, nothing is written
    // or reloaded: the start-up sweep that finds nothing missed leaves a large file alone.
    bool saveAndReload(EventTable &table);

    // Temporary files that earlier runs left beside the file (killed while writing it): each
    // is removed when every event it holds is in the table, else kept aside and told of.
    // Only for the copy of the program that holds the file's lock, after loading.
    void clearLeftovers(const EventTable &table);

    // Before the next write, the file as it is now is kept aside too (without a notice): the
    // write changes only how the events are written.
    void keepAsideBeforeNextWrite();

    // A row taken out into the event form for editing: until it is released, every write keeps
    // it in the file at the place the next OK puts it back (its index, or the end when fewer
    // rows remain), so a write meanwhile, or leaving the program, loses nothing.
    void holdForEdit(int index, const Event &row);
    void releaseEdit();

    // The file exists but could not be read, or is too large: it is not replaced or deleted.
    bool blocked() const { return unreadable_ || tooLarge_; }

    // Why the last write failed: the system's reason, or that the file could not be read.
    std::string lastError() const { return lastError_; }

private:
    // What a write puts in the file: the table's rows, and a row held for editing.
    std::string fileText(const EventTable &table) const;
    // Writes the table's text (made already, when given), and what a reload reads back; every
    // write goes through writeText, which keeps the loaded file aside first when it must.
    bool write(const EventTable &table, std::string *written, std::string *made = nullptr);
    // The known text is what this table, as it is now, writes.
    void knowTableText(const EventTable &table);
    bool writeText(const std::string &text);
    // The file as it was loaded, before anything the loader left out is dropped.
    bool keepLoadedAside();
    // Keeps bytes aside under a new name and drops the oldest copies; the copy's path, or
    // empty when it could not be written.
    std::string keepAside(const std::string &bytes);
    void tellKeptAside(const std::string &copy, const std::string &what);
    bool refused();
    // A file's text in the ANSI code page, as the profile functions read it.
    std::string ansiTextOf(const std::string &bytes);
    // The values of a Unicode file the code page lacks characters of, by the text they read as;
    // the number of values that cannot be kept so.
    std::size_t keepOriginals(const std::string &unicode, const EventTable &table);
    // Appends a field's value of the table in its stored form in the file's text.
    void appendStored(std::string &line, std::size_t field, std::string_view value) const;
    Platform::FileRead load(EventTable &table);
    void tellTooLarge();

    Platform &platform_;
    std::string path_;
    // The file's text as this program last read or wrote it, while it is known: by its digest,
    // not a copy of some 190 bytes an event.
    TextDigest knownText_;
    bool textKnown_ = false;
    // The table whose rows, at that version, write exactly the known text (none held).
    const EventTable *knownTable_ = nullptr;
    unsigned knownVersion_ = 0;
    TextEncoding encoding_ = TextEncoding::Ansi; // as the file was saved and is written again
    // By field and the text a value reads as: what the file held, or that two values clash.
    struct Original {
        std::string stored;
        bool clash = false;
    };
    std::unordered_map<std::string, Original> originals_;
    bool unreadable_ = false; // it exists but could not be read: never replaced or deleted
    bool tooLarge_ = false;   // it was too large to read: left alone until the user chooses
    std::string readError_;
    std::string keepFirst_; // bytes to keep aside before the next write changes the file
    LeftOut leftOut_;       // and what of them the loader left out
    std::string lastError_;
    History *history_ = nullptr;
    bool holding_ = false;
    int heldIndex_ = 0;
    Event held_;
};
