// Where the index and the packages lie on the update server and on the
// local disk.
#pragma once

#include <string>

struct UpdateItem;

// The folder of the running program, with its trailing "\".
std::wstring GetProgramFolder();

// The program folder followed by "Temp": the local index and one folder per
// package, named by the item's index.
std::wstring GetTempFolder();

// The family folder on the server, with its trailing "/", for the model and
// family names of the machine.
const wchar_t* GetFamilyFolder(const wchar_t* pszModelName, const wchar_t* pszFamilyName);

struct DownloadLocation
{
    std::wstring strUrl;
    std::wstring strLocalPath;
};

// The model's index: the Release or (run mode 1) Debug base folder, the
// family folder and the model name with "/" replaced by "_" plus ".idx";
// stored in the Temp folder, which is created.
DownloadLocation GetIndexLocation(const wchar_t* pszModelName, const wchar_t* pszFamilyName, int nRunMode);

// An item's package: the server and its zip path; stored in the item's own
// folder below Temp (created) under the URL's last part.
DownloadLocation GetPackageLocation(const UpdateItem& item);
