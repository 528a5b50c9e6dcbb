#include "ProductList.h"

#include <gtest/gtest.h>

#include <string>

#include "TestFiles.h"

namespace {

// MD5 of the pass phrase "Harbor Mint Path", worked out apart from the
// product (Python's hashlib); CryptDeriveKey makes a 128-bit RC4 key of
// exactly these bytes.
constexpr unsigned char kKey[16] = {0x52, 0xE9, 0x42, 0x46, 0x94, 0x88, 0x9B, 0xDC,
                                    0xEC, 0xE9, 0x26, 0x23, 0x88, 0xF8, 0x67, 0x70};

// Plain RC4, so a list can be read and written without CryptoAPI.
std::string Rc4(const std::string& data)
{
    unsigned char s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i)
    {
        j = (j + s[i] + kKey[i % 16]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    std::string out = data;
    int i = 0;
    int j = 0;
    for (char& byte : out)
    {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        byte = static_cast<char>(byte ^ s[(s[i] + s[j]) & 0xFF]);
    }
    return out;
}

std::string ExpectedList(const std::string& model, const std::vector<std::string>& paths)
{
    std::string text = "<product name=\"" + model + "\">\r\n";
    for (const std::string& path : paths)
        text += "<zip-path> " + path + " </zip-path>\r\n";
    return "\xFF\xFE" + Utf16Bytes(text + "</product>\r\n");
}

class ProductListTest : public testing::Test
{
protected:
    std::string Ansi(const std::wstring& path) { return Narrow(path); }

    std::string Decrypted(const std::wstring& encrypted)
    {
        std::wstring plain = m_folder.File(L"check.raw");
        EXPECT_EQ(DecryptFile(kProductListPassPhrase, kProductListPassPhrase,
                              Ansi(encrypted).c_str(), Ansi(plain).c_str()),
                  1);
        return ReadFileBytes(plain);
    }

    CTempFolder m_folder;
};

TEST_F(ProductListTest, FirstAndSecondRecord)
{
    const wchar_t* folder = m_folder.Path().c_str();
    ASSERT_TRUE(RecordInstalledPackage(folder, L"Pellar D22", L"/pub/Pellar/bios0602.zip"));
    std::wstring encrypted = m_folder.File(L"Pellar D22.fbk");
    std::string first = ExpectedList("Pellar D22", {"/pub/Pellar/bios0602.zip"});
    EXPECT_EQ(Decrypted(encrypted), first);
    EXPECT_EQ(ReadFileBytes(encrypted), Rc4(first));
    EXPECT_EQ(GetFileAttributesW(m_folder.File(L"Pellar D22.raw").c_str()), INVALID_FILE_ATTRIBUTES);

    ASSERT_TRUE(RecordInstalledPackage(folder, L"Pellar D22", L"/pub/Pellar/audio.zip"));
    std::string second =
        ExpectedList("Pellar D22", {"/pub/Pellar/bios0602.zip", "/pub/Pellar/audio.zip"});
    EXPECT_EQ(Decrypted(encrypted), second);
    EXPECT_EQ(ReadFileBytes(encrypted), Rc4(second));
}

TEST_F(ProductListTest, SlashInModelNameNamesTheFileWithUnderscore)
{
    ASSERT_TRUE(RecordInstalledPackage(m_folder.Path().c_str(), L"AB/CD 12", L"x.zip"));
    EXPECT_EQ(Decrypted(m_folder.File(L"AB_CD 12.fbk")), ExpectedList("AB/CD 12", {"x.zip"}));
}

TEST_F(ProductListTest, LeftoverPlainListIsAppendedTo)
{
    // Stopped between decryption and encryption: the plain list is still there.
    m_folder.WriteBytes(L"M1.raw", ExpectedList("M1", {"a.zip"}));
    ASSERT_TRUE(RecordInstalledPackage(m_folder.Path().c_str(), L"M1", L"b.zip"));
    EXPECT_EQ(Decrypted(m_folder.File(L"M1.fbk")), ExpectedList("M1", {"a.zip", "b.zip"}));
}

TEST_F(ProductListTest, ChunkBoundariesRoundTrip)
{
    for (size_t size : {0u, 999u, 1000u, 1001u, 2500u})
    {
        SCOPED_TRACE(size);
        std::string plain;
        for (size_t i = 0; i < size; ++i)
            plain += static_cast<char>(i * 7 + 3);
        std::wstring source = m_folder.WriteBytes(L"plain.bin", plain);
        std::wstring encrypted = m_folder.File(L"plain.fbk");
        ASSERT_EQ(EncryptFile(kProductListPassPhrase, kProductListPassPhrase,
                              Ansi(source).c_str(), Ansi(encrypted).c_str()),
                  1);
        EXPECT_EQ(ReadFileBytes(encrypted), Rc4(plain));
        EXPECT_EQ(Decrypted(encrypted), plain);
    }
}

TEST_F(ProductListTest, UnreadableSourceOrUnwritableTargetGivesZero)
{
    std::string missing = Ansi(m_folder.File(L"missing.raw"));
    std::string target = Ansi(m_folder.File(L"out.fbk"));
    EXPECT_EQ(EncryptFile(kProductListPassPhrase, kProductListPassPhrase, missing.c_str(),
                          target.c_str()),
              0);
    std::string source = Ansi(m_folder.WriteBytes(L"in.raw", "data"));
    std::string badTarget = Ansi(m_folder.File(L"no\\such\\folder.fbk"));
    EXPECT_EQ(DecryptFile(kProductListPassPhrase, kProductListPassPhrase, source.c_str(),
                          badTarget.c_str()),
              0);
}

TEST_F(ProductListTest, UnwritableFolderRecordsNothing)
{
    std::wstring missingFolder = m_folder.File(L"absent");
    EXPECT_FALSE(RecordInstalledPackage(missingFolder.c_str(), L"M1", L"a.zip"));
}

}  // namespace
