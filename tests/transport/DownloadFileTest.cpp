#include "DownloadFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HttpDownload.h"
#include "ServerLocation.h"
#include "TestDownloadOwner.h"
#include "TestFiles.h"
#include "TestServer.h"
#include "TraceCapture.h"
#include "UpdateItem.h"

namespace {

TEST(PackageResultTest, EveryFinalStatus)
{
    struct Case
    {
        LONG status;
        UINT message;
        bool kept;
    };
    const Case cases[] = {
        {DL_COMPLETE, 0, true},
        {DL_E_CANCELLED, 0, true},  // its own status line, no record
        {DL_E_LOCAL_FILE, kStringUnableToCreateLocalFile, false},
        {DL_E_WRITE, kStringDiskFull, false},
        {DL_E_URL, kStringFileNotOnServer, false},
        {DL_E_HTTP_STATUS, kStringFileNotOnServer, false},
        {0, 0, false},
        {DL_E_THREAD, 0, false},
        {DL_E_OPEN, 0, false},
        {DL_E_CONNECT, 0, false},
        {DL_E_CALLBACK, 0, false},
        {DL_E_REQUEST, 0, false},  // after a cancel
        {DL_E_READ, 0, false},     // after a cancel
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(HexStatus(c.status));
        EXPECT_EQ(PackageFailureMessageId(c.status), c.message);
        EXPECT_EQ(IsPackageKept(c.status), c.kept);
    }
}

class DownloadFileTest : public testing::Test
{
protected:
    CTestDownloadOwner m_owner;
    CTempFolder m_folder;
};

TEST_F(DownloadFileTest, CancelledRunReturnsZeroWithoutRequest)
{
    PutServedFile(L"pub/never.zip", MakeContent(1000));
    size_t requestsBefore = ServerRequests().size();
    std::wstring local = m_folder.File(L"never.zip");
    m_owner.Cancel();

    EXPECT_EQ(DownloadFile(m_owner, ServerUrl(L"pub/never.zip").c_str(), local.c_str(), TRUE), 0);

    EXPECT_EQ(ServerRequests().size(), requestsBefore);
    EXPECT_FALSE(PathExists(local));
    EXPECT_TRUE(m_owner.m_aProgress.empty());
}

TEST_F(DownloadFileTest, ProgressMessagesReachTheWindow)
{
    std::string body = MakeContent(64 * 1024);
    PutServedFile(L"pub/progress.zip", body);
    std::wstring local = m_folder.File(L"progress.zip");

    LONG status =
        DownloadFile(m_owner, ServerUrl(L"_fault/drip=4096:10/pub/progress.zip").c_str(), local.c_str(), TRUE);

    EXPECT_EQ(HexStatus(status), HexStatus(DL_COMPLETE));
    EXPECT_TRUE(ReadFileBytes(local) == body);
    const std::vector<WPARAM>& progress = m_owner.m_aProgress;
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100u);
    bool sawPart = false;
    for (size_t i = 0; i < progress.size(); ++i)
    {
        sawPart = sawPart || (progress[i] > 0 && progress[i] < 100);
        if (i > 0)
        {
            EXPECT_GE(progress[i], progress[i - 1]);
        }
    }
    EXPECT_TRUE(sawPart);
    EXPECT_TRUE(m_owner.m_aError.empty());
}

TEST_F(DownloadFileTest, FailureIsPostedAndTracedWithoutProgressForTheIndex)
{
    std::wstring local = m_folder.File(L"missing.idx");
    CTraceCapture trace;

    EXPECT_EQ(HexStatus(DownloadFile(m_owner, ServerUrl(L"pub/missing.zip").c_str(), local.c_str(), TRUE)),
              HexStatus(DL_E_HTTP_STATUS));
    ASSERT_FALSE(m_owner.m_aError.empty());
    EXPECT_EQ(static_cast<LONG>(m_owner.m_aError.back()), DL_E_HTTP_STATUS);
    ASSERT_GE(trace.Lines().size(), 2u);
    EXPECT_EQ(trace.Lines()[trace.Lines().size() - 2], L"DownloadFile : 80000007\n");
    EXPECT_EQ(trace.Lines().back().substr(0, 15), L"DownloadFile : ");

    // The index is fetched without any message to the window.
    m_owner.m_aError.clear();
    m_owner.m_aProgress.clear();
    EXPECT_EQ(HexStatus(DownloadFile(m_owner, ServerUrl(L"pub/missing.zip").c_str(), local.c_str(), FALSE)),
              HexStatus(DL_E_HTTP_STATUS));
    EXPECT_TRUE(m_owner.m_aError.empty());
    EXPECT_TRUE(m_owner.m_aProgress.empty());
}

