#include "LiteralFilter.h"

#include <cwchar>

#include "ApplicabilityFilter.h"
#include "TraceLog.h"
#include "WideText.h"

namespace {

void RemoveAt(UpdateItemArray& items, size_t i)
{
    FreeUpdateItem(items[i]);
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
}

bool IsInstalledAP(const CInstalledInventory& inventory, const wchar_t* name)
{
    for (const std::wstring& installed : inventory.m_aInstalledAP)
    {
        if (EqualsNoCase(installed.c_str(), name))
            return true;
    }
    return false;
}

}  // namespace

void LiteralRemoveRedundantDriver(UpdateItemArray& items, const CInstalledInventory& inventory)
{
    if (inventory.m_aInstalledDevice.empty())
        return;
    for (size_t i = items.size(); i-- > 0;)
    {
        const UpdateItem& item = *items[i];
        if (item.bType != kItemTypeDriver)
            continue;
        bool fits = false;
        for (const HardwareIdEntry& entry : item.aHardwareId)
        {
            for (const HardwareIdEntry& device : inventory.m_aInstalledDevice)
            {
                if (MatchHardwareId(device, entry))
                {
                    fits = true;
                    break;
                }
            }
            if (fits)
                break;
        }
        if (!fits)
        {
            TraceLog(L"RemoveRedundantDriver - Remove %s", item.szName);
            RemoveAt(items, i);
        }
    }
}

void LiteralRemoveRedundantAP(UpdateItemArray& items, CInstalledInventory& inventory)
{
    TraceLog(L"RemoveRedundantAP - Installed AP m_aInstalledAP.GetSize(): %d",
             static_cast<int>(inventory.m_aInstalledAP.size()));
    if (inventory.m_aInstalledAP.empty())
        return;
    for (size_t i = items.size(); i-- > 0;)
    {
        const UpdateItem& item = *items[i];
        if (item.bType != kItemTypeAP || IsInstalledAP(inventory, item.szName) ||
            EqualsNoCase(item.szName, L"Romtool"))
            continue;
        TraceLog(L"RemoveRedundantAP - Remove %s", item.szName);
        RemoveAt(items, i);
    }
    InstalledItemArray& installedItems = inventory.m_aInstalledItem;
    for (size_t i = installedItems.size(); i-- > 0;)
    {
        if (!IsInstalledAP(inventory, installedItems[i].szName))
        {
            TraceLog(L"RemoveRedundantAP - Remove %s", installedItems[i].szName);
            installedItems.erase(installedItems.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

void LiteralRemoveRedundantItem(UpdateItemArray& items)
{
    for (;;)
    {
        bool removed = false;
        for (size_t i = 0; i < items.size() && !removed; ++i)
        {
            // A namesake before i would itself have been the first item
            // with a namesake, so the first namesake of i stands after it.
            for (size_t j = i + 1; j < items.size(); ++j)
            {
                if (!EqualsNoCase(items[i]->szName, items[j]->szName))
                    continue;
                size_t loser = lstrcmpW(items[i]->szVersion, items[j]->szVersion) < 0 ? i : j;
                TraceLog(L"RemoveRedundantItem - Remove %s", items[loser]->szName);
                RemoveAt(items, loser);
                removed = true;
                break;
            }
        }
        if (!removed)
            return;
    }
}

void LiteralRemoveUpdatelessItem(UpdateItemArray& items, const CInstalledInventory& inventory,
                                 const wchar_t* currentBiosVersion)
{
    for (size_t i = items.size(); i-- > 0;)
    {
        const UpdateItem& item = *items[i];
        if (item.bDowngradable)
            continue;
        bool remove = false;
        if (item.bType == kItemTypeBios)
        {
            remove = wcscmp(currentBiosVersion, item.szVersion) >= 0;
            if (remove)
                TraceLog(L"RemoveUpdatelessItem - Remove BIOS");
        }
        else if (item.bType == kItemTypeDriver)
        {
            TraceLog(L"RemoveUpdatelessItem - Check driver %s", item.szName);
            bool newer = false;
            for (size_t e = 0; e < item.aHardwareId.size() && !newer; ++e)
            {
                const HardwareIdEntry& entry = item.aHardwareId[e];
                for (size_t d = 0; d < inventory.m_aInstalledDevice.size() && !newer; ++d)
                {
                    const HardwareIdEntry& device = inventory.m_aInstalledDevice[d];
                    if (!MatchHardwareId(device, entry))
                        continue;
                    TraceLog(L"RemoveUpdatelessItem - Check version %s VS %s", device.szVersion,
                             entry.szVersion);
                    newer = IsVersionNewer(device.szVersion, entry.szVersion);
                    if (!newer)
                    {
                        TraceLog(L"RemoveUpdatelessItem - Check date %s VS %s", device.szDate,
                                 entry.szDate);
                        newer = IsDateNewer(device.szDate, entry.szDate);
                    }
                }
            }
            remove = !newer;
            if (remove)
                TraceLog(L"RemoveUpdatelessItem - Remove driver %s", item.szName);
        }
        else if (item.bType == kItemTypeAP)
        {
            const InstalledItem* installed = inventory.GetInstalledItem(item);
            if (!installed)
            {
                TraceLog(L"RemoveUpdatelessItem - Remove inexistent AP %s", item.szName);
                remove = true;
            }
            else if (lstrcmpW(installed->szVersion, item.szVersion) >= 0)
            {
                TraceLog(L"RemoveUpdatelessItem - Remove AP %s installed: %s, script: %s",
                         item.szName, installed->szVersion, item.szVersion);
                remove = true;
            }
        }
        else if (item.bType == kItemTypeHotfix)
        {
            const InstalledItem* installed = inventory.GetInstalledHotfix(item);
            if (installed && lstrcmpW(installed->szVersion, item.szVersion) >= 0)
            {
                TraceLog(L"RemoveUpdatelessItem - Remove AP %s installed: %s, script: %s",
                         item.szName, installed->szVersion, item.szVersion);
                remove = true;
            }
        }
        if (remove)
            RemoveAt(items, i);
    }
}
