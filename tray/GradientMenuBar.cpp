#include "GradientMenuBar.h"

#include <cwctype>

#include "GradientMenu.h"

namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr UINT kTextUnits = 260;
constexpr WPARAM kKeyboardClick = MK_LBUTTON | kFromKeyboard;

LPARAM PointParam(POINT pt)
{
    return MAKELPARAM(pt.x, pt.y);
}

POINT ParamPoint(LPARAM lParam)
{
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

bool IsSeparator(const MenuItemCopy& item)
{
    return (item.info.fType & MFT_SEPARATOR) != 0;
}

// The upper-cased character after the first ampersand, or 0.
wchar_t Mnemonic(const MenuItemCopy& item)
{
    const wchar_t* pszAmp = wcschr(item.szText, L'&');
    return pszAmp && pszAmp[1] ? static_cast<wchar_t>(towupper(pszAmp[1])) : 0;
}

}  // namespace

CGradientMenuBar::CGradientMenuBar(CGradientMenu& menu) : m_menu(menu) {}

CGradientMenuBar::~CGradientMenuBar()
{
    Destroy();
}

bool CGradientMenuBar::Create(HWND hPopup, int nCellWidth, int nCellHeight)
{
    m_hWnd = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                             WS_CHILD | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
                                 CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                             0, 0, 0, 0, hPopup, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!m_hWnd)
        return false;
    SetWindowSubclass(m_hWnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    SendMessageW(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);

    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    m_font.Reset(CreateFontIndirectW(&metrics.lfMenuFont));
    SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);

    SendMessageW(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELONG(0, 0));
    int nBandWidth = m_menu.BandWidth();
    SendMessageW(m_hWnd, TB_SETBUTTONSIZE, 0,
                 nBandWidth ? MAKELONG(nCellWidth, nCellHeight) : MAKELONG(0, 0));

    HMENU hMenu = m_menu.Menu();
    int nCount = GetMenuItemCount(hMenu);
    for (int i = 0; i < nCount; ++i)
    {
        auto* pItem = new MenuItemCopy{};
        m_items.push_back(pItem);
        pItem->info.cbSize = sizeof(pItem->info);
        pItem->info.fMask = MIIM_CHECKMARKS | MIIM_DATA | MIIM_ID | MIIM_STATE | MIIM_SUBMENU |
                            MIIM_TYPE;
        pItem->info.dwTypeData = pItem->szText;
        pItem->info.cch = kTextUnits;
        GetMenuItemInfoW(hMenu, i, TRUE, &pItem->info);

        TBBUTTON button = {};
        button.iBitmap = IsSeparator(*pItem) ? 0 : I_IMAGENONE;
        button.idCommand = static_cast<int>(pItem->info.wID);
        button.fsState = TBSTATE_WRAP | (IsGrayedItem(pItem->info) ? 0 : TBSTATE_ENABLED);
        button.fsStyle = IsSeparator(*pItem) ? BTNS_SEP : BTNS_BUTTON;
        button.dwData = reinterpret_cast<DWORD_PTR>(pItem);
        button.iString = reinterpret_cast<INT_PTR>(pItem->szText);
        SendMessageW(m_hWnd, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    }

    // One width for all, with room for the submenu arrow.
    int nWidth = LOWORD(SendMessageW(m_hWnd, TB_GETBUTTONSIZE, 0, 0)) +
                 GetSystemMetrics(SM_CXMENUCHECK);
    SendMessageW(m_hWnd, TB_SETBUTTONWIDTH, 0, MAKELONG(nWidth, nWidth));

    RECT rcFirst = {};
    RECT rcLast = {};
    if (nCount > 0)
    {
        SendMessageW(m_hWnd, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rcFirst));
        SendMessageW(m_hWnd, TB_GETITEMRECT, nCount - 1, reinterpret_cast<LPARAM>(&rcLast));
    }
    int nBarWidth = rcFirst.right - rcFirst.left;
    int nBarHeight = rcLast.bottom - rcFirst.top + 6;
    m_menu.PlaceWindow(nBarWidth + nBandWidth + 6, nBarHeight);
    SetWindowPos(m_hWnd, nullptr, nBandWidth, 0, nBarWidth, nBarHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return true;
}

