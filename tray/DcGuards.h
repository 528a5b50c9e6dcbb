// Device-context state that is put back when the guard leaves scope; the
// guards own nothing they select.
#pragma once

#include <windows.h>

class CSelectObject
{
public:
    CSelectObject(HDC hdc, HGDIOBJ hObject) : m_hdc(hdc), m_hOld(SelectObject(hdc, hObject)) {}
    ~CSelectObject() { SelectObject(m_hdc, m_hOld); }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_hOld;
};

class CDcColours
{
public:
    CDcColours(HDC hdc, COLORREF crText, COLORREF crBack)
        : m_hdc(hdc), m_crText(SetTextColor(hdc, crText)), m_crBack(SetBkColor(hdc, crBack))
    {
    }
    ~CDcColours()
    {
        SetTextColor(m_hdc, m_crText);
        SetBkColor(m_hdc, m_crBack);
    }
    CDcColours(const CDcColours&) = delete;
    CDcColours& operator=(const CDcColours&) = delete;

private:
    HDC m_hdc;
    COLORREF m_crText;
    COLORREF m_crBack;
};
