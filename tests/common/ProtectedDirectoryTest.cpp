#include "ProtectedDirectory.h"

#include <gtest/gtest.h>

#include <string>

#include "TestFiles.h"
#include "UniqueHandle.h"

namespace {

// The updater's UTF-16 build and the self-updater's ANSI build must behave
// the same, so every case runs through both.
using RemoveForm = void (*)(const std::wstring& folder);

void RemoveWide(const std::wstring& folder)
{
    RemoveProtectedDirectory(folder.c_str());
}

void RemoveAnsi(const std::wstring& folder)
{
    char ansi[MAX_PATH];
    WideCharToMultiByte(CP_ACP, 0, folder.c_str(), -1, ansi, MAX_PATH, nullptr, nullptr);
    RemoveProtectedDirectory(ansi);
}

class ProtectedDirectoryTest : public testing::TestWithParam<RemoveForm>
{
protected:
    std::wstring Folder(const wchar_t* relative)
    {
        std::wstring path = m_scratch.File(relative);
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }
    std::wstring File(const wchar_t* relative, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
    {
        std::wstring path = m_scratch.WriteBytes(relative, "data");
        SetFileAttributesW(path.c_str(), attributes);
        return path;
    }

    CTempFolder m_scratch;
};

TEST_P(ProtectedDirectoryTest, ReadOnlyEntriesGoWithTheirFolders)
{
    const std::wstring root = Folder(L"Temp");
    Folder(L"Temp\\3");
    Folder(L"Temp\\3\\bin");
    File(L"Temp\\3\\bin\\setup.exe", FILE_ATTRIBUTE_READONLY);
    File(L"Temp\\3\\readme.txt");
    File(L"Temp\\index.xml", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const std::wstring lockedFolder = Folder(L"Temp\\locked");
    File(L"Temp\\locked\\a.txt");
    SetFileAttributesW(lockedFolder.c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(root.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::wstring sibling = File(L"sibling.txt");

    GetParam()(root);

    EXPECT_FALSE(PathExists(root));
    EXPECT_TRUE(PathExists(sibling));
}

TEST_P(ProtectedDirectoryTest, MissingFolderChangesNothing)
{
    const std::wstring sibling = File(L"sibling.txt");
    GetParam()(m_scratch.File(L"none"));
    GetParam()(m_scratch.File(L"none\\deeper"));
    EXPECT_TRUE(PathExists(sibling));
    EXPECT_TRUE(PathExists(m_scratch.Path()));
}

TEST_P(ProtectedDirectoryTest, FileInUseKeepsItsFoldersAndEverythingElseGoes)
{
    const std::wstring root = Folder(L"Temp");
    Folder(L"Temp\\5");
    Folder(L"Temp\\5\\drv");
    const std::wstring held = File(L"Temp\\5\\drv\\held.sys");
    File(L"Temp\\5\\drv\\other.inf", FILE_ATTRIBUTE_READONLY);
    File(L"Temp\\5\\setup.exe");
    Folder(L"Temp\\7");
    File(L"Temp\\7\\app.msi");
    File(L"Temp\\index.xml");

    {
        CFileHandle inUse(CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
        ASSERT_TRUE(inUse);
        GetParam()(root);
    }

    EXPECT_TRUE(PathExists(held));
    EXPECT_FALSE(PathExists(m_scratch.File(L"Temp\\5\\drv\\other.inf")));
    EXPECT_FALSE(PathExists(m_scratch.File(L"Temp\\5\\setup.exe")));
    EXPECT_FALSE(PathExists(m_scratch.File(L"Temp\\7")));
    EXPECT_FALSE(PathExists(m_scratch.File(L"Temp\\index.xml")));

    // Once the file is free, a second pass takes the rest.
    GetParam()(root);
    EXPECT_FALSE(PathExists(root));
}

// Wine keeps no access list on files, so only the results are visible here:
// the world group's name resolves, an unknown account does not.
TEST(ProtectedEntryAccess, GrantFullAccessNeedsAnAccountThatResolves)
{
    CTempFolder scratch;
    const std::wstring path = scratch.WriteBytes(L"file.txt", "data");
    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    PSID world = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0,
                                         0, &world));
    wchar_t worldName[256], domain[256];
    DWORD nameChars = 256, domainChars = 256;
    SID_NAME_USE use;
    BOOL found = LookupAccountSidW(nullptr, world, worldName, &nameChars, domain, &domainChars, &use);
    FreeSid(world);
    ASSERT_TRUE(found);

    EXPECT_TRUE(GrantFullAccess(path.c_str(), worldName, GENERIC_ALL));
    EXPECT_TRUE(GrantFullAccess(Narrow(path).c_str(), Narrow(worldName).c_str(), GENERIC_ALL));
    EXPECT_FALSE(GrantFullAccess(path.c_str(), L"No Such Account 7f3a", GENERIC_ALL));
    EXPECT_FALSE(GrantFullAccess(Narrow(path).c_str(), "No Such Account 7f3a", GENERIC_ALL));
    EXPECT_TRUE(TakeOwnership(path.c_str()));
    EXPECT_TRUE(TakeOwnership(Narrow(path).c_str()));
}

INSTANTIATE_TEST_SUITE_P(BothForms, ProtectedDirectoryTest,
                         testing::Values(&RemoveWide, &RemoveAnsi),
                         [](const testing::TestParamInfo<RemoveForm>& info) {
                             return info.index == 0 ? "Utf16" : "Ansi";
                         });

}  // namespace
