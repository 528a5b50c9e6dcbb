// The updater's main window (dialog 102). For now it shows the identified
// model and waits; the update run is driven from its OK command.
#pragma once

#include <windows.h>

#include <string>

#include "ModalDialog.h"

class CUpdaterDlg : public CModalDialog
{
public:
    CUpdaterDlg(HWND hParent, int nRunMode, const wchar_t* pszBiosVersion,
                const wchar_t* pszModelName, const wchar_t* pszSkinName,
                const wchar_t* pszFamilyName);

    int m_nRunMode;
    std::wstring m_strBiosVersion;
    std::wstring m_strModelName;
    std::wstring m_strFamilyName;

protected:
    BOOL OnInitDialog() override;

private:
    std::wstring m_strSkinName;
};
