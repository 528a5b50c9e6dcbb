// The update run: one step of the state machine per OK command.
#include "UpdaterDlg.h"

#include "ApplicabilityFilter.h"
#include "DownloadFile.h"
#include "HistoryLog.h"
#include "HttpDownload.h"
#include "IndexTrust.h"
#include "MessagePump.h"
#include "PackageCheck.h"
#include "PendingWork.h"
#include "PowerGuard.h"
#include "ProcessFlags.h"
#include "ProductList.h"
#include "ProgramFolder.h"
#include "ServerLocation.h"
#include "SharedSettings.h"
#include "TraceLog.h"
#include "UnpackPackage.h"
#include "WideText.h"
#include "resource.h"

namespace {

constexpr LONG INSTALL_E_FAILED = static_cast<LONG>(0x80010004);
// Image of the "Downloading...", "Unpacking..." and "Updating..." rows.
constexpr int kActivityImage = 6;
constexpr DWORD kUnpackFailurePauseMs = 1000;

void PostCommand(HWND hWnd, WORD id)
{
    PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

}  // namespace

void CUpdaterDlg::OnOK()
{
    TraceLog(L"OnOK - step %d", m_nRunStep);
    switch (m_nRunStep)
    {
    case StepConnect: StepConnectServer(); break;
    case StepResume: StepResumeWork(); break;
    case StepConfirm: StepConfirmChoice(); break;
    case StepDownload: StepDownloadPackages(); break;
    case StepInstall: StepInstallItems(); break;
    case StepFinished: StepFinish(); break;
    default: break;
    }
}

void CUpdaterDlg::EnableOK(bool bEnable)
{
    EnableWindow(GetDlgItem(m_hWnd, IDOK), bEnable);
}

void CUpdaterDlg::StepConnectServer()
{
    EnableOK(false);
    DownloadLocation index =
        GetIndexLocation(m_strModelName.c_str(), m_strFamilyName.c_str(), m_nRunMode);
    LONG lStatus = DownloadFile(*this, index.strUrl.c_str(), index.strLocalPath.c_str(), FALSE);
    if (lStatus == DL_COMPLETE)
        lStatus = CheckIndexSignature(*this, index);
    if (lStatus == DL_COMPLETE)
    {
        SetStatusText(IDS_PARSING_UPDATE_INFO, nullptr);
        m_catalogue.ParsingUpdateItem(index.strLocalPath.c_str(), m_strModelName.c_str());
        m_nRunMode = m_catalogue.m_nRunMode;

        m_inventory.EnumerateInstalledDevice();
        TakeInstalledItemInventory();
        m_inventory.EnumerateInstalledHotfix();
        CApplicabilityFilter(m_catalogue.m_aUpdateItem, m_inventory, m_strBiosVersion.c_str())
            .Apply();
        m_inventory.ClearInstalledDeviceArray();

        if (m_catalogue.m_aUpdateItem.empty())
        {
            SetStatusText(IDS_NO_NEED_TO_UPDATE, nullptr);
            m_nRunStep = StepFinished;
            if (g_bScheduled)
                PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        }
        else
        {
            ShowCheckAllControls(true);
            FillUpdateList();
            SetStatusText(IDS_CHECK_ITEMS, nullptr);
            m_nRunStep = StepConfirm;
            if (g_bScheduled)
                ShowScheduledWindow();
        }
    }
    else
    {
        if (g_bScheduled)
            PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        m_nRunStep = StepFinished;
        if (lStatus == DL_E_REQUEST)
        {
            SetStatusText(IDS_SERVER_UNREACHABLE, nullptr);
            AppendHistoryLog(FALSE, LoadText(IDS_SERVER_UNREACHABLE).c_str(), kHistoryNoItem,
                             nullptr);
        }
        else if (lStatus == DL_E_CANCELLED)
        {
            SetStatusText(IDS_CONNECTION_CANCELLED, nullptr);
        }
        else if (lStatus == INDEX_E_SIGNATURE)
        {
            const std::wstring text = LoadText(IDS_INDEX_NOT_VERIFIED);
            SetStatusText(-1, text.c_str());
            AppendHistoryLog(FALSE, text.c_str(), kHistoryNoItem, nullptr);
        }
        else
        {
            SetStatusText(IDS_NO_NEED_TO_UPDATE, nullptr);
        }
    }
    EnableOK(true);
}

void CUpdaterDlg::StepResumeWork()
{
    EnableOK(false);
    SetStatusText(IDS_PARSING_UPDATE_INFO, nullptr);
    FillUpdateList();
    TakeInstalledItemInventory();
    m_nRunStep = StepInstall;
    PostCommand(m_hWnd, IDOK);
}

void CUpdaterDlg::StepConfirmChoice()
{
    EnableOK(false);
    const UpdateItemArray& items = m_catalogue.m_aUpdateItem;
    bool bChecked = false;
    for (UpdateItem* item : items)
    {
        if (m_wndUpdateTree.GetCheckState(item->hListRow) != kRowChecked)
            continue;
        bChecked = true;
        if (item->bType != kItemTypeBios)
            continue;
        UINT nRefusal = 0;
        if (!CanFlashBiosNow())
            nRefusal = IDS_CONNECT_AC_ADAPTER;
        else if (!m_inventory.m_bAPInventoryFound && !IsRomtoolChecked())
            nRefusal = IDS_INSTALL_ROMTOOL_FIRST;
        if (nRefusal)
        {
            ShowInformation(LoadText(nRefusal).c_str());
            m_wndUpdateTree.SetCheckState(item->hListRow, kRowUnchecked);
            EnableOK(true);
            return;
        }
    }
    if (!bChecked)
    {
        EnableOK(true);
        return;
    }
    m_nRunStep = StepDownload;
    PostCommand(m_hWnd, IDOK);
}

bool CUpdaterDlg::IsRomtoolChecked()
{
    for (const UpdateItem* item : m_catalogue.m_aUpdateItem)
        if (EqualsNoCase(item->szName, kRomtoolItemName) &&
            m_wndUpdateTree.GetCheckState(item->hListRow) == kRowChecked)
            return true;
    return false;
}

void CUpdaterDlg::StepDownloadPackages()
{
    ShowCheckAllControls(false);
    UpdateItemArray& items = m_catalogue.m_aUpdateItem;
    for (size_t i = items.size(); i-- > 0 && !ReadCancel();)
    {
        if (m_wndUpdateTree.GetCheckState(items[i]->hListRow) == kRowChecked)
        {
            m_wndUpdateTree.SetCheckState(items[i]->hListRow, kRowNoCheckBox);
            continue;
        }
        m_wndUpdateTree.DeleteItem(items[i]->hListRow);
        RemoveItem(i);
    }
    HideDescriptionTip();

    InterlockedExchange(&m_lIdle, 0);
    for (size_t i = 0; i < items.size() && !ReadCancel();)
    {
        UpdateItem* item = items[i];
        SetStatusText(IDS_DOWNLOAD, item->szTitle);
        m_pCurrentItem = item;
        StartRowActivity(item->hListRow, IDS_DOWNLOADING, true);
        LONG lStatus = DownloadPackage(*this, *item);
        StopRowActivity(item->hListRow, true);
        if (IsPackageKept(lStatus))
        {
            ++i;
            continue;
        }
        m_wndUpdateTree.DeleteItem(item->hListRow);
        RemoveItem(i);
    }
    m_pCurrentItem = nullptr;
    InterlockedExchange(&m_lIdle, 1);

    if (ReadCancel())
    {
        CleanTempFiles(GetProgramFolder().c_str(), -1);
        PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        return;
    }
    m_nRunStep = StepInstall;
    PostCommand(m_hWnd, IDOK);
}

void CUpdaterDlg::StepInstallItems()
{
    UpdateItemArray& items = m_catalogue.m_aUpdateItem;
    const std::wstring programFolder = GetProgramFolder();
    while (!items.empty() && !ReadCancel())
    {
        size_t position = ChooseNextItem(items);
        UpdateItem* item = items[position];
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(position));
        m_pCurrentItem = item;

        // The product's own item is freed by the runner once its setup runs.
        const HTREEITEM hRow = item->hListRow;
        const BYTE bType = item->bType;
        const std::wstring title = item->szTitle;

        SetStatusText(IDS_UNPACK, item->szTitle);
        InterlockedExchange(&m_lIdle, 0);
        StartRowActivity(hRow, IDS_UNPACKING, false);
        InterlockedExchange(&m_nInstallError, 0);
        // Checked here, after the download or the restart, so that nothing
        // unverified is ever unpacked.
        if (IsPackageAccepted(CheckDownloadedPackage(*item, !GetSigningKey().empty())))
            UnpackItem(*item);
        else
            InterlockedExchange(&m_nInstallError, PACKAGE_E_CHANGED);
        DeleteFileW(item->szPath);

        bool bInstallerAskedRestart = false;
        LONG lError = InterlockedCompareExchange(&m_nInstallError, 0, 0);
        TraceLog(L"UnpackItem - %s : %08X", item->szPath, static_cast<unsigned>(lError));
        if (lError == 0)
        {
            m_wndUpdateTree.SetItemText(m_hActivityRow, 0, LoadText(IDS_UPDATING).c_str());
            SetStatusText(IDS_UPDATE, item->szTitle);
            // Looked up before the install changes what is installed.
            const wchar_t* installedVersion = GetInstalledVersion(*item);
            std::wstring installed = installedVersion ? installedVersion : L"";
            // The power may have gone since the choice: no flash on battery.
            const bool bPowerRefused = bType == kItemTypeBios && !CanFlashBiosNow();
            m_bInstallerRunning = true;
            BOOL bInstalled = !bPowerRefused && m_runner.InstallItem(item);
            m_bInstallerRunning = false;
            bInstallerAskedRestart = bInstalled && m_runner.IsRestartRequested();
            if (!bInstalled)
                InterlockedExchange(&m_nInstallError, INSTALL_E_FAILED);

            if (bInstalled && m_bSelfUpdateStarted)
            {
                m_wndUpdateTree.StopItemAnimation(false);
                m_catalogue.m_nRunMode = m_nRunMode;
                WritePendingWork(programFolder.c_str(), m_strModelName.c_str(), m_catalogue);
                CSharedSettings().WriteLastUpdateTime();
                m_pCurrentItem = nullptr;
                PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
                return;
            }

            if (bPowerRefused)
            {
                std::wstring text = LoadText(IDS_CONNECT_AC_ADAPTER);
                SetStatusText(-1, text.c_str());
                AppendHistoryLog(FALSE, text.c_str(), bType, title.c_str());
            }
            else if (bType == kItemTypeBios && bInstalled)
            {
                CSharedSettings().WriteBiosPending(item, m_strBiosVersion.c_str());
            }
            else
            {
                UINT nTextId = InstallRecordMessageId(bInstalled != FALSE, installedVersion != nullptr);
                std::wstring text =
                    nTextId == IDS_UPDATED_FROM_TO
                        ? FormatRecordText(LoadText(nTextId), title.c_str(), installed.c_str(),
                                           item->szVersion)
                        : FormatRecordText(LoadText(nTextId), title.c_str(), item->szVersion);
                AppendHistoryLog(bInstalled, text.c_str(), bType, title.c_str());
                if (bInstalled && m_nRunMode == 1)
                    RecordInstalledPackage(programFolder.c_str(), m_strModelName.c_str(),
                                           item->szZipPath);
            }
            if (bType == kItemTypeAP && bInstalled)
                m_inventory.SetAPVersion(item->szName, item->szVersion);
        }
        else if (UINT nTextId = UnpackFailureMessageId(lError))
        {
            std::wstring text = FormatRecordText(LoadText(nTextId), title.c_str());
            SetStatusText(-1, text.c_str());
            AppendHistoryLog(FALSE, text.c_str(), bType, title.c_str());
            Sleep(kUnpackFailurePauseMs);
        }

        StopRowActivity(hRow, false);
        InterlockedExchange(&m_lIdle, 1);

        // Windows wanted to end the session: what was just installed still
        // takes its restart, with the rest kept for after it.
        bool bSucceeded = InterlockedCompareExchange(&m_nInstallError, 0, 0) == 0;
        bool bNeedsRestart =
            ItemNeedsRestart(bType, item->bReboot, bInstallerAskedRestart, m_bShutdownSeen);
        if (ReadCancel() && !(m_bShutdownSeen && bSucceeded))
        {
            FreeUpdateItem(item);
            m_pCurrentItem = nullptr;
            break;
        }

        SetStatusText(IDS_COMPLETE_TO_UPDATE, item->szName);
        m_wndUpdateTree.DeleteItem(hRow);
        CleanTempFiles(programFolder.c_str(), item->nIndex);
        FreeUpdateItem(item);
        m_pCurrentItem = nullptr;

        if (bSucceeded && bNeedsRestart)
        {
            m_catalogue.m_nRunMode = m_nRunMode;
            WritePendingWork(programFolder.c_str(), m_strModelName.c_str(), m_catalogue);
            m_runner.RestartComputer(bType == kItemTypeBios);
            return;
        }
    }

