#include "MenuItemPainter.h"

#include <algorithm>

#include "DcGuards.h"
#include "MenuGeometry.h"
#include "UniqueHandle.h"

namespace {

constexpr WORD kSystemCheckMark = 32760;  // OBM_CHECK

constexpr COLORREF kArtBlack = RGB(0, 0, 0);
constexpr COLORREF kArtGray = RGB(128, 128, 128);
constexpr COLORREF kArtSilver = RGB(192, 192, 192);
constexpr COLORREF kArtWhite = RGB(255, 255, 255);

void FillSolid(HDC hdc, const RECT& rc, COLORREF cr)
{
    CGdiObject<HBRUSH> brush(CreateSolidBrush(cr));
    FillRect(hdc, &rc, brush.Get());
}

// A DIB pixel (0x00RRGGBB) from a COLORREF (0x00BBGGRR) and back.
DWORD ToPixel(COLORREF cr)
{
    return (GetRValue(cr) << 16) | (GetGValue(cr) << 8) | GetBValue(cr);
}

// The item's own artwork in the menu's colours: its black, gray, silver and
// white are the system's button and menu colours; a grayed item's copy is
// monochrome (silver is background, the rest takes the text colour).
CGdiObject<HBITMAP> CreateMappedBitmap(HDC hdc, HBITMAP hSource, int w, int h, bool bHot,
                                       bool bMonochrome)
{
    CMemoryDc source(CreateCompatibleDC(hdc));
    CSelectObject selectSource(source.Get(), hSource);
    CMemoryDc target(CreateCompatibleDC(hdc));
    CGdiObject<HBITMAP> mapped;

    if (bMonochrome)
    {
        mapped.Reset(CreateBitmap(w, h, 1, 1, nullptr));
        CSelectObject selectTarget(target.Get(), mapped.Get());
        SetBkColor(source.Get(), kArtSilver);
        BitBlt(target.Get(), 0, 0, w, h, source.Get(), 0, 0, SRCCOPY);
        return mapped;
    }

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    mapped.Reset(CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &pBits, nullptr, 0));
    if (!mapped || !pBits)
        return mapped;
    {
        CSelectObject selectTarget(target.Get(), mapped.Get());
        BitBlt(target.Get(), 0, 0, w, h, source.Get(), 0, 0, SRCCOPY);
    }
    GdiFlush();

    const struct
    {
        DWORD from;
        DWORD to;
    } map[] = {
        {ToPixel(kArtBlack), ToPixel(GetSysColor(COLOR_BTNTEXT))},
        {ToPixel(kArtGray), ToPixel(GetSysColor(COLOR_BTNSHADOW))},
        {ToPixel(kArtSilver), ToPixel(GetSysColor(bHot ? COLOR_HIGHLIGHT : COLOR_MENU))},
        {ToPixel(kArtWhite), ToPixel(GetSysColor(COLOR_BTNHIGHLIGHT))},
    };
    DWORD* pPixel = static_cast<DWORD*>(pBits);
    for (int i = 0; i < w * h; ++i)
    {
        DWORD nColour = pPixel[i] & 0x00FFFFFF;
        for (const auto& entry : map)
        {
            if (nColour == entry.from)
            {
                pPixel[i] = entry.to;
                break;
            }
        }
    }
    return mapped;
}

CGdiObject<HBRUSH> CreateDitherBrush()
{
    const WORD aRows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    CGdiObject<HBITMAP> pattern(CreateBitmap(8, 8, 1, 1, aRows));
    return CGdiObject<HBRUSH>(CreatePatternBrush(pattern.Get()));
}

void DrawSubmenuArrow(HDC hdc, const RECT& rcItem, COLORREF crText)
{
    ArrowShape arrow = SubmenuArrow(rcItem, GetSystemMetrics(SM_CXMENUCHECK));
    CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, crText));
    CGdiObject<HBRUSH> brush(CreateSolidBrush(crText));
    CSelectObject selectPen(hdc, pen.Get());
    CSelectObject selectBrush(hdc, brush.Get());
    Polygon(hdc, arrow.aCorner, 3);
}

}  // namespace

