#include "SelectionRules.h"

#include "WideText.h"

namespace {

constexpr wchar_t kFlashUtilityName[] = L"Romtool";

bool IsFlashUtility(const UpdateItem& item)
{
    return EqualsNoCase(FieldText(item.szName).c_str(), kFlashUtilityName);
}

template <typename Match>
UpdateItem* FindFirst(const UpdateItemArray& items, Match match)
{
    for (UpdateItem* item : items)
    {
        if (match(*item))
            return item;
    }
    return nullptr;
}

}  // namespace

std::vector<SelectionChange> GetSelectionChanges(const UpdateItemArray& items,
                                                 const UpdateItem& clicked, bool bChecking)
{
    std::vector<SelectionChange> changes;
    if (!bChecking)
    {
        if (IsFlashUtility(clicked))
        {
            if (UpdateItem* bios = FindFirst(items, [](const UpdateItem& item) {
                    return item.bType == kItemTypeBios;
                }))
                changes.push_back({bios, false});
        }
        return changes;
    }
    if (clicked.bType == kItemTypeBios)
    {
        if (UpdateItem* utility = FindFirst(items, IsFlashUtility))
            changes.push_back({utility, true});
    }
    for (LONG index : clicked.anDependence)
    {
        if (index == 0)
            break;
        if (UpdateItem* dependence = FindFirst(items, [&](const UpdateItem& item) {
                return &item != &clicked && item.nIndex == index;
            }))
            changes.push_back({dependence, true});
    }
    return changes;
}
