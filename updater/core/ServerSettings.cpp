#include "ServerSettings.h"

#include <windows.h>

#include "SharedSettings.h"

const wchar_t kDefaultUpdateServer[] = L"http://update.vexa.example";
const wchar_t kDefaultWebSite[] = L"http://www.vexa.example/";

namespace {

constexpr DWORD kAddressBytes = 2048;

// A non-empty string value of the shared key that fits its buffer, or the
// default.
std::wstring ReadAddress(const wchar_t* pszValue, const wchar_t* pszDefault)
{
    wchar_t text[kAddressBytes / sizeof(wchar_t) + 1] = {};
    if (!CSharedSettings::ReadString(pszValue, kAddressBytes, text, ARRAYSIZE(text)) ||
        text[0] == L'\0')
        return pszDefault;
    return text;
}

}  // namespace

std::wstring GetUpdateServer()
{
    std::wstring server = ReadAddress(L"Server", kDefaultUpdateServer);
    while (!server.empty() && server.back() == L'/')
        server.pop_back();
    return server;
}

std::wstring GetMakerWebSite()
{
    return ReadAddress(L"WebSite", kDefaultWebSite);
}
