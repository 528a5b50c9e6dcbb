#include "PendingWork.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SampleDocuments.h"
#include "TestFiles.h"
#include "UniqueHandle.h"
#include "WideText.h"

namespace {

constexpr LANGID kEnglish = 1033;

UpdateItem* NewItem(BYTE type, const wchar_t* name, LONG index)
{
    auto* item = new UpdateItem;
    item->bType = type;
    CopyBounded(item->szName, name);
    item->nIndex = index;
    return item;
}

std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

void ExpectSameItem(const UpdateItem& a, const UpdateItem& b)
{
    SCOPED_TRACE(Narrow(a.szName));
    EXPECT_EQ(a.bType, b.bType);
    EXPECT_STREQ(a.szName, b.szName);
    EXPECT_STREQ(a.szTitle, b.szTitle);
    EXPECT_STREQ(a.szVersion, b.szVersion);
    EXPECT_STREQ(a.szDescription, b.szDescription);
    EXPECT_STREQ(a.szZipPath, b.szZipPath);
    EXPECT_STREQ(a.szPath, b.szPath);
    EXPECT_STREQ(a.szExecute, b.szExecute);
    EXPECT_STREQ(a.szUninstall, b.szUninstall);
    EXPECT_STREQ(a.szPrePatch, b.szPrePatch);
    EXPECT_STREQ(a.szPostPatch, b.szPostPatch);
    EXPECT_EQ(a.nSize, b.nSize);
    EXPECT_STREQ(a.szSha256, b.szSha256);
    EXPECT_EQ(a.bSha256, b.bSha256);
    EXPECT_EQ(a.nIndex, b.nIndex);
    for (int i = 0; i < kMaxDependence; ++i)
        EXPECT_EQ(a.anDependence[i], b.anDependence[i]) << i;
    EXPECT_EQ(a.bReboot, b.bReboot);
    EXPECT_EQ(a.bDowngradable, b.bDowngradable);
}

class PendingWorkTest : public testing::Test
{
protected:
    PendingWorkTest() { m_written.m_wUserLangId = kEnglish; }

    std::wstring ProcessXml() const { return m_program.File(L"process.xml"); }

