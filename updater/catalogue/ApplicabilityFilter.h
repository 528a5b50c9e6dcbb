// The four removal passes that reduce the offered items to those that fit
// this machine and are newer than what it has, and the comparisons they use.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "InstalledInventory.h"
#include "UpdateItem.h"

// True when every "&"-separated piece of the pattern's hardware id occurs in
// the device's, ignoring case; a pattern without pieces fits every device.
bool MatchHardwareId(const HardwareIdEntry& device, const HardwareIdEntry& pattern);

// Dotted versions, compared piece by piece as numbers (up to ten pieces).
bool IsVersionNewer(const wchar_t* installed, const wchar_t* offered);

// Month/day/year dates; true when offered is the later one.
bool IsDateNewer(const wchar_t* installed, const wchar_t* offered);

// Runs on the lists of one update run, after the inventory was taken; the
// device list must not change while the filter lives. Each pass frees the
// items it removes; the others keep their order.
class CApplicabilityFilter
{
public:
    CApplicabilityFilter(UpdateItemArray& items, CInstalledInventory& inventory,
                         const wchar_t* currentBiosVersion);

    CApplicabilityFilter(const CApplicabilityFilter&) = delete;
    CApplicabilityFilter& operator=(const CApplicabilityFilter&) = delete;

    // Driver items for devices the machine does not have.
    void RemoveRedundantDriver();
    // Application items for applications that are not installed, and
    // installed entries whose application is no longer listed.
    void RemoveRedundantAP();
    // The older of items with the same name.
    void RemoveRedundantItem();
    // Items not newer than the installed BIOS, driver, application or hotfix.
    void RemoveUpdatelessItem();

    // The four passes, in order.
    void Apply();

private:
    // Positions of the installed devices the pattern fits, in device order.
    const std::vector<size_t>& FittingDevices(const HardwareIdEntry& pattern);

    UpdateItemArray& m_aUpdateItem;
    CInstalledInventory& m_inventory;
    std::wstring m_strBiosVersion;

    std::vector<std::wstring> m_aUpperDeviceId;
    std::unordered_map<std::wstring, std::vector<size_t>> m_mapFittingDevices;
};
