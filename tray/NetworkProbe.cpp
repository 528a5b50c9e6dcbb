#include "NetworkProbe.h"

#include <wininet.h>

#include "IcmpPinger.h"
#include "UniqueHandle.h"
#include "WideText.h"

namespace {

constexpr wchar_t kNetworkCardsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
constexpr wchar_t kServicesKey[] = L"SYSTEM\\CurrentControlSet\\Services";

// Limits of the Windows NT 4 walk.
constexpr DWORD kCardNameUnits = 6;
constexpr size_t kMaxServices = 10;
constexpr size_t kServiceNameUnits = 20;
constexpr DWORD kServiceValueBytes = 256;
constexpr DWORD kGatewayValueBytes = 256;
constexpr int kAnsiAddressBytes = 128;

constexpr DWORD kAdapterListBytes = 8192;

bool PingAddress(const char* pszAddress, const AddressPing& ping)
{
    return IsPingableAddress(pszAddress) && ping(pszAddress);
}

bool PingAddressChain(const IP_ADDR_STRING* pAddress, const AddressPing& ping)
{
    for (; pAddress; pAddress = pAddress->Next)
    {
        if (PingAddress(pAddress->IpAddress.String, ping))
            return true;
    }
    return false;
}

// Reads a string value into a buffer of cbBuffer bytes, always terminated
// (a value that fills the buffer has no terminator of its own).
bool ReadStringValue(HKEY hKey, const wchar_t* pszName, DWORD nWantedType, wchar_t* pBuffer,
                     DWORD cbBuffer)
{
    DWORD nType = 0;
    DWORD cbData = cbBuffer - 2 * sizeof(wchar_t);
    ZeroMemory(pBuffer, cbBuffer);
    return RegQueryValueExW(hKey, pszName, nullptr, &nType, reinterpret_cast<BYTE*>(pBuffer),
                            &cbData) == ERROR_SUCCESS &&
           nType == nWantedType;
}

int CollectCardServices(HKEY hRoot, wchar_t (&aServices)[kMaxServices][kServiceNameUnits])
{
    CRegKey cards;
    if (RegOpenKeyExW(hRoot, kNetworkCardsKey, 0, KEY_ENUMERATE_SUB_KEYS, cards.Put()) !=
        ERROR_SUCCESS)
        return -1;

    int nServices = 0;
    wchar_t szCard[kCardNameUnits];
    for (DWORD index = 0;; ++index)
    {
        DWORD nNameUnits = kCardNameUnits;
        if (RegEnumKeyExW(cards.Get(), index, szCard, &nNameUnits, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        wchar_t szCardPath[MAX_PATH];
        FormatBounded(szCardPath, MAX_PATH, L"%s\\%s", kNetworkCardsKey, szCard);
        CRegKey card;
        if (RegOpenKeyExW(hRoot, szCardPath, 0, KEY_QUERY_VALUE, card.Put()) != ERROR_SUCCESS)
            continue;
        wchar_t szService[kServiceValueBytes / sizeof(wchar_t)];
        // Cards beyond the list's room, and names too long for it, are left out.
        if (ReadStringValue(card.Get(), L"ServiceName", REG_SZ, szService, sizeof(szService)) &&
            nServices < static_cast<int>(kMaxServices) && wcslen(szService) < kServiceNameUnits)
            CopyBounded(aServices[nServices++], kServiceNameUnits, szService);
    }
    return nServices;
}

bool PingServiceGateways(HKEY hRoot, const wchar_t* pszService, const AddressPing& ping)
{
    wchar_t szPath[MAX_PATH];
    FormatBounded(szPath, MAX_PATH, L"%s\\%s\\Parameters\\Tcpip", kServicesKey, pszService);
    CRegKey tcpip;
    if (RegOpenKeyExW(hRoot, szPath, 0, KEY_QUERY_VALUE, tcpip.Put()) != ERROR_SUCCESS)
        return false;

    DWORD nDhcp = 0;
    DWORD nType = 0;
    DWORD cbData = sizeof(nDhcp);
    bool bDhcp = RegQueryValueExW(tcpip.Get(), L"EnableDHCP", nullptr, &nType,
                                  reinterpret_cast<BYTE*>(&nDhcp), &cbData) == ERROR_SUCCESS &&
                 nType == REG_DWORD && nDhcp != 0;

    wchar_t szGateways[kGatewayValueBytes / sizeof(wchar_t)];
    if (!ReadStringValue(tcpip.Get(), bDhcp ? L"DhcpDefaultGateway" : L"DefaultGateway",
                         REG_MULTI_SZ, szGateways, sizeof(szGateways)))
        return false;

    for (const wchar_t* pszGateway = szGateways; *pszGateway;
         pszGateway += wcslen(pszGateway) + 1)
    {
        char szAnsi[kAnsiAddressBytes] = {};
        WideCharToMultiByte(CP_ACP, 0, pszGateway, -1, szAnsi, kAnsiAddressBytes - 1, nullptr,
                            nullptr);
        if (PingAddress(szAnsi, ping))
            return true;
    }
    return false;
}

}  // namespace

bool PingWithIcmp(const char* pszAddress)
{
    CIcmpPinger pinger;
    return pinger.Ping(pszAddress) >= 0;
}

bool IsNetworkReachable()
{
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    BOOL bVersion = GetVersionExW(&version);
#pragma GCC diagnostic pop
    if (!bVersion || version.dwPlatformId != VER_PLATFORM_WIN32_NT)
    {
        DWORD nFlags = 0;
        return InternetGetConnectedState(&nFlags, 0) != FALSE;
    }
    if (version.dwMajorVersion == 4)
        return ProbeRegistryGateways(HKEY_LOCAL_MACHINE, PingWithIcmp);
    return ProbeAdapterAddresses(PingWithIcmp);
}

bool ProbeRegistryGateways(HKEY hRoot, const AddressPing& ping)
{
    wchar_t aServices[kMaxServices][kServiceNameUnits];
    int nServices = CollectCardServices(hRoot, aServices);
    for (int i = 0; i < nServices; ++i)
    {
        if (PingServiceGateways(hRoot, aServices[i], ping))
            return true;
    }
    return false;
}

bool ProbeAdapterAddresses(const IP_ADAPTER_INFO* pAdapters, const AddressPing& ping)
{
    for (const IP_ADAPTER_INFO* pAdapter = pAdapters; pAdapter; pAdapter = pAdapter->Next)
    {
        if (PingAddressChain(&pAdapter->GatewayList, ping))
            return true;
        if (pAdapter->HaveWins && (PingAddressChain(&pAdapter->PrimaryWinsServer, ping) ||
                                   PingAddressChain(&pAdapter->SecondaryWinsServer, ping)))
            return true;
        if (pAdapter->DhcpEnabled && PingAddressChain(&pAdapter->DhcpServer, ping))
            return true;
    }
    return false;
}

bool ProbeAdapterAddresses(const AddressPing& ping)
{
    // ULONGLONG keeps the list's pointers aligned.
    ULONGLONG aBuffer[kAdapterListBytes / sizeof(ULONGLONG)];
    ULONG cbBuffer = sizeof(aBuffer);
    auto* pAdapters = reinterpret_cast<IP_ADAPTER_INFO*>(aBuffer);
    if (GetAdaptersInfo(pAdapters, &cbBuffer) != ERROR_SUCCESS)
        return false;
    return ProbeAdapterAddresses(pAdapters, ping);
}
