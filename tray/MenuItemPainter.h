// How one item of a gradient menu looks: background, item square with its
// bitmap or check mark, text and submenu arrow.
#pragma once

#include <windows.h>

// A menu item as the bar copied it when the menu opened.
struct MenuItemCopy
{
    MENUITEMINFOW info;
    wchar_t szText[260];
};

constexpr COLORREF kMenuTextColour = RGB(80, 91, 36);
constexpr COLORREF kMenuHotColour = RGB(204, 219, 184);

// Neither pressed nor hovered into: grayed or merely disabled.
inline bool IsGrayedItem(const MENUITEMINFOW& info)
{
    return (info.fState & (MFS_GRAYED | MFS_DISABLED)) != 0;
}

// Drawn gray and embossed: only a grayed item (state bit 0). MFS_GRAYED (3)
// also holds the disabled bit, so it would take a merely disabled item too.
inline bool IsDrawnGrayed(const MENUITEMINFOW& info)
{
    return (info.fState & MF_GRAYED) != 0;
}

void DrawMenuItem(HDC hdc, const RECT& rcItem, const MenuItemCopy& item, bool bHot, HFONT hFont);

// The bitmap (or, with none, the system check mark) centred in the item
// square; a checked item gets a sunken, dithered square around it.
void DrawItemBitmap(HDC hdc, const RECT& rcSquare, bool bHot, HBITMAP hBitmap, bool bChecked,
                    bool bGrayed);
