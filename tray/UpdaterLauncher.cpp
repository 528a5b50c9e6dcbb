#include "UpdaterLauncher.h"

#include <shellapi.h>

void LaunchUpdater(HWND hParent, const wchar_t* pszParameters)
{
    wchar_t szFolder[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szFolder, MAX_PATH);
    if (wchar_t* pszSlash = wcsrchr(szFolder, L'\\'))
        *pszSlash = L'\0';

    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    // No error box when the updater is missing: the agent stays silent.
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = hParent;
    info.lpVerb = L"open";
    info.lpFile = L"Kestupdt.exe";
    info.lpParameters = pszParameters && *pszParameters ? pszParameters : nullptr;
    info.lpDirectory = szFolder;
    info.nShow = SW_SHOW;
    ShellExecuteExW(&info);
}
