// The visible top-level windows of one process, in enumeration order.
#pragma once

#include <windows.h>

#include <cstddef>

class CProcessWindowList
{
public:
    static constexpr size_t kCapacity = 1024;

    // Collects the windows at once; windows beyond the capacity are dropped.
    explicit CProcessWindowList(DWORD processId);

    CProcessWindowList(const CProcessWindowList&) = delete;
    CProcessWindowList& operator=(const CProcessWindowList&) = delete;

    size_t GetCount() const { return m_nCount; }

    // The next window from the read position; false after the last one.
    bool GetNext(HWND& window);

private:
    static BOOL CALLBACK CollectWindow(HWND window, LPARAM param);

    DWORD m_dwProcessId;
    HWND m_aWindow[kCapacity];
    size_t m_nCount = 0;
    size_t m_nRead = 0;
};
