// The item bar of a gradient popup: a toolbar control with one button per
// menu item on its own row, drawn entirely by the menu.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "MenuItemPainter.h"
#include "UniqueHandle.h"

class CGradientMenu;

class CGradientMenuBar
{
public:
    explicit CGradientMenuBar(CGradientMenu& menu);
    ~CGradientMenuBar();

    CGradientMenuBar(const CGradientMenuBar&) = delete;
    CGradientMenuBar& operator=(const CGradientMenuBar&) = delete;

    // Makes the control inside the popup, adds the menu's items, sizes the
    // popup and shows the bar.
    bool Create(HWND hPopup, int nCellWidth, int nCellHeight);
    void Destroy();

    HWND Window() const { return m_hWnd; }
    LRESULT OnCustomDraw(NMTBCUSTOMDRAW& draw);
    void ResetPress() { m_nPressedIndex = -1; }
    void SetHotIndex(int nIndex);
    // The item under a point of the bar, with its rectangle in screen
    // coordinates; null when the point is on no item.
    const MenuItemCopy* ItemAt(POINT pt, RECT* prcScreen) const;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR nId, DWORD_PTR pData);
    LRESULT HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    void PaintSeparators();
    void OnMouseMove(POINT pt);
    void OnMouseHover();
    void OnLeftButtonDown(WPARAM nFlags, POINT pt);
    void OnPress(WPARAM nFlags, POINT pt);
    bool OnKeyDown(WPARAM nKey);
    void OnCharacter(wchar_t chKey);
    void ClickItem(int nIndex, WPARAM nFlags);
    void MoveHot(int nStep);
    int HitTest(POINT pt) const;
    const MenuItemCopy* ItemOf(int nIndex) const;
    int ButtonCount() const;
    void SendMenuSelect(const MenuItemCopy& item, int nIndex);

    CGradientMenu& m_menu;
    HWND m_hWnd = nullptr;
    CGdiObject<HFONT> m_font;
    std::vector<MenuItemCopy*> m_items;
    int m_nLastHotId = -1;
    int m_nPressedIndex = -1;
    int m_nHoverIndex = -1;
    POINT m_ptHover = {-1, -1};
    POINT m_ptLastMove = {-1, -1};
};