void DrawItemBitmap(HDC hdc, const RECT& rcSquare, bool bHot, HBITMAP hBitmap, bool bChecked,
                    bool bGrayed)
{
    bool bOwn = hBitmap != nullptr;
    COLORREF crBack = bHot ? kMenuHotColour : GetSysColor(COLOR_MENU);
    CGdiObject<HBITMAP> checkMark;
    if (!bOwn)
    {
        checkMark.Reset(LoadBitmapW(nullptr, MAKEINTRESOURCEW(kSystemCheckMark)));
        hBitmap = checkMark.Get();
    }
    BITMAP bm = {};
    if (!hBitmap || !GetObjectW(hBitmap, sizeof(bm), &bm))
        return;

    // Centred, cropped to the square when larger.
    int nSquareW = rcSquare.right - rcSquare.left;
    int nSquareH = rcSquare.bottom - rcSquare.top;
    int nW = std::min<int>(bm.bmWidth, nSquareW);
    int nH = std::min<int>(bm.bmHeight, nSquareH);
    int nX = rcSquare.left + (nSquareW - nW) / 2;
    int nY = rcSquare.top + (nSquareH - nH) / 2;
    int nSrcX = (bm.bmWidth - nW) / 2;
    int nSrcY = (bm.bmHeight - nH) / 2;

    if (bOwn && bChecked)
        FillSolid(hdc, rcSquare, GetSysColor(COLOR_MENU));

    CGdiObject<HBITMAP> mapped;
    if (bOwn)
        mapped = CreateMappedBitmap(hdc, hBitmap, bm.bmWidth, bm.bmHeight, bHot, bGrayed);
    {
        CMemoryDc source(CreateCompatibleDC(hdc));
        CSelectObject select(source.Get(), bOwn ? mapped.Get() : hBitmap);
        COLORREF crOldBack = SetBkColor(hdc, crBack);
        BitBlt(hdc, nX, nY, nW, nH, source.Get(), nSrcX, nSrcY, SRCCOPY);
        SetBkColor(hdc, crOldBack);
    }

    if (!bChecked)
        return;
    RECT rcEdge = rcSquare;
    DrawEdge(hdc, &rcEdge, BDR_SUNKENOUTER, BF_RECT);
    COLORREF crSurface = GetSysColor(bHot && !bOwn ? COLOR_HIGHLIGHT : COLOR_MENU);
    CGdiObject<HBRUSH> brush(bHot ? CreateSolidBrush(GetSysColor(COLOR_MENU))
                                  : CreateDitherBrush().Release());
    CDcColours colours(hdc, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_MENU));
    CSelectObject select(hdc, brush.Get());
    ExtFloodFill(hdc, rcSquare.left + 1, rcSquare.top + 1, crSurface, FLOODFILLSURFACE);
}

void DrawMenuItem(HDC hdc, const RECT& rcItem, const MenuItemCopy& item, bool bHot, HFONT hFont)
{
    const MENUITEMINFOW& info = item.info;
    bool bGrayed = IsDrawnGrayed(info);
    COLORREF crText = bGrayed ? GetSysColor(COLOR_GRAYTEXT) : kMenuTextColour;
    COLORREF crBack = bHot ? kMenuHotColour : GetSysColor(COLOR_MENU);

    RECT rcFill = rcItem;
    rcFill.left += 1;
    FillSolid(hdc, rcFill, crBack);
    CSelectObject selectFont(hdc, hFont);

    int nSquare = rcItem.bottom - rcItem.top;
    RECT rcSquare = {rcItem.left, rcItem.top, rcItem.left + nSquare, rcItem.bottom};
    {
        CDcColours colours(hdc, GetSysColor(bGrayed ? COLOR_GRAYTEXT : COLOR_MENUTEXT), crBack);
        bool bChecked = (info.fState & MFS_CHECKED) != 0;
        if (bChecked)
            DrawItemBitmap(hdc, rcSquare, bHot, info.hbmpChecked, true, bGrayed);
        else if (info.hbmpUnchecked)
            DrawItemBitmap(hdc, rcSquare, bHot, info.hbmpUnchecked, false, bGrayed);
    }

    RECT rcText = rcItem;
    rcText.left += nSquare + 2;
    int nOldMode = SetBkMode(hdc, TRANSPARENT);
    const UINT kTextFormat = DT_SINGLELINE | DT_VCENTER;
    if (bGrayed && !bHot)
    {
        RECT rcEmboss = rcText;
        OffsetRect(&rcEmboss, 1, 1);
        COLORREF crOld = SetTextColor(hdc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(hdc, item.szText, -1, &rcEmboss, kTextFormat);
        SetTextColor(hdc, crOld);
    }
    COLORREF crOld = SetTextColor(hdc, crText);
    DrawTextW(hdc, item.szText, -1, &rcText, kTextFormat);
    SetTextColor(hdc, crOld);
    SetBkMode(hdc, nOldMode);

    if (info.hSubMenu)
        DrawSubmenuArrow(hdc, rcItem, crText);
}
