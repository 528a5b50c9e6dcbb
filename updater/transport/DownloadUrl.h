// Splits a download URL into the parts the WinINet connect and request calls
// take. Only http and https are fetched by the engine.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

struct DownloadUrl
{
    DWORD dwServiceType = INTERNET_SERVICE_HTTP;
    std::wstring strServer;
    std::wstring strObject;  // path and query as sent in the request line
    INTERNET_PORT nPort = INTERNET_DEFAULT_HTTP_PORT;
    bool bSecure = false;  // https: the request goes over TLS
};

// Accepts "scheme://host[:port][/path][?query][#fragment]" with the scheme
// http or https (any case). The path defaults to "/"; blanks, controls,
// characters outside ASCII (as UTF-8) and the characters a request line
// cannot carry are percent-encoded; existing escapes are kept. The fragment
// is not sent. User names in the URL are not supported.
bool ParseDownloadUrl(const wchar_t* pszUrl, DownloadUrl& url);
