// Every resource and control id, shared by the resource script and the code.
#pragma once

// Main window "DIAL"
#define IDC_RESTART 1
#define IDC_SHUTDOWN 2
#define IDC_HOUR 3
#define IDC_MINUTE 4
#define IDC_SECOND 5
#define IDC_OK 6
#define IDC_DELETE 7
#define IDC_REPEAT 12
#define IDC_DATE 52
#define IDC_EVENTS 57

// Settings dialog "DIALS"
#define IDC_START_WITH_WINDOWS 22
#define IDC_START_MINIMIZED 23
#define IDC_APPLY 24
// made in code beside a box whose setting the administrator fixed: "Set by your administrator"
#define IDC_START_WITH_WINDOWS_FIXED 122
#define IDC_START_MINIMIZED_FIXED 123

// Today window "DIALT"
#define IDC_TODAY_LIST 26

// Menu "MENUP"
#define IDM_SETTINGS 30
#define IDM_WHITE 31
#define IDM_METAL 32
#define IDM_TODAY 33
#define IDM_COLOR_FONTS 34
#define IDM_HELP 35
#define IDM_SITE 36
#define IDM_ABOUT 37

// The tray menu, built in code: its entries stand for the main menu's commands
#define IDM_TRAY_SHOW_WINDOW 1000
#define IDM_TRAY_EXIT 1010
#define IDM_TRAY_SETTINGS 1011
#define IDM_TRAY_TODAY 1012
#define IDM_TRAY_HELP 1014
#define IDM_TRAY_SITE 1015

// The warning window, built in code: its lines, its answers and the Later menu's choices
#define IDC_WARNING_SKIP 40
#define IDC_WARNING_NOW 41
#define IDC_WARNING_LATER 42
#define IDC_WARNING_TEXT 100
#define IDC_WARNING_KEY 101
#define IDC_WARNING_LATER_NOTE 102
#define IDM_WARNING_LATER_FIRST 1100 // and the choices after it, shortest first
#define IDM_WARNING_LATER_LAST 1109

// Icons
#define IDI_PROGRAM 14

// Button pictures (BITMAP): up and down
#define IDB_OK_UP 16
#define IDB_OK_DOWN 17
#define IDB_DELETE_UP 18
#define IDB_DELETE_DOWN 19
#define IDB_APPLY_UP 20
#define IDB_APPLY_DOWN 21

// Pictures (type "IMAGE", JPEG)
// Each picture and button bitmap is made at 100% under its id, at 150% under id + 100 and at
// 200% under id + 200.
#define IDP_SETTINGS 25
#define IDP_TODAY 27
#define IDP_WHITE_SKIN 28
#define IDP_METAL_SKIN 29
