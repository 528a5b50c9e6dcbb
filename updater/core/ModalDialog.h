// A small base for the updater's modal dialogs: one static procedure that
// hands the messages to virtual handlers of the object behind the window.
#pragma once

#include <windows.h>

class CModalDialog
{
public:
    CModalDialog(UINT nTemplateId, HWND hParent) : m_nTemplateId(nTemplateId), m_hParent(hParent) {}
    virtual ~CModalDialog() = default;

    CModalDialog(const CModalDialog&) = delete;
    CModalDialog& operator=(const CModalDialog&) = delete;

    // Shows the dialog from the program's resources and returns once it ends.
    INT_PTR DoModal();

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // Cancel and the title-area close button end the dialog, the minimise
    // button minimises it. TRUE when the command was handled.
    virtual BOOL OnCommand(WORD wId, WORD wNotifyCode);
    // Every other message; FALSE leaves it to the default handling.
    virtual INT_PTR OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    UINT m_nTemplateId;
    HWND m_hParent;
};
