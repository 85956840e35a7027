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

// The form back at its placeholders, today's date, both boxes unticked and enabled.
void resetForm(HWND window);
