// The four removal passes written exactly as their rules read: every
// removal shifts the list at once, and the namesake pass starts again from
// the top after each removal. The benchmark's reference for results, traces
// and timings; the product uses CApplicabilityFilter.
#pragma once

#include "InstalledInventory.h"
#include "UpdateItem.h"

void LiteralRemoveRedundantDriver(UpdateItemArray& items, const CInstalledInventory& inventory);
void LiteralRemoveRedundantAP(UpdateItemArray& items, CInstalledInventory& inventory);
void LiteralRemoveRedundantItem(UpdateItemArray& items);
void LiteralRemoveUpdatelessItem(UpdateItemArray& items, const CInstalledInventory& inventory,
                                 const wchar_t* currentBiosVersion);
