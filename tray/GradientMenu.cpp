#include "GradientMenu.h"

#include "DcGuards.h"
#include "GradientMenuBar.h"
#include "MenuGeometry.h"
#include "UniqueHandle.h"

namespace {

constexpr wchar_t kMenuClass[] = L"Gradient Menu";
constexpr DWORD kPopupExStyle = 0x10189;  // modal frame, topmost, tool window, edge, control parent
constexpr DWORD kPopupStyle = 0xC6800000;  // popup, child, clip siblings and children, border
constexpr int kSubmenuCell = 30;
constexpr int kCaptionHeight = 14;
constexpr int kCaptionLeft = 2;

HINSTANCE ModuleInstance()
{
    return GetModuleHandleW(nullptr);
}

bool RegisterMenuClass(WNDPROC pfnProc)
{
    static bool s_bRegistered = false;
    if (s_bRegistered)
        return true;
    WNDCLASSW wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = pfnProc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = kMenuClass;
    s_bRegistered = RegisterClassW(&wc) != 0;
    return s_bRegistered;
}

std::wstring WithoutAmpersands(const wchar_t* pszText)
{
    std::wstring text;
    for (; *pszText; ++pszText)
    {
        if (*pszText != L'&')
            text += *pszText;
    }
    return text;
}

}  // namespace

CGradientMenu::CGradientMenu(int nBandWidth, bool bSubmenuBand)
    : m_bSubmenuBand(bSubmenuBand), m_nBandWidth(nBandWidth)
{
}

CGradientMenu::~CGradientMenu()
{
    if (m_pBar)
        m_pBar->Destroy();
    if (m_hWnd)
        DestroyWindow(m_hWnd);
}

HMENU CGradientMenu::Detach()
{
    HMENU hMenu = m_hMenu;
    m_hMenu = nullptr;
    return hMenu;
}

CGradientMenu* CGradientMenu::FromWindow(HWND hWnd)
{
    wchar_t szClass[32];
    if (!hWnd || !GetClassNameW(hWnd, szClass, 32) || lstrcmpW(szClass, kMenuClass) != 0)
        return nullptr;
    return reinterpret_cast<CGradientMenu*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
}

BOOL CGradientMenu::TrackPopupMenu(UINT, int x, int y, HWND hParent, const RECT* prcExclude,
                                   int nCellWidth, int nCellHeight)
{
    m_pParentMenu = FromWindow(hParent);
    if (!IsSubmenu())
        m_hOwner = hParent;
    if (!IsWindow(m_hOwner))
        return FALSE;

    SendMessageW(m_hOwner, IsSubmenu() ? WM_INITMENUPOPUP : WM_INITMENU,
                 reinterpret_cast<WPARAM>(m_hMenu), 0);

    if (!RegisterMenuClass(WindowProc))
        return FALSE;
    m_nX = x;
    m_nY = y;
    m_prcExclude = prcExclude;
    m_hWnd = CreateWindowExW(kPopupExStyle, kMenuClass, L"", kPopupStyle, 0, 0, 0, 0, hParent,
                             nullptr, ModuleInstance(), this);
    if (!m_hWnd)
        return FALSE;
    if (m_pParentMenu)
        m_pParentMenu->m_pChildMenu = this;

    m_pBar = std::make_unique<CGradientMenuBar>(*this);
    m_pBar->Create(m_hWnd, nCellWidth, nCellHeight);

    if (!IsSubmenu())
        SetForegroundWindow(m_hOwner);
    ShowWindow(m_hWnd, SW_SHOWNA);
    SetFocus(m_hWnd);
    if (m_nMenuFlags & kFromKeyboard)
        m_pBar->SetHotIndex(0);
    m_nMenuFlags &= ~kFromKeyboard;

    if (IsWindow(m_hOwner))
        SendMessageW(m_hOwner, WM_ENTERMENULOOP, reinterpret_cast<WPARAM>(m_hMenu),
                     reinterpret_cast<LPARAM>(m_hWnd));
    RunModalLoop();

    m_pBar->Destroy();
    m_pBar.reset();
    DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    return TRUE;
}

