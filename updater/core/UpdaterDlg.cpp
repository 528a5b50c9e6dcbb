#include "UpdaterDlg.h"

#include "DownloadFile.h"
#include "HistoryLog.h"
#include "HttpDownload.h"
#include "InformationBox.h"
#include "MessagePump.h"
#include "PendingWork.h"
#include "ProcessFlags.h"
#include "ProductList.h"
#include "ProgramFolder.h"
#include "ServerSettings.h"
#include "SharedSettings.h"
#include "StringTable.h"
#include "TraceLog.h"
#include "WebSite.h"
#include "WideText.h"
#include "resource.h"

namespace {

constexpr wchar_t kProductName[] = L"Vexa Kestrel";
constexpr wchar_t kBiosRecordName[] = L"BIOS";
constexpr DWORD kIdleWaitMs = 100;

}  // namespace

CUpdaterDlg::CUpdaterDlg(HWND hParent, int nRunMode, const wchar_t* pszBiosVersion,
                         const wchar_t* pszModelName, const wchar_t* pszSkinName,
                         const wchar_t* pszFamilyName)
    : CMainSkinDialog(IDD_UPDATER_DIALOG, hParent, pszSkinName),
      m_nRunMode(nRunMode),
      m_strBiosVersion(pszBiosVersion),
      m_strModelName(pszModelName),
      m_strFamilyName(pszFamilyName),
      m_runner(*this, GetProgramFolder())
{
    m_catalogue.m_nRunMode = nRunMode;
}

CUpdaterDlg::~CUpdaterDlg()
{
    WaitUntilListIdle();
    SetDownloadDialogOwner(nullptr);
    m_catalogue.ClearUpdateItemArray();
    m_inventory.ClearInstalledDeviceArray();
    m_inventory.ClearInstalledAPArray();
    m_inventory.ClearInstalledItemArray();
}

BOOL CUpdaterDlg::OnInitDialog()
{
    CMainSkinDialog::OnInitDialog();
    SetWindowTextW(m_hWnd, kProductName);
    TraceLog(L"GetUserDefaultLangID: %d.\n", m_catalogue.m_wUserLangId);
    GetLogChangedMessage();
    // A server that asks for a password shows the system's dialog over this
    // window.
    SetDownloadDialogOwner(m_hWnd);
    SetDlgItemTextW(m_hWnd, IDC_MODEL_NAME, m_strModelName.c_str());
    SetDlgItemTextW(m_hWnd, IDC_CHECK_ALL_LABEL, LoadTranslatedString(IDS_CHECK_ALL).c_str());
    SetDlgItemTextW(m_hWnd, IDC_UNCHECK_ALL_LABEL, LoadTranslatedString(IDS_UNCHECK_ALL).c_str());
    CreateUpdateList();
    ShowCheckAllControls(false);

    m_inventory.EnumerateInstalledAP();
    m_bPendingWorkItems = LoadPendingWork(GetProgramFolder().c_str(), m_strModelName.c_str(),
                                          m_catalogue, m_bPendingWorkFound);
    // The pending-work file carries the mode of the run it continues.
    m_nRunMode = m_catalogue.m_nRunMode;
    ReportFinishedWork();
    m_catalogue.m_nRunMode = m_nRunMode;

    m_nRunStep = FirstRunStep(m_bPendingWorkFound, m_bPendingWorkItems);
    switch (m_nRunStep)
    {
    case StepResume:
        // The resumed run keeps the window busy from the start, so the
        // dialog would never go idle and show itself; a scheduled start
        // shows it too, since only step 0 runs unseen.
        m_bScheduledStartDone = true;
        m_bScheduledWindowShown = true;
        ShowWindow(m_hWnd, SW_SHOW);
        PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        break;
    case StepFinished:
        SetStatusText(IDS_UPDATE_COMPLETED, nullptr);
        break;
    default:
        SetStatusText(IDS_PRESS_OK_TO_CONNECT, nullptr);
        break;
    }
    return TRUE;
}

