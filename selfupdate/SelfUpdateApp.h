// The self-updater: one straight procedure that replaces the installed
// product with the package the updater unpacked, then starts the updater.
#pragma once

#include <windows.h>

#include <string>

// The shared settings key, as the product's installer creates it.
constexpr char kSettingsKeyPath[] = "SOFTWARE\\Vexa\\Vexa Kestrel";

class CSelfUpdateApp
{
public:
    // Runs the whole procedure; FALSE at every end so the process ends.
    BOOL InitInstance();

    // Saves the shared settings; false when the key cannot be opened.
    bool ReadSavedSettings();

    // Writes the saved settings into the key the new package created.
    void RestoreSettings();

    std::string m_strSelfUpdating;
    DWORD m_dwFrequency = 0;
    DWORD m_dwLastUpdateTime = 0;
    DWORD m_dwMode = 0;
    std::string m_strPath;
    std::string m_strSource;
    // The updater's own addresses ("Server", "WebSite"); written back only
    // when they were set, so that a missing one keeps its default.
    std::string m_strServer;
    std::string m_strWebSite;

private:
    // False when the starter's setup window stayed open too long.
    bool WaitForStarterSetup(DWORD parentId);

    // False when the user gave up on a folder that is in use.
    bool CheckInstallationNotInUse();
};
