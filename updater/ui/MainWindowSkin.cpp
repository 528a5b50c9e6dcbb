#include "MainWindowSkin.h"

#include <commctrl.h>

#include "JpegPicture.h"
#include "ProcessFlags.h"
#include "SkinResource.h"

namespace {

constexpr int kWindowWidth = 555;
constexpr int kWindowHeight = 391;

constexpr int kCloseId = 8;
constexpr int kStatusId = 1001;
constexpr int kListFrameId = 1002;
constexpr int kCornerTextId = 1061;
constexpr int kModelNameId = 1062;
constexpr int kCheckAllId = 1065;
constexpr int kUncheckAllId = 1066;
constexpr int kLogoId = 1067;
constexpr int kMinimizeId = 1068;
constexpr int kCheckLabelId = 1069;
constexpr int kUncheckLabelId = 1070;

constexpr LANGID kTraditionalChinese = 1028;
constexpr LANGID kSimplifiedChinese = 2052;

constexpr COLORREF kStatusColour = RGB(46, 58, 20);
constexpr COLORREF kModelColour = RGB(98, 108, 48);
constexpr COLORREF kLabelColour = RGB(58, 64, 30);
constexpr COLORREF kLabelHoverColour = RGB(192, 73, 0);

constexpr UINT_PTR kLabelSubclassId = 1;

HFONT CreateArial(int height, int weight)
{
    return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, L"Arial");
}

}  // namespace

CheckAllLayout GetCheckAllLayout(LANGID langId)
{
    switch (langId)
    {
    case kTraditionalChinese: return {424, 479, 436, 25, 491, 38};
    case kSimplifiedChinese: return {404, 470, 416, 50, 481, 48};
    default: return {388, 462, 400, 50, 474, 60};
    }
}

CMainSkinDialog::CMainSkinDialog(UINT nTemplateId, HWND hParent, const wchar_t* pszRegionName)
    : CSkinDialog(nTemplateId, hParent, pszRegionName),
      m_wSkinLangId(GetUserDefaultLangID()),
      m_aLabel{{kCheckLabelId, kCheckAllId, false}, {kUncheckLabelId, kUncheckAllId, false}}
{
}

CMainSkinDialog::~CMainSkinDialog()
{
    // The window and its labels go before the fonts they use.
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    for (HFONT font : {m_hModelFont, m_hSmallFont, m_hLabelFont})
    {
        if (font)
            DeleteObject(font);
    }
}

BOOL CMainSkinDialog::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    ApplySkin();
    return TRUE;
}

void CMainSkinDialog::ApplySkin()
{
    HBITMAP background = nullptr;
    if (g_bWinXPOrLater)
    {
        HDC dc = GetDC(m_hWnd);
        background = LoadJpegResource(dc, IDR_MAIN_BACKGROUND, 0, 0);
        ReleaseDC(m_hWnd, dc);
        if (background)
            m_pBkBrush = CreatePatternBrush(background);
    }
    else
    {
        HDC screen = GetDC(nullptr);
        m_pBkBrush = CreateJpegPatternBrush(screen, IDR_MAIN_BACKGROUND, 0, 0);
        ReleaseDC(nullptr, screen);
    }

    SetWindowPos(m_hWnd, nullptr, 0, 0, kWindowWidth, kWindowHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    CheckAllLayout layout = GetCheckAllLayout(m_wSkinLangId);
    AddHoverButton(kCloseId, IDB_CLOSE, IDB_CLOSE_PRESSED, 0, IDB_CLOSE_HOVER, 526, 3);
    AddHoverButton(kMinimizeId, IDB_MINIMIZE, IDB_MINIMIZE_PRESSED, 0, IDB_MINIMIZE_HOVER, 505, 3);
    AddHoverButton(kLogoId, IDB_LOGO, IDB_LOGO_PRESSED, 0, IDB_LOGO_HOVER, 12, 148);
    AddHoverButton(IDOK, IDB_OK, IDB_OK_PRESSED, IDB_OK_DISABLED, IDB_OK_HOVER, 382, 353);
    AddHoverButton(IDCANCEL, IDB_CANCEL, IDB_CANCEL_PRESSED, IDB_CANCEL_DISABLED, IDB_CANCEL_HOVER,
                   463, 353);
    AddHoverButton(kCheckAllId, IDB_CHECK_ALL, IDB_CHECK_ALL_PRESSED, 0, IDB_CHECK_ALL_HOVER,
                   layout.nCheckAllX, 133);
    AddHoverButton(kUncheckAllId, IDB_UNCHECK_ALL, IDB_UNCHECK_ALL_PRESSED, 0,
                   IDB_UNCHECK_ALL_HOVER, layout.nUncheckAllX, 133);

    SetWindowPos(GetDlgItem(m_hWnd, kListFrameId), nullptr, 132, 150, 397, 161,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);

    m_hModelFont = CreateArial(14, FW_HEAVY);
    m_hSmallFont = CreateArial(11, FW_NORMAL);
    m_hLabelFont = CreateArial(11, FW_NORMAL);
    PlaceStatic(background, kModelNameId, 134, 132, 266, 14, m_hModelFont);
    PlaceStatic(background, kCornerTextId, 430, 6, 65, 13, m_hSmallFont);
    PlaceStatic(background, kStatusId, 142, 322, 378, 13, m_hSmallFont);
    PlaceStatic(background, kCheckLabelId, layout.nCheckLabelX, 132, layout.nCheckLabelWidth, 11,
                m_hLabelFont);
    PlaceStatic(background, kUncheckLabelId, layout.nUncheckLabelX, 132,
                layout.nUncheckLabelWidth, 11, m_hLabelFont);
    for (const CheckLabel& label : m_aLabel)
        SetWindowSubclass(GetDlgItem(m_hWnd, label.nLabelId), LabelProc, kLabelSubclassId,
                          reinterpret_cast<DWORD_PTR>(this));

    if (background)
        DeleteObject(background);

    m_hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_UPDATER));
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
}

