// The history window (dialog 253), shown when the updater starts with "/H".
#pragma once

#include <windows.h>

#include <string>

#include "ModalDialog.h"

class CHistoryDlg : public CModalDialog
{
public:
    CHistoryDlg(const wchar_t* pszSkinName, HWND hParent);

protected:
    BOOL OnInitDialog() override;

private:
    std::wstring m_strSkinName;
};
