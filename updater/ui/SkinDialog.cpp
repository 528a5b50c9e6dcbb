#include "SkinDialog.h"

#include <windowsx.h>

#include "ProcessFlags.h"
#include "UniqueHandle.h"

namespace {

struct RegionResource
{
    const RGNDATA* data = nullptr;
    DWORD size = 0;
};

RegionResource FindRegionResource(const wchar_t* name)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, name, L"RGN");
    if (!resource)
        return {};
    HGLOBAL loaded = LoadResource(module, resource);
    return {loaded ? static_cast<const RGNDATA*>(LockResource(loaded)) : nullptr,
            SizeofResource(module, resource)};
}

}  // namespace

CSkinDialog::CSkinDialog(UINT nTemplateId, HWND hParent, const wchar_t* pszRegionName)
    : CModalDialog(nTemplateId, hParent), m_strRegionName(pszRegionName ? pszRegionName : L"")
{
}

CSkinDialog::~CSkinDialog()
{
    // The window goes first: its controls still use the brushes.
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    if (m_pBkBrush)
        DeleteObject(m_pBkBrush);
    for (const auto& entry : m_aControlBrush)
        DeleteObject(entry.second);
}

void CSkinDialog::ApplyRegion()
{
    // The skin draws the whole window: no system frame or caption.
    LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    SetWindowLongPtrW(m_hWnd, GWL_STYLE,
                      (style & ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME | DS_MODALFRAME)) |
                          WS_POPUP);
    LONG_PTR exStyle = GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE,
                      exStyle & ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE |
                                                       WS_EX_CLIENTEDGE));
    SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    RegionResource resource = FindRegionResource(m_strRegionName.c_str());
    if (!resource.data || resource.size < sizeof(RGNDATAHEADER))
        return;
    DWORD count = resource.data->rdh.nCount;
    DWORD size = (count + 2) * sizeof(RECT);
    if (size > resource.size)
        return;
    m_hRegion = ExtCreateRegion(nullptr, size, resource.data);
    if (m_hRegion)
        SetWindowRgn(m_hWnd, m_hRegion, TRUE);
}

BOOL CSkinDialog::OnInitDialog()
{
    ApplyRegion();
    return TRUE;
}

bool CSkinDialog::OnEraseBkgnd(HDC dc)
{
    if (!m_pBkBrush)
        return false;
    RECT client;
    GetClientRect(m_hWnd, &client);
    FillRect(dc, &client, m_pBkBrush);
    return true;
}

void CSkinDialog::OnPaint()
{
    PAINTSTRUCT paint;
    BeginPaint(m_hWnd, &paint);
    EndPaint(m_hWnd, &paint);
}

HBRUSH CSkinDialog::OnCtlColorStatic(HDC dc, HWND)
{
    if (!m_pBkBrush)
        return nullptr;
    SetBkMode(dc, TRANSPARENT);
    return m_pBkBrush;
}

CHoverButton* CSkinDialog::AddHoverButton(int id, UINT normal, UINT pressed, UINT disabled,
                                          UINT hover, int x, int y)
{
    auto button = std::make_unique<CHoverButton>();
    if (!button->SubclassDlgItem(id, m_hWnd))
        return nullptr;
    button->LoadBitmaps(normal, pressed, 0, disabled);
    button->LoadHoverBitmap(hover);
    button->SizeToContent();
    SetWindowPos(button->GetSafeHwnd(), nullptr, x, y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_aHoverButton.push_back(std::move(button));
    return m_aHoverButton.back().get();
}

void CSkinDialog::AddControlBrush(HBITMAP background, int id, int left, int top, int right,
                                  int bottom)
{
    if (!GetDlgItem(m_hWnd, id))
        return;
    int width = right - left;
    int height = bottom - top;
    HDC screen = GetDC(nullptr);
    CMemoryDc source(CreateCompatibleDC(screen));
    CMemoryDc target(CreateCompatibleDC(screen));
    HBITMAP piece = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    if (!piece)
        return;
    HGDIOBJ oldSource = SelectObject(source.Get(), background);
    HGDIOBJ oldTarget = SelectObject(target.Get(), piece);
    BitBlt(target.Get(), 0, 0, width, height, source.Get(), left, top, SRCCOPY);
    SelectObject(source.Get(), oldSource);
    SelectObject(target.Get(), oldTarget);
    HBRUSH brush = CreatePatternBrush(piece);
    DeleteObject(piece);
    if (brush)
        m_aControlBrush.emplace_back(id, brush);
}

HBRUSH CSkinDialog::GetControlBrush(int id) const
{
    if (!g_bWinXPOrLater)
        return m_pBkBrush;
    for (const auto& entry : m_aControlBrush)
    {
        if (entry.first == id)
            return entry.second;
    }
    return m_pBkBrush;
}

INT_PTR CSkinDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_LBUTTONDOWN:
    {
        // Dragging the background moves the window as its caption would.
        POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(m_hWnd, &point);
        PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
        return TRUE;
    }
    case WM_ERASEBKGND:
        if (!OnEraseBkgnd(reinterpret_cast<HDC>(wParam)))
            return FALSE;
        SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<INT_PTR>(
            OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    case WM_DRAWITEM:
    {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        for (const auto& button : m_aHoverButton)
        {
            if (button->GetSafeHwnd() == item->hwndItem)
            {
                button->DrawItem(*item);
                return TRUE;
            }
        }
        break;
    }
    }
    return CModalDialog::OnMessage(message, wParam, lParam);
}
