// The update list: a tree view with check boxes whose rows carry one text
// per column of a header above it, and the busy indicator of one row.
#pragma once

#include <windows.h>
#include <commctrl.h>

// Check state of a row: its state image.
constexpr UINT kRowNoCheckBox = 0;
constexpr UINT kRowUnchecked = 1;
constexpr UINT kRowChecked = 2;

class CUpdateTree
{
public:
    CUpdateTree();
    ~CUpdateTree();
    CUpdateTree(const CUpdateTree&) = delete;
    CUpdateTree& operator=(const CUpdateTree&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Rows. The first-column text is the row's column 0.
    HTREEITEM AddItem(const wchar_t* pszText, int nImage, int nSelectedImage, HTREEITEM hParent,
                      HTREEITEM hInsertAfter = TVI_LAST);
    void SetItemText(HTREEITEM hItem, int nColumn, const wchar_t* pszText);
    void DeleteItem(HTREEITEM hItem);
    void DeleteAllItems();

    // State image of a row (kRowNoCheckBox, kRowUnchecked, kRowChecked);
    // setting it keeps the overlay bits.
    UINT GetCheckState(HTREEITEM hItem) const;
    void SetCheckState(HTREEITEM hItem, UINT nState);
    void Expand(HTREEITEM hItem, UINT nCode);
    void EnsureVisible(HTREEITEM hItem);

    // Busy indicator: one row at a time.
    void StartItemAnimation(HTREEITEM hItem, bool bWithProgress);
    void SetItemProgress(int nTotal, int nValue);
    void StopItemAnimation(bool bDeleteProgressBrushes);
    // No row is busy.
    bool IsIdle() const;

private:
    HWND m_hWnd = nullptr;
};
