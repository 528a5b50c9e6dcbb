#include "UpdaterDlg.h"

#include "StringTable.h"
#include "resource.h"

CUpdaterDlg::CUpdaterDlg(HWND hParent, int nRunMode, const wchar_t* pszBiosVersion,
                         const wchar_t* pszModelName, const wchar_t* pszSkinName,
                         const wchar_t* pszFamilyName)
    : m_nRunMode(nRunMode),
      m_strBiosVersion(pszBiosVersion),
      m_strModelName(pszModelName),
      m_strFamilyName(pszFamilyName),
      m_hParent(hParent),
      m_strSkinName(pszSkinName)
{
}

INT_PTR CUpdaterDlg::DoModal()
{
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_UPDATER_DIALOG),
                           m_hParent, DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CUpdaterDlg::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG)
    {
        auto* pThis = reinterpret_cast<CUpdaterDlg*>(lParam);
        SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        pThis->m_hWnd = hWnd;
        return pThis->OnInitDialog();
    }
    if (uMsg == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDC_CLOSE_BUTTON))
    {
        EndDialog(hWnd, IDCANCEL);
        return TRUE;
    }
    if (uMsg == WM_COMMAND && LOWORD(wParam) == IDC_MINIMIZE_BUTTON)
    {
        ShowWindow(hWnd, SW_MINIMIZE);
        return TRUE;
    }
    return FALSE;
}

BOOL CUpdaterDlg::OnInitDialog()
{
    SetWindowTextW(m_hWnd, L"Vexa Kestrel");
    SetDlgItemTextW(m_hWnd, IDC_MODEL_NAME, m_strModelName.c_str());
    SetDlgItemTextW(m_hWnd, IDC_CHECK_ALL_LABEL, LoadTranslatedString(IDS_CHECK_ALL).c_str());
    SetDlgItemTextW(m_hWnd, IDC_UNCHECK_ALL_LABEL, LoadTranslatedString(IDS_UNCHECK_ALL).c_str());
    SetDlgItemTextW(m_hWnd, IDC_STATUS_TEXT,
                    LoadTranslatedString(IDS_PRESS_OK_TO_CONNECT).c_str());
    return TRUE;
}
