#include "UpdaterDlg.h"

#include "StringTable.h"
#include "resource.h"

CUpdaterDlg::CUpdaterDlg(HWND hParent, int nRunMode, const wchar_t* pszBiosVersion,
                         const wchar_t* pszModelName, const wchar_t* pszSkinName,
                         const wchar_t* pszFamilyName)
    : CModalDialog(IDD_UPDATER_DIALOG, hParent),
      m_nRunMode(nRunMode),
      m_strBiosVersion(pszBiosVersion),
      m_strModelName(pszModelName),
      m_strFamilyName(pszFamilyName),
      m_strSkinName(pszSkinName)
{
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
