#include "ApplicabilityFilter.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "TraceCapture.h"
#include "WideText.h"

namespace {

HardwareIdEntry Hwid(const wchar_t* id, const wchar_t* version = L"", const wchar_t* date = L"")
{
    HardwareIdEntry entry;
    CopyBounded(entry.szHardwareId, id);
    CopyBounded(entry.szVersion, version);
    CopyBounded(entry.szDate, date);
    return entry;
}

InstalledItem Installed(const wchar_t* name, const wchar_t* version)
{
    InstalledItem installed;
    CopyBounded(installed.szName, name);
    CopyBounded(installed.szVersion, version);
    return installed;
}

const wchar_t kAudioDevice[] = L"PCI\\VEN_8086&DEV_27D8&SUBSYS_1234ABCD&REV_02";
const wchar_t kAudioPattern[] = L"PCI\\VEN_8086&DEV_27D8";

// The lists of one update run, with helpers to add offered items.
class FilterTest : public testing::Test
{
protected:
    ~FilterTest() override { ClearUpdateItemArray(m_items); }

    UpdateItem& Add(BYTE type, const wchar_t* name, const wchar_t* version = L"",
                    std::initializer_list<HardwareIdEntry> hwids = {})
    {
        auto* item = new UpdateItem;
        item->bType = type;
        CopyBounded(item->szName, name);
        CopyBounded(item->szVersion, version);
        item->aHardwareId.assign(hwids);
        m_items.push_back(item);
        return *item;
    }

    UpdateItem& AddDriver(const wchar_t* name, const wchar_t* version, const wchar_t* date)
    {
        return Add(kItemTypeDriver, name, L"", {Hwid(kAudioPattern, version, date)});
    }

    CApplicabilityFilter Filter() { return CApplicabilityFilter(m_items, m_inventory, m_bios); }

    std::vector<std::wstring> Names() const
    {
        std::vector<std::wstring> names;
        for (const UpdateItem* item : m_items)
            names.push_back(item->szName);
        return names;
    }

    std::vector<std::wstring> Versions() const
    {
        std::vector<std::wstring> versions;
        for (const UpdateItem* item : m_items)
            versions.push_back(item->szVersion);
        return versions;
    }

