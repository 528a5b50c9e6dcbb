// How an item of the gradient menu is drawn, read back from its pixels.
#include "MenuItemPainter.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// The colours of the pixels of one item drawn on a memory bitmap.
std::set<COLORREF> DrawnColours(UINT state, bool hot)
{
    constexpr int kWidth = 160;
    constexpr int kHeight = 30;
    HDC screen = GetDC(nullptr);
    HDC hdc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldBitmap = SelectObject(hdc, bitmap);
    HFONT font = CreateFontW(-20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                             DEFAULT_PITCH, L"Tahoma");

    MenuItemCopy item = {};
    item.info.cbSize = sizeof(item.info);
    item.info.fType = MFT_STRING;
    item.info.fState = state;
    lstrcpyW(item.szText, L"History");
    RECT rc = {0, 0, kWidth, kHeight};
    DrawMenuItem(hdc, rc, item, hot, font);

    std::set<COLORREF> colours;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            colours.insert(GetPixel(hdc, x, y));
    SelectObject(hdc, oldBitmap);
    DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(hdc);
    return colours;
}

// Only a grayed item is drawn in the gray text colour (and, when not hot,
// embossed); a merely disabled one looks like an enabled one.
TEST(MenuItemPainter, GrayedItemsAreDrawnGrayDisabledOnesAreNot)
{
    const COLORREF gray = GetSysColor(COLOR_GRAYTEXT);
    struct Case
    {
        const char* name;
        UINT state;
        bool grayText;
    };
    const Case cases[] = {
        {"enabled", MFS_ENABLED, false},
        {"grayed", MF_GRAYED, true},
        {"grayed and disabled", MFS_GRAYED, true},
        {"disabled", MF_DISABLED, false},
    };
    for (const Case& c : cases)
    {
        for (bool hot : {false, true})
        {
            SCOPED_TRACE(std::string(c.name) + (hot ? ", hot" : ""));
            std::set<COLORREF> colours = DrawnColours(c.state, hot);
            EXPECT_EQ(colours.count(gray) == 1, c.grayText);
            EXPECT_EQ(colours.count(kMenuTextColour) == 1, !c.grayText);
        }
    }
}

}  // namespace
