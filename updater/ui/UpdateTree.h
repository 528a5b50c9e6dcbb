// The update list: a tree view with check boxes whose rows carry one text
// per column of a header above it, a horizontal scroll bar below it, and the
// busy indicator of one row.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "ColumnText.h"
#include "UniqueHandle.h"

// Check state of a row: its state image.
constexpr UINT kRowNoCheckBox = 0;
constexpr UINT kRowUnchecked = 1;
constexpr UINT kRowChecked = 2;

// Column alignments of InsertColumn.
constexpr int kAlignLeft = 0;
constexpr int kAlignRight = 1;
constexpr int kAlignCentre = 2;

class CUpdateTree
{
public:
    CUpdateTree();
    ~CUpdateTree();
    CUpdateTree(const CUpdateTree&) = delete;
    CUpdateTree& operator=(const CUpdateTree&) = delete;

    // Creates the header, the tree and the horizontal scroll bar as children
    // of hParent inside the list frame rcFrame (hParent's client
    // coordinates). The header's notifications and the bar's scroll
    // messages go to hParent, which passes them to OnHeaderItemChanged and
    // OnHScroll.
    bool Create(HWND hParent, const RECT& rcFrame, HFONT hHeaderFont, HFONT hTreeFont);

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetHeader() const { return m_hHeader; }
    HWND GetScrollBar() const { return m_hScrollBar; }

    // Columns: alignment kAlignLeft, kAlignRight or kAlignCentre; width -1
    // leaves the header's default.
    int InsertColumn(int nIndex, const wchar_t* pszCaption, int nAlignment, int nWidth = -1);
    int GetColumnWidth(int nColumn) const;
    int GetColumnAlignment(int nColumn) const;
    int GetTotalWidth() const { return m_nTotalWidth; }
    // Horizontal offset of the rows, 0 or negative.
    int GetScrollOffset() const { return m_nScrollOffset; }

    // Rows. The first-column text is the row's column 0.
    HTREEITEM AddItem(const wchar_t* pszText, int nImage, int nSelectedImage, HTREEITEM hParent,
                      HTREEITEM hInsertAfter = TVI_LAST);
    void SetItemText(HTREEITEM hItem, int nColumn, const wchar_t* pszText);
    std::wstring GetItemText(HTREEITEM hItem, int nColumn) const;
    void DeleteItem(HTREEITEM hItem);
    void DeleteAllItems();
    int GetItemCount() const { return m_nItems; }

    // State image of a row (kRowNoCheckBox, kRowUnchecked, kRowChecked);
    // setting it keeps the overlay bits.
    UINT GetCheckState(HTREEITEM hItem) const;
    void SetCheckState(HTREEITEM hItem, UINT nState);
    void Expand(HTREEITEM hItem, UINT nCode);
    void EnsureVisible(HTREEITEM hItem);

    // The row and hit-test flags (TVHT_...) of the last mouse button press.
    HTREEITEM GetLastHit(UINT* pFlags) const;

    // From the parent: a header item changed (HDN_ITEMCHANGED), a request of
    // the horizontal bar with its thumb position (WM_HSCROLL), the tree's
    // click notification (NM_CLICK).
    void OnHeaderItemChanged();
    void OnHScroll(int nRequest, int nThumb);
    void OnClick();

    // The description tooltip: descriptionOf gives a row's description, ""
    // for none.
    void SetDescriptionSource(std::function<std::wstring(HTREEITEM)> descriptionOf);
    void HideDescriptionTip();

