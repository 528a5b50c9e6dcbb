#include "IndexParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SampleDocuments.h"
#include "TestFiles.h"
#include "TraceCapture.h"
#include "UpdateCatalogue.h"

namespace {

constexpr LANGID kEnglish = 1033;
constexpr LANGID kChinese = 2052;

struct ParseResult
{
    UpdateItemArray items;
    int runMode = -1;  // -1: not set by the document
    ~ParseResult() { ClearUpdateItemArray(items); }
    const UpdateItem& Item(size_t i) const { return *items.at(i); }
};

struct Options
{
    const wchar_t* model = L"P1";
    const wchar_t* os = L"Win7";
    LANGID lang = kEnglish;
    OsCheck osCheck = OsCheck::Apply;
};

class IndexParserTest : public testing::Test
{
protected:
    void Parse(const std::string& xml, ParseResult& result, const Options& options = Options())
    {
        std::wstring path = m_folder.WriteBytes(L"index.xml", xml);
        IndexParseContext context;
        context.pszModelName = options.model;
        context.pszOSName = options.os;
        context.wUserLangId = options.lang;
        context.osCheck = options.osCheck;
        ParseIndexFile(path.c_str(), context, result.items, result.runMode);
    }

    // One item inside a product root for model P1, listed on Win7.
    void ParseItem(const std::string& body, ParseResult& result, const Options& options = Options())
    {
        Parse("<product name='P1'><item name='X'>" + body + "<os>Win7</os></item></product>",
              result, options);
    }

