#include "ColumnText.h"

CColumnText::CColumnText(const wchar_t* pszFirstColumn)
    : m_crText(GetSysColor(COLOR_WINDOWTEXT)), m_aColumn{pszFirstColumn ? pszFirstColumn : L""}
{
}

std::wstring CColumnText::GetColumn(int nColumn) const
{
    if (nColumn < 0 || static_cast<size_t>(nColumn) >= m_aColumn.size())
        return std::wstring();
    return m_aColumn[nColumn];
}

void CColumnText::SetColumn(int nColumn, const wchar_t* pszText)
{
    if (nColumn < 0)
        return;
    if (static_cast<size_t>(nColumn) >= m_aColumn.size())
        m_aColumn.resize(nColumn + 1);
    m_aColumn[nColumn] = pszText ? pszText : L"";
}
