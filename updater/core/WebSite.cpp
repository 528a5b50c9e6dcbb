#include "WebSite.h"

#include <shellapi.h>

#include "ServerSettings.h"
#include "TraceLog.h"

void OpenWebSite(HWND owner)
{
    std::wstring address = GetMakerWebSite();
    TraceLog(L"OpenWebSite - %s", address.c_str());
    ShellExecuteW(owner, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
