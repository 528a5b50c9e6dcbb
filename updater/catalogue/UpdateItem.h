// One offered BIOS image, driver, application or hotfix, as read from the
// model's update index or the pending-work file.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <string>
#include <vector>

enum UpdateItemType : BYTE
{
    kItemTypeNone = 0,
    kItemTypeBios = 1,
    kItemTypeDriver = 2,
    kItemTypeAP = 3,
    kItemTypeHotfix = 4,
};

constexpr int kMaxDependence = 20;

// A hardware id with a driver version and date: offered for a device by a
// driver item, or read from an installed device.
struct HardwareIdEntry
{
    WCHAR szHardwareId[128] = {};
    WCHAR szVersion[100] = {};
    WCHAR szDate[30] = {};  // "%02d/%02d/%04d", month/day/year
};

struct UpdateItem
{
    BYTE bType = kItemTypeNone;
    WCHAR szName[100] = {};
    WCHAR szTitle[100] = {};
    WCHAR szVersion[100] = {};
    WCHAR szDescription[512] = {};
    WCHAR szZipPath[512] = {};
    WCHAR szPath[512] = {};
    WCHAR szExecute[100] = {};
    WCHAR szUninstall[100] = {};
    WCHAR szPrePatch[100] = {};
    WCHAR szPostPatch[100] = {};
    LONG nSize = 0;
    // The package's SHA-256 as the index gives it: 64 hex digits when well
    // formed; the one unit more keeps a longer text too long. bSha256 tells
    // whether the index gave the element at all, even an empty one.
    WCHAR szSha256[66] = {};
    BOOL bSha256 = FALSE;
    LONG nIndex = 0;
    LONG anDependence[kMaxDependence] = {};  // the first 0 ends the list
    BOOL bReboot = FALSE;
    BOOL bDowngradable = FALSE;
    HTREEITEM hListRow = nullptr;  // row in the update list, never stored
    std::vector<HardwareIdEntry> aHardwareId;
};

using UpdateItemArray = std::vector<UpdateItem*>;

// Frees an item together with its hardware-id entries.
void FreeUpdateItem(UpdateItem* item);

// Frees every item, last to first, and empties the array.
void ClearUpdateItemArray(UpdateItemArray& items);

// The text of a fixed-size field, never read past the field's end.
template <size_t N>
std::wstring FieldText(const WCHAR (&field)[N])
{
    return std::wstring(field, wcsnlen(field, N));
}
