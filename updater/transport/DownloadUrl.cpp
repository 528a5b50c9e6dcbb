#include "DownloadUrl.h"

#include <cwchar>

namespace {

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix)
{
    size_t n = wcslen(prefix);
    return text.size() >= n && _wcsnicmp(text.c_str(), prefix, n) == 0;
}

bool NeedsEscape(wchar_t c)
{
    return c <= 0x20 || c >= 0x7F || wcschr(L"\"<>\\^`{|}", c) != nullptr;
}

void AppendEscapedByte(std::wstring& out, unsigned char byte)
{
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    out += L'%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

std::wstring EscapeObject(const std::wstring& object)
{
    std::wstring out;
    for (size_t i = 0; i < object.size(); ++i)
    {
        wchar_t c = object[i];
        if (!NeedsEscape(c))
        {
            out += c;
            continue;
        }
        // Characters outside ASCII go as their UTF-8 bytes; a surrogate pair
        // is converted as one character.
        size_t units = (IS_HIGH_SURROGATE(c) && i + 1 < object.size()) ? 2 : 1;
        char utf8[8];
        int n = WideCharToMultiByte(CP_UTF8, 0, object.c_str() + i, static_cast<int>(units), utf8,
                                    sizeof(utf8), nullptr, nullptr);
        for (int k = 0; k < n; ++k)
            AppendEscapedByte(out, static_cast<unsigned char>(utf8[k]));
        i += units - 1;
    }
    return out;
}

bool ParsePort(const std::wstring& text, INTERNET_PORT& port)
{
    if (text.empty() || text.size() > 5)
        return false;
    unsigned long value = 0;
    for (wchar_t c : text)
    {
        if (c < L'0' || c > L'9')
            return false;
        value = value * 10 + (c - L'0');
    }
    if (value == 0 || value > 65535)
        return false;
    port = static_cast<INTERNET_PORT>(value);
    return true;
}

}  // namespace

bool ParseDownloadUrl(const wchar_t* pszUrl, DownloadUrl& url)
{
    if (!pszUrl)
        return false;
    std::wstring text = pszUrl;
    size_t start;
    if (StartsWithNoCase(text, L"http://"))
    {
        url.bSecure = false;
        url.nPort = INTERNET_DEFAULT_HTTP_PORT;
        start = 7;
    }
    else if (StartsWithNoCase(text, L"https://"))
    {
        url.bSecure = true;
        url.nPort = INTERNET_DEFAULT_HTTPS_PORT;
        start = 8;
    }
    else
        return false;
    url.dwServiceType = INTERNET_SERVICE_HTTP;

    size_t end = text.find_first_of(L"/?#", start);
    if (end == std::wstring::npos)
        end = text.size();
    std::wstring authority = text.substr(start, end - start);
    if (authority.find(L'@') != std::wstring::npos)
        return false;
    size_t colon = authority.find(L':');
    if (colon != std::wstring::npos)
    {
        if (!ParsePort(authority.substr(colon + 1), url.nPort))
            return false;
        authority.resize(colon);
    }
    if (authority.empty())
        return false;
    for (wchar_t c : authority)
        if (c <= 0x20 || c == 0x7F)
            return false;
    url.strServer = authority;

    std::wstring object = text.substr(end);
    size_t fragment = object.find(L'#');
    if (fragment != std::wstring::npos)
        object.resize(fragment);
    if (object.empty() || object[0] != L'/')
        object.insert(0, L"/");
    url.strObject = EscapeObject(object);
    return true;
}
