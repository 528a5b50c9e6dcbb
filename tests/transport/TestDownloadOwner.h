// A stand-in for the main window during downloads: a real window that
// collects the progress messages, a status line and a history log kept in
// memory, and a cancel flag that a test can raise from any callback.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "DownloadOwner.h"

struct HistoryRecord
{
    BOOL bStatus;
    std::wstring strText;
    int nType;
    std::wstring strName;
};

class CTestDownloadOwner : public IDownloadOwner
{
public:
    CTestDownloadOwner();
    ~CTestDownloadOwner();

    CTestDownloadOwner(const CTestDownloadOwner&) = delete;
    CTestDownloadOwner& operator=(const CTestDownloadOwner&) = delete;

    LONG ReadCancel() override;
    HWND GetProgressWindow() override { return m_hWnd; }
    void SetStatusText(int nStringId, const wchar_t* pszText) override;
    std::wstring LoadText(UINT nStringId) override;
    void AppendHistoryLog(BOOL bStatus, const wchar_t* pszText, int nType, const wchar_t* pszName) override;

    void Cancel() { InterlockedExchange(&m_lCancel, 1); }

    std::vector<std::wstring> m_aStatusLine;  // every text shown, in order
    std::vector<HistoryRecord> m_aHistory;
    std::vector<WPARAM> m_aProgress;  // WM_DOWNLOAD_PROGRESS values received
    std::vector<WPARAM> m_aError;     // WM_DOWNLOAD_ERROR values received

    // Called after every status line change and every progress message.
    std::function<void(CTestDownloadOwner&)> m_onEvent;

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    volatile LONG m_lCancel = 0;
};