    CTempFolder m_folder;
};

TEST_F(IndexParserTest, FullItemFromTheIndex)
{
    ParseResult r;
    Parse(std::string("<?xml version='1.0' encoding='utf-8'?>\r\n"
                      "<product name='P1' opt='0'>\r\n") +
              kSampleIndexItem + "</product>\r\n",
          r);
    ASSERT_EQ(r.items.size(), 1u);
    const UpdateItem& it = r.Item(0);
    EXPECT_EQ(r.runMode, 0);
    EXPECT_EQ(it.bType, kItemTypeDriver);
    EXPECT_STREQ(it.szName, L"Audio Driver");
    EXPECT_STREQ(it.szTitle, L"Audio driver");
    EXPECT_STREQ(it.szDescription, L"HD audio driver");
    EXPECT_STREQ(it.szVersion, L"5.10");
    EXPECT_EQ(it.nSize, 1024);
    EXPECT_STREQ(it.szZipPath, L"Audio/Audio.zip");
    EXPECT_STREQ(it.szPath, L"C:\\K\\Temp\\3\\Audio.zip");
    EXPECT_STREQ(it.szExecute, L"setup.exe -s");
    EXPECT_STREQ(it.szUninstall, L"un.exe");
    EXPECT_STREQ(it.szPrePatch, L"pre.exe");
    EXPECT_STREQ(it.szPostPatch, L"post.exe");
    EXPECT_EQ(it.nIndex, 3);
    EXPECT_EQ(it.anDependence[0], 1);
    EXPECT_EQ(it.anDependence[1], 2);
    EXPECT_EQ(it.anDependence[2], 0);
    EXPECT_TRUE(it.bReboot);
    EXPECT_TRUE(it.bDowngradable);
    ASSERT_EQ(it.aHardwareId.size(), 1u);
    EXPECT_STREQ(it.aHardwareId[0].szHardwareId, L"PCI\\VEN_8086&DEV_27D8");
    EXPECT_STREQ(it.aHardwareId[0].szVersion, L"5.10.0.5");
    EXPECT_STREQ(it.aHardwareId[0].szDate, L"05/20/2009");
}

// The root's name (case counts), its first attribute "name" (any case) with
// the model (any case), and "opt" only as the second of exactly two.
TEST_F(IndexParserTest, RootDecidesItemsAndRunMode)
{
    struct Case
    {
        const char* root;
        size_t items;
        int runMode;  // -1: left as it was
    };
    const Case cases[] = {
        {"product name='P1'", 1, -1},
        {"product name='p1'", 1, -1},
        {"product NAME='P1'", 1, -1},
        {"Product name='P1'", 0, -1},
        {"PRODUCT name='P1'", 0, -1},
        {"product", 0, -1},
        {"product model='P1'", 0, -1},
        {"product id='7' name='P1'", 0, -1},
        {"product name='P2'", 0, -1},
        {"product name='P1 '", 0, -1},
        {"product name='P1' opt='1'", 1, 1},
        {"product Name='P1' OPT='1'", 1, 1},
        {"product name='P1' opt='0'", 1, 0},
        {"product name='P1' opt='x'", 1, 0},
        // Blanks before the number are skipped, as the C library's reader does.
        {"product name='P1' opt=' 1'", 1, 1},
        {"product name='P1' opt='-'", 1, 0},
        {"product name='P1' opt='1' extra='2'", 1, -1},
        {"product name='P1' mode='1'", 1, -1},
        {"product name='P2' opt='1'", 0, -1},
    };
    for (const Case& c : cases)
    {
        std::string root = c.root;
        std::string close = root.substr(0, root.find(' '));
        ParseResult r;
        Parse("<" + root + "><item name='X'><os>Win7</os></item></" + close + ">", r);
        EXPECT_EQ(r.items.size(), c.items) << c.root;
        EXPECT_EQ(r.runMode, c.runMode) << c.root;
    }
}

TEST_F(IndexParserTest, TypeTexts)
{
    struct Case
    {
        const char* text;
        BYTE type;
    };
    const Case cases[] = {
        {"BIOS", kItemTypeBios},     {"bios", kItemTypeBios},     {"driver", kItemTypeDriver},
        {"DRIVER", kItemTypeDriver}, {"AP", kItemTypeAP},         {"ap", kItemTypeAP},
        {"Hotfix", kItemTypeHotfix}, {"HOTFIX", kItemTypeHotfix}, {"Firmware", kItemTypeNone},
        {"", kItemTypeNone},
    };
    for (const Case& c : cases)
    {
        ParseResult r;
        ParseItem(std::string("<type>") + c.text + "</type>", r);
        ASSERT_EQ(r.items.size(), 1u) << c.text;
        EXPECT_EQ(r.Item(0).bType, c.type) << c.text;
    }

    // An unknown text leaves the type taken before it.
    ParseResult r;
    ParseItem("<type>AP</type><type>Firmware</type>", r);
    EXPECT_EQ(r.Item(0).bType, kItemTypeAP);
}

TEST_F(IndexParserTest, OperatingSystemDecision)
{
    struct Case
    {
        const char* osElement;  // nullptr: no os element
        const wchar_t* osName;
        bool kept;
    };
    const Case cases[] = {
        {"WinXP,Win7", L"Win7", true},
        {"WinXP,Win7", L"Win7(64)", false},
        {"WinXP,Win7(64)", L"Win7(64)", true},
        {"WinXP, Win7", L"Win7", false},
        {"WinXP, Win7", L"WinXP", true},
        {"Win2K", L"Win2K", true},
        {"WinXP,Win7,Win7(64)", L"Win2K", false},
        {"win7", L"Win7", false},
        {"Win7,", L"", true},
        {"", L"", true},
        {nullptr, L"Win7", false},
        {nullptr, L"", true},
    };
    for (const Case& c : cases)
    {
        std::string os = c.osElement ? std::string("<os>") + c.osElement + "</os>" : "";
        ParseResult r;
        Options options;
        options.os = c.osName;
        Parse("<product name='P1'><item name='X'><type>AP</type>" + os + "</item></product>", r,
              options);
        EXPECT_EQ(r.items.size(), c.kept ? 1u : 0u)
            << (c.osElement ? c.osElement : "(none)") << " on " << Narrow(c.osName);
    }
}

TEST_F(IndexParserTest, PendingWorkItemsStayWithoutOsElement)
{
    ParseResult r;
    Options options;
    options.osCheck = OsCheck::Skip;
    Parse("<product name='P1' opt='1'><item name='A'><type>AP</type></item>"
          "<item name='B'><type>Hotfix</type><os>Win2K</os></item></product>",
          r, options);
    ASSERT_EQ(r.items.size(), 2u);
    EXPECT_EQ(r.Item(1).bType, kItemTypeHotfix);
    EXPECT_EQ(r.runMode, 1);
}

TEST_F(IndexParserTest, FlagsAreSetOnlyByOne)
{
    struct Case
    {
        const char* value;
        BOOL set;
    };
    const Case cases[] = {
        {"1", TRUE}, {" 1 ", TRUE}, {"2", FALSE}, {"yes", FALSE}, {"0", FALSE}, {"", FALSE},
    };
    for (const Case& c : cases)
    {
        ParseResult r;
        ParseItem(std::string("<reboot>") + c.value + "</reboot><downgradable>" + c.value +
                      "</downgradable>",
                  r);
        ASSERT_EQ(r.items.size(), 1u);
        EXPECT_EQ(r.Item(0).bReboot, c.set) << c.value;
        EXPECT_EQ(r.Item(0).bDowngradable, c.set) << c.value;
    }
}

TEST_F(IndexParserTest, DependenceForms)
{
    std::string twentyFive;
    for (int i = 1; i <= 25; ++i)
        twentyFive += (i > 1 ? "," : "") + std::to_string(i);
    std::vector<LONG> firstTwenty;
    for (int i = 1; i <= 20; ++i)
        firstTwenty.push_back(i);

    struct Case
    {
        std::string value;
        std::vector<LONG> entries;  // the rest of the twenty are 0
    };
    // A number is an optional sign and digits up to the first other
    // character, after any blanks: index authors write "3, 5", and stored
    // indexes rely on it.
    const Case cases[] = {
        {"3,5", {3, 5}},
        {"3, 5", {3, 5}},
        {"3,,5", {3}},  // the empty piece ends the list
        {",3,5", {0}},
        {",3", {0}},
        {"x", {0}},
        {"-", {0}},
        {"7", {7}},
        {"3,5,", {3, 5}},
        {"x,4", {0, 4}},
        {twentyFive, firstTwenty},
    };
    for (const Case& c : cases)
    {
        ParseResult r;
        ParseItem("<dependence>" + c.value + "</dependence>", r);
        ASSERT_EQ(r.items.size(), 1u);
        std::vector<LONG> expected = c.entries;
        expected.resize(kMaxDependence, 0);
        const LONG* d = r.Item(0).anDependence;
        EXPECT_EQ(std::vector<LONG>(d, d + kMaxDependence), expected) << c.value;
    }
}

TEST_F(IndexParserTest, DescriptionLanguageRule)
{
    const std::string english = "<description l_id='1033' title='English'>en text</description>";
    const std::string chinese = "<description l_id='2052' title='Chinese'>zh text</description>";
    const std::string japanese = "<description l_id='1041' title='Japanese'>ja text</description>";
    const std::string english2 = "<description l_id='1033' title='English 2'>en 2</description>";
    struct Case
    {
        std::string body;
        LANGID lang;
        const wchar_t* title;
        const wchar_t* description;
    };
    const Case cases[] = {
        {english + chinese, kChinese, L"Chinese", L"zh text"},
        {chinese + english, kChinese, L"Chinese", L"zh text"},
        {english + japanese, kChinese, L"English", L"en text"},
        {japanese, kChinese, L"", L""},
        {english + english2, kChinese, L"English", L"en text"},
        {english + english2, kEnglish, L"English 2", L"en 2"},
        {"<description>no attributes</description>", kEnglish, L"", L""},
        {"<description l_id='1033'>no title</description>", kEnglish, L"X", L"no title"},
    };
    for (const Case& c : cases)
    {
        ParseResult r;
        Options options;
        options.lang = c.lang;
        ParseItem(c.body, r, options);
        ASSERT_EQ(r.items.size(), 1u);
        EXPECT_STREQ(r.Item(0).szTitle, c.title) << c.body;
        EXPECT_STREQ(r.Item(0).szDescription, c.description) << c.body;
    }
}

TEST_F(IndexParserTest, RepeatedElements)
{
    ParseResult r;
    ParseItem("<version>1.0</version><version>2.0</version>"
              "<hwid version='1.1' date='01/02/2003'>PCI\\VEN_1</hwid>"
              "<hwid VERSION='2.2' Date='04/05/2006' other='x'>PCI\\VEN_2</hwid>"
              "<hwid>USB\\VID_3</hwid>",
              r);
    ASSERT_EQ(r.items.size(), 1u);
    const UpdateItem& it = r.Item(0);
    EXPECT_STREQ(it.szVersion, L"2.0");
    ASSERT_EQ(it.aHardwareId.size(), 3u);
    EXPECT_STREQ(it.aHardwareId[0].szHardwareId, L"PCI\\VEN_1");
    EXPECT_STREQ(it.aHardwareId[0].szDate, L"01/02/2003");
    EXPECT_STREQ(it.aHardwareId[1].szHardwareId, L"PCI\\VEN_2");
    EXPECT_STREQ(it.aHardwareId[1].szVersion, L"2.2");
    EXPECT_STREQ(it.aHardwareId[1].szDate, L"04/05/2006");
    EXPECT_STREQ(it.aHardwareId[2].szVersion, L"");
    EXPECT_STREQ(it.aHardwareId[2].szDate, L"");
}

TEST_F(IndexParserTest, Sha256IsKeptAsGiven)
{
    const std::string hash = "E3B0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
    struct Case
    {
        std::string body;
        const wchar_t* text;
        BOOL given;
    };
    const Case cases[] = {
        {"<sha256> " + hash + " </sha256>", L"E3B0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", TRUE},
        {"<SHA256></SHA256>", L"", TRUE},
        {"", L"", FALSE},
        // One character more than the field's 65 would make it look whole.
        {"<sha256>" + hash + "abcdef</sha256>", L"E3B0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855a", TRUE},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.body);
        ParseResult r;
        ParseItem(c.body, r);
        ASSERT_EQ(r.items.size(), 1u);
        EXPECT_STREQ(r.Item(0).szSha256, c.text);
        EXPECT_EQ(r.Item(0).bSha256, c.given);
    }
}

