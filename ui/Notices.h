// Notice windows: small top-level edit windows that show a text (missed events, About).
#pragma once

#include <windows.h>

#include <string>

// The vendor's web site, as the About notice shows it and command 36 opens it.
extern const char vendorSite[]; // "www.marbrook.example"

// One notice per missed one-time event, kept above all ordinary windows.
HWND showMissedEventNotice(HWND owner, const std::string &text);

// A notice of the missed-event kind with a title of its own (a refused restart, events not
// stored), kept above ordinary windows too.
HWND showTitledNotice(HWND owner, const std::string &title, const std::string &text);

// The About notice; each call opens another.
HWND showAboutNotice(HWND owner);