TEST_F(DownloadFileTest, CancelDuringTheTransferAbortsIt)
{
    PutServedFile(L"pub/cancel.zip", MakeContent(400 * 1024));
    std::wstring local = m_folder.File(L"cancel.zip");
    m_owner.m_onEvent = [](CTestDownloadOwner& owner) {
        if (!owner.m_aProgress.empty() && owner.m_aProgress.back() >= 5)
            owner.Cancel();
    };

    LONG status =
        DownloadFile(m_owner, ServerUrl(L"_fault/drip=4096:20/pub/cancel.zip").c_str(), local.c_str(), TRUE);

    EXPECT_EQ(HexStatus(status), HexStatus(DL_E_CANCELLED));
    EXPECT_FALSE(PathExists(local));
    EXPECT_LT(m_owner.m_aProgress.back(), 50u);
}

// Package downloads go to the Temp folder beside the program, a 2 MiB file
// system in the test's own namespace.
class DownloadPackageTest : public DownloadFileTest
{
protected:
    DownloadPackageTest() : m_setting(ServerBase())
    {
        m_item.bType = kItemTypeDriver;
        wcscpy(m_item.szTitle, L"LAN Driver");
        m_item.nIndex = 7;
    }
    ~DownloadPackageTest() override
    {
        DeleteFileW(LocalPackage().c_str());
        RemoveDirectoryW(LocalPackage().c_str());
        RemoveDirectoryW(ItemFolder().c_str());
    }

    void SetZipPath(const wchar_t* path) { wcscpy(m_item.szZipPath, path); }
    std::wstring ItemFolder() const { return GetTempFolder() + L"\\7"; }
    std::wstring LocalPackage() const { return ItemFolder() + L"\\lan.zip"; }

    CServerSetting m_setting;
    UpdateItem m_item;
};

TEST_F(DownloadPackageTest, CompletePackageIsStoredInTheItem)
{
    std::string body = MakeContent(50000);
    PutServedFile(L"pub/drivers/lan.zip", body);
    SetZipPath(L"pub/drivers/lan.zip");

    LONG status = DownloadPackage(m_owner, m_item);

    EXPECT_EQ(HexStatus(status), HexStatus(DL_COMPLETE));
    EXPECT_TRUE(IsPackageKept(status));
    EXPECT_EQ(std::wstring(m_item.szPath), LocalPackage());
    EXPECT_TRUE(ReadFileBytes(LocalPackage()) == body);
    EXPECT_TRUE(m_owner.m_aStatusLine.empty());
    EXPECT_TRUE(m_owner.m_aHistory.empty());
}

// Each final status as the user sees it: status line, history record, and
// whether the item stays in the run.
struct PackageCase
{
    const char* name;
    const wchar_t* zipPath;
    const wchar_t* message;  // null: none
    bool recorded;
    LONG status;
};

