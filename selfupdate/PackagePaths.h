// Path arithmetic of the self-update: where the installation lies, the name
// used to test that it is not in use, the uninstall command of the old
// package and the updater to start again.
#pragma once

#include <string>

// The installation folder is the package path before its first "\Temp\"
// (case-sensitive); empty when there is none.
std::string InstallationFolderOf(const std::string& packagePath);

// The name the installation folder is renamed to while testing for use.
std::string InUseTestNameOf(const std::string& installationFolder);

// RunDll32 parameters of the old package's silent uninstall: the uninstall
// string without its leading "RunDll32 ", then the response file "remove.iss"
// in the folder of the setup log.
std::string UninstallParametersOf(const std::string& uninstallString, const std::string& logFile);

// The command line that starts the updater installed beside the program the
// Run value names.
std::string UpdaterCommandOf(const std::string& runValue);
