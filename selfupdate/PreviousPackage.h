// Finds the silent uninstall command of the installed product package.
#pragma once

#include <string>

// True when an Uninstall entry named "Vexa Kestrel" (any case) has an
// uninstall string and a log file; commandFile and parameters then hold the
// RunDll32 call that removes it silently.
bool FindPreviousPackage(std::string& commandFile, std::string& parameters);
