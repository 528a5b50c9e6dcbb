// A BIOS flash that loses power half way leaves a machine that no longer
// starts: the flash runs only when the machine is not on battery.
#pragma once

#include <windows.h>

// Allowed without a battery or when the system does not know (battery flag
// 128 or 255), on AC power (line status 1), and when the line status is
// unknown (255, a desktop); refused on battery (line status 0).
bool CanFlashBios(const SYSTEM_POWER_STATUS& status);

// The rule for the power the machine has now.
bool CanFlashBiosNow();
