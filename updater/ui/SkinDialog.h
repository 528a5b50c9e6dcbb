// Base of the updater's skinned windows: a borderless dialog cut to the
// outline of an "RGN" resource, dragged by its background, with bitmap hover
// buttons and brushes cut from its background picture.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "HoverButton.h"

class CSkinDialog
{
public:
    CSkinDialog(UINT nTemplateId, HWND hParent, const wchar_t* pszRegionName);
    virtual ~CSkinDialog();

    CSkinDialog(const CSkinDialog&) = delete;
    CSkinDialog& operator=(const CSkinDialog&) = delete;

    // Runs the window modally and returns its end code.
    INT_PTR DoModal();
    // Creates it modeless (for hosts that run their own message loop).
    HWND Create();

    HWND GetSafeHwnd() const { return m_hWnd; }

    std::wstring m_strRegionName;
    HRGN m_hRegion = nullptr;

protected:
    // Applies the outline; derived windows add their skin after it.
    virtual BOOL OnInitDialog();
    // A command; returns true when handled. Close (8) and Cancel (2) end the
    // window, minimise (1068) minimises it.
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    // Any other message; returns true and sets result when handled.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    // Fills the background with m_pBkBrush; false leaves the default erase.
    virtual bool OnEraseBkgnd(HDC dc);
    virtual void OnPaint();
    // Brush of a static control (WM_CTLCOLORSTATIC); null for the default.
    virtual HBRUSH OnCtlColorStatic(HDC dc, HWND control);

    void EndDialog(INT_PTR result);

    // Subclasses control id as a hover button with its faces (0 for none),
    // sizes it to its face and moves it to (x, y).
    CHoverButton* AddHoverButton(int id, UINT normal, UINT pressed, UINT disabled, UINT hover,
                                 int x, int y);

    // Cuts the rectangle of the background bitmap into a pattern brush for
    // control id, when the window has that control.
    void AddControlBrush(HBITMAP background, int id, int left, int top, int right, int bottom);
    // The control's own brush on Windows XP or later, otherwise (or when it
    // has none) the whole-window brush.
    HBRUSH GetControlBrush(int id) const;

    HWND m_hWnd = nullptr;
    HWND m_hParent;
    UINT m_nTemplateId;
    HBRUSH m_pBkBrush = nullptr;
    std::vector<std::pair<int, HBRUSH>> m_aControlBrush;
    std::vector<std::unique_ptr<CHoverButton>> m_aHoverButton;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ApplyRegion();

    bool m_bModal = false;
};
