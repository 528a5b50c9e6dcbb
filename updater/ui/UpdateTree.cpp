#include "UpdateTree.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "ListArithmetic.h"
#include "SkinResource.h"
#include "resource.h"

namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr UINT_PTR kExpandTimerId = 2;
constexpr UINT kExpandTimerMs = 100;
constexpr int kStripImageSize = 16;
constexpr int kStripGrow = 10;
constexpr int kTipMaxWidth = 200;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kSelectionColour = RGB(139, 148, 91);

HWND CreateChild(HWND parent, const wchar_t* className, DWORD style, const RECT& rect, int id)
{
    return CreateWindowExW(0, className, L"", WS_CHILD | style, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

void MoveWindowTo(HWND window, int left, int top, int width, int height)
{
    SetWindowPos(window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HIMAGELIST LoadImageStrip(COLORREF mask)
{
    return ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_IMAGE_STRIP),
                                kStripImageSize, kStripGrow, mask, IMAGE_BITMAP, 0);
}

bool GetHeaderItem(HWND header, int index, HDITEMW& item)
{
    return header && index >= 0 &&
           SendMessageW(header, HDM_GETITEMW, index, reinterpret_cast<LPARAM>(&item)) != FALSE;
}

}  // namespace

CUpdateTree::CUpdateTree()
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(IDR_BUSY_CURSOR), L"ANICURSORS");
    HGLOBAL data = resource ? LoadResource(module, resource) : nullptr;
    auto* bytes = data ? static_cast<BYTE*>(LockResource(data)) : nullptr;
    if (bytes)
        m_hAniCursor.Reset(CreateIconFromResourceEx(bytes, SizeofResource(module, resource), FALSE,
                                                    0x30000, 0, 0, LR_DEFAULTCOLOR));
}

CUpdateTree::~CUpdateTree()
{
    if (m_hWnd)
        DestroyWindow(m_hWnd);
}

bool CUpdateTree::Create(HWND hParent, const RECT& rcFrame, HFONT hHeaderFont, HFONT hTreeFont)
{
    m_hParent = hParent;
    m_nFrameWidth = rcFrame.right - rcFrame.left;
    const int cxEdge = GetSystemMetrics(SM_CXEDGE);
    const int cyEdge = GetSystemMetrics(SM_CYEDGE);
    const int left = rcFrame.left + cxEdge;
    const int right = rcFrame.right - cxEdge;
    const int top = rcFrame.top + cyEdge;
    const int bottom = rcFrame.bottom - cyEdge;

    m_hHeader = CreateChild(hParent, WC_HEADERW, WS_VISIBLE | WS_CLIPCHILDREN | HDS_BUTTONS,
                            {left, top, right, top}, IDC_LIST_HEADER);
    if (!m_hHeader)
        return false;
    // As high as a letter of the header's own font, before the small font
    // replaces it: room around the small captions.
    HDC dc = GetDC(m_hHeader);
    SIZE letter = {};
    GetTextExtentPoint32W(dc, L"A", 1, &letter);
    ReleaseDC(m_hHeader, dc);
    m_rcHeader = {left, top, right, top + letter.cy};
    m_nHeaderRight = right - left;
    MoveWindowTo(m_hHeader, left, top, right - left, letter.cy);
    SendMessageW(m_hHeader, WM_SETFONT, reinterpret_cast<WPARAM>(hHeaderFont), FALSE);
    m_imlHeader.Reset(LoadImageStrip(RGB(0, 0, 0)));
    SendMessageW(m_hHeader, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_imlHeader.Get()));

    const int cyHScroll = GetSystemMetrics(SM_CYHSCROLL);
    m_rcTree = {left, m_rcHeader.bottom, right, bottom - cyHScroll};
    m_hWnd = CreateChild(hParent, WC_TREEVIEWW,
                         WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                             TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_NOHSCROLL,
                         {left, m_rcTree.top, right, bottom}, IDC_UPDATE_TREE);
    if (!m_hWnd)
        return false;
    // Check boxes set as a style change before the first row, so the tree
    // makes its check images now and never resets the rows' states later.
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetWindowLongPtrW(m_hWnd, GWL_STYLE) | TVS_CHECKBOXES);
    SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(hTreeFont), FALSE);
    m_imlTree.Reset(LoadImageStrip(kWhite));
    SendMessageW(m_hWnd, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(m_imlTree.Get()));
    SendMessageW(m_hWnd, TVM_SETBKCOLOR, 0, kWhite);
    SetWindowSubclass(m_hWnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));

    m_rcScroll = {left, m_rcTree.bottom, right - GetSystemMetrics(SM_CXVSCROLL), bottom};
    m_hScrollBar = CreateChild(hParent, L"SCROLLBAR", WS_VISIBLE | WS_DISABLED | SBS_HORZ,
                               m_rcScroll, IDC_LIST_SCROLL);

    m_hToolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hParent, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    m_strTipText = L"whatever";
    tool.lpszText = m_strTipText.data();
    SendMessageW(m_hToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(m_hToolTip, TTM_SETMAXTIPWIDTH, 0, kTipMaxWidth);
    SendMessageW(m_hToolTip, TTM_SETTIPTEXTCOLOR, RGB(0, 0, 0), 0);
    SendMessageW(m_hToolTip, TTM_ACTIVATE, TRUE, 0);

    UpdateScrollBar();
    return true;
}

