#include "ProcessWindowList.h"

CProcessWindowList::CProcessWindowList(DWORD processId) : m_dwProcessId(processId)
{
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(this));
}

bool CProcessWindowList::GetNext(HWND& window)
{
    if (m_nRead >= m_nCount)
        return false;
    window = m_aWindow[m_nRead++];
    return true;
}

BOOL CALLBACK CProcessWindowList::CollectWindow(HWND window, LPARAM param)
{
    auto* self = reinterpret_cast<CProcessWindowList*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    bool visible = (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
    if (visible && owner == self->m_dwProcessId && self->m_nCount < kCapacity)
        self->m_aWindow[self->m_nCount++] = window;
    return TRUE;  // all windows, even once the list is full
}