    UpdateItemArray m_items;
    CInstalledInventory m_inventory;
    const wchar_t* m_bios = L"0602";
};

using Lines = std::vector<std::wstring>;

TEST(HardwareIdMatch, PiecesMayStandAnywhereInAnyCase)
{
    struct Case
    {
        const wchar_t* device;
        const wchar_t* pattern;
        bool fits;
    };
    const Case cases[] = {
        {kAudioDevice, kAudioPattern, true},
        {kAudioDevice, L"DEV_27D8&PCI\\VEN_8086", true},
        {kAudioDevice, L"pci\\ven_8086&dev_27d8", true},
        {L"pci\\ven_8086&dev_27d8&rev_02", L"PCI\\VEN_8086&DEV_27D8", true},
        {kAudioDevice, L"&&PCI\\VEN_8086&&&REV_02&", true},
        {kAudioDevice, L"", true},
        {kAudioDevice, L"&&", true},
        {kAudioDevice, L"PCI\\VEN_8086&DEV_27D9", false},
        {L"ACPI\\PNP0303", kAudioPattern, false},
        // Fragments only need to occur, not to be whole pieces.
        {kAudioDevice, L"VEN_80&27D8&1234", true},
        {L"", kAudioPattern, false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(MatchHardwareId(Hwid(c.device), Hwid(c.pattern)), c.fits)
            << Narrow(c.device) << " / " << Narrow(c.pattern);
    }
}

TEST(VersionComparison, NumbersPieceByPiece)
{
    struct Case
    {
        const wchar_t* installed;
        const wchar_t* offered;
        bool newer;
    };
    const Case cases[] = {
        {L"1.9", L"1.10", true},
        {L"1.10", L"1.9", false},
        {L"2.0", L"2.0.0.1", true},
        {L"1.0", L"1.0.0", false},
        {L"1.0.0", L"1.0", false},
        {L"6.1.7600.16385", L"6.1.7600.16385", false},
        {L"6.1.7600.16385", L"6.1.7600.16386", true},
        {L"6.1.7601.1", L"6.1.7600.16386", false},
        {L"1..2", L"1.3", true},       // runs of dots are one separator
        {L".1.2", L"1.2", false},      // a leading dot gives no piece
        {L"1.2a", L"1.2b", false},     // the leading number of a piece counts
        {L"1.x", L"1.0", false},       // no number reads as 0
        {L"", L"0", false},
        {L"", L"0.0.1", true},
        // Only ten pieces are read.
        {L"1.1.1.1.1.1.1.1.1.1.1", L"1.1.1.1.1.1.1.1.1.1.2", false},
        {L"1.1.1.1.1.1.1.1.1.1", L"1.1.1.1.1.1.1.1.1.2", true},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(IsVersionNewer(c.installed, c.offered), c.newer)
            << Narrow(c.installed) << " -> " << Narrow(c.offered);
    }
}

TEST(DateComparison, YearThenMonthThenDay)
{
    struct Case
    {
        const wchar_t* installed;
        const wchar_t* offered;
        bool later;
    };
    const Case cases[] = {
        {L"06/21/2006", L"10/01/2009", true},
        {L"06/21/2006", L"01/01/2006", false},
        {L"12/31/2008", L"01/05/2009", true},
        {L"01/05/2009", L"12/31/2008", false},
        {L"01/31/2009", L"02/01/2009", true},
        {L"03/01/2009", L"03/02/2009", true},
        {L"03/02/2009", L"03/01/2009", false},
        {L"03/01/2009", L"03/01/2009", false},
        {L"", L"01/01/1990", true},
        {L"01/01/1990", L"", false},
        {L"03/01/2009/99", L"03/01/2009/1", false},  // a fourth piece is ignored
        {L"3/1/2009", L"03/01/2009", false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(IsDateNewer(c.installed, c.offered), c.later)
            << Narrow(c.installed) << " -> " << Narrow(c.offered);
    }
}

TEST_F(FilterTest, WithoutDevicesDriversSurviveTheFirstPassButNotTheLast)
{
    AddDriver(L"Audio Driver", L"9.0", L"01/01/2030");
    Add(kItemTypeDriver, L"Empty Driver");
    AddDriver(L"Kept Driver", L"1.0", L"01/01/2000").bDowngradable = TRUE;
    CApplicabilityFilter filter = Filter();
    CTraceCapture trace;

    filter.RemoveRedundantDriver();
    EXPECT_EQ(Names(), (Lines{L"Audio Driver", L"Empty Driver", L"Kept Driver"}));
    EXPECT_TRUE(trace.Lines().empty());

    filter.RemoveUpdatelessItem();
    EXPECT_EQ(Names(), (Lines{L"Kept Driver"}));
    EXPECT_EQ(trace.Lines(), (Lines{
                                 L"RemoveUpdatelessItem - Check driver Empty Driver",
                                 L"RemoveUpdatelessItem - Remove driver Empty Driver",
                                 L"RemoveUpdatelessItem - Check driver Audio Driver",
                                 L"RemoveUpdatelessItem - Remove driver Audio Driver",
                             }));
}

TEST_F(FilterTest, DriversForAbsentDevicesAreRemovedLastToFirst)
{
    m_inventory.m_aInstalledDevice = {Hwid(L"ACPI\\PNP0303"), Hwid(kAudioDevice)};
    AddDriver(L"Audio Driver", L"1.0", L"");
    Add(kItemTypeDriver, L"No Ids");
    Add(kItemTypeDriver, L"Second Id Fits", L"", {Hwid(L"USB\\VID_0000"), Hwid(L"acpi\\pnp0303")});
    Add(kItemTypeDriver, L"Absent", L"", {Hwid(L"USB\\VID_0000")});
    Add(kItemTypeAP, L"Not A Driver", L"", {Hwid(L"USB\\VID_0000")});
    CTraceCapture trace;

    Filter().RemoveRedundantDriver();

    EXPECT_EQ(Names(), (Lines{L"Audio Driver", L"Second Id Fits", L"Not A Driver"}));
    EXPECT_EQ(trace.Lines(), (Lines{L"RemoveRedundantDriver - Remove Absent",
                                    L"RemoveRedundantDriver - Remove No Ids"}));
}

TEST_F(FilterTest, DriverStaysForANewerVersionOrALaterDate)
{
    struct Case
    {
        const wchar_t* installedVersion;
        const wchar_t* installedDate;
        const wchar_t* offeredVersion;
        const wchar_t* offeredDate;
        bool stays;
    };
    const Case cases[] = {
        {L"6.1.7600.16385", L"06/21/2006", L"6.1.7600.16385", L"10/01/2009", true},
        {L"6.1.7600.16385", L"06/21/2006", L"6.1.7600.16385", L"01/01/2006", false},
        {L"6.1.7600.16385", L"06/21/2006", L"6.1.7600.16385", L"06/21/2006", false},
        {L"1.0", L"12/31/2008", L"1.0", L"01/05/2009", true},
        {L"1.0", L"01/31/2009", L"1.0", L"02/01/2009", true},
        {L"1.9", L"05/05/2009", L"1.10", L"05/05/2009", true},
        {L"2.0", L"05/05/2009", L"2.1", L"01/01/2001", true},  // a newer version wins
        {L"2.0", L"05/05/2009", L"1.0", L"05/06/2009", true},  // so does a later date
        {L"2.0", L"05/05/2009", L"1.0", L"05/04/2009", false},
        {L"", L"", L"0.0", L"", false},
    };
    for (const Case& c : cases)
    {
        m_inventory.m_aInstalledDevice = {Hwid(kAudioDevice, c.installedVersion, c.installedDate)};
        AddDriver(L"Audio Driver", c.offeredVersion, c.offeredDate);
        Filter().RemoveUpdatelessItem();
        EXPECT_EQ(m_items.size(), c.stays ? 1u : 0u)
            << Narrow(c.installedVersion) << " " << Narrow(c.installedDate) << " -> "
            << Narrow(c.offeredVersion) << " " << Narrow(c.offeredDate);
        ClearUpdateItemArray(m_items);
    }
}

TEST_F(FilterTest, DriverCheckWalksEntriesAndFittingDevicesUntilNewer)
{
    m_inventory.m_aInstalledDevice = {
        Hwid(L"PCI\\VEN_1&DEV_1", L"3.0", L"01/01/2009"),
        Hwid(L"USB\\VID_2", L"1.0", L"01/01/2009"),
        Hwid(L"PCI\\VEN_1&DEV_2", L"1.0", L"01/01/2009"),
        Hwid(L"PCI\\VEN_1&DEV_3", L"1.0", L"01/01/2009"),
    };
    Add(kItemTypeDriver, L"Chipset", L"",
        {Hwid(L"USB\\VID_9", L"9.0", L""), Hwid(L"VEN_1", L"2.0", L"02/02/2002")});
    CTraceCapture trace;

    Filter().RemoveUpdatelessItem();

    EXPECT_EQ(Names(), (Lines{L"Chipset"}));
    EXPECT_EQ(trace.Lines(), (Lines{
                                 L"RemoveUpdatelessItem - Check driver Chipset",
                                 L"RemoveUpdatelessItem - Check version 3.0 VS 2.0",
                                 L"RemoveUpdatelessItem - Check date 01/01/2009 VS 02/02/2002",
                                 L"RemoveUpdatelessItem - Check version 1.0 VS 2.0",
                             }));
}

TEST_F(FilterTest, ApplicationVersionsCompareAsText)
{
    struct Case
    {
        const wchar_t* installed;
        const wchar_t* offered;
        bool stays;
    };
    const Case cases[] = {
        {L"1.9", L"1.10", false},  // "1.10" sorts before "1.9"
        {L"1.9", L"2.0", true},
        {L"2.0", L"2.0", false},
        {L"", L"1.0", true},
        {L"v1.0", L"V1.0", true},  // case counts: lower case sorts first in the locale order
        {L"V1.0", L"v1.0", false},
    };
    for (const Case& c : cases)
    {
        m_inventory.m_aInstalledItem = {Installed(L"Player", c.installed)};
        Add(kItemTypeAP, L"player", c.offered);
        CTraceCapture trace;
        Filter().RemoveUpdatelessItem();
        EXPECT_EQ(m_items.size(), c.stays ? 1u : 0u)
            << Narrow(c.installed) << " -> " << Narrow(c.offered);
        if (!c.stays)
        {
            wchar_t expected[256];
            FormatBounded(expected, 256,
                          L"RemoveUpdatelessItem - Remove AP player installed: %s, script: %s",
                          c.installed, c.offered);
            EXPECT_EQ(trace.Lines().back(), expected);
        }
        ClearUpdateItemArray(m_items);
    }
}

TEST_F(FilterTest, ApplicationLookupTracesEveryComparison)
{
    m_inventory.m_aInstalledItem = {Installed(L"Viewer", L"1.0"), Installed(L"PLAYER", L"1.0"),
                                    Installed(L"Player", L"0.5")};
    Add(kItemTypeAP, L"Player", L"1.5");
    CTraceCapture trace;

    Filter().RemoveUpdatelessItem();

    // The first entry of the name decides.
    EXPECT_EQ(Names(), (Lines{L"Player"}));
    EXPECT_EQ(trace.Lines(), (Lines{
                                 L"GetInstalledItem - m_aInstalledItem.GetSize(): 3",
                                 L"GetInstalledItem - compare Viewer : Player",
                                 L"GetInstalledItem - compare PLAYER : Player",
                             }));
}

TEST_F(FilterTest, BiosComparesCharacterCodes)
{
    struct Case
    {
        const wchar_t* current;
        const wchar_t* offered;
        bool downgradable;
        bool stays;
    };
    const Case cases[] = {
        {L"0602", L"0602", false, false},
        {L"0602", L"0501", false, false},
        {L"0602", L"0501", true, true},
        {L"0602", L"0603", false, true},
        // By character codes "B" (0x42) sorts before "a" (0x61); the
        // locale's order would say the opposite.
        {L"a1", L"B1", false, false},
        {L"B1", L"a1", false, true},
        {L"", L"0100", false, true},
    };
    for (const Case& c : cases)
    {
        m_bios = c.current;
        Add(kItemTypeBios, L"BIOS", c.offered).bDowngradable = c.downgradable;
        CTraceCapture trace;
        Filter().RemoveUpdatelessItem();
        EXPECT_EQ(m_items.size(), c.stays ? 1u : 0u)
            << Narrow(c.current) << " -> " << Narrow(c.offered);
        EXPECT_EQ(trace.Lines(), c.stays ? Lines{} : Lines{L"RemoveUpdatelessItem - Remove BIOS"});
        ClearUpdateItemArray(m_items);
    }
}

TEST_F(FilterTest, RomtoolIsOfferedUninstalledButNeedsAnInstalledVersion)
{
    m_inventory.m_aInstalledAP = {L"Media Player"};
    m_inventory.m_aInstalledItem = {Installed(L"Media Player", L"1.0")};
    Add(kItemTypeAP, L"romtool", L"1.0");
    Add(kItemTypeAP, L"Other Tool", L"1.0");
    Add(kItemTypeAP, L"MEDIA PLAYER", L"2.0");
    CApplicabilityFilter filter = Filter();
    CTraceCapture trace;

    filter.RemoveRedundantAP();
    EXPECT_EQ(Names(), (Lines{L"romtool", L"MEDIA PLAYER"}));

    filter.RemoveUpdatelessItem();
    EXPECT_EQ(Names(), (Lines{L"MEDIA PLAYER"}));
    EXPECT_EQ(trace.Lines().front(), L"RemoveRedundantAP - Installed AP m_aInstalledAP.GetSize(): 1");
    EXPECT_EQ(trace.Lines().at(1), L"RemoveRedundantAP - Remove Other Tool");
    EXPECT_EQ(trace.Lines().back(), L"RemoveUpdatelessItem - Remove inexistent AP romtool");
}

TEST_F(FilterTest, InstalledEntriesWithoutADisplayNameAreDropped)
{
    m_inventory.m_aInstalledAP = {L"Media Player", L"Viewer"};
    m_inventory.m_aInstalledItem = {Installed(L"Media Player", L"1.0"),
                                    Installed(L"Factory Tool", L"1.0"),
                                    Installed(L"viewer", L"2.0"),
                                    Installed(L"Vexa Kestrel", L"V2.1")};
    CTraceCapture trace;

    Filter().RemoveRedundantAP();

    ASSERT_EQ(m_inventory.m_aInstalledItem.size(), 2u);
    EXPECT_STREQ(m_inventory.m_aInstalledItem[0].szName, L"Media Player");
    EXPECT_STREQ(m_inventory.m_aInstalledItem[1].szName, L"viewer");
    EXPECT_EQ(trace.Lines(), (Lines{
                                 L"RemoveRedundantAP - Installed AP m_aInstalledAP.GetSize(): 2",
                                 L"RemoveRedundantAP - Remove Vexa Kestrel",
                                 L"RemoveRedundantAP - Remove Factory Tool",
                             }));
}

TEST_F(FilterTest, EmptyApplicationInventoryRemovesNothing)
{
    m_inventory.m_aInstalledItem = {Installed(L"Factory Tool", L"1.0")};
    Add(kItemTypeAP, L"Anything", L"1.0");
    CTraceCapture trace;

    Filter().RemoveRedundantAP();

    EXPECT_EQ(Names(), (Lines{L"Anything"}));
    EXPECT_EQ(m_inventory.m_aInstalledItem.size(), 1u);
    EXPECT_EQ(trace.Lines(),
              (Lines{L"RemoveRedundantAP - Installed AP m_aInstalledAP.GetSize(): 0"}));
}

TEST_F(FilterTest, NamesakesKeepTheLastSortingVersionNearestTheStart)
{
    Add(kItemTypeDriver, L"Audio Driver", L"2");
    Add(kItemTypeAP, L"Viewer", L"1");
    Add(kItemTypeAP, L"Player", L"1");
    Add(kItemTypeDriver, L"AUDIO DRIVER", L"3");
    Add(kItemTypeHotfix, L"Patch", L"1");
    Add(kItemTypeAP, L"audio driver", L"3");  // another type still counts
    CTraceCapture trace;

    Filter().RemoveRedundantItem();

    EXPECT_EQ(Names(), (Lines{L"Viewer", L"Player", L"AUDIO DRIVER", L"Patch"}));
    EXPECT_EQ(trace.Lines(), (Lines{L"RemoveRedundantItem - Remove Audio Driver",
                                    L"RemoveRedundantItem - Remove audio driver"}));
}

TEST_F(FilterTest, NamesakeGroupsAreResolvedInTheOrderOfARestartingScan)
{
    // Worked through by restarting from the top after every removal:
    // a1/a2 -> drop a1; B1 now stands first: B1/b0 -> drop b0;
    // B1/b9 -> drop B1; then a2/A0 -> drop A0; a2/a3 -> drop a2.
    Add(kItemTypeAP, L"a", L"1");
    Add(kItemTypeAP, L"B", L"1");
    Add(kItemTypeAP, L"a", L"2");
    Add(kItemTypeAP, L"b", L"0");
    Add(kItemTypeAP, L"A", L"0");
    Add(kItemTypeAP, L"b", L"9");
    Add(kItemTypeAP, L"a", L"3");
    CTraceCapture trace;

    Filter().RemoveRedundantItem();

    EXPECT_EQ(Versions(), (Lines{L"9", L"3"}));
    EXPECT_EQ(trace.Lines(), (Lines{
                                 L"RemoveRedundantItem - Remove a",
                                 L"RemoveRedundantItem - Remove b",
                                 L"RemoveRedundantItem - Remove B",
                                 L"RemoveRedundantItem - Remove A",
                                 L"RemoveRedundantItem - Remove a",
                             }));
}

TEST_F(FilterTest, HotfixStaysUnlessInstalledAtTheSameOrALaterVersion)
{
    m_inventory.m_aInstalledHotfix = {Installed(L"KB100", L"1.0"), Installed(L"KB200", L"1.0")};
    Add(kItemTypeHotfix, L"KB300", L"1.0");
    Add(kItemTypeHotfix, L"kb100", L"1.0");
    Add(kItemTypeHotfix, L"KB200", L"1.1");
    CTraceCapture trace;

    Filter().RemoveUpdatelessItem();

    EXPECT_EQ(Names(), (Lines{L"KB300", L"KB200"}));
    EXPECT_EQ(trace.Lines(),
              (Lines{L"RemoveUpdatelessItem - Remove AP kb100 installed: 1.0, script: 1.0"}));
}

TEST_F(FilterTest, DowngradableAndUntypedItemsAlwaysStay)
{
    Add(kItemTypeNone, L"Untyped", L"0");
    Add(kItemTypeBios, L"BIOS", L"0001").bDowngradable = TRUE;
    Add(kItemTypeDriver, L"Driver").bDowngradable = TRUE;
    Add(kItemTypeAP, L"Tool", L"1").bDowngradable = TRUE;
    Add(kItemTypeHotfix, L"KB1", L"1").bDowngradable = TRUE;
    m_inventory.m_aInstalledHotfix = {Installed(L"KB1", L"9")};
    CTraceCapture trace;

    Filter().RemoveUpdatelessItem();

    EXPECT_EQ(m_items.size(), 5u);
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(FilterTest, FourPassesTogether)
{
    m_inventory.m_aInstalledDevice = {Hwid(kAudioDevice, L"5.0", L"01/01/2009")};
    m_inventory.m_aInstalledAP = {L"Media Player"};
    m_inventory.m_aInstalledItem = {Installed(L"Media Player", L"1.0"),
                                    Installed(L"Vexa Kestrel", L"V2.0")};
    Add(kItemTypeBios, L"BIOS", L"0603");
    AddDriver(L"Audio Driver", L"5.1", L"01/01/2009");
    AddDriver(L"Audio Driver", L"5.2", L"01/01/2009");
    Add(kItemTypeDriver, L"Card Reader", L"", {Hwid(L"PCI\\VEN_10EC")});
    Add(kItemTypeAP, L"Media Player", L"1.1");
    Add(kItemTypeAP, L"Vexa Kestrel", L"V2.1");
    Add(kItemTypeHotfix, L"KB1", L"1");

    Filter().Apply();

    EXPECT_EQ(Names(), (Lines{L"BIOS", L"Audio Driver", L"Media Player", L"KB1"}));
    // Namesakes compare the item's own version, which drivers leave empty:
    // the first one stays.
    EXPECT_STREQ(m_items[1]->aHardwareId[0].szVersion, L"5.1");
    ASSERT_EQ(m_inventory.m_aInstalledItem.size(), 1u);
}

}  // namespace
