#include "ModalDialog.h"

#include "resource.h"

INT_PTR CModalDialog::DoModal()
{
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nTemplateId), m_hParent,
                           DialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CModalDialog::OnCommand(WORD wId, WORD)
{
    switch (wId)
    {
    case IDCANCEL:
    case IDC_CLOSE_BUTTON:
        EndDialog(m_hWnd, IDCANCEL);
        return TRUE;
    case IDC_MINIMIZE_BUTTON:
        ShowWindow(m_hWnd, SW_MINIMIZE);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CModalDialog::OnMessage(UINT, WPARAM, LPARAM)
{
    return FALSE;
}

INT_PTR CALLBACK CModalDialog::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG)
    {
        auto* pThis = reinterpret_cast<CModalDialog*>(lParam);
        SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        pThis->m_hWnd = hWnd;
        return pThis->OnInitDialog();
    }
    auto* pThis = reinterpret_cast<CModalDialog*>(GetWindowLongPtrW(hWnd, DWLP_USER));
    if (!pThis)
        return FALSE;
    if (uMsg == WM_COMMAND)
        return pThis->OnCommand(LOWORD(wParam), HIWORD(wParam));
    return pThis->OnMessage(uMsg, wParam, lParam);
}