void CGradientMenu::PlaceWindow(int nWidth, int nHeight)
{
    RECT rcScreen;
    GetWindowRect(GetDesktopWindow(), &rcScreen);
    POINT pt = PlacePopup(rcScreen, m_nX, m_nY, m_prcExclude, nWidth, nHeight);
    SetWindowPos(m_hWnd, nullptr, pt.x, pt.y, nWidth, nHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CGradientMenu::RunModalLoop()
{
    m_bInLoop = true;
    MSG msg;
    while (m_bInLoop)
    {
        if (!GetMessageW(&msg, nullptr, 0, 0))
        {
            // Leave WM_QUIT for the loops further out.
            PostQuitMessage(static_cast<int>(msg.wParam));
            m_bInLoop = false;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void CGradientMenu::EndModalLoop()
{
    if (!m_bInLoop)
        return;
    m_bInLoop = false;
    if (m_hWnd)
        PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

void CGradientMenu::CloseMenus()
{
    if (m_pParentMenu)
        m_pParentMenu->CloseMenus();
    CloseChildMenus();
    EndModalLoop();
    m_pChildMenu = nullptr;
}

void CGradientMenu::CloseChildMenus()
{
    if (!m_pChildMenu)
        return;
    m_pChildMenu->CloseChildMenus();
    m_pChildMenu->EndModalLoop();
    m_pChildMenu = nullptr;
}

void CGradientMenu::CloseToParent()
{
    EndModalLoop();
    if (m_pParentMenu)
    {
        m_pParentMenu->m_pChildMenu = nullptr;
        SendMessageW(m_pParentMenu->m_hWnd, WM_GM_RESET, 0, 0);
    }
}

void CGradientMenu::OpenSubmenu(POINT ptItem, bool bFromKeyboard)
{
    RECT rcItem;
    const MenuItemCopy* pItem = m_pBar->ItemAt(ptItem, &rcItem);
    if (!pItem || !pItem->info.hSubMenu)
        return;
    // Aligned with this popup's left edge, band included, when it opens leftwards.
    rcItem.left -= m_nBandWidth;

    CGradientMenu submenu(m_bSubmenuBand ? m_nBandWidth : 0, m_bSubmenuBand);
    submenu.m_crBandTop = m_crBandTop;
    submenu.m_crBandBottom = m_crBandBottom;
    submenu.m_crCaption = m_crCaption;
    submenu.m_hOwner = m_hOwner;
    submenu.m_strCaption = WithoutAmpersands(pItem->szText);
    submenu.Attach(pItem->info.hSubMenu);
    submenu.m_nMenuFlags = (bFromKeyboard ? kFromKeyboard : 0) | kSubmenuFlag;
    submenu.TrackPopupMenu(0, rcItem.left, rcItem.top, m_hWnd, &rcItem, kSubmenuCell,
                           kSubmenuCell);
    submenu.Detach();
    if (m_pChildMenu == &submenu)
        m_pChildMenu = nullptr;
}

void CGradientMenu::OnActivate(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) != WA_INACTIVE || !m_bInLoop)
        return;
    HWND hOther = reinterpret_cast<HWND>(lParam);
    if (!hOther || !FromWindow(hOther))
        CloseMenus();
}

void CGradientMenu::OnPaint()
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(m_hWnd, &ps);
    RECT rcBand;
    GetClientRect(m_hWnd, &rcBand);
    rcBand.right = m_nBandWidth;
    if (m_nBandWidth > 0)
    {
        for (const GradientStripe& stripe : GradientStripes(rcBand, m_crBandTop, m_crBandBottom))
        {
            CGdiObject<HBRUSH> brush(CreateSolidBrush(stripe.crFill));
            CSelectObject select(hdc, brush.Get());
            PatBlt(hdc, rcBand.left, stripe.nTop, rcBand.right - rcBand.left, stripe.nHeight,
                   PATCOPY);
        }

        // Bottom to top, like a book's spine.
        CGdiObject<HFONT> font(CreateFontW(kCaptionHeight, 0, 900, 900, FW_BOLD, TRUE, FALSE,
                                           FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                           DEFAULT_PITCH | FF_DONTCARE, L"Arial"));
        CSelectObject selectFont(hdc, font.Get());
        COLORREF crOld = SetTextColor(hdc, m_crCaption);
        int nOldMode = SetBkMode(hdc, TRANSPARENT);
        RECT rcCaption = {kCaptionLeft, rcBand.top, m_nBandWidth, rcBand.bottom};
        DrawTextW(hdc, m_strCaption.c_str(), -1, &rcCaption, DT_SINGLELINE | DT_BOTTOM);
        SetBkMode(hdc, nOldMode);
        SetTextColor(hdc, crOld);
    }
    EndPaint(m_hWnd, &ps);
}

LRESULT CALLBACK CGradientMenu::WindowProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg == WM_NCCREATE)
    {
        auto* pCreate = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* pMenu = static_cast<CGradientMenu*>(pCreate->lpCreateParams);
        pMenu->m_hWnd = hWnd;
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pMenu));
    }
    auto* pMenu = reinterpret_cast<CGradientMenu*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (!pMenu)
        return DefWindowProcW(hWnd, nMsg, wParam, lParam);
    return pMenu->HandleMessage(nMsg, wParam, lParam);
}

LRESULT CGradientMenu::HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    switch (nMsg)
    {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_NOTIFY:
    {
        auto* pHeader = reinterpret_cast<NMHDR*>(lParam);
        if (m_pBar && pHeader->hwndFrom == m_pBar->Window() && pHeader->code == NM_CUSTOMDRAW)
            return m_pBar->OnCustomDraw(*reinterpret_cast<NMTBCUSTOMDRAW*>(lParam));
        break;
    }
    case WM_KEYDOWN:
        // Keys belong to the deepest open level.
        if (m_pChildMenu && m_pChildMenu->m_hWnd)
            return SendMessageW(m_pChildMenu->m_hWnd, nMsg, wParam, lParam);
        if (m_pBar)
            return SendMessageW(m_pBar->Window(), nMsg, wParam, lParam);
        return 0;
    case WM_CHAR:
        if (m_pBar)
            return SendMessageW(m_pBar->Window(), nMsg, wParam, lParam);
        return 0;
    case WM_SYSKEYDOWN:
        CloseMenus();
        break;
    case WM_ACTIVATE:
        OnActivate(wParam, lParam);
        break;
    case WM_COMMAND:
        PostMessageW(m_hOwner, WM_COMMAND, wParam, lParam);
        return 0;
    case WM_GM_RESET:
        if (m_pBar)
            m_pBar->ResetPress();
        return 0;
    case WM_GM_OPENSUBMENU:
        OpenSubmenu({static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam))},
                    (lParam & kFromKeyboard) != 0);
        return 0;
    case WM_DESTROY:
        if (IsWindow(m_hOwner))
            SendMessageW(m_hOwner, WM_EXITMENULOOP, 0, 0);
        if (m_pParentMenu && m_pParentMenu->m_hWnd)
            SetFocus(m_pParentMenu->m_hWnd);
        break;
    }
    return DefWindowProcW(m_hWnd, nMsg, wParam, lParam);
}
