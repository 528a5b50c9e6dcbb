// The operating-system names that the index's "os" elements use.
#pragma once

#include <windows.h>

// Name for a Windows version; empty text for versions the index does not know.
const wchar_t* GetOSName(DWORD major, DWORD minor, BOOL is64Bit);

// Name of the running system (GetVersionExW and the recorded 64-bit flag).
const wchar_t* GetOSName();
