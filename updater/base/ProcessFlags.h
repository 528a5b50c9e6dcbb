// Process-wide flags of the updater, each set once during start-up and only
// read afterwards.
#pragma once

#include <windows.h>

extern BYTE g_bScheduled;     // started by the schedule ("/SCHEDULE")
extern BYTE g_bDebugTrace;    // debug mode ("/T"): TraceLog writes
extern BOOL g_bWinXPOrLater;  // Windows NT 5.1 or later
extern BOOL g_bIsWow64;       // the system is 64-bit Windows
