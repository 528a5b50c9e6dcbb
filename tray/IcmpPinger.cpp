#include "IcmpPinger.h"

#include <winsock.h>

namespace {

constexpr WORD kWinSock11 = 0x0101;
constexpr DWORD kEchoTimeoutMs = 1000;
constexpr UCHAR kEchoTtl = 255;

// The layouts ICMP.DLL expects (32-bit pointers on i686, 64-bit on x86_64).
struct IpOptionInformation
{
    UCHAR Ttl;
    UCHAR Tos;
    UCHAR Flags;
    UCHAR OptionsSize;
    UCHAR* OptionsData;
};

struct IcmpEchoReply
{
    ULONG Address;
    ULONG Status;
    ULONG RoundTripTime;
    USHORT DataSize;
    USHORT Reserved;
    void* Data;
    IpOptionInformation Options;
};

void ShowProbeError(const wchar_t* pszText)
{
    MessageBoxW(nullptr, pszText, nullptr, MB_ICONERROR);
}

template <typename Fn>
Fn LookUp(HMODULE hModule, const char* pszName)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(hModule, pszName)));
}

}  // namespace

bool IsPingableAddress(const char* pszHost)
{
    return pszHost && pszHost[0] != '\0' && pszHost[0] != '0';
}

CIcmpPinger::CIcmpPinger()
{
    m_hIcmp.Reset(LoadLibraryW(L"ICMP.DLL"));
    if (!m_hIcmp)
    {
        ShowProbeError(L"Unable to load ICMP.DLL!");
        return;
    }
    m_pfnCreateFile = LookUp<IcmpCreateFileFn>(m_hIcmp.Get(), "IcmpCreateFile");
    m_pfnCloseHandle = LookUp<IcmpCloseHandleFn>(m_hIcmp.Get(), "IcmpCloseHandle");
    m_pfnSendEcho = LookUp<IcmpSendEchoFn>(m_hIcmp.Get(), "IcmpSendEcho");
    if (!m_pfnCreateFile || !m_pfnCloseHandle || !m_pfnSendEcho)
    {
        ShowProbeError(L"Error loading ICMP.DLL");
        m_hIcmp.Reset();
        return;
    }

    WSADATA wsaData = {};
    if (WSAStartup(kWinSock11, &wsaData) != 0)
    {
        ShowProbeError(L"WSAStartup() error:");
        WSACleanup();
        m_hIcmp.Reset();
        return;
    }
    if (wsaData.wVersion != kWinSock11)
    {
        ShowProbeError(L"No WinSock version 1.1 support found");
        WSACleanup();
        m_hIcmp.Reset();
        return;
    }
    m_bReady = true;
}

CIcmpPinger::~CIcmpPinger()
{
    if (m_bReady)
        WSACleanup();
}

LONG CIcmpPinger::Ping(const char* pszHost)
{
    if (!m_bReady || !IsPingableAddress(pszHost))
        return -1;

    ULONG nAddress = inet_addr(pszHost);
    if (nAddress == INADDR_NONE)
    {
        const hostent* pHost = gethostbyname(pszHost);
        if (!pHost || !pHost->h_addr_list || !pHost->h_addr_list[0])
            return -1;
        nAddress = *reinterpret_cast<const ULONG*>(pHost->h_addr_list[0]);
    }

    HANDLE hEcho = m_pfnCreateFile();
    if (hEcho == INVALID_HANDLE_VALUE)
        return -1;
    IpOptionInformation options = {kEchoTtl, 0, 0, 0, nullptr};
    // One reply plus the 8 bytes of an ICMP error message, which the system
    // wants room for even when it never writes them.
    struct
    {
        IcmpEchoReply reply;
        BYTE abErrorRoom[8];
    } answer = {};
    DWORD nReplies = m_pfnSendEcho(hEcho, nAddress, nullptr, 0, &options, &answer,
                                   sizeof(answer), kEchoTimeoutMs);
    m_pfnCloseHandle(hEcho);

    if (nReplies == 0 || answer.reply.Status != 0)
        return -1;
    return static_cast<LONG>(answer.reply.RoundTripTime);
}
