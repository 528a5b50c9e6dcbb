// Where the update server and the maker's web site are. Both have a
// compiled-in default that a string value in the shared settings key
// overrides: "Server" (a base URL such as http://127.0.0.1:8080) and
// "WebSite".
#pragma once

#include <string>

extern const wchar_t kDefaultUpdateServer[];
extern const wchar_t kDefaultWebSite[];

// The update server's base URL, without a trailing "/".
std::wstring GetUpdateServer();

// The address that the web-site button opens.
std::wstring GetMakerWebSite();
