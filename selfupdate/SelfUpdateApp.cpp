#include "SelfUpdateApp.h"

#include <shlwapi.h>

#include "PackagePaths.h"
#include "ParentProcess.h"
#include "PreviousPackage.h"
#include "ProcessWindowList.h"
#include "RegistryText.h"
#include "ProtectedDirectory.h"
#include "RunProcess.h"
#include "SelfTrace.h"
#include "UniqueHandle.h"
#include "UpdaterRestart.h"

namespace {

constexpr int kSetupWindowWaitRounds = 60;
// As large as the updater reads them (1024 UTF-16 units).
constexpr size_t kAddressBytes = 2048;

}  // namespace

BOOL CSelfUpdateApp::InitInstance()
{
    DWORD parentId = GetParentProcessId();
    if (parentId == kNoParentProcess)
        return FALSE;
    if (!WaitForStarterSetup(parentId))
        return FALSE;

    ReadSavedSettings();
    if (!CheckInstallationNotInUse())
        return FALSE;
    if (m_strSelfUpdating.empty() || m_strPath.empty())
        return FALSE;

    std::string commandFile;
    std::string parameters;
    if (!FindPreviousPackage(commandFile, parameters))
        return FALSE;
    char systemFolder[260] = "";
    GetSystemDirectoryA(systemFolder, sizeof(systemFolder));
    RunProcessAndWait(systemFolder, commandFile.c_str(), parameters.c_str());
    Sleep(10000);

    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
    std::string setupParameters = "-f1\"" + m_strPath + "setup.iss\" -s";
    SelfTrace("<Uninstall>%s", setupParameters.c_str());
    RunProcessAndWait(m_strPath.c_str(), "setup.exe", setupParameters.c_str());
    RestoreSettings();

    RemoveProtectedDirectory(m_strPath.c_str());
    Sleep(5000);
    RestartUpdater();
    return FALSE;
}

bool CSelfUpdateApp::WaitForStarterSetup(DWORD parentId)
{
    CProcessWindowList windows(parentId);
    bool setupSeen = false;
    HWND window = nullptr;
    while (windows.GetNext(window))
    {
        char className[256] = "";
        GetClassNameA(window, className, sizeof(className));
        if (lstrcmpiA(className, "InstallShield_Win") != 0)
            continue;
        setupSeen = true;
        for (int round = 0; round < kSetupWindowWaitRounds && IsWindow(window); ++round)
        {
            SelfTrace("Waiting for parent window close\n");
            Sleep(1000);
        }
        if (IsWindow(window))
            return false;
    }
    if (!setupSeen)
        Sleep(5000);
    return true;
}

bool CSelfUpdateApp::ReadSavedSettings()
{
    CRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_QUERY_VALUE, key.Put()) !=
        ERROR_SUCCESS)
        return false;
    if (!ReadRegText(key.Get(), "SelfUpdating", 100, m_strSelfUpdating))
        m_strSelfUpdating.clear();
    if (!ReadRegDword(key.Get(), "Frequency", m_dwFrequency))
        m_dwFrequency = 3;
    if (!ReadRegDword(key.Get(), "LastUpdateTime", m_dwLastUpdateTime))
        m_dwLastUpdateTime = 0;
    if (!ReadRegDword(key.Get(), "Mode", m_dwMode))
        m_dwMode = 0;
    if (!ReadRegText(key.Get(), "Path", 1024, m_strPath))
        m_strPath.clear();
    if (!ReadRegText(key.Get(), "Source", 1024, m_strSource))
        m_strSource.clear();
    if (!ReadRegText(key.Get(), "Server", kAddressBytes, m_strServer))
        m_strServer.clear();
    if (!ReadRegText(key.Get(), "WebSite", kAddressBytes, m_strWebSite))
        m_strWebSite.clear();
    SelfTrace("Path : %s", m_strPath.c_str());
    SelfTrace("Source : %s", m_strSource.c_str());
    return true;
}

bool CSelfUpdateApp::CheckInstallationNotInUse()
{
    std::string folder = InstallationFolderOf(m_strPath);
    std::string testName = InUseTestNameOf(folder);
    SelfTrace("Rename directory : %s->%s", folder.c_str(), testName.c_str());
    while (!MoveFileA(folder.c_str(), testName.c_str()))
    {
        int answer = MessageBoxA(
            nullptr, "The folder might be in use by another program.\nPlease check it and try again!",
            "Vexa Kestrel", MB_RETRYCANCEL | MB_ICONERROR);
        if (answer == IDCANCEL)
            return false;
    }
    Sleep(10000);
    SelfTrace("Rename directory back : %s->%s", testName.c_str(), folder.c_str());
    MoveFileA(testName.c_str(), folder.c_str());
    return true;
}

void CSelfUpdateApp::RestoreSettings()
{
    CRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_SET_VALUE, key.Put()) !=
        ERROR_SUCCESS)
        return;
    WriteRegDword(key.Get(), "LastUpdateTime", m_dwLastUpdateTime);
    WriteRegDword(key.Get(), "Frequency", m_dwFrequency);
    WriteRegText(key.Get(), "SelfUpdating", m_strSelfUpdating);
    WriteRegText(key.Get(), "Source", m_strSource);
    if (m_dwMode == 1)
        WriteRegDword(key.Get(), "Mode", m_dwMode);
    if (!m_strServer.empty())
        WriteRegText(key.Get(), "Server", m_strServer);
    if (!m_strWebSite.empty())
        WriteRegText(key.Get(), "WebSite", m_strWebSite);
    RegDeleteValueA(key.Get(), "Path");
    RegFlushKey(key.Get());
}
