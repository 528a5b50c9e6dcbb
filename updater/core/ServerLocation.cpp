#include "ServerLocation.h"

#include <windows.h>

#include "ServerSettings.h"
#include "TraceLog.h"
#include "UpdateItem.h"
#include "WideText.h"

namespace {

constexpr wchar_t kReleaseBase[] = L"/pub/VEXA/Skylark/Release/";
constexpr wchar_t kDebugBase[] = L"/pub/VEXA/Skylark/Debug/";

void CreateFolder(const std::wstring& path)
{
    // An existing folder is fine.
    CreateDirectoryW(path.c_str(), nullptr);
}

}  // namespace

std::wstring GetProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

std::wstring GetTempFolder()
{
    return GetProgramFolder() + L"Temp";
}

const wchar_t* GetFamilyFolder(const wchar_t* pszModelName, const wchar_t* pszFamilyName)
{
    if (EqualsNoCase(pszModelName, L"K404") || EqualsNoCase(pszModelName, L"QT2207") ||
        EqualsNoCase(pszFamilyName, L"Ovo Family"))
        return L"Ovo Family/";
    if (EqualsNoCase(pszFamilyName, L"Towerline"))
        return L"Towerline PC/";
    return L"Media Den/";
}

DownloadLocation GetIndexLocation(const wchar_t* pszModelName, const wchar_t* pszFamilyName, int nRunMode)
{
    std::wstring name = pszModelName ? pszModelName : L"";
    for (wchar_t& c : name)
        if (c == L'/')
            c = L'_';
    TraceLog(L"Change file name to %s", name.c_str());
    TraceLog(L"Change URL to %s", name.c_str());

    DownloadLocation location;
    location.strUrl = GetUpdateServer() + (nRunMode == 1 ? kDebugBase : kReleaseBase) +
                      GetFamilyFolder(pszModelName, pszFamilyName) + name + L".idx";
    std::wstring temp = GetTempFolder();
    CreateFolder(temp);
    location.strLocalPath = temp + L"\\" + name + L".idx";
    TraceLog(L"Download %s", location.strUrl.c_str());
    return location;
}

DownloadLocation GetPackageLocation(const UpdateItem& item)
{
    DownloadLocation location;
    location.strUrl = GetUpdateServer() + L"/" + item.szZipPath;
    std::wstring temp = GetTempFolder();
    CreateFolder(temp);
    std::wstring folder = temp + L"\\" + std::to_wstring(item.nIndex);
    CreateFolder(folder);
    location.strLocalPath = folder + L"\\" + location.strUrl.substr(location.strUrl.rfind(L'/') + 1);
    return location;
}
