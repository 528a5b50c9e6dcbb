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
#include "ModalDialog.h"

class CSkinDialog : public CModalDialog
{
public:
    CSkinDialog(UINT nTemplateId, HWND hParent, const wchar_t* pszRegionName);
    ~CSkinDialog() override;

    std::wstring m_strRegionName;
    HRGN m_hRegion = nullptr;

protected:
    // Applies the outline; derived windows add their skin after it.
    BOOL OnInitDialog() override;
    // Dragging, background, painting, static colours and the hover buttons'
    // drawing; derived windows pass on what they do not handle themselves.
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Fills the background with m_pBkBrush; false leaves the default erase.
    virtual bool OnEraseBkgnd(HDC dc);
    virtual void OnPaint();
    // Brush of a static control (WM_CTLCOLORSTATIC); null for the default.
    virtual HBRUSH OnCtlColorStatic(HDC dc, HWND control);

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

    HBRUSH m_pBkBrush = nullptr;
    std::vector<std::pair<int, HBRUSH>> m_aControlBrush;
    std::vector<std::unique_ptr<CHoverButton>> m_aHoverButton;

private:
    void ApplyRegion();
};
