// The maker's web site behind the main window's web-site button.
#pragma once

#include <windows.h>

#include <string>

// The compiled-in address, used unless the shared key's `WebSite` value
// (REG_SZ) names another one.
extern const wchar_t kDefaultWebSite[];

// The address to open: a non-empty `WebSite` string that fits 1024 units
// (its terminator included, when it has one) under
// HKLM "SOFTWARE\Vexa\Vexa Kestrel", else the default.
std::wstring GetWebSiteAddress();

// Opens the address with the shell's "open" verb, shown normally.
void OpenWebSite(HWND owner);
