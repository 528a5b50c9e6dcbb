// The mark an installed hotfix leaves for the hotfix inventory.
#pragma once

#include <windows.h>

// Writes `Version` (REG_SZ, without terminator) under
// HKLM "SOFTWARE\Vexa\Hotfix\<name>", creating the key when needed. Returns
// the error of opening or creating the key, or the result of closing it.
LSTATUS MarkHotfixInstalled(const wchar_t* name, const wchar_t* version);
