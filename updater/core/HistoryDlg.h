// The history window (dialog 253), shown when the updater starts with "/H".
#pragma once

#include <windows.h>

#include <string>

class CHistoryDlg
{
public:
    CHistoryDlg(const wchar_t* pszSkinName, HWND hParent);

    INT_PTR DoModal();

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();

    HWND m_hWnd = nullptr;
    HWND m_hParent;
    std::wstring m_strSkinName;
};
