#include "PackageCheck.h"

#include <gtest/gtest.h>

#include <string>

#include "TestFiles.h"
#include "UpdateItem.h"
#include "WideText.h"

namespace {

// SHA-256 of "abc".
constexpr wchar_t kAbcHash[] = L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

TEST(PackageCheck, HashTextsOfTheWrongFormAreRefused)
{
    Sha256Digest digest;
    ASSERT_TRUE(ParseSha256Hex(kAbcHash, digest));
    EXPECT_EQ(digest[0], 0xba);
    EXPECT_EQ(digest[31], 0xad);
    ASSERT_TRUE(ParseSha256Hex(L"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015Ad",
                               digest));
    EXPECT_EQ(digest[0], 0xba);

    const std::wstring good = kAbcHash;
    for (const std::wstring& bad :
         {std::wstring(), good.substr(1), good + L"0", L"g" + good.substr(1),
          good.substr(0, 31) + L" " + good.substr(32), L"0x" + good.substr(2),
          good.substr(0, 63) + L"\u0661"})
        EXPECT_FALSE(ParseSha256Hex(bad.c_str(), digest)) << Narrow(bad);
}

TEST(PackageCheck, VerdictTable)
{
    PackageFacts abc;
    abc.bHashed = true;
    ParseSha256Hex(kAbcHash, abc.digest);
    abc.nBytes = 3;
    PackageFacts notHashed;

    struct Case
    {
        BOOL given;
        const wchar_t* hash;
        LONG size;
        bool required;
        const PackageFacts& facts;
        PackageVerdict verdict;
    };
    const Case cases[] = {
        {TRUE, kAbcHash, 3, false, abc, PackageVerdict::Verified},
        {TRUE, kAbcHash, 0, true, abc, PackageVerdict::Verified},  // no size given
        {TRUE, kAbcHash, 4, false, abc, PackageVerdict::WrongSize},
        {TRUE, L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ae", 3, false,
         abc, PackageVerdict::WrongHash},
        {TRUE, L"", 3, false, abc, PackageVerdict::BadHash},
        {TRUE, L"ba7816bf", 3, false, abc, PackageVerdict::BadHash},
        {TRUE, kAbcHash, 3, false, notHashed, PackageVerdict::NotHashed},
        {FALSE, L"", 3, false, notHashed, PackageVerdict::Unchecked},
        {FALSE, L"", 3, true, notHashed, PackageVerdict::NoHash},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(Narrow(c.hash) + " size " + std::to_string(c.size));
        PackageVerdict verdict = JudgePackage(c.given, c.hash, c.size, c.required, c.facts);
        EXPECT_EQ(verdict, c.verdict);
        EXPECT_EQ(IsPackageAccepted(verdict),
                  c.verdict == PackageVerdict::Verified || c.verdict == PackageVerdict::Unchecked);
    }
}

TEST(PackageCheck, DownloadedFileIsHashedWhereTheItemGivesAHash)
{
    CTempFolder folder;
    UpdateItem item;
    CopyBounded(item.szPath, folder.WriteBytes(L"package.zip", "abc").c_str());
    item.nSize = 3;
    CopyBounded(item.szSha256, kAbcHash);
    item.bSha256 = TRUE;
    EXPECT_EQ(CheckDownloadedPackage(item, true), PackageVerdict::Verified);

    folder.WriteBytes(L"package.zip", "abd");
    EXPECT_EQ(CheckDownloadedPackage(item, true), PackageVerdict::WrongHash);

    DeleteFileW(item.szPath);
    EXPECT_EQ(CheckDownloadedPackage(item, false), PackageVerdict::NotHashed);
}

}  // namespace
