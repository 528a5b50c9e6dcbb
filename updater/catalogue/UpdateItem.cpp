#include "UpdateItem.h"

void FreeUpdateItem(UpdateItem* item)
{
    delete item;
}

void ClearUpdateItemArray(UpdateItemArray& items)
{
    while (!items.empty())
    {
        FreeUpdateItem(items.back());
        items.pop_back();
    }
}
