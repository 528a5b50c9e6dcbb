#include "HoverButton.h"

#include <commctrl.h>

namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr DWORD kHoverTimeMs = 1;

SIZE BitmapSize(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObjectW(bitmap, sizeof(info), &info);
    return {info.bmWidth, info.bmHeight};
}

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height)
{
    HDC memoryDc = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    BitBlt(dc, x, y, width, height, memoryDc, 0, 0, SRCCOPY);
    SelectObject(memoryDc, previous);
    DeleteDC(memoryDc);
}

}  // namespace

CHoverButton::~CHoverButton()
{
    if (m_hWnd)
        RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
    for (HBITMAP face : m_abmpFace)
    {
        if (face)
            DeleteObject(face);
    }
    if (m_bmpHover)
        DeleteObject(m_bmpHover);
}

bool CHoverButton::SubclassDlgItem(int id, HWND parent)
{
    HWND button = GetDlgItem(parent, id);
    if (!button || !SetWindowSubclass(button, SubclassProc, kSubclassId,
                                      reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_hWnd = button;
    m_nId = id;
    LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    SetWindowLongPtrW(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    return true;
}

bool CHoverButton::LoadBitmaps(UINT normal, UINT pressed, UINT focused, UINT disabled)
{
    const UINT ids[kFaceCount] = {normal, pressed, focused, disabled};
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (int face = 0; face < kFaceCount; ++face)
    {
        if (m_abmpFace[face])
            DeleteObject(m_abmpFace[face]);
        m_abmpFace[face] = ids[face] ? LoadBitmapW(instance, MAKEINTRESOURCEW(ids[face])) : nullptr;
    }
    return m_abmpFace[kNormal] != nullptr;
}

BOOL CHoverButton::LoadHoverBitmap(UINT id)
{
    if (m_bmpHover)
        DeleteObject(m_bmpHover);
    m_bmpHover = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                                 IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
    SIZE size = m_bmpHover ? BitmapSize(m_bmpHover) : SIZE{0, 0};
    m_nHoverWidth = size.cx;
    m_nHoverHeight = size.cy;
    return TRUE;
}

void CHoverButton::SizeToContent()
{
    if (!m_abmpFace[kNormal])
        return;
    SIZE size = BitmapSize(m_abmpFace[kNormal]);
    SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CHoverButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    // The pressed face wins over the hover face.
    if (m_bHover && !(item.itemState & ODS_SELECTED) && m_bmpHover)
    {
        DrawBitmap(item.hDC, m_bmpHover, 0, 0, m_nHoverWidth, m_nHoverHeight);
        return;
    }
    HBITMAP face = m_abmpFace[kNormal];
    if ((item.itemState & ODS_SELECTED) && m_abmpFace[kPressed])
        face = m_abmpFace[kPressed];
    else if ((item.itemState & ODS_FOCUS) && m_abmpFace[kFocused])
        face = m_abmpFace[kFocused];
    else if ((item.itemState & ODS_DISABLED) && m_abmpFace[kDisabled])
        face = m_abmpFace[kDisabled];
    if (!face)
        return;
    SIZE size = BitmapSize(face);
    DrawBitmap(item.hDC, face, item.rcItem.left, item.rcItem.top, size.cx, size.cy);
}

LRESULT CALLBACK CHoverButton::SubclassProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam, UINT_PTR, DWORD_PTR self)
{
    if (message == WM_NCDESTROY)
    {
        auto* button = reinterpret_cast<CHoverButton*>(self);
        RemoveWindowSubclass(window, SubclassProc, kSubclassId);
        button->m_hWnd = nullptr;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    return reinterpret_cast<CHoverButton*>(self)->OnMessage(message, wParam, lParam);
}

LRESULT CHoverButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_MOUSEMOVE:
        if (!m_bTracking)
        {
            TRACKMOUSEEVENT track = {sizeof(track), TME_HOVER | TME_LEAVE, m_hWnd, kHoverTimeMs};
            m_bTracking = TrackMouseEvent(&track);
        }
        break;
    case WM_MOUSEHOVER:
        m_bHover = TRUE;
        InvalidateRect(m_hWnd, nullptr, TRUE);
        return 0;
    case WM_MOUSELEAVE:
        m_bTracking = FALSE;
        m_bHover = FALSE;
        InvalidateRect(m_hWnd, nullptr, TRUE);
        return 0;
    }
    return DefSubclassProc(m_hWnd, message, wParam, lParam);
}
