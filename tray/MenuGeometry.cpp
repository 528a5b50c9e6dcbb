#include "MenuGeometry.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kGradientSteps = 128;

int Clamp(int n, int nLow, int nHigh)
{
    return std::max(nLow, std::min(n, nHigh));
}

BYTE MoveChannel(BYTE nBottom, BYTE nTop, int nLength, int nHeight)
{
    int nShift = std::abs(nTop - nBottom) * nLength / nHeight;
    return static_cast<BYTE>(nTop >= nBottom ? nBottom + nShift : nBottom - nShift);
}

}  // namespace

POINT PlacePopup(const RECT& s, int x, int y, const RECT* prcExclude, int w, int h)
{
    if (!prcExclude)
    {
        if (x + w < s.right && y + h < s.bottom)
            return {x, y};
        if (s.left < x - w && y + h < s.bottom)
            return {x - w, y};
        if (x + w < s.right && s.top < y - h)
            return {x, y - h};
        if (s.left < x - w && s.top < y - h)
            return {x - w, y - h};
        return {x, y};
    }

    const RECT& e = *prcExclude;
    bool bRight = e.right + w < s.right;
    bool bLeft = s.left < e.left - w;
    if (bRight && e.top + h < s.bottom)
        return {e.right, e.top};
    if (bRight && s.top < e.bottom - h)
        return {e.right, e.bottom - h};
    if (bLeft && e.top + h < s.bottom)
        return {e.left - w, e.top};
    if (bLeft && s.top < e.bottom - h)
        return {e.left - w, e.bottom - h};

    // Fits on no side as asked: beside the item on the roomier side, pulled
    // back onto the screen, so that every item stays reachable.
    int nX = (s.right - e.right >= e.left - s.left) ? e.right : e.left - w;
    return {Clamp(nX, s.left, s.right - w), Clamp(e.top, s.top, s.bottom - h)};
}

std::vector<GradientStripe> GradientStripes(const RECT& rcBand, COLORREF crTop, COLORREF crBottom)
{
    std::vector<GradientStripe> stripes;
    int nHeight = rcBand.bottom - rcBand.top;
    if (nHeight <= 0)
        return stripes;
    int nStep = std::max(nHeight / kGradientSteps, 1);
    for (int k = 1; nHeight - (k - 1) * nStep > 0; ++k)
    {
        int nTop = rcBand.top + nHeight - k * nStep;
        int nBottom = nTop + nStep;
        nTop = std::max(nTop, static_cast<int>(rcBand.top));
        // The last stripe may reach past the top; its colour stops at crTop.
        int nLength = std::min(k * nStep, nHeight);
        COLORREF crFill = RGB(MoveChannel(GetRValue(crBottom), GetRValue(crTop), nLength, nHeight),
                              MoveChannel(GetGValue(crBottom), GetGValue(crTop), nLength, nHeight),
                              MoveChannel(GetBValue(crBottom), GetBValue(crTop), nLength, nHeight));
        stripes.push_back({nTop, nBottom - nTop, crFill});
    }
    return stripes;
}

ArrowShape SubmenuArrow(const RECT& rcItem, int nCheck)
{
    int nInset = nCheck * 3 / 10;
    int nLeft = rcItem.right - nCheck * 3 / 4 + nInset;
    int nTop = rcItem.top + (rcItem.bottom - rcItem.top - nCheck) / 2 + nInset;
    int nRight = rcItem.right - nCheck * 3 / 4 + nCheck - nInset;
    int nHalf = (nCheck - nInset - nInset) / 2;
    return {{{nLeft, nTop}, {nLeft + (nRight - nLeft) / 2, nTop + nHalf}, {nLeft, nTop + 2 * nHalf}}};
}
