// LaunchUpdater against the stand-in Kestupdt.exe built beside this test
// program, which records the parameters of each start in "launches.txt".
#include "UpdaterLauncher.h"

#include <gtest/gtest.h>

#include <string>

#include "TestFiles.h"

namespace {

std::wstring ProgramFolder()
{
    wchar_t szPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    *wcsrchr(szPath, L'\\') = L'\0';
    return szPath;
}

// Launches and waits (at most 20 s) until the stand-in has added its line.
std::string LaunchAndRecord(const std::wstring& record, const wchar_t* pszParameters)
{
    size_t nBefore = ReadFileBytes(record).size();
    LaunchUpdater(nullptr, pszParameters);
    for (int i = 0; i < 200; ++i)
    {
        std::string bytes = ReadFileBytes(record);
        if (bytes.size() > nBefore && bytes.back() == '\n')
            return bytes.substr(nBefore);
        Sleep(100);
    }
    return "(not started)";
}

TEST(LaunchUpdater, StartsTheUpdaterBesideTheAgentWithItsParameters)
{
    std::wstring record = ProgramFolder() + L"\\launches.txt";
    DeleteFileW(record.c_str());

    // The agent's own folder counts, not the current directory.
    CTempFolder elsewhere;
    wchar_t szOldCurrent[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, szOldCurrent);
    SetCurrentDirectoryW(elsewhere.Path().c_str());

    EXPECT_EQ(LaunchAndRecord(record, nullptr), "\n");
    EXPECT_EQ(LaunchAndRecord(record, kHistoryParameters), "/H\n");
    EXPECT_EQ(LaunchAndRecord(record, kScheduledRunParameters), "/SCHEDULE\n");

    SetCurrentDirectoryW(szOldCurrent);
    DeleteFileW(record.c_str());
}

}  // namespace
