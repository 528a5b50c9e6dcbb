// The updater's main window (dialog 102) and the update run it carries:
// a state machine driven by its OK command, each step posting OK to itself
// for the next one.
#pragma once

#include <windows.h>

#include <string>

#include "DownloadOwner.h"
#include "InstallRunner.h"
#include "InstalledInventory.h"
#include "MainWindowSkin.h"
#include "UpdateCatalogue.h"
#include "UpdateRunRules.h"
#include "UpdateTree.h"

class CUpdaterDlg : public CMainSkinDialog, private IDownloadOwner, private IInstallHost
{
public:
    CUpdaterDlg(HWND hParent, int nRunMode, const wchar_t* pszBiosVersion,
                const wchar_t* pszModelName, const wchar_t* pszSkinName,
                const wchar_t* pszFamilyName);
    ~CUpdaterDlg() override;

    // The status line: a string id with a text, or -1 with the text alone.
    void SetStatusText(int nStringId, const wchar_t* pszText) override;
    // Rebuilds the list from the catalogue's items.
    void FillUpdateList();
    // Shows or hides the Check All / UnCheck All buttons and their labels.
    void ShowCheckAllControls(bool bShow);

    int m_nRunMode;
    std::wstring m_strBiosVersion;
    std::wstring m_strModelName;
    std::wstring m_strFamilyName;
    int m_nRunStep = StepConnect;
    // The offered items (m_catalogue.m_aUpdateItem) and the index's settings.
    CUpdateCatalogue m_catalogue;
    CInstalledInventory m_inventory;
    CUpdateTree m_wndUpdateTree;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WORD id, WORD code) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // --- The update list (UpdaterDlgList.cpp) ---
    // Header 333, tree 334 and scroll bar 335 inside frame 1002, the
    // columns, the tooltip and the computer-name row.
    void CreateUpdateList();
    void CheckAllItems(bool bCheck);
    // Hides the description tooltip.
    void HideDescriptionTip();
    // Commands 1065, 1066, 1069, 1070; TRUE when handled.
    BOOL OnListCommand(WORD id, WORD code);
    // Notifications and scroll messages of the list's controls; true when
    // handled, with the dialog's result in result.
    bool OnListMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    HTREEITEM AddCategoryRow(UINT nStringId, int nImage);
    // The item whose row this is; null for the category and other rows.
    UpdateItem* FindItemByRow(HTREEITEM hRow) const;
    // The selection rules for a click on the check box of hRow (or the
    // space bar on it), before the tree toggles it.
    void ApplySelectionRules(HTREEITEM hRow);

    HTREEITEM m_hBiosRow = nullptr;
    HTREEITEM m_hDriversRow = nullptr;
    HTREEITEM m_hApplicationRow = nullptr;
    wchar_t m_szStatusText[1024] = {};

    // --- The update run (UpdateRun.cpp) ---
    void OnOK();
    void OnCancel();
    void StepConnectServer();
    void StepResumeWork();
    void StepConfirmChoice();
    bool IsRomtoolChecked();
    void StepDownloadPackages();
    void StepInstallItems();
    void StepFinish();
    void ReportFinishedWork();
    // The installed applications with their versions, taken anew.
    void TakeInstalledItemInventory();
    // Fetches a server file for the inventory's factory history import.
    ServerFileDownload DownloadServerFile();
    void ShowScheduledWindow();
    void EnableOK(bool bEnable);
    void UnpackItem(UpdateItem& item);
    // A child row under the item's row that shows the busy indicator.
    void StartRowActivity(HTREEITEM hItemRow, UINT nTextId, bool bWithProgress);
    void StopRowActivity(HTREEITEM hItemRow, bool bDeleteProgressBrushes);
    void RemoveItem(size_t nPosition);
    void WaitUntilListIdle();

    // IDownloadOwner
    LONG ReadCancel() override;
    HWND GetProgressWindow() override;
    std::wstring LoadText(UINT nStringId) override;
    void AppendHistoryLog(BOOL bStatus, const wchar_t* pszText, int nType,
                          const wchar_t* pszName) override;
    // IInstallHost
    HWND GetOwnerWindow() override;
    void ShowInformation(const wchar_t* text) override;
    const wchar_t* GetInstalledVersion(const UpdateItem& item) override;
    void WriteSelfUpdateState(const wchar_t* lastVersion, const wchar_t* source) override;
    void SetSelfUpdateStarted() override;
    void EndDialog(int result) override;

    volatile LONG m_lCancel = 0;
    volatile LONG m_lIdle = 1;
    volatile LONG m_nInstallError = 0;
    UpdateItem* m_pCurrentItem = nullptr;
    HTREEITEM m_hActivityRow = nullptr;
    BOOL m_bPendingWorkFound = FALSE;
    BOOL m_bPendingWorkItems = FALSE;
    BOOL m_bShutdownSeen = FALSE;
    BOOL m_bSelfUpdateStarted = FALSE;
    bool m_bInstallerRunning = false;
    bool m_bScheduledStartDone = false;
    bool m_bScheduledWindowShown = false;
    CInstallRunner m_runner;
};
