// Counts this process's live GDI objects, for tests that a long-running clock leaks none.
#pragma once

#include <windows.h>

// GetGuiResources where it answers; Wine's answers 0, and there a handle whose high word is 0
// names whatever object holds that slot of the process's handle table, so the table is walked.
inline int liveGdiObjects() {
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0)
        return static_cast<int>(reported);
    int live = 0;
    for (ULONG_PTR slot = 0x20; slot < 0x10000; ++slot)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0)
            ++live;
    return live;
}
