#include "MachineIdentity.h"

#include <gtest/gtest.h>

#include "FirmwareTable.h"
#include "SmbiosFixture.h"
#include "TraceCapture.h"

namespace {

const BYTE* Bytes(const std::string& s)
{
    return reinterpret_cast<const BYTE*>(s.data());
}

const std::vector<std::string> kSixSystemStrings = {"Vexa",  "Pellar D22", "1.0",
                                                    "SN123", "SKU9",       "Pellar"};

std::string BiosStructure(const char* version)
{
    return SmbiosStructure(0, 2, {"Vexa BIOS", version}, 0x12);
}

std::string SystemStructure(BYTE nProduct, const std::vector<std::string>& strings)
{
    return SmbiosStructure(1, nProduct, strings, 0x1B);
}

std::string BoardStructure(const char* product)
{
    return SmbiosStructure(2, 2, {"Vexa", product}, 0x0F);
}

struct WalkCase
{
    NextStructureRule rule;
    const char* name;
};

class StructureWalk : public testing::TestWithParam<WalkCase>
{
protected:
    CMachineIdentity Walk(const std::string& table)
    {
        CMachineIdentity identity;
        identity.WalkStructureTable(Bytes(table), Bytes(table) + table.size(), GetParam().rule);
        return identity;
    }
};

TEST_P(StructureWalk, ReadsTheFourFieldsAndTracesThem)
{
    CTraceCapture capture;
    CMachineIdentity identity = Walk(BiosStructure("0602") + SystemStructure(2, kSixSystemStrings) +
                                     BoardStructure("Q7KM2-RTS"));
    EXPECT_EQ(identity.m_strBiosVersion, L"0602");
    EXPECT_EQ(identity.m_strModelName, L"Pellar D22");
    EXPECT_EQ(identity.m_strFamilyName, L"Pellar");
    EXPECT_EQ(identity.m_strProductName, L"Q7KM2-RTS");
    EXPECT_EQ(capture.Lines(), (std::vector<std::wstring>{L"Model name: Pellar D22",
                                                          L"Family name: Pellar",
                                                          L"Product name: Q7KM2-RTS"}));
}

TEST_P(StructureWalk, FiveSystemStringsGiveNoFamily)
{
    // The strings of the following structure must not count as the sixth.
    CMachineIdentity identity =
        Walk(SystemStructure(2, {"Vexa", "Pellar D22", "1.0", "SN", "SKU"}) +
             SmbiosStructure(3, 1, {"Chassis", "NotAFamily"}) + BoardStructure("B1"));
    EXPECT_EQ(identity.m_strModelName, L"Pellar D22");
    EXPECT_EQ(identity.m_strFamilyName, L"");
    EXPECT_EQ(identity.m_strProductName, L"B1");
}

TEST_P(StructureWalk, StringNumberZeroOrBeyondGivesEmptyAndTheWalkGoesOn)
{
    CMachineIdentity identity = Walk(BiosStructure("0602") + SystemStructure(0, kSixSystemStrings) +
                                     SmbiosStructure(2, 7, {"only"}) + BoardStructure("B2"));
    EXPECT_EQ(identity.m_strModelName, L"");
    EXPECT_EQ(identity.m_strFamilyName, L"Pellar");
    // A board string number beyond its strings sets an empty product, which
    // still ends the walk.
    EXPECT_EQ(identity.m_strProductName, L"");
}

TEST_P(StructureWalk, StructureWithoutStringsIsSteppedOver)
{
    CMachineIdentity identity =
        Walk(BiosStructure("0701") + SmbiosStructure(0x7E, 0, {}, 6) +
             SmbiosStructure(0x20, 0, {}, 0x0B) + SystemStructure(2, kSixSystemStrings) +
             BoardStructure("B3"));
    EXPECT_EQ(identity.m_strBiosVersion, L"0701");
    EXPECT_EQ(identity.m_strModelName, L"Pellar D22");
    EXPECT_EQ(identity.m_strProductName, L"B3");
}

TEST_P(StructureWalk, FirstSystemStructureWins)
{
    CMachineIdentity identity =
        Walk(SystemStructure(2, kSixSystemStrings) +
             SystemStructure(1, {"Other", "x", "x", "x", "x", "OtherFamily"}));
    EXPECT_EQ(identity.m_strModelName, L"Pellar D22");
    EXPECT_EQ(identity.m_strFamilyName, L"Pellar");
}

TEST_P(StructureWalk, BoardStructureEndsTheWalk)
{
    CMachineIdentity identity = Walk(BoardStructure("B4") + BiosStructure("0801") +
                                     SystemStructure(2, kSixSystemStrings));
    EXPECT_EQ(identity.m_strProductName, L"B4");
    EXPECT_EQ(identity.m_strBiosVersion, L"");
    EXPECT_EQ(identity.m_strModelName, L"");
}

TEST_P(StructureWalk, LongStringIsCutToSixtyCharacters)
{
    std::string longName(70, 'M');
    CMachineIdentity identity = Walk(SystemStructure(2, {"Vexa", longName}));
    EXPECT_EQ(identity.m_strModelName, std::wstring(60, L'M'));
}

TEST_P(StructureWalk, TableCutInsideAStructureStopsSafely)
{
    std::string table = BiosStructure("0602") + SystemStructure(2, kSixSystemStrings);
    // End in the middle of the system structure's second string.
    std::string cut = table.substr(0, table.find("Pellar D22") + 4);
    CMachineIdentity identity = Walk(cut);
    EXPECT_EQ(identity.m_strBiosVersion, L"0602");
    EXPECT_EQ(identity.m_strModelName, L"Pell");
    EXPECT_EQ(identity.m_strFamilyName, L"");
}

INSTANTIATE_TEST_SUITE_P(BothRules, StructureWalk,
                         testing::Values(WalkCase{NextStructureRule::AfterStringSet, "Firmware"},
                                         WalkCase{NextStructureRule::SkipNulBytes, "Dmi"}),
                         [](const testing::TestParamInfo<WalkCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(StructureWalkRules, DifferOnlyInWhereTheNextStructureStarts)
{
    // After a structure without strings, a BIOS structure (type 0) begins
    // with a NUL byte: the firmware walk steps exactly over the two NULs and
    // reads it, the DMI walk skips every NUL and so misses its type byte.
    std::string table = SmbiosStructure(0x7E, 0, {}, 6) + BiosStructure("0602") +
                        SystemStructure(2, kSixSystemStrings);
    CMachineIdentity firmware;
    firmware.WalkStructureTable(Bytes(table), Bytes(table) + table.size(),
                                NextStructureRule::AfterStringSet);
    EXPECT_EQ(firmware.m_strBiosVersion, L"0602");
    EXPECT_EQ(firmware.m_strModelName, L"Pellar D22");

    CMachineIdentity dmi;
    dmi.WalkStructureTable(Bytes(table), Bytes(table) + table.size(),
                           NextStructureRule::SkipNulBytes);
    EXPECT_EQ(dmi.m_strBiosVersion, L"");
}

TEST(FirmwareWalk, CoversOnlyTheLengthTheHeaderGives)
{
    std::string table = BiosStructure("0602") + SystemStructure(2, kSixSystemStrings);
    std::string raw = FirmwareTable(table) + BoardStructure("Beyond");
    CMachineIdentity identity;
    identity.WalkFirmwareTable(Bytes(raw), raw.size());
    EXPECT_EQ(identity.m_strModelName, L"Pellar D22");
    EXPECT_EQ(identity.m_strProductName, L"");
}

TEST(FirmwareWalk, LengthBeyondTheReturnedBytesIsNotTrusted)
{
    std::string raw = FirmwareTable(BiosStructure("0602"));
    raw[5] = 0x7F;  // claims far more than was returned
    CMachineIdentity identity;
    identity.WalkFirmwareTable(Bytes(raw), raw.size());
    EXPECT_EQ(identity.m_strBiosVersion, L"0602");
}

// The firmware-table pointer is the seam for the system call.
class FirmwareApi : public testing::Test
{
protected:
    void SetUp() override { m_pfnSaved = g_pfnGetSystemFirmwareTable; }
    void TearDown() override { g_pfnGetSystemFirmwareTable = m_pfnSaved; }
    GetSystemFirmwareTableFn m_pfnSaved = nullptr;
};

std::string g_strFakeTable;

UINT WINAPI FakeFirmwareTable(DWORD dwProvider, DWORD dwTableId, PVOID pBuffer, DWORD cbBuffer)
{
    if (dwProvider != kFirmwareProviderRSMB || dwTableId != 0)
        return 0;
    if (pBuffer && cbBuffer >= g_strFakeTable.size())
        memcpy(pBuffer, g_strFakeTable.data(), g_strFakeTable.size());
    return static_cast<UINT>(g_strFakeTable.size());
}

TEST_F(FirmwareApi, MissingFunctionMeansNothingWasRead)
{
    g_pfnGetSystemFirmwareTable = nullptr;
    CMachineIdentity identity;
    EXPECT_FALSE(identity.ReadSMBIOSFromFirmware());
}

TEST_F(FirmwareApi, EmptyTableLeavesEveryFieldEmpty)
{
    g_strFakeTable.clear();
    g_pfnGetSystemFirmwareTable = FakeFirmwareTable;
    CMachineIdentity identity;
    EXPECT_TRUE(identity.ReadSMBIOSFromFirmware());
    EXPECT_EQ(identity.m_strBiosVersion + identity.m_strModelName + identity.m_strFamilyName +
                  identity.m_strProductName,
              L"");
}

TEST_F(FirmwareApi, ReadsTheTableThroughTheFunction)
{
    g_strFakeTable = FirmwareTable(BiosStructure("0602") + SystemStructure(2, kSixSystemStrings) +
                                   BoardStructure("Q7KL2-RTS"));
    g_pfnGetSystemFirmwareTable = FakeFirmwareTable;
    CMachineIdentity identity;
    EXPECT_TRUE(identity.ReadSMBIOSFromFirmware());
    EXPECT_EQ(identity.m_strBiosVersion, L"0602");
    EXPECT_EQ(identity.m_strProductName, L"Q7KL2-RTS");
}

TEST(FirmwareResolve, FindsTheSystemFunction)
{
    GetSystemFirmwareTableFn pfnSaved = g_pfnGetSystemFirmwareTable;
    ResolveFirmwareTableApi();
    EXPECT_NE(g_pfnGetSystemFirmwareTable, nullptr);
    g_pfnGetSystemFirmwareTable = pfnSaved;
}

// Physical memory: the BIOS area at F0000h, a structure table page and the
// EXTF model name.
constexpr DWORD kBiosArea = 0xF0000;
constexpr DWORD kTablePage = 0x7FF00000;
constexpr DWORD kNameAddress = 0x7FE00040;

class DriverPath : public testing::Test
{
protected:
    // The identity readers in the order start-up calls them.
    CMachineIdentity Identify()
    {
        CMachineIdentity identity;
        identity.GetModelName(m_memory);
        identity.ReadDMIFromMemory(m_memory);
        EXPECT_EQ(m_memory.m_nOutstanding, 0) << "every view is released";
        return identity;
    }

    void PlaceArea(DWORD dwAnchorOffset, DWORD dwTableAddress, WORD wTableLength,
                   const std::string& extf = std::string(), DWORD dwExtfOffset = 0)
    {
        m_memory.Reserve(kBiosArea, 0xFFFF);
        m_memory.Put(kBiosArea + dwAnchorOffset, DmiEntryPoint(dwTableAddress, wTableLength));
        if (!extf.empty())
            m_memory.Put(kBiosArea + dwExtfOffset, extf);
    }

    CMemoryImage m_memory;
};

TEST_F(DriverPath, ReadsTheDmiTable)
{
    std::string table = BiosStructure("0501") + SystemStructure(2, kSixSystemStrings) +
                        BoardStructure("Q7KM2-RTS");
    PlaceArea(0x1230, kTablePage + 0x10, static_cast<WORD>(table.size()));
    m_memory.Reserve(kTablePage, 0x1000);
    m_memory.Put(kTablePage + 0x10, table);

    CMachineIdentity identity = Identify();
    EXPECT_EQ(identity.m_strBiosVersion, L"0501");
    EXPECT_EQ(identity.m_strModelName, L"Pellar D22");
    EXPECT_EQ(identity.m_strFamilyName, L"Pellar");
    EXPECT_EQ(identity.m_strProductName, L"Q7KM2-RTS");
    EXPECT_EQ(m_memory.m_aMapRequest.back(), (std::pair<DWORD, DWORD>(kTablePage, 0x1000)));
}

TEST_F(DriverPath, ExtfRevisionDecidesWhetherItsNameStands)
{
    struct Case
    {
        signed char chRevision;
        const wchar_t* pszModel;
        int nResult;
    };
    for (const Case& c : {Case{1, L"Pellar D22", 0}, Case{2, L"Extf Model", 1},
                          Case{5, L"Extf Model", 1}, Case{-3, L"Pellar D22", 0}})
    {
        m_memory = CMemoryImage();
        std::string table = SystemStructure(2, kSixSystemStrings) + BoardStructure("B");
        // EXTF lies at an offset that is not a multiple of 16.
        PlaceArea(0x40, kTablePage, static_cast<WORD>(table.size()),
                  ExtfTable(c.chRevision, kNameAddress), 0x2235);
        m_memory.Reserve(kTablePage, 0x1000);
        m_memory.Put(kTablePage, table);
        m_memory.Reserve(kNameAddress, 0x3C);
        m_memory.Put(kNameAddress, std::string("Extf Model") + '\0' + "garbage");

        CMachineIdentity identity;
        EXPECT_EQ(identity.GetModelName(m_memory), c.nResult) << int(c.chRevision);
        identity.ReadDMIFromMemory(m_memory);
        EXPECT_EQ(identity.m_strModelName, c.pszModel) << int(c.chRevision);
        EXPECT_EQ(m_memory.m_nOutstanding, 0);
    }
}

TEST_F(DriverPath, ExtfNameWithoutNulEndsAtTheMappedBytes)
{
    PlaceArea(0x40, kTablePage, 0, ExtfTable(2, kNameAddress), 0x100);
    m_memory.Reserve(kNameAddress, 0x3C);
    m_memory.Put(kNameAddress, std::string(0x3C, 'N'));
    CMachineIdentity identity;
    EXPECT_EQ(identity.GetModelName(m_memory), 1);
    EXPECT_EQ(identity.m_strModelName, std::wstring(60, L'N'));
}

TEST_F(DriverPath, TableLongerThanTheMappingIsReadToItsEnd)
{
    // Page offset F00h and 2000h bytes of table: 8 KiB are mapped, so the
    // walk ends 100h bytes short of the table's stated end, inside the
    // board structure's strings.
    const DWORD dwOffset = 0xF00;
    std::string head = BiosStructure("0901") + SystemStructure(2, kSixSystemStrings);
    std::string filler = SmbiosStructure(0x7E, 0, {std::string(0x1FF0 - dwOffset - head.size() - 10, 'f')});
    std::string table = head + filler + BoardStructure("Beyond the mapping");
    ASSERT_EQ(head.size() + filler.size() + dwOffset, 0x1FF0u);
    PlaceArea(0x0, kTablePage + dwOffset, 0x2000);
    m_memory.Reserve(kTablePage, 0x2000);
    m_memory.Put(kTablePage + dwOffset, table.substr(0, 0x2000 - dwOffset));

    CMachineIdentity identity = Identify();
    EXPECT_EQ(m_memory.m_aMapRequest.back(), (std::pair<DWORD, DWORD>(kTablePage, 0x2000)));
    EXPECT_EQ(identity.m_strBiosVersion, L"0901");
    EXPECT_EQ(identity.m_strModelName, L"Pellar D22");
    EXPECT_EQ(identity.m_strProductName, L"");
}

TEST_F(DriverPath, NoAnchorNoExtfOrNoViewFindsNothing)
{
    m_memory.Reserve(kBiosArea, 0xFFFF);
    m_memory.Put(kBiosArea + 0x38, DmiEntryPoint(kTablePage, 0x100));  // not 16-aligned
    m_memory.Put(kBiosArea + 0x400, "EXT");
    CMachineIdentity identity = Identify();
    EXPECT_EQ(identity.m_strModelName, L"");
    EXPECT_EQ(m_memory.m_aMapRequest.size(), 2u);  // the BIOS area twice, nothing else

    CMemoryImage empty;
    EXPECT_EQ(identity.GetModelName(empty), 0);
    identity.ReadDMIFromMemory(empty);
    EXPECT_EQ(empty.m_nOutstanding, 0);
}

}  // namespace
