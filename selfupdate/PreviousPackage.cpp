#include "PreviousPackage.h"

#include <windows.h>

#include "PackagePaths.h"
#include "RegistryText.h"
#include "SelfTrace.h"
#include "UniqueHandle.h"

namespace {

constexpr char kUninstallPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Fills the command when the entry is the product's; returns whether it is.
bool ReadPackageEntry(HKEY entry, std::string& commandFile, std::string& parameters)
{
    std::string displayName;
    DWORD type = REG_NONE;
    if (!ReadRegText(entry, "DisplayName", 100, displayName, &type) || type != REG_SZ ||
        lstrcmpiA(displayName.c_str(), "Vexa Kestrel") != 0)
        return false;
    SelfTrace("Detect Previous Package\n");

    std::string uninstallString;
    if (!ReadRegText(entry, "UninstallString", 1024, uninstallString, &type) || type != REG_SZ)
        return false;
    std::string logFile;
    if (!ReadRegText(entry, "LogFile", 1024, logFile, &type) || type != REG_SZ)
        return false;
    commandFile = "RunDll32";
    parameters = UninstallParametersOf(uninstallString, logFile);
    return true;
}

}  // namespace

bool FindPreviousPackage(std::string& commandFile, std::string& parameters)
{
    CRegKey uninstall;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallPath, 0, KEY_ENUMERATE_SUB_KEYS,
                      uninstall.Put()) != ERROR_SUCCESS)
        return false;

    char name[1024];
    for (DWORD index = 0;; ++index)
    {
        DWORD nameSize = sizeof(name);
        if (RegEnumKeyExA(uninstall.Get(), index, name, &nameSize, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            return false;
        std::string entryPath = std::string(kUninstallPath) + "\\" + name;
        CRegKey entry;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, entryPath.c_str(), 0, KEY_QUERY_VALUE,
                          entry.Put()) != ERROR_SUCCESS)
            continue;
        if (ReadPackageEntry(entry.Get(), commandFile, parameters))
            return true;
    }
}
