#include "HistoryDlg.h"

#include <commctrl.h>

#include "StringTable.h"
#include "resource.h"

CHistoryDlg::CHistoryDlg(const wchar_t* pszSkinName, HWND hParent)
    : CModalDialog(IDD_HISTORY_DIALOG, hParent), m_strSkinName(pszSkinName)
{
}

BOOL CHistoryDlg::OnInitDialog()
{
    SetWindowTextW(m_hWnd, L"Vexa Kestrel");

    struct Column
    {
        UINT nStringId;
        int cxWidth;
    };
    static const Column s_aColumn[] = {
        {IDS_HISTORY_DATE, 80},
        {IDS_HISTORY_TIME, 55},
        {IDS_HISTORY_ITEM, 120},
        {IDS_HISTORY_DESCRIPTION, 300},
    };
    HWND hList = GetDlgItem(m_hWnd, IDC_HISTORY_LIST);
    for (int i = 0; i < static_cast<int>(ARRAYSIZE(s_aColumn)); ++i)
    {
        std::wstring strCaption = LoadTranslatedString(s_aColumn[i].nStringId);
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = s_aColumn[i].cxWidth;
        column.pszText = &strCaption[0];
        SendMessageW(hList, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    SendMessageW(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES);
    return TRUE;
}
