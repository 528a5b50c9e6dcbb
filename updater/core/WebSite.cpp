#include "WebSite.h"

#include <shellapi.h>

#include "SharedSettings.h"
#include "TraceLog.h"

const wchar_t kDefaultWebSite[] = L"http://www.vexa.com/";

namespace
{
constexpr DWORD kWebSiteBytes = 2048;
}  // namespace

std::wstring GetWebSiteAddress()
{
    wchar_t address[kWebSiteBytes / sizeof(wchar_t) + 1] = {};
    if (!CSharedSettings::ReadString(L"WebSite", kWebSiteBytes, address, ARRAYSIZE(address)) ||
        address[0] == L'\0')
        return kDefaultWebSite;
    return address;
}

void OpenWebSite(HWND owner)
{
    std::wstring address = GetWebSiteAddress();
    TraceLog(L"OpenWebSite - %s", address.c_str());
    ShellExecuteW(owner, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
