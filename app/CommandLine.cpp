// The command line: its words, the console, and the command carried out here or handed over.
#include "CommandLine.h"

#include "HandOver.h"
#include "OneCopy.h"
#include "ProgramPaths.h"
#include "Shell.h"

#include <shellapi.h>

namespace {

// Whether the process is on a desktop someone sees: a scheduled task or a service is not, and
// a message box there would wait for ever.
bool seenDesktop() {
    USEROBJECTFLAGS flags = {};
    return GetUserObjectInformationA(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags,
                                     nullptr) &&
           (flags.dwFlags & WSF_VISIBLE);
}

// The outcome told where the command was started from: into the file, pipe or device its output
// was redirected to (in the console's code page), to the console of the program that started
// it, or, started from neither (the Run box, a shortcut), in a message box.
void tell(const std::string &text, int exitCode) {
    const std::wstring wide = wideOf(text);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    const bool redirected = out && out != INVALID_HANDLE_VALUE && !GetConsoleMode(out, &mode) &&
                            GetFileType(out) != FILE_TYPE_UNKNOWN;
    const bool console = AttachConsole(ATTACH_PARENT_PROCESS) != FALSE;
    DWORD written = 0;
    if (redirected) {
        const std::string bytes = narrowOf(wide, console ? GetConsoleOutputCP() : GetOEMCP());
        WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        return;
    }
    if (console) {
        HANDLE screen =
            CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        // The prompt came back when the command started: the outcome begins on a line of its own.
        const std::wstring shown = L"\r\n" + wide;
        WriteConsoleW(screen, shown.data(), static_cast<DWORD>(shown.size()), &written, nullptr);
        CloseHandle(screen);
        return;
    }
    if (seenDesktop())
        MessageBoxW(nullptr, wide.c_str(), L"Velkorin",
                    MB_OK | (exitCode == exitDone ? MB_ICONINFORMATION : MB_ICONWARNING));
}

// A path as the command's own working directory names it.
std::string fullPath(const std::string &path) {
    const std::wstring wide = wideOf(path);
    std::wstring full(32768, L'\0');
    const DWORD length =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length == 0 || length >= full.size())
        return path;
    full.resize(length);
    return narrowOf(full);
}

// The events of the file, under its lock.
CommandOutcome runHere(const Command &command, const std::string &importText) {
    Scheduling &s = scheduling();
    std::string notices;
    s.platform.tellNoticesIn(&notices);
    s.file.setHistory(&s.history);
    const Platform::FileRead read = s.file.loadAll(s.table);
    if (read == Platform::FileRead::Failed || read == Platform::FileRead::TooLarge)
        return {exitFileProblem,
                notices + "The event file " + s.file.path() + " cannot be read: " +
                    (read == Platform::FileRead::TooLarge ? std::string("it is too large")
                                                          : s.file.readError()) +
                    ". Nothing was changed.\r\n",
                std::string()};
    CommandOutcome outcome =
        runCommand(command, s.table, s.editor, s.file, s.platform, &s.history, importText);
    outcome.text = notices + outcome.text;
    return outcome;
}

CommandOutcome carryOut(std::vector<std::string> words) {
    const ParsedCommand parsed = parseCommandLine(words);
    if (!parsed.ok)
        return {exitBadInput, parsed.error + "\r\n", std::string()};
    Command command = parsed.command;
    if (command.verb == Command::Verb::Help)
        return {exitDone, commandHelp, std::string()};
    // The file named is the one in this command's working directory, also for a copy that runs
    // elsewhere; the command reads and writes it itself, with its own rights.
    std::string importText;
    if (!command.path.empty()) {
        command.path = fullPath(command.path);
        words = {words.front(), command.path}; // /export or /import, and its file
    }
    if (command.verb == Command::Verb::Import) {
        Platform &files = scheduling().platform;
        const Platform::FileRead read =
            files.readFile(command.path, importText, EventFile::sizeLimit);
        if (read != Platform::FileRead::Read)
            return {exitFileProblem,
                    command.path + " cannot be read: " +
                        (read == Platform::FileRead::Missing ? std::string("there is no such file")
                                                             : files.fileError()) +
                        ". Nothing was added.\r\n",
                    std::string()};
    }
    const CommandLock lock = lockForCommand(eventDirectory, programDirectory);
    CommandOutcome outcome;
    if (lock.state == CommandLock::State::Failed)
        return {exitFileProblem,
                "The events' lock " + lock.lockPath + " cannot be had: " + lock.error +
                    ". Nothing was changed.\r\n",
                std::string()};
    if (lock.state == CommandLock::State::Held)
        outcome = runHere(command, importText);
    else if (!lock.running)
        outcome = {exitFileProblem,
                   "Velkorin runs for these events on another desktop, or for another user: "
                   "nothing was changed. Try again when it has ended.\r\n",
                   std::string()};
    else
        handCommandTo(lock.running, words, importText, outcome);
    letGoOfLock();
    if (command.verb == Command::Verb::Export && outcome.exitCode == exitDone &&
        !scheduling().platform.replaceFile(command.path, "\xEF\xBB\xBF" + outcome.exported))
        return {exitFileProblem,
                command.path + " cannot be written: " + scheduling().platform.fileError() + "\r\n",
                std::string()};
    return outcome;
}

} // namespace

std::vector<std::string> commandLineWords() {
    int count = 0;
    LPWSTR *arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> words;
    for (int i = 1; arguments && i < count; ++i)
        words.push_back(narrowOf(arguments[i]));
    LocalFree(arguments);
    return words;
}

int runCommandLine(const std::vector<std::string> &words) {
    const CommandOutcome outcome = carryOut(words);
    tell(outcome.text, outcome.exitCode);
    return outcome.exitCode;
}