// --- Columns ---------------------------------------------------------------

int CUpdateTree::InsertColumn(int nIndex, const wchar_t* pszCaption, int nAlignment, int nWidth)
{
    std::wstring caption = pszCaption ? pszCaption : L"";
    HDITEMW item = {};
    item.mask = HDI_TEXT | HDI_FORMAT;
    item.pszText = caption.data();
    item.cchTextMax = static_cast<int>(caption.size());
    item.fmt = HDF_STRING | (nAlignment == kAlignRight    ? HDF_RIGHT
                             : nAlignment == kAlignCentre ? HDF_CENTER
                                                          : HDF_LEFT);
    if (nWidth != -1)
    {
        item.mask |= HDI_WIDTH;
        item.cxy = nWidth;
    }
    int index = static_cast<int>(
        SendMessageW(m_hHeader, HDM_INSERTITEMW, nIndex, reinterpret_cast<LPARAM>(&item)));
    if (index >= 0)
        ++m_nColumns;
    RecalcTotalWidth();
    SendMessageW(m_hWnd, TVM_SETBKCOLOR, 0, kWhite);
    return index;
}

int CUpdateTree::GetColumnWidth(int nColumn) const
{
    HDITEMW item = {};
    item.mask = HDI_WIDTH;
    return GetHeaderItem(m_hHeader, nColumn, item) ? item.cxy : 0;
}

int CUpdateTree::GetColumnAlignment(int nColumn) const
{
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    if (!GetHeaderItem(m_hHeader, nColumn, item))
        return kAlignLeft;
    switch (item.fmt & HDF_JUSTIFYMASK)
    {
    case HDF_RIGHT: return kAlignRight;
    case HDF_CENTER: return kAlignCentre;
    default: return kAlignLeft;
    }
}

void CUpdateTree::RecalcTotalWidth()
{
    m_nTotalWidth = 0;
    for (int column = 0; column < m_nColumns; ++column)
        m_nTotalWidth += GetColumnWidth(column);
}

void CUpdateTree::OnHeaderItemChanged()
{
    RecalcTotalWidth();
    InvalidateRect(m_hWnd, nullptr, FALSE);
    UpdateScrollBar();
}

// --- Rows ------------------------------------------------------------------