    // Busy indicator: one row at a time.
    void StartItemAnimation(HTREEITEM hItem, bool bWithProgress);
    void SetItemProgress(int nTotal, int nValue);
    void StopItemAnimation(bool bDeleteProgressBrushes);
    // No row is busy.
    bool IsIdle() const;

private:
    struct ImageListTraits
    {
        static HIMAGELIST Invalid() noexcept { return nullptr; }
        static void Close(HIMAGELIST h) noexcept { ImageList_Destroy(h); }
    };
    struct CursorTraits
    {
        static HICON Invalid() noexcept { return nullptr; }
        static void Close(HICON h) noexcept { DestroyCursor(h); }
    };
    using CImageList = CUniqueHandle<HIMAGELIST, ImageListTraits>;
    using CBrush = CGdiObject<HBRUSH>;

    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR uIdSubclass, DWORD_PTR dwRefData);
    LRESULT OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);

    // Rows and their records.
    CColumnText* GetRecord(HTREEITEM hItem) const;
    void CollectRecords(HTREEITEM hFirst, std::vector<CColumnText*>& records) const;
    bool GetLabelRect(HTREEITEM hItem, RECT& rect) const;
    HTREEITEM HitTest(POINT point, UINT* pFlags) const;

    // Painting.
    void Paint(HDC hdc, const RECT& rcClient);
    void OnPaint();
    void OnDestroy();
    HFONT GetTreeFont() const;
    void PaintRows(HDC hdc, const RECT& rcClient);
    void DrawColumnText(HDC hdc, const std::wstring& text, int left, int top, int bottom,
                        int width, int alignment) const;
    void RecalcTotalWidth();

    // Mouse and keyboard.
    void OnButtonDown(LPARAM lParam);
    void OnButtonUp(LPARAM lParam);
    bool OnDoubleClick(LPARAM lParam);
    void OnExpandTimer();
    // Re-lays the scroll bar when the tree's vertical bar came or went.
    bool CheckVScrollChange();
    bool OnMouseMove(LPARAM lParam);

    // Horizontal scrolling.
    int VisibleWidth() const;
    bool HasVScroll() const;
    void UpdateScrollBar();
    void ApplyScrollOffset(int nOffset, int nTreeBottom);
    void PlaceClipped(HWND hWnd, const RECT& rcPlace, int nOffset, int nWidth, int nHeight);

    // Busy indicator.
    static DWORD WINAPI AnimationThread(void* pThis);
    void RunAnimation();
    void DrawFrame();
    void DrawBusyIndicator(HDC hdc, int nFrame) const;
    void PublishBusyRow();
    bool BusyRowInPlace(LONG nTop) const;
    void EndAnimationThread(bool bKeepMessagesFlowing);
    int MeasureShownText(HTREEITEM hItem, int nLabelLeft) const;

    HWND m_hWnd = nullptr;
    HWND m_hParent = nullptr;
    HWND m_hHeader = nullptr;
    HWND m_hScrollBar = nullptr;
    HWND m_hToolTip = nullptr;
    CImageList m_imlHeader;
    CImageList m_imlTree;

    // Layout inside the list frame.
    RECT m_rcHeader = {};
    RECT m_rcTree = {};   // above the scroll bar
    RECT m_rcScroll = {};
    int m_nFrameWidth = 0;
    // Where the header was last placed: its offset and right edge.
    int m_nHeaderOffset = 0;
    int m_nHeaderRight = 0;

    int m_nColumns = 0;
    int m_nTotalWidth = 0;
    int m_nItems = 0;
    int m_nScrollOffset = 0;
    HTREEITEM m_hLastItem = nullptr;
    UINT m_uLastHitFlags = 0;
    UINT_PTR m_uExpandTimer = 0;
    bool m_bHadVScroll = false;

    // Description tooltip.
    std::function<std::wstring(HTREEITEM)> m_fnDescription;
    std::wstring m_strTipText;
    HTREEITEM m_hTipItem = nullptr;
    LPARAM m_lLastMousePos = -1;
    bool m_bTrackingLeave = false;

    // Busy indicator. The drawing thread reads the rectangles and brushes,
    // which stay fixed while it runs; the flags, counters and the busy row's
    // published position are shared through interlocked access.
    CUniqueHandle<HICON, CursorTraits> m_hAniCursor;
    int m_nFramePeriod = 125;
    volatile LONG m_bIdle = 1;
    HTREEITEM m_hBusyItem = nullptr;
    RECT m_rcBusyText = {};
    RECT m_rcIcon = {};
    volatile LONG m_nFrame = 0;
    CBrush m_hbrBack;
    RECT m_rcProgressFrame = {};
    RECT m_rcProgressBar = {};
    CBrush m_hbrFrame;
    CBrush m_hbrBar;
    bool m_bWithProgress = false;
    volatile LONG m_nProgressTotal = 0;
    volatile LONG m_nProgressValue = 0;
    // Top of the busy row's label as the tree now places it; LONG_MIN while
    // the row is not shown. Written by the user interface thread after every
    // message the tree handles.
    volatile LONG m_nBusyTop = 0;
    bool m_bPublishing = false;
    // The drawing thread's own: it has repainted the control for a moved row.
    bool m_bRowMovedSeen = false;
    CHandle m_hFrameEvent;
    UINT m_uTimerId = 0;
    CHandle m_hAnimThread;
    volatile LONG m_bStop = 0;
    volatile LONG m_bThreadEnded = 1;
};
