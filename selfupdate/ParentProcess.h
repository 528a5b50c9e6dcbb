// The id of the process that started this one.
#pragma once

#include <windows.h>

constexpr DWORD kNoParentProcess = static_cast<DWORD>(-1);

// kNoParentProcess when the system does not tell.
DWORD GetParentProcessId();