void CMainSkinDialog::PlaceStatic(HBITMAP background, int id, int x, int y, int width, int height,
                                  HFONT font)
{
    HWND control = GetDlgItem(m_hWnd, id);
    if (!control)
        return;
    SetWindowPos(control, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (background)
        AddControlBrush(background, id, x, y, x + width, y + height);
}

BOOL CMainSkinDialog::OnCommand(WORD id, WORD code)
{
    for (const CheckLabel& label : m_aLabel)
    {
        if (id != label.nLabelId)
            continue;
        // A click on the label is a click on its button: show the button
        // pressed for a moment (released outside it, so it sends nothing)
        // and run the button's command.
        HWND button = GetDlgItem(m_hWnd, label.nButtonId);
        PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(-1, -1));
        SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(label.nButtonId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        return TRUE;
    }
    return CSkinDialog::OnCommand(id, code);
}

INT_PTR CMainSkinDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_QUERYDRAGICON)
        return reinterpret_cast<INT_PTR>(m_hIcon);
    return CSkinDialog::OnMessage(message, wParam, lParam);
}

void CMainSkinDialog::OnPaint()
{
    if (!IsIconic(m_hWnd))
    {
        CSkinDialog::OnPaint();
        return;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hWnd, &client);
    int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hWnd, &paint);
}

HBRUSH CMainSkinDialog::OnCtlColorStatic(HDC dc, HWND control)
{
    int id = GetDlgCtrlID(control);
    SetBkMode(dc, TRANSPARENT);
    switch (id)
    {
    case kStatusId: SetTextColor(dc, kStatusColour); break;
    case kCornerTextId: SetTextColor(dc, RGB(255, 255, 255)); break;
    case kModelNameId: SetTextColor(dc, kModelColour); break;
    case kCheckLabelId:
    case kUncheckLabelId:
    {
        const CheckLabel* label = FindLabel(control);
        SetTextColor(dc, label && label->bHovered ? kLabelHoverColour : kLabelColour);
        break;
    }
    }
    return GetControlBrush(id);
}

CMainSkinDialog::CheckLabel* CMainSkinDialog::FindLabel(HWND window)
{
    int id = GetDlgCtrlID(window);
    for (CheckLabel& label : m_aLabel)
    {
        if (label.nLabelId == id)
            return &label;
    }
    return nullptr;
}

void CMainSkinDialog::SetLabelHover(CheckLabel& label, bool hovered)
{
    label.bHovered = hovered;
    PostMessageW(GetDlgItem(m_hWnd, label.nButtonId), hovered ? WM_MOUSEHOVER : WM_MOUSELEAVE, 0,
                 0);
    HWND labelWindow = GetDlgItem(m_hWnd, label.nLabelId);
    RECT rect;
    GetWindowRect(labelWindow, &rect);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    InvalidateRect(m_hWnd, &rect, TRUE);
    InvalidateRect(labelWindow, nullptr, TRUE);
}

// The labels act as part of their buttons: the mouse over a label shows the
// button's hover face and colours the label until the mouse leaves it.
LRESULT CALLBACK CMainSkinDialog::LabelProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam, UINT_PTR, DWORD_PTR selfData)
{
    if (message == WM_NCDESTROY)
    {
        RemoveWindowSubclass(window, LabelProc, kLabelSubclassId);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    auto* self = reinterpret_cast<CMainSkinDialog*>(selfData);
    CheckLabel* label = self->FindLabel(window);
    switch (message)
    {
    case WM_MOUSEMOVE:
        if (label && !label->bHovered)
        {
            self->SetLabelHover(*label, true);
            TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, 0};
            TrackMouseEvent(&track);
        }
        break;
    case WM_MOUSELEAVE:
        if (label && label->bHovered)
            self->SetLabelHover(*label, false);
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
