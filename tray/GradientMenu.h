// A popup menu drawn in windows of its own: a colour band with a vertical
// caption on the left and the items on a toolbar beside it. Toward its owner
// it behaves like TrackPopupMenu: the usual menu messages, the chosen
// command posted as WM_COMMAND, closing on a click elsewhere. Submenus are
// further CGradientMenu objects, each with its own modal loop.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

class CGradientMenuBar;

constexpr UINT WM_GM_PRESS = WM_USER + 101;
constexpr UINT WM_GM_RESET = WM_USER + 102;
constexpr UINT WM_GM_OPENSUBMENU = WM_USER + 103;

// Bit of a press's mouse flags (and of m_nMenuFlags) for "from the keyboard".
constexpr UINT kFromKeyboard = 0x100;
constexpr UINT kSubmenuFlag = 0x1;

class CGradientMenu
{
public:
    CGradientMenu(int nBandWidth, bool bSubmenuBand);
    ~CGradientMenu();

    CGradientMenu(const CGradientMenu&) = delete;
    CGradientMenu& operator=(const CGradientMenu&) = delete;

    void Attach(HMENU hMenu) { m_hMenu = hMenu; }
    HMENU Detach();

    // Shows the menu and returns once it has closed: TRUE when shown, FALSE
    // when the owner is not a window or the popup cannot be made. nFlags is
    // not used.
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, HWND hParent, const RECT* prcExclude,
                        int nCellWidth, int nCellHeight);

    // The menu object of a "Gradient Menu" window, or null for any other.
    static CGradientMenu* FromWindow(HWND hWnd);

    // Closing reaches the top menu first, then every open level.
    void CloseMenus();
    void CloseChildMenus();

    HWND Window() const { return m_hWnd; }
    HWND Owner() const { return m_hOwner; }
    HMENU Menu() const { return m_hMenu; }
    bool IsSubmenu() const { return (m_nMenuFlags & kSubmenuFlag) != 0; }
    int BandWidth() const { return m_nBandWidth; }

    // Places the popup for its bar's size (called while the bar fills).
    void PlaceWindow(int nWidth, int nHeight);
    // Left arrow in a submenu: back to the parent, which forgets its press.
    void CloseToParent();

    std::wstring m_strCaption;
    COLORREF m_crBandTop = RGB(0, 0, 0);
    COLORREF m_crBandBottom = RGB(0, 0, 0);
    COLORREF m_crCaption = RGB(255, 255, 255);

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnActivate(WPARAM wParam, LPARAM lParam);
    void OpenSubmenu(POINT ptItem, bool bFromKeyboard);
    void RunModalLoop();
    void EndModalLoop();

    HMENU m_hMenu = nullptr;
    HWND m_hWnd = nullptr;
    HWND m_hOwner = nullptr;
    CGradientMenu* m_pParentMenu = nullptr;
    CGradientMenu* m_pChildMenu = nullptr;
    bool m_bSubmenuBand;
    int m_nBandWidth;
    UINT m_nMenuFlags = 0;
    std::unique_ptr<CGradientMenuBar> m_pBar;
    bool m_bInLoop = false;
    int m_nX = 0;
    int m_nY = 0;
    const RECT* m_prcExclude = nullptr;
};
