// The event form: reads and writes the controls; what an OK, DELETE or double-click does is
// decided by the editor of the scheduling core.
#include "EventForm.h"

#include "DueCheck.h"
#include "Editor.h"
#include "ProgramPaths.h"
#include "Shell.h"
#include "ShownText.h"
#include "resource.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

const char notStoredText[] = "The event could not be stored";
const char notStoredEnd[] = "The list and the file are as they were; the form still holds the "
                            "event.";
const char notDeletedText[] = "The event could not be deleted";
const char notDeletedEnd[] = "The list and the file are as they were.";
const char messageCaption[] = "Velkorin";
const char tooLargeQuestion[] =
    "was not read: it is larger than Velkorin reads, and it is left as it was.\r\n\r\nStore "
    "this event in a new event file? The large file is then moved aside beside it, under the "
    "name the history gives, and kept.";

const char *const repeatChoices[] = {repeatPlaceholder, "Hourly",  "Daily",
                                     "Weekly",          "Monthly", "Yearly"};

// "00", "01", ... as the time boxes list them.
struct TwoDigitChoices {
    explicit TwoDigitChoices(int choices) : count(choices) {
        for (int i = 0; i < count; ++i) {
            std::snprintf(texts[i], sizeof texts[i], "%02d", i);
            pointers[i] = texts[i];
        }
    }
    int count;
    char texts[60][3];
    const char *pointers[60];
};

// The whole text of a control, however long the user typed it.
std::string controlText(HWND window, int id) {
    HWND control = GetDlgItem(window, id);
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextA(control, &text[0], static_cast<int>(text.size()))));
    return text;
}

EventForm readForm(HWND window) {
    EventForm form;
    form.hour = controlText(window, IDC_HOUR);
    form.minute = controlText(window, IDC_MINUTE);
    form.second = controlText(window, IDC_SECOND);
    form.repeat = controlText(window, IDC_REPEAT);
    form.restart = ticked(window, IDC_RESTART);
    form.shutDown = ticked(window, IDC_SHUTDOWN);
    SYSTEMTIME picked = {};
    SendDlgItemMessageA(window, IDC_DATE, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&picked));
    form.date = localTimeOf(picked);
    return form;
}

void setPickedDate(HWND window, const SYSTEMTIME &date) {
    SendDlgItemMessageA(window, IDC_DATE, DTM_SETSYSTEMTIME, GDT_VALID,
                        reinterpret_cast<LPARAM>(&date));
}