    CTempFolder m_program;
    CUpdateCatalogue m_written;
};

TEST_F(PendingWorkTest, SmallFileHasExactlyTheseBytes)
{
    UpdateItem* item = NewItem(kItemTypeDriver, L"Audio Driver", 3);
    CopyBounded(item->szTitle, L"Audio driver");
    CopyBounded(item->szDescription, L"HD audio driver");
    CopyBounded(item->szVersion, L"5.10.0.5");
    item->nSize = 1234567;
    CopyBounded(item->szZipPath, L"Audio/Audio.zip");
    CopyBounded(item->szPath, L"C:\\Kestrel\\Temp\\3\\Audio.zip");
    CopyBounded(item->szExecute, L"setup.exe -s");
    item->anDependence[0] = 1;
    item->bReboot = TRUE;
    m_written.m_aUpdateItem.push_back(item);

    ASSERT_TRUE(WritePendingWork(m_program.Path().c_str(), L"P1", m_written));

    EXPECT_EQ(ReadFileBytes(ProcessXml()), "\xFF\xFE" + Utf16Bytes(kSamplePendingWork));
    EXPECT_FALSE(PathExists(m_program.File(L"process.xml.tmp")));
}

TEST_F(PendingWorkTest, OptionalLinesOnlyForWhatIsSet)
{
    UpdateItem* bare = NewItem(kItemTypeAP, L"Bare", 4);
    UpdateItem* full = NewItem(kItemTypeAP, L"Full", 9);
    full->anDependence[0] = 3;
    full->anDependence[1] = 7;
    full->bDowngradable = TRUE;
    CopyBounded(full->szUninstall, L"un.exe");
    CopyBounded(full->szPostPatch, L"post.cmd");
    CopyBounded(full->szSha256, L"00ff");
    full->bSha256 = TRUE;
    UpdateItemArray items{bare, full};

    const std::wstring text = FormatPendingWork(L"P1", 0, kEnglish, items);
    const std::wstring bareText = text.substr(0, text.find(L"<item name=\"Full\">"));
    const std::wstring fullText = text.substr(bareText.size());
    for (const wchar_t* tag : {L"<execute>", L"<uninstall>", L"<pre-patch>", L"<post-patch>",
                               L"<dependence>", L"<reboot>", L"<downgradable>", L"<sha256>"})
        EXPECT_EQ(bareText.find(tag), std::wstring::npos) << Narrow(tag);

    const std::vector<std::wstring> lines = Lines(fullText);
    const std::vector<std::wstring> expected = {
        L"<item name=\"Full\">",
        L"<description l_id=\"1033\" title=\"\"></description>",
        L"<type> AP </type>",
        L"<version>  </version>",
        L"<size> 0 </size>",
        L"<sha256> 00ff </sha256>",
        L"<zip-path>  </zip-path>",
        L"<path>  </path>",
        L"<uninstall> un.exe </uninstall>",
        L"<index> 9 </index>",
        L"<dependence> 3,7 </dependence>",
        L"<downgradable> 1 </downgradable>",
        L"<post-patch> post.cmd </post-patch>",
        L"</item>",
        L"",
        L"</product>",
    };
    EXPECT_EQ(lines, expected);
    ClearUpdateItemArray(items);
}

TEST_F(PendingWorkTest, ChosenItemsComeBackWithEveryField)
{
    UpdateItem* bios = NewItem(kItemTypeBios, L"BIOS", 1);
    CopyBounded(bios->szTitle, L"BIOS <P1> & \"more\"");
    CopyBounded(bios->szDescription, L"Line one\r\nLine two\twith a tab & <tags>");
    CopyBounded(bios->szVersion, L"P1.07");
    bios->nSize = 2097152;
    CopyBounded(bios->szZipPath, L"BIOS/P107.zip");
    CopyBounded(bios->szPath, L"C:\\Program Files\\Vexa\\Temp\\1\\P107.zip");
    CopyBounded(bios->szExecute, L"flash.cmd");
    CopyBounded(bios->szPrePatch, L"pre.cmd");
    CopyBounded(bios->szPostPatch, L"post.cmd");
    bios->bReboot = TRUE;
    CopyBounded(bios->szSha256, L"E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
    bios->bSha256 = TRUE;

    UpdateItem* lan = NewItem(kItemTypeDriver, L"LAN Driver", 3);
    CopyBounded(lan->szTitle, L"LAN driver");
    CopyBounded(lan->szDescription, L"Wired network");
    CopyBounded(lan->szVersion, L"7.2.1");
    lan->nSize = 3000;
    CopyBounded(lan->szZipPath, L"LAN/LAN.zip");
    CopyBounded(lan->szPath, L"C:\\Kestrel\\Temp\\3\\LAN.zip");
    CopyBounded(lan->szExecute, L"setup.exe -s");
    CopyBounded(lan->szUninstall, L"setup.exe -u");
    lan->anDependence[0] = 1;
    lan->bDowngradable = TRUE;
    // Given but empty, or not a hash: a resumed package must still fail.
    lan->bSha256 = TRUE;

    UpdateItem* audio = NewItem(kItemTypeDriver, L"Audio Driver", 7);
    CopyBounded(audio->szTitle, L"Audio driver");
    CopyBounded(audio->szVersion, L"5.10.0.5");
    audio->anDependence[0] = 3;
    audio->anDependence[1] = 7;
    CopyBounded(audio->szSha256, L"<not & hex>");
    audio->bSha256 = TRUE;

    UpdateItem* hotfix = NewItem(kItemTypeHotfix, L"KB958644", 9);
    CopyBounded(hotfix->szTitle, L"Security update");
    CopyBounded(hotfix->szExecute, L"KB958644.exe /quiet");

    m_written.m_aUpdateItem = {bios, lan, audio, hotfix};
    m_written.m_nRunMode = 1;
    ASSERT_TRUE(WritePendingWork(m_program.Path().c_str(), L"P1", m_written));

    CUpdateCatalogue read;
    BOOL found = FALSE;
    ASSERT_TRUE(LoadPendingWork(m_program.Path().c_str(), L"p1", read, found));
    EXPECT_TRUE(found);
    EXPECT_EQ(read.m_nRunMode, 1);  // a debug run resumes as one
    ASSERT_EQ(read.m_aUpdateItem.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        ExpectSameItem(*m_written.m_aUpdateItem[i], *read.m_aUpdateItem[i]);
    EXPECT_EQ(read.m_aUpdateItem[3]->bType, kItemTypeHotfix);
}

TEST_F(PendingWorkTest, TextsTooLongForTheirLineAreCutWithoutBreakingMarkup)
{
    UpdateItem* item = NewItem(kItemTypeAP, L"Long", 2);
    for (size_t i = 0; i + 1 < ARRAYSIZE(item->szTitle); ++i)
        item->szTitle[i] = L'&';
    for (size_t i = 0; i + 1 < ARRAYSIZE(item->szDescription); ++i)
        item->szDescription[i] = L'<';
    for (size_t i = 0; i + 1 < ARRAYSIZE(item->szZipPath); ++i)
        item->szZipPath[i] = L'"';
    UpdateItemArray items{item};

    // 125 escaped "&" leave an odd room on the path line for what follows:
    // pairs of UTF-16 units (U+1F600), the last of which would not fit whole.
    for (size_t i = 0; i < 125; ++i)
        item->szPath[i] = L'&';
    for (size_t i = 125; i + 1 < ARRAYSIZE(item->szPath); i += 2)
    {
        item->szPath[i] = 0xD83D;
        item->szPath[i + 1] = 0xDE00;
    }
    const std::wstring text = FormatPendingWork(L"P1", 0, kEnglish, items);
    for (const std::wstring& line : Lines(text))
        EXPECT_LE(line.size() + 2, 1023u);
    for (size_t i = 0; i < text.size(); ++i)
    {
        const bool pairs = !IS_HIGH_SURROGATE(text[i]) ||
                           (i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1]));
        EXPECT_TRUE(pairs) << i;
    }

    std::wstring file = L"\xFEFF" + text;
    m_program.WriteBytes(L"process.xml",
                         std::string(reinterpret_cast<const char*>(file.data()),
                                     file.size() * sizeof(wchar_t)));
    CUpdateCatalogue read;
    BOOL found = FALSE;
    ASSERT_TRUE(LoadPendingWork(m_program.Path().c_str(), L"P1", read, found));
    const UpdateItem& back = *read.m_aUpdateItem.at(0);
    EXPECT_STREQ(back.szTitle, item->szTitle);  // the title fits whole
    const std::wstring description = back.szDescription;
    EXPECT_GT(description.size(), 100u);
    EXPECT_EQ(description.find_first_not_of(L'<'), std::wstring::npos);
    const std::wstring zipPath = back.szZipPath;
    EXPECT_GT(zipPath.size(), 100u);
    EXPECT_EQ(zipPath.find_first_not_of(L'"'), std::wstring::npos);
    EXPECT_EQ(std::wstring(back.szPath).substr(0, 125), std::wstring(125, L'&'));
    ClearUpdateItemArray(items);
}

TEST_F(PendingWorkTest, LoadReportsWhetherTheFileExistsAndHasItems)
{
    CUpdateCatalogue read;
    BOOL found = TRUE;
    EXPECT_FALSE(LoadPendingWork(m_program.Path().c_str(), L"P1", read, found));
    EXPECT_FALSE(found);

    m_written.m_aUpdateItem.push_back(NewItem(kItemTypeDriver, L"LAN Driver", 3));
    ASSERT_TRUE(WritePendingWork(m_program.Path().c_str(), L"P1", m_written));
    EXPECT_FALSE(LoadPendingWork(m_program.Path().c_str(), L"P2", read, found));
    EXPECT_TRUE(found);
    EXPECT_TRUE(read.m_aUpdateItem.empty());

    m_program.WriteBytes(L"process.xml", "<product name=\"P1\"");  // torn by hand
    EXPECT_FALSE(LoadPendingWork(m_program.Path().c_str(), L"P1", read, found));
    EXPECT_TRUE(found);
}

TEST_F(PendingWorkTest, AFailedWriteLeavesThePreviousFileWhole)
{
    const std::string previous = "previous pending work";
    m_program.WriteBytes(L"process.xml", previous);
    m_written.m_aUpdateItem.push_back(NewItem(kItemTypeDriver, L"LAN Driver", 3));

    // A folder where the new text would be written first blocks the write.
    const std::wstring blocker = m_program.File(L"process.xml.tmp");
    ASSERT_TRUE(CreateDirectoryW(blocker.c_str(), nullptr));
    EXPECT_FALSE(WritePendingWork(m_program.Path().c_str(), L"P1", m_written));
    EXPECT_EQ(ReadFileBytes(ProcessXml()), previous);

    RemoveDirectoryW(blocker.c_str());
    EXPECT_TRUE(WritePendingWork(m_program.Path().c_str(), L"P1", m_written));
    EXPECT_NE(ReadFileBytes(ProcessXml()).find("L\0A\0N\0"), std::string::npos);
    EXPECT_FALSE(PathExists(blocker));
}

TEST_F(PendingWorkTest, CleanTempFilesRemovesOneItemOrEverything)
{
    const std::wstring temp = m_program.File(L"Temp");
    CreateDirectoryW(temp.c_str(), nullptr);
    CreateDirectoryW((temp + L"\\3").c_str(), nullptr);
    CreateDirectoryW((temp + L"\\5").c_str(), nullptr);
    m_program.WriteBytes(L"Temp\\3\\LAN.zip", "zip");
    m_program.WriteBytes(L"Temp\\5\\Audio.zip", "zip");
    m_program.WriteBytes(L"Temp\\index.xml", "<product/>");
    m_program.WriteBytes(L"process.xml", "pending");
    m_program.WriteBytes(L"Kestupdt.exe", "program");

    CleanTempFiles(m_program.Path().c_str(), 3);
    EXPECT_FALSE(PathExists(temp + L"\\3"));
    EXPECT_TRUE(PathExists(temp + L"\\5\\Audio.zip"));
    EXPECT_TRUE(PathExists(ProcessXml()));

    CleanTempFiles(m_program.Path().c_str(), -1);
    EXPECT_FALSE(PathExists(temp));
    EXPECT_FALSE(PathExists(ProcessXml()));
    EXPECT_TRUE(PathExists(m_program.File(L"Kestupdt.exe")));
}

}  // namespace
