// Where a gradient popup goes and how its band is coloured: plain arithmetic
// the menu windows call.
#pragma once

#include <windows.h>

#include <vector>

// The top-left corner of a w by h popup on screen rcScreen. Without an
// exclusion rectangle it opens at (x, y) and flips left and/or up only when
// it would touch the screen's right or bottom edge. With one (the item a
// submenu belongs to) it opens beside it, right before left, aligned with
// its top before its bottom.
POINT PlacePopup(const RECT& rcScreen, int x, int y, const RECT* prcExclude, int w, int h);

struct GradientStripe
{
    int nTop;
    int nHeight;
    COLORREF crFill;
};

// The stripes that fill rcBand from crBottom at its bottom edge to crTop at
// its top: H / 128 pixels each (at least 1), laid from the bottom up.
std::vector<GradientStripe> GradientStripes(const RECT& rcBand, COLORREF crTop, COLORREF crBottom);

// The triangle of a submenu arrow in an item of rcItem, for a check-mark
// size of nCheck: three corners, pointing right.
struct ArrowShape
{
    POINT aCorner[3];
};
ArrowShape SubmenuArrow(const RECT& rcItem, int nCheck);