void CGradientMenuBar::Destroy()
{
    if (m_hWnd)
    {
        RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
        DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
    for (MenuItemCopy* pItem : m_items)
        delete pItem;
    m_items.clear();
}

int CGradientMenuBar::ButtonCount() const
{
    return static_cast<int>(SendMessageW(m_hWnd, TB_BUTTONCOUNT, 0, 0));
}

const MenuItemCopy* CGradientMenuBar::ItemOf(int nIndex) const
{
    TBBUTTON button = {};
    if (nIndex < 0 || !SendMessageW(m_hWnd, TB_GETBUTTON, nIndex, reinterpret_cast<LPARAM>(&button)))
        return nullptr;
    return reinterpret_cast<const MenuItemCopy*>(button.dwData);
}

int CGradientMenuBar::HitTest(POINT pt) const
{
    int nIndex = static_cast<int>(SendMessageW(m_hWnd, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&pt)));
    return nIndex >= 0 && nIndex < ButtonCount() ? nIndex : -1;
}

const MenuItemCopy* CGradientMenuBar::ItemAt(POINT pt, RECT* prcScreen) const
{
    int nIndex = HitTest(pt);
    const MenuItemCopy* pItem = ItemOf(nIndex);
    if (pItem && prcScreen)
    {
        SendMessageW(m_hWnd, TB_GETITEMRECT, nIndex, reinterpret_cast<LPARAM>(prcScreen));
        MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(prcScreen), 2);
    }
    return pItem;
}

void CGradientMenuBar::SendMenuSelect(const MenuItemCopy& item, int nIndex)
{
    WPARAM wParam = item.info.hSubMenu ? MAKEWPARAM(nIndex, MF_POPUP)
                                       : MAKEWPARAM(item.info.wID, item.info.fState);
    SendMessageW(m_menu.Owner(), WM_MENUSELECT, wParam, reinterpret_cast<LPARAM>(m_menu.Menu()));
}

void CGradientMenuBar::SetHotIndex(int nIndex)
{
    const MenuItemCopy* pItem = ItemOf(nIndex);
    if (!pItem)
        return;
    SendMessageW(m_hWnd, TB_SETHOTITEM, nIndex, 0);
    // Recorded now rather than at the next paint, so Enter right after an
    // arrow key acts on the item it moved to.
    if (static_cast<int>(pItem->info.wID) != m_nLastHotId)
    {
        SendMenuSelect(*pItem, nIndex);
        m_nLastHotId = static_cast<int>(pItem->info.wID);
    }
}

LRESULT CGradientMenuBar::OnCustomDraw(NMTBCUSTOMDRAW& draw)
{
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT)
        return CDRF_DODEFAULT;
    const auto* pItem = reinterpret_cast<const MenuItemCopy*>(draw.nmcd.lItemlParam);
    if (!pItem)
        return CDRF_DODEFAULT;

    HDC hdc = draw.nmcd.hdc;
    const RECT& rc = draw.nmcd.rc;
    if (IsSeparator(*pItem))
        return CDRF_SKIPDEFAULT;

    bool bHot = (draw.nmcd.uItemState & CDIS_HOT) != 0;
    if (bHot && static_cast<int>(pItem->info.wID) != m_nLastHotId)
    {
        int nIndex = static_cast<int>(SendMessageW(m_hWnd, TB_COMMANDTOINDEX, pItem->info.wID, 0));
        SendMenuSelect(*pItem, nIndex);
        m_nLastHotId = static_cast<int>(pItem->info.wID);
    }
    DrawMenuItem(hdc, rc, *pItem, bHot, m_font.Get());
    return CDRF_SKIPDEFAULT;
}

// The control draws separators itself, past custom drawing: a menu's
// separator is a line across the row instead.
void CGradientMenuBar::PaintSeparators()
{
    HDC hdc = GetDC(m_hWnd);
    int nCount = ButtonCount();
    for (int i = 0; i < nCount; ++i)
    {
        const MenuItemCopy* pItem = ItemOf(i);
        RECT rc;
        if (!pItem || !IsSeparator(*pItem) ||
            !SendMessageW(m_hWnd, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc)))
            continue;
        RECT rcRow;
        GetClientRect(m_hWnd, &rcRow);
        rcRow.top = rc.top;
        rcRow.bottom = rc.bottom;
        FillRect(hdc, &rcRow, GetSysColorBrush(COLOR_MENU));
        RECT rcLine = {rcRow.left + 2, (rcRow.top + rcRow.bottom) / 2, rcRow.right - 2, rcRow.bottom};
        DrawEdge(hdc, &rcLine, EDGE_ETCHED, BF_TOP);
    }
    ReleaseDC(m_hWnd, hdc);
}

