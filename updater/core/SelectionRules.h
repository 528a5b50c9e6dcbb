// The rules that keep the user's choice in the update list consistent: a
// BIOS image takes the flashing utility "Romtool" along, an item its direct
// dependencies, and dropping the utility drops the BIOS image.
#pragma once

#include <vector>

#include "UpdateItem.h"

struct SelectionChange
{
    UpdateItem* pItem;
    bool bCheck;
};

// The other items whose check boxes change when the user checks (bChecking)
// or unchecks clicked, in the order the rules name them.
std::vector<SelectionChange> GetSelectionChanges(const UpdateItemArray& items,
                                                 const UpdateItem& clicked, bool bChecking);
