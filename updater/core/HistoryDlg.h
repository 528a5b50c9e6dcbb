// The history window (dialog 253), shown when the updater starts with "/H":
// the records of "log.xml", reloaded whenever a writer announces a change.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "HistoryLog.h"
#include "SkinDialog.h"

class CHistoryDlg : public CSkinDialog
{
public:
    // logPath: the log to show; "log.xml" beside the program unless a host
    // names another.
    CHistoryDlg(const wchar_t* pszSkinName, HWND hParent,
                const std::wstring& logPath = GetHistoryLogPath());
    ~CHistoryDlg() override;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WORD id, WORD code) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ApplySkin();
    void LoadList();
    void ClearLog();
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
    void DrawSelectedRow(HDC dc, int item);

    std::wstring m_strLogPath;
    HWND m_hList = nullptr;
    HFONT m_hFont = nullptr;
    HICON m_hIcon = nullptr;
};