TEST_F(IndexParserTest, LongValuesAreCutToTheirField)
{
    const std::string hwid(200, 'H');
    const std::string name(150, 'N');
    const std::string description(600, 'D');
    ParseResult r;
    Parse("<product name='P1'><item name='" + name + "'><os>Win7</os><hwid>" + hwid +
              "</hwid><description l_id='1033' title='T'>" + description +
              "</description></item></product>",
          r);
    ASSERT_EQ(r.items.size(), 1u);
    EXPECT_EQ(std::wstring(r.Item(0).aHardwareId[0].szHardwareId), std::wstring(127, L'H'));
    EXPECT_EQ(std::wstring(r.Item(0).szName), std::wstring(99, L'N'));
    EXPECT_EQ(std::wstring(r.Item(0).szDescription), std::wstring(511, L'D'));
}

TEST_F(IndexParserTest, ItemsAreChildrenWithChildren)
{
    ParseResult r;
    Parse("<product name='P1'>"
          "<item name='empty'/>"
          "<!-- a comment -->"
          "<anything id='First' name='Second'><os>Win7</os></anything>"
          "<item><os>Win7</os></item>"
          "</product>",
          r);
    ASSERT_EQ(r.items.size(), 2u);
    EXPECT_STREQ(r.Item(0).szName, L"First");
    EXPECT_STREQ(r.Item(1).szName, L"");
}