void CGradientMenuBar::OnMouseMove(POINT pt)
{
    int nIndex = HitTest(pt);
    if (nIndex != m_nHoverIndex)
    {
        m_nHoverIndex = nIndex;
        m_ptHover = pt;
        TRACKMOUSEEVENT track = {};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_HOVER;
        track.hwndTrack = m_hWnd;
        track.dwHoverTime = 0;
        TrackMouseEvent(&track);
    }
}

void CGradientMenuBar::OnMouseHover()
{
    const MenuItemCopy* pItem = ItemOf(m_nHoverIndex);
    if (pItem && pItem->info.hSubMenu)
    {
        SendMessageW(m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(m_ptHover));
        SendMessageW(m_hWnd, WM_LBUTTONUP, 0, PointParam(m_ptHover));
        return;
    }
    m_menu.CloseChildMenus();
    m_nPressedIndex = -1;
}

void CGradientMenuBar::OnLeftButtonDown(WPARAM nFlags, POINT pt)
{
    int nIndex = HitTest(pt);
    const MenuItemCopy* pItem = ItemOf(nIndex);
    if (!pItem || IsGrayedItem(pItem->info) || nIndex == m_nPressedIndex)
        return;
    m_menu.CloseChildMenus();
    PostMessageW(m_hWnd, WM_GM_PRESS, nFlags, PointParam(pt));
    m_nPressedIndex = nIndex;
}

void CGradientMenuBar::OnPress(WPARAM nFlags, POINT pt)
{
    const MenuItemCopy* pItem = ItemAt(pt, nullptr);
    if (!pItem)
        return;
    if (pItem->info.hSubMenu)
    {
        SendMessageW(m_menu.Window(), WM_GM_OPENSUBMENU, MAKEWPARAM(pt.x, pt.y),
                     nFlags & kFromKeyboard);
        return;
    }
    PostMessageW(m_menu.Owner(), WM_COMMAND, pItem->info.wID, 0);
    m_menu.CloseMenus();
}

void CGradientMenuBar::ClickItem(int nIndex, WPARAM nFlags)
{
    RECT rc;
    if (!SendMessageW(m_hWnd, TB_GETITEMRECT, nIndex, reinterpret_cast<LPARAM>(&rc)))
        return;
    POINT pt = {rc.left + 1, rc.top + 1};
    SendMessageW(m_hWnd, WM_LBUTTONDOWN, nFlags, PointParam(pt));
    SendMessageW(m_hWnd, WM_LBUTTONUP, nFlags & ~MK_LBUTTON, PointParam(pt));
}

void CGradientMenuBar::MoveHot(int nStep)
{
    int nCount = ButtonCount();
    if (nCount == 0)
        return;
    int nIndex = static_cast<int>(SendMessageW(m_hWnd, TB_GETHOTITEM, 0, 0));
    if (nIndex < 0)
        nIndex = nStep > 0 ? -1 : nCount;
    for (int n = 0; n < nCount; ++n)
    {
        nIndex = (nIndex + nStep + nCount) % nCount;
        const MenuItemCopy* pItem = ItemOf(nIndex);
        if (pItem && !IsSeparator(*pItem) && !IsGrayedItem(pItem->info))
        {
            SetHotIndex(nIndex);
            return;
        }
    }
}

bool CGradientMenuBar::OnKeyDown(WPARAM nKey)
{
    switch (nKey)
    {
    case VK_RETURN:
    case VK_RIGHT:
    {
        int nIndex = m_nLastHotId == -1
                         ? -1
                         : static_cast<int>(SendMessageW(m_hWnd, TB_COMMANDTOINDEX, m_nLastHotId, 0));
        const MenuItemCopy* pItem = ItemOf(nIndex);
        if (pItem && (nKey == VK_RETURN || pItem->info.hSubMenu))
        {
            m_nPressedIndex = -1;
            ClickItem(nIndex, kKeyboardClick);
        }
        return true;
    }
    case VK_ESCAPE:
        m_menu.CloseMenus();
        return true;
    case VK_LEFT:
        if (m_menu.IsSubmenu())
            m_menu.CloseToParent();
        return true;
    case VK_UP:
        MoveHot(-1);
        return true;
    case VK_DOWN:
        MoveHot(1);
        return true;
    }
    return false;
}

