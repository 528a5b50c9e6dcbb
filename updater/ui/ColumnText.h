// The texts of one row of the update list, one per column, with the row's
// weight and colour. The tree item's own label stays empty; its item data
// points to one of these.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CColumnText
{
public:
    explicit CColumnText(const wchar_t* pszFirstColumn);

    // Column n (from 0); "" when the row has fewer columns.
    std::wstring GetColumn(int nColumn) const;
    // Replaces column n, adding empty columns up to it when the row has
    // fewer.
    void SetColumn(int nColumn, const wchar_t* pszText);

    bool m_bBold = false;
    COLORREF m_crText;

private:
    // Kept apart rather than joined by a separator character: titles come
    // from the server's index and may hold any character.
    std::vector<std::wstring> m_aColumn;
};