void setBox(HWND window, int id, bool checked) {
    CheckDlgButton(window, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void showForm(HWND window, const EventForm &form) {
    // Both boxes are cleared first, then the row's one action is ticked and excludes the
    // other: a box ticked before the double-click never stays ticked beside the row's action.
    setBox(window, IDC_RESTART, form.restart);
    setBox(window, IDC_SHUTDOWN, form.shutDown);
    EnableWindow(GetDlgItem(window, IDC_SHUTDOWN), !form.restart);
    EnableWindow(GetDlgItem(window, IDC_RESTART), !form.shutDown);
    SetDlgItemTextA(window, IDC_REPEAT, form.repeat.c_str());
    SetDlgItemTextA(window, IDC_HOUR, form.hour.c_str());
    SetDlgItemTextA(window, IDC_MINUTE, form.minute.c_str());
    SetDlgItemTextA(window, IDC_SECOND, form.second.c_str());
    // A Daily or Hourly row has no date, and the picker keeps its own. The picker shows the
    // weekday of the date it is given: work it out rather than trust it.
    if (isRealDate(form.date.year, form.date.month, form.date.day))
        setPickedDate(window, systemTimeOf(fromWallSecond(wallSecond(form.date))));
}

void tellNotWritten(HWND window, const char *what, const char *end) {
    const EventFile &file = scheduling().file;
    const std::string text = std::string(what) + ": the event file\r\n" + file.path() +
                             "\r\ncannot be written.\r\n" + file.lastError() + "\r\n\r\n" + end;
    askUser(window, text, messageCaption, MB_OK | MB_ICONWARNING);
}

// The event file was too large to read: the user chooses whether it is moved aside for a new
// one. True when it was.
bool setTooLargeFileAside(HWND window) {
    EventFile &file = scheduling().file;
    const std::string text = "The event file\r\n" + file.path() + "\r\n" + tooLargeQuestion;
    if (askUser(window, text, messageCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    if (file.setTooLargeFileAside())
        return true;
    tellNotWritten(window, notStoredText, notStoredEnd);
    return false;
}

// A Monthly event on the 29th to 31st, or a Yearly one on 29 February: the user learns when
// it will not come due.
void tellPartlyDue(HWND window, const EventForm &form) {
    const std::string note = partlyDueNote(form);
    if (!note.empty())
        askUser(window, note, messageCaption, MB_OK | MB_ICONINFORMATION);
}

} // namespace

void setUpEventForm(HWND window) {
    static const TwoDigitChoices hours(24), minutes(60);
    addChoices(GetDlgItem(window, IDC_HOUR), hours.pointers, hours.count);
    addChoices(GetDlgItem(window, IDC_MINUTE), minutes.pointers, minutes.count);
    addChoices(GetDlgItem(window, IDC_SECOND), minutes.pointers, minutes.count);
    addChoices(GetDlgItem(window, IDC_REPEAT), repeatChoices, 6);
    resetForm(window);
}

void resetForm(HWND window) {
    SetDlgItemTextA(window, IDC_HOUR, hourPlaceholder);
    SetDlgItemTextA(window, IDC_MINUTE, minutePlaceholder);
    SetDlgItemTextA(window, IDC_SECOND, secondPlaceholder);
    SetDlgItemTextA(window, IDC_REPEAT, repeatPlaceholder);
    SendDlgItemMessageA(window, IDC_DATE, DTM_SETFORMATA, 0,
                        reinterpret_cast<LPARAM>(longDatePicture));
    SYSTEMTIME today;
    scheduling().platform.readClock(today);
    setPickedDate(window, today);
    setBox(window, IDC_RESTART, false);
    setBox(window, IDC_SHUTDOWN, false);
    EnableWindow(GetDlgItem(window, IDC_RESTART), TRUE);
    EnableWindow(GetDlgItem(window, IDC_SHUTDOWN), TRUE);
}

namespace {

// OK once: the editor composes and adds the form's event, the list redrawn once.
Editor::Outcome composeOnce(HWND window, const EventForm &form) {
    Scheduling &s = scheduling();
    EventList::Batch batch(s.list);
    const Editor::Outcome outcome = s.editor.composeEvent(form);
    if (outcome == Editor::Outcome::Added || outcome == Editor::Outcome::NothingToAdd)
        resetForm(window);
    s.due.tableChanged(s.platform.localTime());
    return outcome;
}

} // namespace

void composeEventCommand(HWND window) {
    const EventForm form = readForm(window);
    Editor::Outcome outcome = composeOnce(window, form);
    // While a file too large to read is left alone, nothing is added until the user chooses.
    if (outcome == Editor::Outcome::FileTooLarge) {
        if (!setTooLargeFileAside(window))
            return;
        outcome = composeOnce(window, form);
    }
    // Told once the batch has ended, so the list is drawn and live behind the message.
    if (outcome == Editor::Outcome::NotStored)
        tellNotWritten(window, notStoredText, notStoredEnd);
    else if (outcome == Editor::Outcome::Added)
        tellPartlyDue(window, form);
}

void deleteSelectedCommand(HWND window) {
    Scheduling &s = scheduling();
    bool deleted = false;
    {
        EventList::Batch batch(s.list);
        deleted = s.editor.deleteSelected(s.list.selectedRow());
        if (deleted) {
            resetForm(window);
            s.due.tableChanged(s.platform.localTime());
        }
    }
    if (!deleted)
        tellNotWritten(window, notDeletedText, notDeletedEnd);
}

void editRowCommand(HWND window) {
    Scheduling &s = scheduling();
    const int selected = s.list.selectedRow();
    if (selected < 0) {
        resetForm(window);
        return;
    }
    Event taken;
    EventList::Batch batch(s.list);
    if (!s.editor.editRow(selected, taken))
        return;
    showForm(window, formOf(taken));
    s.due.tableChanged(s.platform.localTime());
}

namespace {

// The form's control that holds a window: a combo box's own edit field counts as the box.
int formControlOf(HWND window, HWND focus) {
    if (!IsChild(window, focus))
        return 0;
    while (focus && GetParent(focus) != window)
        focus = GetParent(focus);
    return focus ? GetDlgCtrlID(focus) : 0;
}

void pressPictureButton(HWND window, int id) {
    HWND button = GetDlgItem(window, id);
    if (button)
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
}

void doubleClickList(HWND window) {
    NMHDR notice = {GetDlgItem(window, IDC_EVENTS), IDC_EVENTS, static_cast<UINT>(NM_DBLCLK)};
    SendMessageA(window, WM_NOTIFY, IDC_EVENTS, reinterpret_cast<LPARAM>(&notice));
}

} // namespace

bool formKey(HWND window, const MSG &message) {
    if (message.message != WM_KEYDOWN ||
        (message.wParam != VK_RETURN && message.wParam != VK_DELETE))
        return false;
    const int control = formControlOf(window, message.hwnd);
    if (control == IDC_EVENTS) {
        if (message.wParam == VK_RETURN)
            doubleClickList(window);
        else
            pressPictureButton(window, IDC_DELETE);
        return true;
    }
    if (message.wParam != VK_RETURN)
        return false;
    switch (control) {
    case IDC_HOUR:
    case IDC_MINUTE:
    case IDC_SECOND:
    case IDC_REPEAT:
        if (SendDlgItemMessageA(window, control, CB_GETDROPPEDSTATE, 0, 0))
            return false;
        pressPictureButton(window, IDC_OK);
        return true;
    case IDC_DATE:
    case IDC_RESTART:
    case IDC_SHUTDOWN: pressPictureButton(window, IDC_OK); return true;
    default: return false;
    }
}

void excludePowerActions(HWND window, WPARAM command) {
    if (command == IDC_RESTART)
        EnableWindow(GetDlgItem(window, IDC_SHUTDOWN), !ticked(window, IDC_RESTART));
    else if (command == IDC_SHUTDOWN)
        EnableWindow(GetDlgItem(window, IDC_RESTART), !ticked(window, IDC_SHUTDOWN));
}
