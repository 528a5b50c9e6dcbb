#include "ZipReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "StoredZip.h"
#include "TestFiles.h"
#include "ZipFixtures.h"

namespace {

int CauseOf(const std::function<void()>& action)
{
    try
    {
        action();
    }
    catch (const CZipException& e)
    {
        return e.m_nCause;
    }
    return 0;
}

std::string ReadEntry(CZipReader& reader)
{
    std::string data;
    char chunk[5000];  // deliberately not a multiple of the reader's buffer
    reader.OpenCurrentEntry();
    while (DWORD read = reader.ReadCurrentEntry(chunk, sizeof(chunk)))
        data.append(chunk, read);
    reader.CloseCurrentEntry();
    return data;
}

class ZipReaderTest : public testing::Test
{
protected:
    std::wstring Fixture(const wchar_t* name) { return CopyFixture(name, m_folder.Path()); }
    CTempFolder m_folder;
};

TEST_F(ZipReaderTest, WalksEntriesAndDeliversStoredAndDeflatedData)
{
    CZipReader reader(Fixture(L"basic.zip").c_str());
    EXPECT_EQ(reader.m_nEntries, 5u);
    EXPECT_EQ(reader.m_nPrefixBytes, 0u);

    std::vector<std::string> names;
    std::vector<std::string> contents;
    std::vector<ZipEntryInfo> infos;
    do
    {
        ZipEntryInfo info;
        char name[64];
        reader.GetCurrentEntryInfo(&info, name, sizeof(name));
        names.push_back(name);
        infos.push_back(info);
        contents.push_back(ReadEntry(reader));
    } while (reader.GoToNextEntry());
    EXPECT_FALSE(reader.GoToNextEntry());
    reader.Close();

    EXPECT_EQ(names, (std::vector<std::string>{"readme.txt", "setup.exe", "docs/", "docs/guide.txt",
                                               "locked.txt"}));
    EXPECT_EQ(contents[0], kReadmeText);
    EXPECT_EQ(contents[1], FixturePattern(100000, 7));
    EXPECT_EQ(contents[3], GuideText());
    EXPECT_EQ(infos[0].dwMethod, 0u);
    EXPECT_EQ(infos[1].dwMethod, 8u);
    EXPECT_EQ(infos[1].dwUncompressedSize, 100000u);
    EXPECT_LT(infos[1].dwCompressedSize, 100000u);
    EXPECT_EQ(infos[4].dwExternalAttributes, 0x21u);
    // 2009-05-20 13:45:30 as DOS date (high word) and time (low word).
    EXPECT_EQ(infos[0].dwDosDateTime, (0x3AB4u << 16) | 0x6DAFu);
}

TEST_F(ZipReaderTest, PrefixBytesShiftEveryOffset)
{
    CZipReader reader(Fixture(L"stub.zip").c_str());
    EXPECT_EQ(reader.m_nPrefixBytes, 200u);
    EXPECT_EQ(ReadEntry(reader), kReadmeText);
    ASSERT_TRUE(reader.GoToNextEntry());
    EXPECT_EQ(ReadEntry(reader), FixturePattern(100000, 7));
}

TEST_F(ZipReaderTest, EndRecordIsFoundWithinTheSearchSpanOnly)
{
    CZipReader reader(Fixture(L"comment_65513.zip").c_str());
    EXPECT_EQ(reader.m_nCommentSize, 65513u);
    EXPECT_EQ(ReadEntry(reader), "comment test");

    std::wstring tooLong = Fixture(L"comment_65514.zip");
    EXPECT_EQ(CauseOf([&] { CZipReader r(tooLong.c_str()); }), kZipBadArchive);
}

TEST_F(ZipReaderTest, DataDescriptorFlagLetsZeroLocalSizesPass)
{
    CZipReader reader(Fixture(L"descriptor.zip").c_str());
    EXPECT_EQ(ReadEntry(reader), kReadmeText);
    ASSERT_TRUE(reader.GoToNextEntry());
    EXPECT_EQ(ReadEntry(reader), FixturePattern(100000, 7));
}

TEST_F(ZipReaderTest, LocalMethodDifferentFromCentralIsBadArchive)
{
    CZipReader reader(Fixture(L"method_mismatch.zip").c_str());
    EXPECT_EQ(CauseOf([&] { reader.OpenCurrentEntry(); }), kZipBadArchive);
}

TEST_F(ZipReaderTest, CorruptedDeflatedByteIsDataOrCrcError)
{
    CZipReader reader(Fixture(L"corrupt_deflate.zip").c_str());
    ASSERT_TRUE(reader.GoToNextEntry());
    int cause = CauseOf([&] { ReadEntry(reader); });
    EXPECT_TRUE(cause == kZipDataError || cause == kZipBadCrc) << cause;
}

TEST_F(ZipReaderTest, DeflateStreamEndingBeforeStatedSizeIsBadArchive)
{
    CZipReader reader(Fixture(L"short_deflate.zip").c_str());
    ASSERT_TRUE(reader.GoToNextEntry());
    EXPECT_EQ(CauseOf([&] { ReadEntry(reader); }), kZipBadArchive);
}

TEST_F(ZipReaderTest, StoredDataEndingBeforeStatedSizeIsBadArchive)
{
    // The stated size runs past the end of the file.
    std::string bytes = PackStoredZip({{"a.txt", "abc"}});
    bytes[18] = bytes[22] = '\x7F';  // local sizes
    size_t central = bytes.find("PK\x01\x02");
    bytes[central + 20] = bytes[central + 24] = '\x7F';
    std::wstring path = m_folder.WriteBytes(L"short.zip", bytes);
    CZipReader reader(path.c_str());
    EXPECT_EQ(CauseOf([&] { ReadEntry(reader); }), kZipBadArchive);
}

TEST_F(ZipReaderTest, EmptyAndTruncatedArchivesAreBad)
{
    EXPECT_EQ(CauseOf([&] { CZipReader r(Fixture(L"empty.zip").c_str()); }), kZipBadArchive);

    const std::string whole = ReadFileBytes(Fixture(L"basic.zip"));
    for (size_t length : {size_t(0), size_t(3), size_t(100), whole.size() / 2, whole.size() - 1,
                          whole.size() - 22})
    {
        std::wstring path = m_folder.WriteBytes(L"cut.zip", whole.substr(0, length));
        EXPECT_EQ(CauseOf([&] { CZipReader r(path.c_str()); }), kZipBadArchive) << length;
    }
}

TEST_F(ZipReaderTest, CrcOfAnEntrySurfacesWhenTheNextOneIsOpened)
{
    std::string bytes = PackStoredZip({{"a.txt", "abc"}, {"b.txt", "def"}});
    bytes[30 + 5] = 'X';  // first entry's data, after its header and name
    std::wstring path = m_folder.WriteBytes(L"crc.zip", bytes);
    CZipReader reader(path.c_str());
    reader.OpenCurrentEntry();
    char data[8];
    EXPECT_EQ(reader.ReadCurrentEntry(data, sizeof(data)), 3u);
    ASSERT_TRUE(reader.GoToNextEntry());
    EXPECT_EQ(CauseOf([&] { reader.OpenCurrentEntry(); }), kZipBadCrc);
}

TEST_F(ZipReaderTest, MisuseIsBadParameter)
{
    CZipReader reader(Fixture(L"basic.zip").c_str());
    char data[8];
    EXPECT_EQ(CauseOf([&] { reader.ReadCurrentEntry(data, sizeof(data)); }), kZipBadParam);
    EXPECT_EQ(CauseOf([&] { reader.CloseCurrentEntry(); }), kZipBadParam);
    reader.OpenCurrentEntry();
    EXPECT_EQ(reader.ReadCurrentEntry(nullptr, 10), 0u);
    reader.Close();
    EXPECT_EQ(CauseOf([&] { reader.OpenCurrentEntry(); }), kZipBadParam);
}

TEST_F(ZipReaderTest, NameIsCutToItsBufferAndTerminatedWhenShorter)
{
    CZipReader reader(Fixture(L"basic.zip").c_str());
    char name[6] = "#####";
    reader.GetCurrentEntryInfo(nullptr, name, 4);
    EXPECT_EQ(std::string(name, 5), "read#");
    reader.GetCurrentEntryInfo(nullptr, name, 6);
    EXPECT_EQ(std::string(name, 6), std::string("readme"));
    char exact[12];
    reader.GetCurrentEntryInfo(nullptr, exact, sizeof(exact));
    EXPECT_STREQ(exact, "readme.txt");
}

TEST_F(ZipReaderTest, MissingFileIsAFileErrorNotAFormatError)
{
    EXPECT_THROW(CZipReader r(m_folder.File(L"none.zip").c_str()), std::system_error);
}

}  // namespace