TEST_F(DownloadPackageTest, FailuresAreShownRecordedAndDropTheItem)
{
    PutServedFile(L"pub/drivers/lan.zip", MakeContent(50000));
    PutServedFile(L"pub/big/lan.zip", MakeContent(3 * 1024 * 1024));
    const PackageCase cases[] = {
        {"missing on the server", L"pub/none/lan.zip", L"Unable to find the file on the remote server!", true,
         DL_E_HTTP_STATUS},
        {"server error", L"_fault/status=500/pub/drivers/lan.zip", L"Unable to find the file on the remote server!",
         true, DL_E_HTTP_STATUS},
        {"disk full", L"pub/big/lan.zip", L"Downloading abort due to insufficient disk free space!", true,
         DL_E_WRITE},
        {"body cut short", L"_fault/cut=1000/pub/drivers/lan.zip", L"Connection has been cancelled!", false,
         DL_E_CANCELLED},
    };
    for (const PackageCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_owner.m_aStatusLine.clear();
        m_owner.m_aHistory.clear();
        DeleteFileW(LocalPackage().c_str());
        SetZipPath(c.zipPath);

        LONG status = DownloadPackage(m_owner, m_item);

        EXPECT_EQ(HexStatus(status), HexStatus(c.status));
        EXPECT_EQ(IsPackageKept(status), c.status == DL_E_CANCELLED);
        ASSERT_EQ(m_owner.m_aStatusLine.size(), 1u);
        EXPECT_EQ(m_owner.m_aStatusLine[0], c.message);
        ASSERT_EQ(m_owner.m_aHistory.size(), c.recorded ? 1u : 0u);
        if (c.recorded)
        {
            EXPECT_FALSE(m_owner.m_aHistory[0].bStatus);
            EXPECT_EQ(m_owner.m_aHistory[0].strText, c.message);
            EXPECT_EQ(m_owner.m_aHistory[0].nType, kItemTypeDriver);
            EXPECT_EQ(m_owner.m_aHistory[0].strName, L"LAN Driver");
        }
        EXPECT_EQ(m_item.szPath[0], L'\0');
    }
}

TEST_F(DownloadPackageTest, LocalFileThatCannotBeCreated)
{
    PutServedFile(L"pub/drivers/lan.zip", MakeContent(1000));
    SetZipPath(L"pub/drivers/lan.zip");
    // A folder in the package file's place.
    CreateDirectoryW(GetTempFolder().c_str(), nullptr);
    CreateDirectoryW(ItemFolder().c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(LocalPackage().c_str(), nullptr));

    EXPECT_EQ(HexStatus(DownloadPackage(m_owner, m_item)), HexStatus(DL_E_LOCAL_FILE));

    ASSERT_EQ(m_owner.m_aStatusLine.size(), 1u);
    EXPECT_EQ(m_owner.m_aStatusLine[0], L"Unable to create local file!");
    ASSERT_EQ(m_owner.m_aHistory.size(), 1u);
    EXPECT_EQ(m_owner.m_aHistory[0].strText, L"Unable to create local file!");
}

TEST_F(DownloadPackageTest, UnreachableServerIsRetriedWithOneRecord)
{
    CServerSetting closed(L"http://127.0.0.1:9");
    SetZipPath(L"pub/drivers/lan.zip");
    // The second failure in a row is the last one: cancel as it is shown.
    m_owner.m_onEvent = [](CTestDownloadOwner& owner) {
        int failures = 0;
        for (const std::wstring& line : owner.m_aStatusLine)
            failures += line == L"Fail to connect to VEXA web server!";
        if (failures == 2)
            owner.Cancel();
    };

    LONG status = DownloadPackage(m_owner, m_item);

    EXPECT_EQ(HexStatus(status), HexStatus(DL_E_REQUEST));
    EXPECT_FALSE(IsPackageKept(status));
    std::vector<std::wstring> expected = {
        L"Fail to connect to VEXA web server!",
        L"Download LAN Driver...",
        L"Fail to connect to VEXA web server!",
        L"Download LAN Driver...",
    };
    EXPECT_EQ(m_owner.m_aStatusLine, expected);
    ASSERT_EQ(m_owner.m_aHistory.size(), 1u);
    EXPECT_FALSE(m_owner.m_aHistory[0].bStatus);
    EXPECT_EQ(m_owner.m_aHistory[0].strText, L"Fail to connect to VEXA web server!");
    EXPECT_EQ(m_owner.m_aHistory[0].nType, -1);
}

}  // namespace
