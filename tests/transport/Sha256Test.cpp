#include "Sha256.h"

#include <gtest/gtest.h>

#include <string>

#include "TestFiles.h"

namespace {

std::string Hex(const Sha256Digest& digest)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (BYTE b : digest)
    {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

TEST(Sha256, KnownVectorsThroughTheFileHasher)
{
    // Bigger than one read, so the file is hashed in pieces.
    std::string mebibyte(1 << 20, '\0');
    for (size_t i = 0; i < mebibyte.size(); ++i)
        mebibyte[i] = static_cast<char>((i * 7 + 3) % 251);
    struct Case
    {
        std::string bytes;
        const char* digest;  // from Python's hashlib
    };
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {mebibyte, "1ac437f476c488acba4000af7ae89ef53f7ffbeef2e937850985f5ceb8b5ae6f"},
    };
    CTempFolder folder;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.bytes.size());
        std::wstring path = folder.WriteBytes(L"package.zip", c.bytes);
        Sha256Digest digest;
        ULONGLONG bytes = 99;
        ASSERT_TRUE(HashFileSha256(path.c_str(), digest, bytes));
        EXPECT_EQ(Hex(digest), c.digest);
        EXPECT_EQ(bytes, c.bytes.size());
    }
}

TEST(Sha256, MissingFileIsNotHashed)
{
    CTempFolder folder;
    Sha256Digest digest;
    ULONGLONG bytes = 0;
    EXPECT_FALSE(HashFileSha256(folder.File(L"none.zip").c_str(), digest, bytes));
}

}  // namespace
