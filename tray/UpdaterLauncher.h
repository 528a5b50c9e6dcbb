// Starts the updater "Kestupdt.exe" from the agent's own folder without
// waiting for it; a failure to start is ignored.
#pragma once

#include <windows.h>

constexpr wchar_t kScheduledRunParameters[] = L" /SCHEDULE";
constexpr wchar_t kHistoryParameters[] = L"/H";

void LaunchUpdater(HWND hParent, const wchar_t* pszParameters);
