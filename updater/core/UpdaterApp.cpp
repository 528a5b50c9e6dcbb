#include "UpdaterApp.h"

#include <commctrl.h>
#include <objbase.h>

#include "HistoryDlg.h"
#include "LanguageBinding.h"
#include "ProcessFlags.h"
#include "StartupRules.h"
#include "TraceLog.h"
#include "UniqueHandle.h"
#include "UpdaterDlg.h"
#include "WideText.h"

namespace {

constexpr size_t kInstanceNameUnits = 64;

// The identity strings lose the trailing blanks firmware pads them with.
void TrimTrailing(std::wstring& text)
{
    if (text.empty())
        return;
    TrimTrailingBlanks(&text[0]);
    text.resize(wcslen(text.c_str()));
}

}  // namespace

BOOL CUpdaterApp::InitInstance()
{
    LoadLanguageLibrary();
    CoInitialize(nullptr);
    // The dialogs hold common controls of version 6 (the manifest asks for it).
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    RunInstance();
    CoUninitialize();
    return FALSE;
}

BOOL CUpdaterApp::RunInstance()
{
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExW(&version);
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return FALSE;
    g_bWinXPOrLater = version.dwMajorVersion > 5 ||
                      (version.dwMajorVersion == 5 && version.dwMinorVersion >= 1);

    m_nRunMode = ParseCommandLine(GetCommandLineW());

    // Held until the process ends: one instance per run mode.
    wchar_t szInstanceName[kInstanceNameUnits];
    FormatBounded(szInstanceName, kInstanceNameUnits, L"VEXA KESTREL %d BODY : ODEN TARR",
                  m_nRunMode);
    static CHandle s_hInstanceMutex;
    s_hInstanceMutex.Reset(CreateMutexW(nullptr, FALSE, szInstanceName));
    if (!s_hInstanceMutex || GetLastError() == ERROR_ALREADY_EXISTS)
        return FALSE;

    if (m_nRunMode == 2)
    {
        CHistoryDlg dlg(L"LOGPANEL", nullptr);
        dlg.DoModal();
        return FALSE;
    }

    if (!InitializeDriver())
        return FALSE;

    GetDMIInfo();
    TrimTrailing(m_strBiosVersion);
    TrimTrailing(m_strModelName);
    TrimTrailing(m_strFamilyName);
    TrimTrailing(m_strProductName);
    SubstituteModelName(m_strModelName, m_strProductName);
    TraceLog(L"InitInstance, GetDMIInfo - ModelName: %s, BIOS version: %s, ProductName: %s",
             m_strModelName.c_str(), m_strBiosVersion.c_str(), m_strProductName.c_str());

    // The driver is needed for identification only.
    UninitializeDriver();

    CUpdaterDlg dlg(nullptr, m_nRunMode, m_strBiosVersion.c_str(), m_strModelName.c_str(),
                    L"MAINPANEL", m_strFamilyName.c_str());
    dlg.DoModal();
    return FALSE;
}

void CUpdaterApp::GetDMIInfo()
{
    if (ReadSMBIOSFromFirmware())
        return;
    GetModelName(*this);
    ReadDMIFromMemory(*this);
}
