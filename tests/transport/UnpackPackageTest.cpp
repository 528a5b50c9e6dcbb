#include "UnpackPackage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StoredZip.h"
#include "TestFiles.h"
#include "ZipFixtures.h"

namespace {

LONGLONG FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (LONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

class UnpackPackageTest : public testing::Test
{
protected:
    // Packages sit one level down, so a file that escaped would land in
    // the scratch folder itself.
    UnpackPackageTest() : m_package(m_folder.Path() + L"\\1")
    {
        CreateDirectoryW(m_package.c_str(), nullptr);
    }

    std::wstring Fixture(const wchar_t* name) { return CopyFixture(name, m_package); }
    std::wstring Packed(const std::vector<StoredEntry>& entries)
    {
        std::wstring path = m_package + L"\\package.zip";
        std::string bytes = PackStoredZip(entries);
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        return path;
    }
    std::wstring In(const wchar_t* relative) const { return m_package + L"\\" + relative; }

    CTempFolder m_folder;
    std::wstring m_package;
    volatile LONG m_lCancel = 0;
};

TEST_F(UnpackPackageTest, ExtractsFilesFoldersTimesAndAttributes)
{
    ASSERT_EQ(UnpackPackage(Fixture(L"basic.zip").c_str(), &m_lCancel), 0);

    EXPECT_EQ(ReadFileBytes(In(L"readme.txt")), kReadmeText);
    EXPECT_EQ(ReadFileBytes(In(L"setup.exe")), FixturePattern(100000, 7));
    EXPECT_EQ(ReadFileBytes(In(L"docs\\guide.txt")), GuideText());
    EXPECT_EQ(ReadFileBytes(In(L"locked.txt")), "read-only");
    EXPECT_TRUE(GetFileAttributesW(In(L"docs").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(GetFileAttributesW(In(L"locked.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(GetFileAttributesW(In(L"readme.txt").c_str()) & FILE_ATTRIBUTE_READONLY);

    // The archive's stamp is local time: 2009-05-20 13:45:30.
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(In(L"setup.exe").c_str(), GetFileExInfoStandard, &data));
    SYSTEMTIME utc, local;
    FileTimeToSystemTime(&data.ftLastWriteTime, &utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    EXPECT_EQ(local.wYear, 2009);
    EXPECT_EQ(local.wMonth, 5);
    EXPECT_EQ(local.wDay, 20);
    EXPECT_EQ(local.wHour, 13);
    EXPECT_EQ(local.wMinute, 45);
    EXPECT_EQ(local.wSecond, 30);
}

TEST_F(UnpackPackageTest, StubInFrontAndDataDescriptorsExtractEveryEntry)
{
    for (const wchar_t* fixture : {L"stub.zip", L"descriptor.zip"})
    {
        ASSERT_EQ(UnpackPackage(Fixture(fixture).c_str(), &m_lCancel), 0);
        EXPECT_EQ(ReadFileBytes(In(L"setup.exe")), FixturePattern(100000, 7));
        EXPECT_EQ(ReadFileBytes(In(L"docs\\guide.txt")), GuideText());
        SetFileAttributesW(In(L"locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(UnpackPackageTest, BadArchivesAreFormatFailures)
{
    for (const wchar_t* fixture : {L"corrupt_deflate.zip", L"short_deflate.zip", L"empty.zip",
                                   L"comment_65514.zip", L"method_mismatch.zip"})
    {
        EXPECT_EQ(UnpackPackage(Fixture(fixture).c_str(), &m_lCancel), UNPACK_E_FORMAT)
            << Narrow(fixture);
    }
    // A deflate stream that ends early never leaves a file longer than it delivered.
    EXPECT_LT(FileSize(In(L"setup.exe")), 100000 + 1000);
}

TEST_F(UnpackPackageTest, NamesThatLeaveThePackageFolderWriteNothingOutside)
{
    const char* const kEscapes[] = {
        "../kestrel-escape.txt",
        "..\\kestrel-escape.txt",
        "sub/../../kestrel-escape.txt",
        ".. /kestrel-escape.txt",
        "...\\kestrel-escape.txt",
        "/kestrel-escape.txt",
        "\\kestrel-escape.txt",
        "C:/kestrel-escape.txt",
        "C:kestrel-escape.txt",
        "//server/share/kestrel-escape.txt",
        "\\\\?\\C:\\kestrel-escape.txt",
        "\\\\.\\C:\\kestrel-escape.txt",
        "good.txt:kestrel-escape",
        "CON",
        "sub/nul.txt",
        "aux .log",
        "LPT1",
        "com9.txt",
        "CONOUT$",
    };
    for (const char* name : kEscapes)
    {
        std::wstring archive = Packed({{"first.txt", "1"}, {name, "escaped"}});
        EXPECT_EQ(UnpackPackage(archive.c_str(), &m_lCancel), UNPACK_E_FORMAT) << name;
        EXPECT_FALSE(PathExists(m_folder.File(L"kestrel-escape.txt"))) << name;
        EXPECT_FALSE(PathExists(L"C:\\kestrel-escape.txt")) << name;
        EXPECT_FALSE(PathExists(L"\\kestrel-escape.txt")) << name;
        EXPECT_FALSE(PathExists(In(L"good.txt"))) << name;
    }
}

TEST_F(UnpackPackageTest, OrdinaryNamesWithDotsAndDeviceLikeWordsExtract)
{
    std::wstring archive = Packed({{"./a.txt", "a"},
                                   {"sub/b.txt", "b"},
                                   {"sub\\deeper\\c.txt", "c"},
                                   {"x..y.txt", "x"},
                                   {"..hidden", "h"},
                                   {"CONFIG.SYS", "k"},
                                   {"COM10.txt", "m"},
                                   {"folder/", ""}});
    ASSERT_EQ(UnpackPackage(archive.c_str(), &m_lCancel), 0);
    EXPECT_EQ(ReadFileBytes(In(L"a.txt")), "a");
    EXPECT_EQ(ReadFileBytes(In(L"sub\\b.txt")), "b");
    EXPECT_EQ(ReadFileBytes(In(L"sub\\deeper\\c.txt")), "c");
    EXPECT_EQ(ReadFileBytes(In(L"x..y.txt")), "x");
    EXPECT_EQ(ReadFileBytes(In(L"..hidden")), "h");
    EXPECT_EQ(ReadFileBytes(In(L"CONFIG.SYS")), "k");
    EXPECT_EQ(ReadFileBytes(In(L"COM10.txt")), "m");
    EXPECT_FALSE(PathExists(In(L"folder")));  // a folder entry creates nothing
}

TEST_F(UnpackPackageTest, ArchiveGivenWithoutAFolderUnpacksIntoTheCurrentOne)
{
    Packed({{"sub/b.txt", "b"}});
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(m_package.c_str());
    const LONG result = UnpackPackage(L"package.zip", &m_lCancel);
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFileBytes(In(L"sub\\b.txt")), "b");
}

TEST_F(UnpackPackageTest, NameOf1024BytesIsAFormatFailure)
{
    std::wstring archive = Packed({{std::string(1024, 'n'), "x"}});
    EXPECT_EQ(UnpackPackage(archive.c_str(), &m_lCancel), UNPACK_E_FORMAT);
}

// Wine lets root overwrite a read-only file, so the tests block the file
// with one held open without sharing, or with a folder of its name.
TEST_F(UnpackPackageTest, FileThatCannotBeCreatedIsAFileFailure)
{
    const std::wstring blocker = In(L"setup.exe");
    {
        CFileHandle held(CreateFileW(blocker.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(UnpackPackage(Fixture(L"basic.zip").c_str(), &m_lCancel), UNPACK_E_FILE);
        EXPECT_EQ(ReadFileBytes(In(L"readme.txt")), kReadmeText);  // entries before it stay
    }
    EXPECT_EQ(ReadFileBytes(blocker), "");
    EXPECT_FALSE(PathExists(In(L"docs")));  // nothing after it

    DeleteFileW(blocker.c_str());
    ASSERT_TRUE(CreateDirectoryW(blocker.c_str(), nullptr));
    EXPECT_EQ(UnpackPackage(Fixture(L"basic.zip").c_str(), &m_lCancel), UNPACK_E_FILE);
}

// Runs only on the small disk that run-on-full-disk.sh mounts: the package
// fits, its second file does not.
TEST_F(UnpackPackageTest, FullDiskIsAFileFailure)
{
    wchar_t disk[MAX_PATH];
    if (!GetEnvironmentVariableW(L"KESTREL_FULL_DISK", disk, MAX_PATH))
        GTEST_SKIP() << "needs the small disk of run-on-full-disk.sh";
    const std::wstring full = disk;
    const std::wstring archive = CopyFixture(L"basic.zip", full);
    EXPECT_EQ(UnpackPackage(archive.c_str(), &m_lCancel), UNPACK_E_FILE);
    EXPECT_EQ(ReadFileBytes(full + L"\\readme.txt"), kReadmeText);
    EXPECT_LT(ReadFileBytes(full + L"\\setup.exe").size(), 100000u);
    EXPECT_FALSE(PathExists(full + L"\\docs"));
}

TEST_F(UnpackPackageTest, MissingArchiveIsAFileFailure)
{
    EXPECT_EQ(UnpackPackage(In(L"none.zip").c_str(), &m_lCancel), UNPACK_E_FILE);
}

TEST_F(UnpackPackageTest, CancelDuringALargeEntryStopsAfterIt)
{
    volatile LONG result = 0;
    UnpackJob job;
    job.strArchivePath = Fixture(L"large.zip");
    job.plCancel = &m_lCancel;
    job.plInstallError = &result;
    const std::wstring big = In(L"big.bin");

    CHandle worker = StartUnpackWorker(job);
    ASSERT_TRUE(worker);
    while (FileSize(big) <= 0 && WaitForSingleObject(worker.Get(), 0) == WAIT_TIMEOUT)
        Sleep(1);
    InterlockedExchange(&m_lCancel, 1);
    ASSERT_EQ(WaitForSingleObject(worker.Get(), 60000), WAIT_OBJECT_0);

    EXPECT_EQ(result, UNPACK_E_CANCELLED);
    EXPECT_GT(FileSize(big), 0);
    EXPECT_LT(FileSize(big), 256LL * 1024 * 1024);
    EXPECT_EQ(FileSize(big) % 0x4000, 0);
    EXPECT_FALSE(PathExists(In(L"after.txt")));
}

TEST_F(UnpackPackageTest, WorkerLeavesTheResultOfAWholeRun)
{
    volatile LONG result = -1;
    UnpackJob job;
    job.strArchivePath = Fixture(L"basic.zip");
    job.plCancel = &m_lCancel;
    job.plInstallError = &result;
    CHandle worker = StartUnpackWorker(job);
    ASSERT_EQ(WaitForSingleObject(worker.Get(), 60000), WAIT_OBJECT_0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFileBytes(In(L"setup.exe")), FixturePattern(100000, 7));
}

}  // namespace
