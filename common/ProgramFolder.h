// The folder of the running program's executable, where the programs keep
// their files ("log.xml", "process.xml", "Temp", the product lists).
#pragma once

#include <string>

// Full path up to and including the last backslash.
std::wstring GetProgramFolder();