    if (ReadCancel())
    {
        CleanTempFiles(programFolder.c_str(), -1);
        PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        return;
    }
    EnableOK(true);
    SetStatusText(IDS_UPDATE_COMPLETED, nullptr);
    m_nRunStep = StepFinished;
}

void CUpdaterDlg::StepFinish()
{
    CSharedSettings().WriteLastUpdateTime();
    CleanTempFiles(GetProgramFolder().c_str(), -1);
    ::EndDialog(m_hWnd, IDOK);
}

void CUpdaterDlg::UnpackItem(UpdateItem& item)
{
    UnpackJob job;
    job.strArchivePath = item.szPath;
    job.plCancel = &m_lCancel;
    job.plInstallError = &m_nInstallError;
    CHandle thread = StartUnpackWorker(job);
    if (!thread)
    {
        InterlockedExchange(&m_nInstallError, UNPACK_E_FILE);
        return;
    }
    DispatchUntilSignalled(thread.Get());
}

void CUpdaterDlg::StartRowActivity(HTREEITEM hItemRow, UINT nTextId, bool bWithProgress)
{
    m_hActivityRow = m_wndUpdateTree.AddItem(LoadText(nTextId).c_str(), kActivityImage,
                                             kActivityImage, hItemRow);
    m_wndUpdateTree.SetCheckState(m_hActivityRow, kRowNoCheckBox);
    m_wndUpdateTree.Expand(hItemRow, TVE_EXPAND);
    m_wndUpdateTree.EnsureVisible(m_hActivityRow);
    m_wndUpdateTree.StartItemAnimation(m_hActivityRow, bWithProgress);
}

void CUpdaterDlg::StopRowActivity(HTREEITEM hItemRow, bool bDeleteProgressBrushes)
{
    m_wndUpdateTree.StopItemAnimation(bDeleteProgressBrushes);
    m_wndUpdateTree.Expand(hItemRow, TVE_COLLAPSE);
    m_wndUpdateTree.DeleteItem(m_hActivityRow);
    m_hActivityRow = nullptr;
}

void CUpdaterDlg::RemoveItem(size_t nPosition)
{
    UpdateItemArray& items = m_catalogue.m_aUpdateItem;
    FreeUpdateItem(items[nPosition]);
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(nPosition));
}