void CGradientMenuBar::OnCharacter(wchar_t chKey)
{
    // Enter, Escape and the like come as characters too; they are keys,
    // not mnemonics.
    if (chKey < L' ')
        return;
    wchar_t chUpper = static_cast<wchar_t>(towupper(chKey));
    int nCount = ButtonCount();
    int nHot = static_cast<int>(SendMessageW(m_hWnd, TB_GETHOTITEM, 0, 0));
    int nFirstMatch = -1;
    int nNextMatch = -1;
    int nMatches = 0;
    for (int i = 0; i < nCount; ++i)
    {
        const MenuItemCopy* pItem = ItemOf(i);
        if (!pItem || Mnemonic(*pItem) != chUpper || chUpper == 0)
            continue;
        ++nMatches;
        if (nFirstMatch < 0)
            nFirstMatch = i;
        if (nNextMatch < 0 && i > nHot)
            nNextMatch = i;
    }

    if (nMatches == 0)
    {
        LRESULT nResult = SendMessageW(m_menu.Owner(), WM_MENUCHAR, MAKEWPARAM(chKey, MF_POPUP),
                                       reinterpret_cast<LPARAM>(m_menu.Menu()));
        if (HIWORD(nResult) == MNC_CLOSE)
            m_menu.CloseMenus();
        else if (HIWORD(nResult) == MNC_EXECUTE)
            SendMessageW(m_menu.Owner(), WM_COMMAND, LOWORD(nResult), 0);
        return;
    }
    if (nMatches == 1)
    {
        SetHotIndex(nFirstMatch);
        m_nPressedIndex = -1;
        ClickItem(nFirstMatch, kKeyboardClick);
        return;
    }
    SetHotIndex(nNextMatch >= 0 ? nNextMatch : nFirstMatch);
}

LRESULT CALLBACK CGradientMenuBar::SubclassProc(HWND hWnd, UINT nMsg, WPARAM wParam,
                                                LPARAM lParam, UINT_PTR, DWORD_PTR pData)
{
    auto* pBar = reinterpret_cast<CGradientMenuBar*>(pData);
    bool bHandled = false;
    LRESULT nResult = pBar->HandleMessage(nMsg, wParam, lParam, bHandled);
    return bHandled ? nResult : DefSubclassProc(hWnd, nMsg, wParam, lParam);
}

LRESULT CGradientMenuBar::HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, bool& bHandled)
{
    bHandled = true;
    switch (nMsg)
    {
    case WM_MOUSEMOVE:
    {
        POINT pt = ParamPoint(lParam);
        const MenuItemCopy* pItem = ItemOf(HitTest(pt));
        if ((pItem && IsGrayedItem(pItem->info)) ||
            (pt.x == m_ptLastMove.x && pt.y == m_ptLastMove.y))
            return 0;
        m_ptLastMove = pt;
        // The control's own hot tracking first: its request for the mouse's
        // leaving would otherwise replace the hover request.
        DefSubclassProc(m_hWnd, nMsg, wParam, lParam);
        OnMouseMove(pt);
        return 0;
    }
    case WM_MOUSEHOVER:
        OnMouseHover();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnLeftButtonDown(wParam, ParamPoint(lParam));
        return 0;
    case WM_LBUTTONUP:
        return 0;
    case WM_GM_PRESS:
        OnPress(wParam, ParamPoint(lParam));
        return 0;
    case WM_KEYDOWN:
        if (OnKeyDown(wParam))
            return 0;
        break;
    case WM_CHAR:
        OnCharacter(static_cast<wchar_t>(wParam));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_ERASEBKGND:
    {
        RECT rc;
        GetClientRect(m_hWnd, &rc);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, GetSysColorBrush(COLOR_MENU));
        return 1;
    }
    case WM_PAINT:
        DefSubclassProc(m_hWnd, nMsg, wParam, lParam);
        PaintSeparators();
        return 0;
    }
    bHandled = false;
    return 0;
}
