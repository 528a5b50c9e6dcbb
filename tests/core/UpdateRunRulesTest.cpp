#include "UpdateRunRules.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "UnpackPackage.h"
#include "WideText.h"

namespace {

struct ItemSpec
{
    const wchar_t* pszName;
    BYTE bType;
    LONG nIndex;
    std::vector<LONG> aDependence;
};

// The items of one case, freed with the case.
class ItemList
{
public:
    explicit ItemList(std::initializer_list<ItemSpec> specs)
    {
        for (const ItemSpec& spec : specs)
        {
            auto* item = new UpdateItem;
            CopyBounded(item->szName, spec.pszName);
            item->bType = spec.bType;
            item->nIndex = spec.nIndex;
            for (size_t d = 0; d < spec.aDependence.size() && d < kMaxDependence; ++d)
                item->anDependence[d] = spec.aDependence[d];
            m_aItem.push_back(item);
        }
    }
    ~ItemList() { ClearUpdateItemArray(m_aItem); }

    // The names in the order the run installs them.
    std::vector<std::wstring> InstallOrder()
    {
        std::vector<std::wstring> order;
        while (!m_aItem.empty())
        {
            size_t next = ChooseNextItem(m_aItem);
            order.push_back(m_aItem[next]->szName);
            FreeUpdateItem(m_aItem[next]);
            m_aItem.erase(m_aItem.begin() + static_cast<std::ptrdiff_t>(next));
        }
        return order;
    }

private:
    UpdateItemArray m_aItem;
};

using Order = std::vector<std::wstring>;

TEST(ChooseNextItemTest, InstallOrderTable)
{
    struct Case
    {
        const char* what;
        ItemList* items;
        Order expected;
    };
    ItemList plain({{L"A", kItemTypeDriver, 1, {}}, {L"B", kItemTypeAP, 2, {}}});
    ItemList romtool({{L"BIOS", kItemTypeBios, 1, {}},
                      {L"Driver", kItemTypeDriver, 2, {}},
                      {L"romtool", kItemTypeAP, 3, {}}});
    ItemList biosWithoutRomtool({{L"BIOS", kItemTypeBios, 1, {}}, {L"Driver", kItemTypeDriver, 2, {}}});
    ItemList chain({{L"A", kItemTypeAP, 1, {2}}, {L"B", kItemTypeAP, 2, {3}}, {L"C", kItemTypeAP, 3, {}}});
    ItemList missing({{L"A", kItemTypeAP, 1, {9, 2}}, {L"B", kItemTypeAP, 2, {}}});
    ItemList cycleOfTwo({{L"A", kItemTypeAP, 1, {2}}, {L"B", kItemTypeAP, 2, {1}}});
    ItemList cycleOfThree({{L"A", kItemTypeAP, 1, {2}}, {L"B", kItemTypeAP, 2, {3}},
                           {L"C", kItemTypeAP, 3, {1}}});
    ItemList selfDependent({{L"A", kItemTypeAP, 1, {1}}, {L"B", kItemTypeAP, 2, {}}});
    // The first 0 ends the list: 3 after it is not a dependency.
    ItemList endedByZero({{L"A", kItemTypeAP, 1, {0, 3}}, {L"B", kItemTypeAP, 2, {}},
                          {L"C", kItemTypeAP, 3, {}}});
    std::vector<LONG> twenty;
    for (LONG d = 30; d > 11; --d)
        twenty.push_back(d);  // 19 indexes not in the run
    twenty.push_back(2);      // the 20th, the last entry read
    ItemList twentyDependencies({{L"A", kItemTypeAP, 1, twenty}, {L"B", kItemTypeAP, 2, {}}});

    const Case cases[] = {
        {"array order without dependencies", &plain, {L"A", L"B"}},
        {"Romtool before the BIOS image", &romtool, {L"romtool", L"BIOS", L"Driver"}},
        {"BIOS image without Romtool", &biosWithoutRomtool, {L"BIOS", L"Driver"}},
        {"a chain of dependencies", &chain, {L"C", L"B", L"A"}},
        {"a dependency not in the run is skipped", &missing, {L"B", L"A"}},
        {"a cycle of two ends where it closes", &cycleOfTwo, {L"B", L"A"}},
        {"a cycle of three ends where it closes", &cycleOfThree, {L"C", L"B", L"A"}},
        {"an item naming itself", &selfDependent, {L"A", L"B"}},
        {"the first 0 ends the list", &endedByZero, {L"A", L"B", L"C"}},
        {"twenty dependencies, the last one in the run", &twentyDependencies, {L"B", L"A"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.items->InstallOrder(), c.expected);
    }
}

TEST(UpdateRunRulesTest, RecordTexts)
{
    EXPECT_EQ(FormatRecordText(L"%1 has been updated from %2 to %3.", L"Notes", L"1.0", L"2.0"),
              L"Notes has been updated from 1.0 to 2.0.");
    EXPECT_EQ(FormatRecordText(L"%1 %2 has been installed.", L"Notes", L"2.0"),
              L"Notes 2.0 has been installed.");
    // Markers without an argument, and a "%" in an argument, stay as they are.
    EXPECT_EQ(FormatRecordText(L"%1 at %3 of 100%", L"50%2", nullptr), L"50%2 at %3 of 100%");

    EXPECT_EQ(InstallRecordMessageId(false, true), 41u);
    EXPECT_EQ(InstallRecordMessageId(false, false), 41u);
    EXPECT_EQ(InstallRecordMessageId(true, true), 39u);
    EXPECT_EQ(InstallRecordMessageId(true, false), 40u);

    EXPECT_EQ(UnpackFailureMessageId(0), 0u);
    EXPECT_EQ(UnpackFailureMessageId(UNPACK_E_CANCELLED), 0u);
    EXPECT_EQ(UnpackFailureMessageId(UNPACK_E_FORMAT), 37u);
    EXPECT_EQ(UnpackFailureMessageId(UNPACK_E_FILE), 38u);
}

TEST(UpdateRunRulesTest, RestartAndFirstStep)
{
    struct Case
    {
        BYTE bType;
        BOOL bReboot;
        bool bInstallerAsked;
        BOOL bShutdownSeen;
        bool expected;
    };
    const Case cases[] = {
        {kItemTypeDriver, FALSE, false, FALSE, false},
        {kItemTypeBios, FALSE, false, FALSE, true},
        {kItemTypeAP, TRUE, false, FALSE, true},
        {kItemTypeHotfix, FALSE, true, FALSE, true},
        {kItemTypeAP, FALSE, false, TRUE, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << int(c.bType) << c.bReboot << c.bInstallerAsked
                                        << c.bShutdownSeen);
        EXPECT_EQ(ItemNeedsRestart(c.bType, c.bReboot, c.bInstallerAsked, c.bShutdownSeen),
                  c.expected);
    }

    EXPECT_EQ(FirstRunStep(FALSE, FALSE), StepConnect);
    EXPECT_EQ(FirstRunStep(TRUE, FALSE), StepFinished);
    EXPECT_EQ(FirstRunStep(TRUE, TRUE), StepResume);
}

}  // namespace