TEST_F(IndexParserTest, AppendsToTheListAndTracesEveryItem)
{
    CTraceCapture trace;
    ParseResult r;
    const std::string xml = "<product name='P1'><item name='Kept'><os>Win7</os></item>"
                            "<item name='Dropped'><os>WinXP</os></item></product>";
    Parse(xml, r);
    Parse(xml, r);
    EXPECT_EQ(r.items.size(), 2u);
    const std::vector<std::wstring> expected = {
        L"ParsingUpdateItem - Add Item Kept", L"ParsingUpdateItem - Add Item Dropped",
        L"ParsingUpdateItem - Add Item Kept", L"ParsingUpdateItem - Add Item Dropped"};
    EXPECT_EQ(trace.Lines(), expected);
}

TEST_F(IndexParserTest, MissingFileLeavesListUnchangedWithoutTrace)
{
    CTraceCapture trace;
    ParseResult r;
    IndexParseContext context;
    context.pszModelName = L"P1";
    context.pszOSName = L"Win7";
    ParseIndexFile(m_folder.File(L"absent.xml").c_str(), context, r.items, r.runMode);
    EXPECT_TRUE(r.items.empty());
    EXPECT_EQ(r.runMode, -1);
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(IndexParserTest, BrokenDocumentGivesNoItemsAndTwoTraceLines)
{
    CTraceCapture trace;
    ParseResult r;
    Parse("<product name='P1' opt='1'>\n<item name='X'><os>Win7</os></item>\n<oops></product>", r);
    EXPECT_TRUE(r.items.empty());
    EXPECT_EQ(r.runMode, -1);
    ASSERT_EQ(trace.Lines().size(), 2u);
    const std::wstring& error = trace.Lines()[0];
    EXPECT_EQ(error.rfind(L"XML Parsing Error 0x", 0), 0u) << Narrow(error);
    // Wine's reader reports no position; the line keeps its form regardless.
    EXPECT_NE(error.find(L" on line "), std::wstring::npos) << Narrow(error);
    EXPECT_NE(error.find(L", position "), std::wstring::npos) << Narrow(error);
    EXPECT_EQ(error.substr(error.size() - 2), L"\r\n");
    EXPECT_EQ(trace.Lines()[1].rfind(L"Reason : ", 0), 0u);
}

TEST(UpdateCatalogue, ParsesForTheRunningSystemAndClears)
{
    CTempFolder folder;
    std::wstring path = folder.WriteBytes(
        L"index.xml",
        "<product name='P1' opt='1'><item name='Any'><os>Win2K,WinXP,WinXP(64),Win2003,"
        "Win2003(64),Vista,Vista(64),Win7,Win7(64),Win8,Win8(64)</os></item></product>");
    CUpdateCatalogue catalogue;
    catalogue.ParsingUpdateItem(path.c_str(), L"p1");
    EXPECT_EQ(catalogue.m_aUpdateItem.size(), 1u);
    EXPECT_EQ(catalogue.m_nRunMode, 1);
    catalogue.ClearUpdateItemArray();
    EXPECT_TRUE(catalogue.m_aUpdateItem.empty());
}

}  // namespace
