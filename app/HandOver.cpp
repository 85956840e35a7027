// Handing a command to the running copy, and taking it there.
#include "HandOver.h"

#include "EventList.h"
#include "Shell.h"
#include "Ticking.h"

#include <cstring>

namespace {

// What the two messages carry: the words (each ended by a zero, an empty one ends them) and the
// text of the file to import; back, the exit code, the text, a zero and the CSV to export.
constexpr ULONG_PTR commandTag = 0x4D434B56; // "VKCM"
constexpr ULONG_PTR answerTag = 0x50524B56;  // "VKRP"
constexpr UINT answerWait = 60 * 1000;
const char answerWindowClass[] = "Velkorin_CommandAnswer";

CommandOutcome *answered = nullptr; // where the answer goes while the sender waits

LRESULT CALLBACK answerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA || !answered)
        return DefWindowProcA(window, message, wParam, lParam);
    const COPYDATASTRUCT &data = *reinterpret_cast<const COPYDATASTRUCT *>(lParam);
    if (data.dwData != answerTag || data.cbData < sizeof(int))
        return FALSE;
    const char *bytes = static_cast<const char *>(data.lpData);
    std::memcpy(&answered->exitCode, bytes, sizeof(int));
    const std::string rest(bytes + sizeof(int), data.cbData - sizeof(int));
    const std::size_t end = rest.find('\0');
    answered->text = rest.substr(0, end);
    answered->exported = end == std::string::npos ? std::string() : rest.substr(end + 1);
    answered = nullptr;
    return TRUE;
}

// A command is taken from the answer window of a command of the same user or of an
// administrator: the user of its process's token, and whether it is an administrator.
bool mayCommand(HWND sender) {
    char className[sizeof answerWindowClass + 1] = "";
    GetClassNameA(sender, className, sizeof className);
    if (lstrcmpA(className, answerWindowClass) != 0)
        return false;
    DWORD id = 0;
    GetWindowThreadProcessId(sender, &id);
    if (id == 0)
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process)
        return false;
    HANDLE theirs = nullptr, ours = nullptr;
    bool allowed = false;
    if (OpenProcessToken(process, TOKEN_QUERY | TOKEN_DUPLICATE, &theirs) &&
        OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &ours)) {
        BYTE theirUser[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)] = {};
        BYTE ourUser[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)] = {};
        DWORD size = 0;
        allowed = GetTokenInformation(theirs, TokenUser, theirUser, sizeof theirUser, &size) &&
                  GetTokenInformation(ours, TokenUser, ourUser, sizeof ourUser, &size) &&
                  EqualSid(reinterpret_cast<TOKEN_USER *>(theirUser)->User.Sid,
                           reinterpret_cast<TOKEN_USER *>(ourUser)->User.Sid);
        HANDLE identity = nullptr;
        BYTE administrators[SECURITY_MAX_SID_SIZE] = {};
        DWORD sidSize = sizeof administrators;
        BOOL member = FALSE;
        if (!allowed && DuplicateToken(theirs, SecurityIdentification, &identity) &&
            CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) &&
            CheckTokenMembership(identity, administrators, &member))
            allowed = member != FALSE;
        if (identity)
            CloseHandle(identity);
    }
    if (theirs)
        CloseHandle(theirs);
    if (ours)
        CloseHandle(ours);
    CloseHandle(process);
    return allowed;
}

void answer(HWND window, HWND sender, const CommandOutcome &outcome) {
    std::string bytes(sizeof(int), '\0');
    std::memcpy(&bytes[0], &outcome.exitCode, sizeof(int));
    bytes += outcome.text;
    bytes += '\0';
    bytes += outcome.exported;
    COPYDATASTRUCT data = {answerTag, static_cast<DWORD>(bytes.size()), &bytes[0]};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(sender, WM_COPYDATA, reinterpret_cast<WPARAM>(window),
                        reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, answerWait, &result);
}

} // namespace

bool handCommandTo(HWND running, const std::vector<std::string> &words,
                   const std::string &importText, CommandOutcome &outcome) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = answerProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = answerWindowClass;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, answerWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    // An elevated command takes the answer of a copy that is not.
    ChangeWindowMessageFilterEx(window, WM_COPYDATA, MSGFLT_ALLOW, nullptr);
    std::string bytes;
    for (const std::string &word : words)
        bytes += word + '\0';
    bytes += '\0';
    bytes += importText;
    COPYDATASTRUCT data = {commandTag, static_cast<DWORD>(bytes.size()), &bytes[0]};
    CommandOutcome received{-1, std::string(), std::string()};
    answered = &received;
    DWORD_PTR result = 0;
    // Incoming sent messages, the answer among them, are taken while this waits.
    const LRESULT sent =
        SendMessageTimeoutA(running, WM_COPYDATA, reinterpret_cast<WPARAM>(window),
                            reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, answerWait, &result);
    answered = nullptr;
    DestroyWindow(window);
    if (sent && result && received.exitCode >= 0) {
        outcome = received;
        return true;
    }
    outcome.exitCode = exitFileProblem;
    outcome.text = sent ? "Velkorin runs for these events for another user: only that user or an "
                          "administrator may change them. Nothing was changed.\r\n"
                        : "Velkorin runs for these events but did not answer. Nothing was "
                          "changed.\r\n";
    return false;
}

BOOL takeHandedCommand(HWND window, HWND sender, const COPYDATASTRUCT &data) {
    if (data.dwData != commandTag || !mayCommand(sender))
        return FALSE;
    const char *bytes = static_cast<const char *>(data.lpData);
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < data.cbData && bytes[at] != '\0') {
        const std::size_t length = strnlen(bytes + at, data.cbData - at);
        words.emplace_back(bytes + at, length);
        at += length + 1;
    }
    const std::string importText =
        at + 1 < data.cbData ? std::string(bytes + at + 1, data.cbData - at - 1) : std::string();
    const ParsedCommand parsed = parseCommandLine(words);
    CommandOutcome outcome{exitBadInput, parsed.error + "\r\n", std::string()};
    if (parsed.ok) {
        Scheduling &s = scheduling();
        EventList::Batch batch(s.list);
        outcome = runCommand(parsed.command, s.table, s.editor, s.file, s.platform, &s.history,
                             importText);
        // The warning and the wake follow the list at once.
        if (parsed.command.changes())
            s.due.tableChanged(s.platform.localTime());
    }
    planTicks(window);
    answer(window, sender, outcome);
    return TRUE;
}
