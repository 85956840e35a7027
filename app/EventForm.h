// The event form of the main window: the time boxes, date picker, repeat box and power-action
// boxes, read into the editor of the scheduling core and written back from it.
#pragma once

#include <windows.h>

// Choice lists, placeholders and the picker's picture, as the main window starts.
void setUpEventForm(HWND window);

// OK: composes the form's event, inserts it and stores it.
void composeEventCommand(HWND window);

// DELETE: removes the selected row and rewrites the event file.
void deleteSelectedCommand(HWND window);

// A double-click on the list: takes the selected row back into the form for editing.
void editRowCommand(HWND window);

// A ticked power-action box disables the other one, so an event carries at most one action.
void excludePowerActions(HWND window, WPARAM command);

// The keyboard's way to the commands: Enter in the form composes as OK does, Enter on the list
// takes the selected row into the form as a double-click does, Delete on the list deletes it
// as DELETE does. Each goes to the main window as the mouse's would. True when the message was
// one of them; an open drop-down list keeps its Enter.
bool formKey(HWND window, const MSG &message);

// The form back at its placeholders, today's date, both boxes unticked and enabled.
void resetForm(HWND window);
