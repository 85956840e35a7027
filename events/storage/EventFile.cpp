// Reading and writing the event file.
#include "EventFile.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

namespace {

const char noMemoryText[] = "There is not enough memory to read it.";

} // namespace

Platform::FileRead EventFile::loadAll(EventTable &table) {
    try {
        return load(table);
    } catch (const std::bad_alloc &) {
        // No memory for what the file holds: it is left alone like a file that cannot be read.
        knownText_ = TextDigest();
        keepFirst_ = std::string();
        originals_.clear();
        textKnown_ = false;
        unreadable_ = true;
        readError_ = noMemoryText;
        table.clearTable();
        return Platform::FileRead::Failed;
    }
}

Platform::FileRead EventFile::load(EventTable &table) {
    std::string bytes;
    const Platform::FileRead read = platform_.readFile(path_, bytes, sizeLimit);
    unreadable_ = read == Platform::FileRead::Failed;
    tooLarge_ = read == Platform::FileRead::TooLarge;
    readError_ = unreadable_ ? platform_.fileError() : std::string();
    textKnown_ = read == Platform::FileRead::Read;
    keepFirst_.clear();
    originals_.clear();
    encoding_ = TextEncoding::Ansi;
    leftOut_ = LeftOut();
    if (tooLarge_)
        tellTooLarge();
    if (!textKnown_)
        return read;
    // The program reads the text as the profile functions give it, in the ANSI code page; a
    // Unicode file's own text is what it writes back.
    encoding_ = encodingOf(bytes);
    bool whole = true;
    // The file's text, as this program writes it: the bytes themselves for the ANSI code page.
    std::string text, converted;
    if (encoding_ == TextEncoding::Ansi) {
        text = std::move(bytes);
    } else {
        text = textIn(bytes, encoding_, &whole);
        converted = isAscii(text) ? text : platform_.fromUtf16(utf16Of(text));
    }
    const std::string &ansi = encoding_ == TextEncoding::Ansi ? text : converted;
    // A file as this program writes it leaves nothing out and is read in one pass; any other
    // is read by the profile rules and looked at line by line.
    std::optional<ProfileDocument> document;
    std::size_t cut = 0;
    const OnePass pass = readInOnePass(ansi, table, cut);
    if (pass == OnePass::NotRead) {
        document.emplace(ansi);
        readEvents(table, *document);
    }
    LeftOut left;
    left.lines = whole ? 0 : 1;
    if (encoding_ != TextEncoding::Ansi && ansi != text)
        left.unkept = keepOriginals(text, table);
    const bool exact =
        encoding_ == TextEncoding::Ansi
            ? pass == OnePass::Exactly
            : pass != OnePass::NotRead &&
                  writesExactly(table, text, [this](auto &&...a) { appendStored(a...); });
    if (exact && !holding_)
        knowTableText(table);
    if (pass != OnePass::NotRead) {
        left.cut = cut; // nothing else of such a file is left out
    } else if (!exact || holding_) {
        const LeftOut rules = leftOutOf(*document, static_cast<std::size_t>(table.rowCount()));
        left.events = rules.events;
        left.lines += rules.lines;
        left.cut = rules.cut;
    }
    leftOut_ = left;
    if (anythingLeftOut(leftOut_)) // not empty then: something was left out
        keepFirst_ = encoding_ == TextEncoding::Ansi ? text : std::move(bytes);
    knownText_ = digestOf(text);
    return read;
}

bool EventFile::refused() {
    if (tooLarge_) {
        lastError_ = "The event file is larger than Velkorin reads (" + megabytes(sizeLimit) +
                     "); it is left as it is.";
        return true;
    }
    if (!unreadable_)
        return false;
    lastError_ = "The event file exists but could not be read; it is left as it is.";
    return true;
}

bool EventFile::writeText(const std::string &text) {
    if (refused() || !keepLoadedAside())
        return false;
    if (!(encoding_ == TextEncoding::Ansi
              ? platform_.replaceFile(path_, text)
              : platform_.replaceFile(path_, bytesIn(text, encoding_)))) {
        lastError_ = platform_.fileError();
        return false;
    }
    knownText_ = digestOf(text);
    textKnown_ = true;
    knownTable_ = nullptr;
    return true;
}

void EventFile::knowTableText(const EventTable &table) {
    knownTable_ = &table;
    knownVersion_ = table.version();
}

void EventFile::holdForEdit(int index, const Event &row) {
    held_ = row;
    heldIndex_ = index;
    holding_ = true;
}

void EventFile::releaseEdit() {
    holding_ = false;
}

std::string EventFile::fileText(const EventTable &table) const {
    const auto store = [this](auto &&...a) { appendStored(a...); };
    if (!holding_)
        return renderedText(table.rowCount(), textsOf(table), store);
    const int at = std::min(heldIndex_, table.rowCount());
    return renderedText(
        table.rowCount() + 1,
        [&](int index, std::size_t field) {
            return index == at ? std::string_view(held_.*eventFields[field].member)
                               : table.row(index < at ? index : index - 1).field(field);
        },
        store);
}

bool EventFile::write(const EventTable &table, std::string *written, std::string *made) {
    if (table.rowCount() == 0 && !holding_) {
        if (refused() || !keepLoadedAside())
            return false;
        if (!platform_.deleteFile(path_)) {
            lastError_ = platform_.fileError();
            return false;
        }
        textKnown_ = false;
        return true;
    }
    std::string text = made ? std::move(*made) : fileText(table);
    if (!writeText(text))
        return false;
    if (!holding_)
        knowTableText(table);
    // What the program reads back is the table's text in the code page.
    if (written)
        *written =
            holding_ || encoding_ != TextEncoding::Ansi ? renderEventFile(table) : std::move(text);
    return true;
}

bool EventFile::save(const EventTable &table) {
    return write(table, nullptr);
}

bool EventFile::saveAndReload(EventTable &table) {
    const bool rows = table.rowCount() > 0 || holding_;
    const bool numbered = table.numberedInOrder();
    const bool mayBeKnown = textKnown_ && keepFirst_.empty() && rows && numbered;
    // A table unchanged since its text was read or written needs no rendering to tell.
    if (mayBeKnown && !holding_ && knownTable_ == &table && knownVersion_ == table.version())
        return true;
    // The text is made once, to tell whether the file holds it already and to write it.
    std::string text = rows ? fileText(table) : std::string();
    if (mayBeKnown && digestOf(text) == knownText_)
        return true;
    const bool readsBack = numbered && readsBackAsItStands(table);
    std::string written;
    if (!write(table, readsBack ? nullptr : &written, &text))
        return false;
    // Cleared and loaded again from what was written (without a row held in the form), in one
    // change; the program's own writing is read in one pass. Rows numbered 1 to n whose every
    // value is written as it reads would come back as they stand: they stay.
    std::size_t cut = 0;
    if (!readsBack && readInOnePass(written, table, cut) == OnePass::NotRead)
        readEvents(table, ProfileDocument(std::move(written)));
    if (!holding_)
        knowTableText(table);
    return true;
}
