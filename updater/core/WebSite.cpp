#include "WebSite.h"

#include <shellapi.h>

#include "TraceLog.h"
#include "UniqueHandle.h"

const wchar_t kDefaultWebSite[] = L"http://www.vexa.com/";

namespace
{
const wchar_t kSharedKey[] = L"SOFTWARE\\Vexa\\Vexa Kestrel";
const wchar_t kWebSiteValue[] = L"WebSite";
constexpr DWORD kWebSiteUnits = 1024;
}  // namespace

std::wstring GetWebSiteAddress()
{
    CRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedKey, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        return kDefaultWebSite;
    // One unit more than the query may fill, so that a value stored without
    // terminator still ends.
    wchar_t address[kWebSiteUnits + 1] = {};
    DWORD type = REG_NONE;
    DWORD size = kWebSiteUnits * sizeof(wchar_t);
    LSTATUS status = RegQueryValueExW(key.Get(), kWebSiteValue, nullptr, &type,
                                      reinterpret_cast<BYTE*>(address), &size);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return kDefaultWebSite;
    address[size / sizeof(wchar_t)] = L'\0';
    if (address[0] == L'\0')
        return kDefaultWebSite;
    return address;
}

void OpenWebSite(HWND owner)
{
    std::wstring address = GetWebSiteAddress();
    TraceLog(L"OpenWebSite - %s", address.c_str());
    ShellExecuteW(owner, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