// The results of work that spanned the last restart or the product's own
// reinstall: read back, written to the history, and cleared.
void CUpdaterDlg::ReportFinishedWork()
{
    CSharedSettings settings;
    wchar_t szLastVersion[kSelfUpdatingBytes / sizeof(wchar_t)] = {};
    wchar_t szSource[kSourceBytes / sizeof(wchar_t)] = {};
    wchar_t szPath[kPathBytes / sizeof(wchar_t)] = {};
    if (settings.ReadSelfUpdateState(szLastVersion, ARRAYSIZE(szLastVersion), szSource,
                                     ARRAYSIZE(szSource), szPath, ARRAYSIZE(szPath), m_nRunMode))
    {
        TraceLog(L"Last Version : %s, Source : %s, Path : %s", szLastVersion, szSource, szPath);
        if (szPath[0])
        {
            AppendHistoryLog(FALSE, LoadTranslatedString(IDS_UPDATE_FAILED).c_str(), kItemTypeAP,
                             kProductName);
        }
        else
        {
            TakeInstalledItemInventory();
            const wchar_t* installedVersion = kUnknownProductVersion;
            for (const InstalledItem& installed : m_inventory.m_aInstalledItem)
                if (EqualsNoCase(installed.szName, kProductName))
                    installedVersion = installed.szVersion;
            std::wstring text = FormatRecordText(LoadTranslatedString(IDS_UPDATED_FROM_TO),
                                                 kProductName, szLastVersion, installedVersion);
            AppendHistoryLog(TRUE, text.c_str(), kItemTypeAP, kProductName);
            if (m_nRunMode == 1)
                RecordInstalledPackage(GetProgramFolder().c_str(), m_strModelName.c_str(),
                                       szSource);
        }
    }
    settings.WriteSelfUpdateState(L"", L"", m_nRunMode);

    wchar_t szOldBios[kBiosBytes / sizeof(wchar_t)] = {};
    wchar_t szNewBios[kBiosBytes / sizeof(wchar_t)] = {};
    wchar_t szBiosSrc[kBiosSrcBytes / sizeof(wchar_t)] = {};
    if (settings.ReadBiosPending(szOldBios, ARRAYSIZE(szOldBios), szNewBios, ARRAYSIZE(szNewBios),
                                 szBiosSrc, ARRAYSIZE(szBiosSrc)))
    {
        TraceLog(L"BIOS update, %s to %s", szOldBios, szNewBios);
        if (m_strBiosVersion != szNewBios)
        {
            AppendHistoryLog(FALSE, LoadTranslatedString(IDS_UPDATE_FAILED).c_str(),
                             kItemTypeBios, kBiosRecordName);
        }
        else
        {
            std::wstring text = FormatRecordText(LoadTranslatedString(IDS_UPDATED_FROM_TO),
                                                 kBiosRecordName, szOldBios, szNewBios);
            AppendHistoryLog(TRUE, text.c_str(), kItemTypeBios, kBiosRecordName);
            if (m_nRunMode == 1)
                RecordInstalledPackage(GetProgramFolder().c_str(), m_strModelName.c_str(),
                                       szBiosSrc);
        }
        settings.WriteBiosPending(nullptr, m_strBiosVersion.c_str());
    }
}

void CUpdaterDlg::TakeInstalledItemInventory()
{
    wchar_t szProductVersion[100] = {};
    CSharedSettings().GetProductVersion(szProductVersion, ARRAYSIZE(szProductVersion));
    m_inventory.ClearInstalledItemArray();
    m_inventory.EnumerateInstalledItem(m_strModelName.c_str(), szProductVersion,
                                       DownloadServerFile());
}

ServerFileDownload CUpdaterDlg::DownloadServerFile()
{
    return [this](const wchar_t* serverPath, const wchar_t* localPath) -> DWORD {
        std::wstring url = GetUpdateServer() + serverPath;
        return static_cast<DWORD>(DownloadFile(*this, url.c_str(), localPath, FALSE));
    };
}

BOOL CUpdaterDlg::OnCommand(WORD id, WORD code)
{
    switch (id)
    {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
    case IDC_CLOSE_BUTTON:
        OnCancel();
        return TRUE;
    case IDC_WEB_SITE:
        OpenWebSite(m_hWnd);
        return TRUE;
    default:
        if (OnListCommand(id, code))
            return TRUE;
        return CMainSkinDialog::OnCommand(id, code);
    }
}

