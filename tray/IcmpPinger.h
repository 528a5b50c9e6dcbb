// One ICMP echo requester through "ICMP.DLL" and WinSock 1.1, made afresh for
// every address the network probe tries.
#pragma once

#include <windows.h>

#include "UniqueHandle.h"

// An empty address, or one starting with '0' such as "0.0.0.0", is never
// sent an echo.
bool IsPingableAddress(const char* pszHost);

class CIcmpPinger
{
public:
    // Shows an error box when ICMP.DLL, its exports or WinSock 1.1 are missing.
    CIcmpPinger();
    ~CIcmpPinger();

    CIcmpPinger(const CIcmpPinger&) = delete;
    CIcmpPinger& operator=(const CIcmpPinger&) = delete;

    // Round-trip time in milliseconds when the host answered within a
    // second, else -1.
    LONG Ping(const char* pszHost);

private:
    using IcmpCreateFileFn = HANDLE(WINAPI*)();
    using IcmpCloseHandleFn = BOOL(WINAPI*)(HANDLE);
    using IcmpSendEchoFn = DWORD(WINAPI*)(HANDLE, ULONG, void*, WORD, void*, void*, DWORD, DWORD);

    CLibrary m_hIcmp;
    IcmpCreateFileFn m_pfnCreateFile = nullptr;
    IcmpCloseHandleFn m_pfnCloseHandle = nullptr;
    IcmpSendEchoFn m_pfnSendEcho = nullptr;
    bool m_bReady = false;
};
