// Start-up decisions that need no window: the run mode from the command
// line and the correction of placeholder model names.
#pragma once

#include <string>

enum RunMode
{
    kRunModeNormal = 0,
    kRunModeDebug = 1,   // "/T"
    kRunModeHistory = 2, // "/H", wins over "/T"
};

// Reads the switches case-insensitively anywhere in the command line; sets
// g_bDebugTrace (debug mode) and g_bScheduled ("/SCHEDULE") and traces them.
int ParseCommandLine(const wchar_t* pszCommandLine);

// An empty or "System product name" model takes the name the known base
// boards stand for; true when it was changed.
bool SubstituteModelName(std::wstring& strModelName, const std::wstring& strProductName);