INT_PTR CUpdaterDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = 0;
    if (OnListMessage(message, wParam, lParam, result))
        return result;

    switch (message)
    {
    case WM_QUERYENDSESSION:
        // Windows does not end the session while an update runs; the run
        // stops at its next check instead.
        InterlockedExchange(&m_lCancel, 1);
        m_bShutdownSeen = TRUE;
        SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, FALSE);
        return TRUE;
    case WM_DOWNLOAD_PROGRESS:
        m_wndUpdateTree.SetItemProgress(100, static_cast<int>(wParam));
        return TRUE;
    case WM_CLOSE:
        InterlockedExchange(&m_lCancel, 1);
        break;
    case WM_WINDOWPOSCHANGING:
        // A scheduled run stays unseen until it has found updates.
        if (g_bScheduled && !m_bScheduledWindowShown)
            reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
        break;
    case WM_SHOWWINDOW:
        if (wParam && g_bScheduled && !m_bScheduledStartDone)
        {
            m_bScheduledStartDone = true;
            PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        break;
    default:
        break;
    }
    return CMainSkinDialog::OnMessage(message, wParam, lParam);
}

void CUpdaterDlg::ShowScheduledWindow()
{
    m_bScheduledWindowShown = true;
    ShowWindow(m_hWnd, SW_SHOW);
}

void CUpdaterDlg::OnCancel()
{
    if (m_bSelfUpdateStarted || InterlockedCompareExchange(&m_lCancel, 0, 0))
    {
        ::EndDialog(m_hWnd, IDCANCEL);
        return;
    }
    MessageBeep(0);
    std::wstring question = LoadTranslatedString(IDS_CONFIRM_EXIT);
    if (MessageBoxW(m_hWnd, question.c_str(), kProductName, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    InterlockedExchange(&m_lCancel, 1);
    if (!InterlockedCompareExchange(&m_lIdle, 0, 0))
    {
        // A download or an unpacking stops at its next check and the run
        // then removes Temp and closes: its files are still open now. An
        // installer cannot be stopped, so the updater ends at once.
        if (!m_bInstallerRunning)
            return;
        CleanTempFiles(GetProgramFolder().c_str(), -1);
        TerminateProcess(GetCurrentProcess(), 0);
    }
    CleanTempFiles(GetProgramFolder().c_str(), -1);
    ::EndDialog(m_hWnd, IDCANCEL);
}

void CUpdaterDlg::WaitUntilListIdle()
{
    while (!m_wndUpdateTree.IsIdle())
    {
        DispatchWaitingMessages();
        Sleep(kIdleWaitMs);
    }
}

LONG CUpdaterDlg::ReadCancel()
{
    return InterlockedCompareExchange(&m_lCancel, 0, 0);
}

HWND CUpdaterDlg::GetProgressWindow()
{
    return m_hWnd;
}

std::wstring CUpdaterDlg::LoadText(UINT nStringId)
{
    return LoadTranslatedString(nStringId);
}

void CUpdaterDlg::AppendHistoryLog(BOOL bStatus, const wchar_t* pszText, int nType,
                                   const wchar_t* pszName)
{
    ::AppendHistoryLog(bStatus, pszText, nType, pszName);
}

HWND CUpdaterDlg::GetOwnerWindow()
{
    return m_hWnd;
}

void CUpdaterDlg::ShowInformation(const wchar_t* text)
{
    ShowInformationBox(m_hWnd, text);
}

const wchar_t* CUpdaterDlg::GetInstalledVersion(const UpdateItem& item)
{
    const InstalledItem* installed = item.bType == kItemTypeHotfix
                                         ? m_inventory.GetInstalledHotfix(item)
                                         : m_inventory.GetInstalledItem(item);
    return installed ? installed->szVersion : nullptr;
}

void CUpdaterDlg::WriteSelfUpdateState(const wchar_t* lastVersion, const wchar_t* source)
{
    CSharedSettings().WriteSelfUpdateState(lastVersion, source, m_nRunMode);
}

void CUpdaterDlg::SetSelfUpdateStarted()
{
    m_bSelfUpdateStarted = TRUE;
}

void CUpdaterDlg::EndDialog(int result)
{
    ::EndDialog(m_hWnd, result);
}
