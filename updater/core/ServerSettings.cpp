#include "ServerSettings.h"

#include <windows.h>

#include "UniqueHandle.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Vexa\\Vexa Kestrel";
constexpr wchar_t kDefaultUpdateServer[] = L"http://update.vexa.example";
constexpr wchar_t kDefaultWebSite[] = L"http://www.vexa.example/";

// A string value of the settings key, or the default when the key or the
// value is missing, empty or not a string.
std::wstring ReadSetting(const wchar_t* pszValue, const wchar_t* pszDefault)
{
    CRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        return pszDefault;
    // Values are written without their terminating zero: leave room for it.
    wchar_t text[512] = {};
    DWORD dwType = 0;
    DWORD cb = sizeof(text) - sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), pszValue, nullptr, &dwType, reinterpret_cast<BYTE*>(text), &cb) !=
            ERROR_SUCCESS ||
        dwType != REG_SZ || text[0] == L'\0')
        return pszDefault;
    return text;
}

}  // namespace

std::wstring GetUpdateServer()
{
    std::wstring server = ReadSetting(L"Server", kDefaultUpdateServer);
    while (!server.empty() && server.back() == L'/')
        server.pop_back();
    return server;
}

std::wstring GetMakerWebSite()
{
    return ReadSetting(L"WebSite", kDefaultWebSite);
}
