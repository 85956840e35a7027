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

// Menu "MENUP"
#define IDM_SETTINGS 30
#define IDM_WHITE 31
#define IDM_METAL 32
#define IDM_TODAY 33
#define IDM_COLOR_FONTS 34
#define IDM_HELP 35
#define IDM_SITE 36
#define IDM_ABOUT 37

// Icons
#define IDI_PROGRAM 14