HTREEITEM CUpdateTree::AddItem(const wchar_t* pszText, int nImage, int nSelectedImage,
                               HTREEITEM hParent, HTREEITEM hInsertAfter)
{
    auto record = std::make_unique<CColumnText>(pszText);
    TVINSERTSTRUCTW insert = {};
    insert.hParent = hParent;
    insert.hInsertAfter = hInsertAfter;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    wchar_t empty[] = L"";
    insert.item.pszText = empty;
    insert.item.iImage = nImage;
    insert.item.iSelectedImage = nSelectedImage;
    insert.item.lParam = reinterpret_cast<LPARAM>(record.get());
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageW(m_hWnd, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (!item)
        return nullptr;
    record.release();
    ++m_nItems;
    UpdateScrollBar();
    return item;
}

CColumnText* CUpdateTree::GetRecord(HTREEITEM hItem) const
{
    TVITEMW item = {};
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = hItem;
    if (!hItem || !SendMessageW(m_hWnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<CColumnText*>(item.lParam);
}

void CUpdateTree::SetItemText(HTREEITEM hItem, int nColumn, const wchar_t* pszText)
{
    CColumnText* record = GetRecord(hItem);
    if (!record)
        return;
    record->SetColumn(nColumn, pszText);
    RECT row;
    if (TreeView_GetItemRect(m_hWnd, hItem, &row, FALSE))
        InvalidateRect(m_hWnd, &row, FALSE);
}

std::wstring CUpdateTree::GetItemText(HTREEITEM hItem, int nColumn) const
{
    CColumnText* record = GetRecord(hItem);
    return record ? record->GetColumn(nColumn) : std::wstring();
}

// Depth first, each row before its children.
void CUpdateTree::CollectRecords(HTREEITEM hFirst, std::vector<CColumnText*>& records) const
{
    for (HTREEITEM item = hFirst; item; item = TreeView_GetNextSibling(m_hWnd, item))
    {
        if (CColumnText* record = GetRecord(item))
            records.push_back(record);
        CollectRecords(TreeView_GetChild(m_hWnd, item), records);
    }
}

void CUpdateTree::DeleteItem(HTREEITEM hItem)
{
    // The tree deletes the row's children with it: their records go too.
    std::vector<CColumnText*> records;
    if (CColumnText* record = GetRecord(hItem))
        records.push_back(record);
    CollectRecords(TreeView_GetChild(m_hWnd, hItem), records);
    if (!TreeView_DeleteItem(m_hWnd, hItem))
        return;
    for (CColumnText* record : records)
        delete record;
    m_nItems -= static_cast<int>(records.size());
    m_hLastItem = nullptr;
    HideDescriptionTip();
    UpdateScrollBar();
}

void CUpdateTree::DeleteAllItems()
{
    SendMessageW(m_hWnd, WM_SETREDRAW, FALSE, 0);
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    std::vector<CColumnText*> records;
    CollectRecords(TreeView_GetRoot(m_hWnd), records);
    TreeView_DeleteAllItems(m_hWnd);
    for (CColumnText* record : records)
        delete record;
    m_nItems = 0;
    m_hLastItem = nullptr;
    HideDescriptionTip();
    SetCursor(previous);
    SendMessageW(m_hWnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_hWnd, nullptr, FALSE);
    UpdateScrollBar();
}

UINT CUpdateTree::GetCheckState(HTREEITEM hItem) const
{
    auto state = static_cast<UINT>(
        SendMessageW(m_hWnd, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(hItem), TVIS_STATEIMAGEMASK));
    return (state & TVIS_STATEIMAGEMASK) >> 12;
}

void CUpdateTree::SetCheckState(HTREEITEM hItem, UINT nState)
{
    TVITEMW item = {};
    item.mask = TVIF_STATE | TVIF_HANDLE;
    item.hItem = hItem;
    item.stateMask = TVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(nState);
    SendMessageW(m_hWnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void CUpdateTree::Expand(HTREEITEM hItem, UINT nCode)
{
    TreeView_Expand(m_hWnd, hItem, nCode);
    CheckVScrollChange();
}

void CUpdateTree::EnsureVisible(HTREEITEM hItem)
{
    TreeView_EnsureVisible(m_hWnd, hItem);
    CheckVScrollChange();
}

bool CUpdateTree::GetLabelRect(HTREEITEM hItem, RECT& rect) const
{
    return hItem && TreeView_GetItemRect(m_hWnd, hItem, &rect, TRUE);
}

HTREEITEM CUpdateTree::HitTest(POINT point, UINT* pFlags) const
{
    TVHITTESTINFO hit = {};
    hit.pt = point;
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageW(m_hWnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (pFlags)
        *pFlags = hit.flags;
    return item;
}

HTREEITEM CUpdateTree::GetLastHit(UINT* pFlags) const
{
    if (pFlags)
        *pFlags = m_uLastHitFlags;
    return m_hLastItem;
}

// --- Window procedure ------------------------------------------------------

LRESULT CALLBACK CUpdateTree::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR dwRefData)
{
    auto* self = reinterpret_cast<CUpdateTree*>(dwRefData);
    if (uMsg == WM_NCDESTROY)
    {
        RemoveWindowSubclass(hWnd, SubclassProc, kSubclassId);
        self->m_hWnd = nullptr;
        return DefSubclassProc(hWnd, uMsg, wParam, lParam);
    }
    LRESULT result = self->OnMessage(uMsg, wParam, lParam);
    // Whatever the message did to the rows, the drawing thread learns where
    // the busy row now is.
    if (self->m_hBusyItem && !self->m_bPublishing)
        self->PublishBusyRow();
    return result;
}

LRESULT CUpdateTree::OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_ERASEBKGND:
        return TRUE;  // the paint covers every pixel
    case WM_PAINT:
        if (wParam)
            break;
        OnPaint();
        return 0;
    case WM_PRINTCLIENT:
    {
        RECT client;
        GetClientRect(m_hWnd, &client);
        Paint(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        OnButtonDown(lParam);
        break;
    case WM_LBUTTONUP:
        OnButtonUp(lParam);
        break;
    case WM_LBUTTONDBLCLK:
    {
        if (!OnDoubleClick(lParam))
            return 0;
        // A second click on a check box is a click like the first.
        if (m_uLastHitFlags & TVHT_ONITEMSTATEICON)
            return DefSubclassProc(m_hWnd, WM_LBUTTONDOWN, wParam, lParam);
        // The tree expands or collapses the row now.
        LRESULT result = DefSubclassProc(m_hWnd, uMsg, wParam, lParam);
        CheckVScrollChange();
        return result;
    }
    case WM_KEYDOWN:
    {
        LRESULT result = DefSubclassProc(m_hWnd, uMsg, wParam, lParam);
        m_hLastItem = TreeView_GetSelection(m_hWnd);
        CheckVScrollChange();
        return result;
    }
    case WM_TIMER:
        if (m_uExpandTimer && wParam == m_uExpandTimer)
        {
            OnExpandTimer();
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (OnMouseMove(lParam))
            return 0;
        break;
    case WM_MOUSELEAVE:
        m_bTrackingLeave = false;
        m_lLastMousePos = -1;
        HideDescriptionTip();
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    }
    return DefSubclassProc(m_hWnd, uMsg, wParam, lParam);
}

void CUpdateTree::OnDestroy()
{
    if (!IsIdle())
    {
        EndAnimationThread(false);
        m_hBusyItem = nullptr;
        InterlockedExchange(&m_bIdle, 1);
    }
    if (m_uExpandTimer)
        KillTimer(m_hWnd, m_uExpandTimer);
    m_uExpandTimer = 0;
    std::vector<CColumnText*> records;
    CollectRecords(TreeView_GetRoot(m_hWnd), records);
    TreeView_DeleteAllItems(m_hWnd);
    for (CColumnText* record : records)
        delete record;
    m_nItems = 0;
    if (m_hToolTip)
        DestroyWindow(m_hToolTip);
    m_hToolTip = nullptr;
}

// --- Painting --------------------------------------------------------------

void CUpdateTree::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    RECT client;
    GetClientRect(m_hWnd, &client);
    // Drawn off screen and copied in one go: the rows never flicker, not
    // even while the busy row animates.
    CMemoryDc memory(CreateCompatibleDC(dc));
    CGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (memory && bitmap)
    {
        HGDIOBJ previous = SelectObject(memory.Get(), bitmap.Get());
        Paint(memory.Get(), client);
        const RECT& area = paint.rcPaint;
        BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top,
               memory.Get(), area.left, area.top, SRCCOPY);
        SelectObject(memory.Get(), previous);
    }
    EndPaint(m_hWnd, &paint);
}

void CUpdateTree::Paint(HDC hdc, const RECT& rcClient)
{
    // Given a device context, the tree view draws its lines, buttons, check
    // boxes and icons but no background.
    FillRect(hdc, &rcClient, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DefSubclassProc(m_hWnd, WM_PAINT, reinterpret_cast<WPARAM>(hdc), 0);
    PaintRows(hdc, rcClient);
    RECT label;
    if (m_hBusyItem && GetLabelRect(m_hBusyItem, label) && BusyRowInPlace(label.top))
        DrawBusyIndicator(hdc, InterlockedCompareExchange(&m_nFrame, 0, 0));
}

HFONT CUpdateTree::GetTreeFont() const
{
    auto font = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void CUpdateTree::PaintRows(HDC hdc, const RECT& rcClient)
{
    const int firstWidth = GetColumnWidth(0);
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RECT beyond = {firstWidth, rcClient.top, rcClient.right, rcClient.bottom};
    FillRect(hdc, &beyond, white);

    struct Row
    {
        HTREEITEM hItem;
        RECT rcText;  // from the text start to the columns' end
    };
    std::vector<Row> rows;
    for (HTREEITEM item = TreeView_GetFirstVisible(m_hWnd); item;
         item = TreeView_GetNextVisible(m_hWnd, item))
    {
        RECT label;
        if (!GetLabelRect(item, label) || label.top >= rcClient.bottom)
            break;
        int start = RowTextStart(label.left, firstWidth, m_nColumns);
        rows.push_back({item, {start, label.top, m_nTotalWidth, label.bottom}});
        FillRect(hdc, &rows.back().rcText, white);
    }

    LOGFONTW face = {};
    GetObjectW(GetTreeFont(), sizeof(face), &face);
    CGdiObject<HFONT> normal(CreateFontIndirectW(&face));
    face.lfWeight = FW_BOLD;
    CGdiObject<HFONT> bold(CreateFontIndirectW(&face));
    CGdiObject<HBRUSH> selection(CreateSolidBrush(kSelectionColour));
    HGDIOBJ previousFont = SelectObject(hdc, normal.Get());
    int previousMode = SetBkMode(hdc, TRANSPARENT);
    COLORREF previousColour = GetTextColor(hdc);

    for (const Row& row : rows)
    {
        const CColumnText* record = GetRecord(row.hItem);
        if (!record)
            continue;
        UINT state = TreeView_GetItemState(m_hWnd, row.hItem, TVIS_SELECTED | TVIS_DROPHILITED);
        if (state & (TVIS_SELECTED | TVIS_DROPHILITED))
        {
            FillRect(hdc, &row.rcText, selection.Get());
            DrawFocusRect(hdc, &row.rcText);
            SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        }
        else
        {
            SetTextColor(hdc, record->m_crText);
        }
        SelectObject(hdc, record->m_bBold ? bold.Get() : normal.Get());
        const int textLeft = row.rcText.left + 2;
        int columnLeft = 0;
        for (int column = 0; column < m_nColumns; ++column)
        {
            int width = GetColumnWidth(column);
            if (column == 0)
                DrawColumnText(hdc, record->GetColumn(0), textLeft, row.rcText.top,
                               row.rcText.bottom, width - textLeft, GetColumnAlignment(0));
            else
                DrawColumnText(hdc, record->GetColumn(column), columnLeft, row.rcText.top,
                               row.rcText.bottom, width, GetColumnAlignment(column));
            columnLeft += width;
        }
    }

    SetTextColor(hdc, previousColour);
    SetBkMode(hdc, previousMode);
    SelectObject(hdc, previousFont);
}

void CUpdateTree::DrawColumnText(HDC hdc, const std::wstring& text, int left, int top, int bottom,
                                 int width, int alignment) const
{
    std::wstring shown = CutColumnText(text, width, [hdc](const std::wstring& part) {
        SIZE size = {};
        GetTextExtentPoint32W(hdc, part.c_str(), static_cast<int>(part.size()), &size);
        return static_cast<int>(size.cx);
    });
    RECT rect = {left, top, left + width - 4, bottom};
    if (shown.empty() || IsRectEmpty(&rect))
        return;
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX |
                  (alignment == kAlignRight    ? DT_RIGHT
                   : alignment == kAlignCentre ? DT_CENTER
                                               : DT_LEFT);
    DrawTextW(hdc, shown.c_str(), static_cast<int>(shown.size()), &rect, format);
}

// --- Mouse and keyboard ----------------------------------------------------

void CUpdateTree::OnButtonDown(LPARAM lParam)
{
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    m_hLastItem = HitTest(point, &m_uLastHitFlags);
    if (m_hLastItem && (m_uLastHitFlags & (TVHT_ONITEM | TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT)))
        TreeView_SelectItem(m_hWnd, m_hLastItem);
    HideDescriptionTip();
}

void CUpdateTree::OnButtonUp(LPARAM lParam)
{
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    m_hLastItem = HitTest(point, nullptr);
    TreeView_SelectItem(m_hWnd, m_hLastItem);
}

// Expanding or collapsing by a double click belongs to the first column;
// true lets the tree handle it.
bool CUpdateTree::OnDoubleClick(LPARAM lParam)
{
    SetFocus(m_hWnd);
    OnButtonDown(lParam);
    return m_nColumns == 0 || GET_X_LPARAM(lParam) < GetColumnWidth(0);
}

void CUpdateTree::OnClick()
{
    if (!(m_uLastHitFlags & TVHT_ONITEMBUTTON))
        return;
    // The tree expands the row after this notification and shows or hides
    // its vertical bar later: the timer watches for that.
    SetFocus(m_hWnd);
    m_uExpandTimer = SetTimer(m_hWnd, kExpandTimerId, kExpandTimerMs, nullptr);
}

void CUpdateTree::OnExpandTimer()
{
    if (!CheckVScrollChange())
        return;
    KillTimer(m_hWnd, m_uExpandTimer);
    m_uExpandTimer = 0;
}

bool CUpdateTree::CheckVScrollChange()
{
    bool hasVScroll = HasVScroll();
    if (hasVScroll == m_bHadVScroll)
        return false;
    m_bHadVScroll = hasVScroll;
    UpdateScrollBar();
    return true;
}

bool CUpdateTree::OnMouseMove(LPARAM lParam)
{
    if (lParam == m_lLastMousePos)
        return true;
    m_lLastMousePos = lParam;
    if (!m_bTrackingLeave)
    {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWnd, 0};
        m_bTrackingLeave = TrackMouseEvent(&track) != FALSE;
    }
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    UINT flags = 0;
    HTREEITEM item = HitTest(point, &flags);
    const int firstWidth = GetColumnWidth(0);
    std::wstring description;
    if (item && (flags & TVHT_ONITEMRIGHT) && point.x < firstWidth && m_fnDescription)
        description = m_fnDescription(item);
    if (description.empty())
    {
        HideDescriptionTip();
        return false;
    }
    if (item == m_hTipItem)
        return false;

    m_hTipItem = item;
    m_strTipText = description;
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    tool.lpszText = m_strTipText.data();
    SendMessageW(m_hToolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    RECT row = {};
    TreeView_GetItemRect(m_hWnd, item, &row, TRUE);
    POINT at = {firstWidth, row.bottom};
    ClientToScreen(m_hWnd, &at);
    SendMessageW(m_hToolTip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(m_hToolTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    return false;
}

void CUpdateTree::SetDescriptionSource(std::function<std::wstring(HTREEITEM)> descriptionOf)
{
    m_fnDescription = std::move(descriptionOf);
}

void CUpdateTree::HideDescriptionTip()
{
    if (!m_hTipItem || !m_hToolTip)
        return;
    m_hTipItem = nullptr;
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    SendMessageW(m_hToolTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

// --- Horizontal scrolling --------------------------------------------------
// The rows scroll by moving the tree window left of its place inside the
// frame, widened by as much and clipped by a window region to its place:
// the tree's own hit tests then match what the user sees.

bool CUpdateTree::HasVScroll() const
{
    return (GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_VSCROLL) != 0;
}

int CUpdateTree::VisibleWidth() const
{
    return (m_rcTree.right - m_rcTree.left) - (HasVScroll() ? GetSystemMetrics(SM_CXVSCROLL) : 0);
}

void CUpdateTree::UpdateScrollBar()
{
    if (!m_hWnd || !m_hScrollBar)
        return;
    // Showing or hiding the bar changes the tree's height, which may bring
    // or take its vertical bar and so the visible width: lay out again once.
    for (int pass = 0; pass < 2; ++pass)
    {
        const bool hadVScroll = HasVScroll();
        const int visible = VisibleWidth();
        SCROLLINFO info = {};
        info.cbSize = sizeof(info);
        info.fMask = SIF_RANGE | SIF_POS;
        if (visible < m_nTotalWidth)
        {
            info.nMax = m_nTotalWidth - visible;
            info.nPos = std::min(-m_nScrollOffset, std::max(0, info.nMax - 1));
            SetScrollInfo(m_hScrollBar, SB_CTL, &info, TRUE);
            MoveWindowTo(m_hScrollBar, m_rcScroll.left, m_rcScroll.top, visible,
                         m_rcScroll.bottom - m_rcScroll.top);
            EnableWindow(m_hScrollBar, TRUE);
            ShowWindow(m_hScrollBar, SW_SHOWNA);
            ApplyScrollOffset(-info.nPos, m_rcTree.bottom);
        }
        else
        {
            SetScrollInfo(m_hScrollBar, SB_CTL, &info, TRUE);
            EnableWindow(m_hScrollBar, FALSE);
            ShowWindow(m_hScrollBar, SW_HIDE);
            ApplyScrollOffset(0, m_rcScroll.bottom);
        }
        if (HasVScroll() == hadVScroll)
            break;
    }
    m_bHadVScroll = HasVScroll();
}

void CUpdateTree::OnHScroll(int nRequest, int nThumb)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(m_hScrollBar, SB_CTL, &info))
        return;
    int limit = info.nMax - std::max(static_cast<int>(info.nPage) - 1, 0);
    int position = NextScrollPosition(nRequest, info.nPos, nThumb, limit, VisibleWidth());
    if (position < 0 || position == -m_nScrollOffset)
        return;
    SetScrollPos(m_hScrollBar, SB_CTL, position, TRUE);
    ApplyScrollOffset(-position, m_rcTree.bottom);
}

// Places a window that is wider than its place, nOffset pixels left of it,
// with a window region that shows only its place. Region and position change
// in the order that keeps every moment inside the place.
void CUpdateTree::PlaceClipped(HWND hWnd, const RECT& rcPlace, int nOffset, int nWidth, int nHeight)
{
    RECT current;
    GetWindowRect(hWnd, &current);
    MapWindowPoints(nullptr, m_hParent, reinterpret_cast<POINT*>(&current), 2);
    const int left = rcPlace.left + nOffset;
    HRGN region = nOffset ? CreateRectRgn(-nOffset, 0, -nOffset + (rcPlace.right - rcPlace.left),
                                          nHeight)
                          : nullptr;
    const bool regionFirst = left < current.left;
    if (regionFirst)
        SetWindowRgn(hWnd, region, TRUE);
    MoveWindowTo(hWnd, left, rcPlace.top, nWidth, nHeight);
    if (!regionFirst)
        SetWindowRgn(hWnd, region, TRUE);
}

void CUpdateTree::ApplyScrollOffset(int nOffset, int nTreeBottom)
{
    const int treeHeight = nTreeBottom - m_rcTree.top;
    RECT current;
    GetWindowRect(m_hWnd, &current);
    if (nOffset != m_nScrollOffset || current.bottom - current.top != treeHeight)
    {
        m_nScrollOffset = nOffset;
        PlaceClipped(m_hWnd, m_rcTree, nOffset, (m_rcTree.right - m_rcTree.left) - nOffset,
                     treeHeight);
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }

    const int right = nOffset ? ScrolledHeaderWidth(m_nFrameWidth, VisibleWidth(), m_nTotalWidth)
                              : m_rcHeader.right - m_rcHeader.left;
    if (nOffset == m_nHeaderOffset && right == m_nHeaderRight)
        return;
    m_nHeaderOffset = nOffset;
    m_nHeaderRight = right;
    PlaceClipped(m_hHeader, m_rcHeader, nOffset, right - nOffset,
                 m_rcHeader.bottom - m_rcHeader.top);
}
