#include "SelectionRules.h"

#include <gtest/gtest.h>

#include <memory>

#include "WideText.h"

namespace {

struct ItemSpec
{
    BYTE type;
    const wchar_t* name;
    LONG index;
    std::vector<LONG> dependence;
};

class SelectionRulesTest : public testing::Test
{
protected:
    UpdateItem* Add(const ItemSpec& spec)
    {
        auto item = std::make_unique<UpdateItem>();
        item->bType = spec.type;
        CopyBounded(item->szName, spec.name);
        item->nIndex = spec.index;
        for (size_t i = 0; i < spec.dependence.size(); ++i)
            item->anDependence[i] = spec.dependence[i];
        m_aItem.push_back(item.get());
        m_aOwned.push_back(std::move(item));
        return m_aItem.back();
    }

    // The names of the changed items, "+" for checked, "-" for unchecked.
    std::vector<std::wstring> Changes(const UpdateItem& clicked, bool checking)
    {
        std::vector<std::wstring> names;
        for (const SelectionChange& change : GetSelectionChanges(m_aItem, clicked, checking))
            names.push_back((change.bCheck ? L"+" : L"-") + std::wstring(change.pItem->szName));
        return names;
    }

    UpdateItemArray m_aItem;
    std::vector<std::unique_ptr<UpdateItem>> m_aOwned;
};

using Names = std::vector<std::wstring>;

TEST_F(SelectionRulesTest, BiosTakesTheFirstFlashUtilityAlong)
{
    UpdateItem* bios = Add({kItemTypeBios, L"BIOS", 1, {}});
    Add({kItemTypeAP, L"Player", 2, {}});
    UpdateItem* romtool = Add({kItemTypeAP, L"ROMTOOL", 3, {}});
    Add({kItemTypeAP, L"Romtool", 4, {}});
    EXPECT_EQ(Changes(*bios, true), (Names{L"+ROMTOOL"}));
    EXPECT_EQ(Changes(*bios, false), Names{});
    // Unchecking the utility unchecks the first BIOS image; checking it
    // alone changes nothing.
    EXPECT_EQ(Changes(*romtool, false), (Names{L"-BIOS"}));
    EXPECT_EQ(Changes(*romtool, true), Names{});
}

TEST_F(SelectionRulesTest, BiosWithoutUtilityAndUtilityWithoutBiosChangeNothing)
{
    UpdateItem* bios = Add({kItemTypeBios, L"BIOS", 1, {}});
    EXPECT_EQ(Changes(*bios, true), Names{});
    m_aItem.clear();
    UpdateItem* romtool = Add({kItemTypeAP, L"Romtool", 3, {}});
    EXPECT_EQ(Changes(*romtool, false), Names{});
}

TEST_F(SelectionRulesTest, CheckingAnItemChecksItsDirectDependencies)
{
    UpdateItem* player = Add({kItemTypeAP, L"Player", 5, {7, 9, 42, 5}});
    Add({kItemTypeDriver, L"Codec", 7, {8}});
    Add({kItemTypeDriver, L"Runtime", 8, {}});
    Add({kItemTypeHotfix, L"Fix", 9, {}});
    Add({kItemTypeHotfix, L"Fix again", 9, {}});
    // 42 is not in the list and 5 is the item itself: neither adds a row;
    // Codec's own dependency (Runtime) is not followed.
    EXPECT_EQ(Changes(*player, true), (Names{L"+Codec", L"+Fix"}));
    // Unchecking leaves the dependencies as they are.
    EXPECT_EQ(Changes(*player, false), Names{});
}

TEST_F(SelectionRulesTest, TheDependencyListEndsAtTheFirstZero)
{
    UpdateItem* player = Add({kItemTypeAP, L"Player", 5, {7, 0, 8}});
    Add({kItemTypeDriver, L"Codec", 7, {}});
    Add({kItemTypeDriver, L"Runtime", 8, {}});
    EXPECT_EQ(Changes(*player, true), (Names{L"+Codec"}));

    // A full list of 20 is read to its end and no further.
    UpdateItem* full = Add({kItemTypeAP, L"Suite", 6, {}});
    for (LONG& entry : full->anDependence)
        entry = 8;
    EXPECT_EQ(Changes(*full, true), Names(kMaxDependence, L"+Runtime"));
}

}  // namespace
