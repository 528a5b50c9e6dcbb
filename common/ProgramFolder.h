// The folder of the running program's executable, where the programs keep
// their files ("log.xml", "process.xml", "Temp", the product lists).
#pragma once

#include <windows.h>

#include <string>

// Full path up to and including the last backslash, also beyond MAX_PATH.
// Never empty: a process that cannot learn its own path ends.
std::wstring GetProgramFolder();

// The same through a stand-in for GetModuleFileNameW, so that tests can give
// paths longer than any test folder.
using ModuleFileNameFunction = DWORD(WINAPI*)(HMODULE module, LPWSTR path, DWORD units);
std::wstring GetProgramFolder(ModuleFileNameFunction pfnModuleFileName);
