// The updater's main window (dialog 102). For now it shows the identified
// model and waits; the update run is driven from its OK command.
#pragma once

#include <windows.h>

#include <string>

class CUpdaterDlg
{
public:
    CUpdaterDlg(HWND hParent, int nRunMode, const wchar_t* pszBiosVersion,
                const wchar_t* pszModelName, const wchar_t* pszSkinName,
                const wchar_t* pszFamilyName);

    INT_PTR DoModal();

    int m_nRunMode;
    std::wstring m_strBiosVersion;
    std::wstring m_strModelName;
    std::wstring m_strFamilyName;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();

    HWND m_hWnd = nullptr;
    HWND m_hParent;
    std::wstring m_strSkinName;
};
