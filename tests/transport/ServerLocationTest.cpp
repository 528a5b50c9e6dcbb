#include "ServerLocation.h"

#include <gtest/gtest.h>

#include "ServerSettings.h"
#include "TestFiles.h"
#include "TestServer.h"
#include "TraceCapture.h"
#include "UpdateItem.h"

namespace {

constexpr wchar_t kServer[] = L"http://127.0.0.1:8080";

bool IsFolder(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(ServerLocationTest, ProgramAndTempFolders)
{
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring folder = program;
    folder.resize(folder.rfind(L'\\') + 1);
    EXPECT_EQ(GetProgramFolder(), folder);
    EXPECT_EQ(GetTempFolder(), folder + L"Temp");
}

TEST(ServerLocationTest, ServerComesFromTheSharedSettings)
{
    EXPECT_EQ(GetUpdateServer(), L"http://update.vexa.example");
    EXPECT_EQ(GetMakerWebSite(), L"http://www.vexa.example/");
    CServerSetting setting(L"http://127.0.0.1:8080//");
    EXPECT_EQ(GetUpdateServer(), kServer);
}

struct IndexCase
{
    const wchar_t* model;
    const wchar_t* family;
    int runMode;
    const wchar_t* path;  // after the server
    const wchar_t* file;  // in the Temp folder
};

TEST(ServerLocationTest, IndexLocationFromModelFamilyAndRunMode)
{
    CServerSetting setting(kServer);
    const IndexCase cases[] = {
        {L"AB/CD", L"Towerline", 0, L"/pub/VEXA/Skylark/Release/Towerline PC/AB_CD.idx", L"AB_CD.idx"},
        {L"AB/CD", L"TOWERLINE", 1, L"/pub/VEXA/Skylark/Debug/Towerline PC/AB_CD.idx", L"AB_CD.idx"},
        {L"K404", L"Towerline", 0, L"/pub/VEXA/Skylark/Release/Ovo Family/K404.idx", L"K404.idx"},
        {L"k404", L"Media", 0, L"/pub/VEXA/Skylark/Release/Ovo Family/k404.idx", L"k404.idx"},
        {L"QT2207", L"", 0, L"/pub/VEXA/Skylark/Release/Ovo Family/QT2207.idx", L"QT2207.idx"},
        {L"P5", L"ovo family", 0, L"/pub/VEXA/Skylark/Release/Ovo Family/P5.idx", L"P5.idx"},
        {L"P5", L"Towerline PC", 0, L"/pub/VEXA/Skylark/Release/Media Den/P5.idx", L"P5.idx"},
        {L"a/b/c", L"", 0, L"/pub/VEXA/Skylark/Release/Media Den/a_b_c.idx", L"a_b_c.idx"},
        {L"", L"", 0, L"/pub/VEXA/Skylark/Release/Media Den/.idx", L".idx"},
    };
    for (const IndexCase& c : cases)
    {
        SCOPED_TRACE(Narrow(c.model) + " / " + Narrow(c.family));
        DownloadLocation location = GetIndexLocation(c.model, c.family, c.runMode);
        EXPECT_EQ(location.strUrl, std::wstring(kServer) + c.path);
        EXPECT_EQ(location.strLocalPath, GetTempFolder() + L"\\" + c.file);
    }
    EXPECT_TRUE(IsFolder(GetTempFolder()));
}

TEST(ServerLocationTest, IndexTraces)
{
    CServerSetting setting(kServer);
    CTraceCapture trace;
    GetIndexLocation(L"AB/CD", L"Towerline", 0);
    std::vector<std::wstring> expected = {
        L"Change file name to AB_CD",
        L"Change URL to AB_CD",
        L"Download http://127.0.0.1:8080/pub/VEXA/Skylark/Release/Towerline PC/AB_CD.idx",
    };
    EXPECT_EQ(trace.Lines(), expected);
}

TEST(ServerLocationTest, PackageLocationIsTheSameInEveryRunMode)
{
    CServerSetting setting(kServer);
    UpdateItem item;
    wcscpy(item.szZipPath, L"pub/VEXA/Skylark/Drivers/lan 2.zip");
    item.nIndex = 12;

    DownloadLocation location = GetPackageLocation(item);

    EXPECT_EQ(location.strUrl, L"http://127.0.0.1:8080/pub/VEXA/Skylark/Drivers/lan 2.zip");
    EXPECT_EQ(location.strLocalPath, GetTempFolder() + L"\\12\\lan 2.zip");
    EXPECT_TRUE(IsFolder(GetTempFolder() + L"\\12"));
    RemoveDirectoryW((GetTempFolder() + L"\\12").c_str());
}

}  // namespace
