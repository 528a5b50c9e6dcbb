#include "ApplicabilityFilter.h"

#include <algorithm>
#include <cwchar>
#include <numeric>
#include <queue>

#include "TraceLog.h"
#include "WideText.h"

// Every pass marks what it removes and compacts the list once at the end:
// the items in between are not looked at again within a pass, so the result
// and the trace equal removing them one by one, without the quadratic cost
// of shifting the list after each removal.

namespace {

constexpr int kVersionPieces = 10;
constexpr int kDatePieces = 3;

std::wstring UpperCase(const wchar_t* text)
{
    std::wstring upper(text);
    if (!upper.empty())
        CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}

// Non-empty pieces of text between separators.
std::vector<std::wstring> SplitPieces(const std::wstring& text, wchar_t separator)
{
    std::vector<std::wstring> pieces;
    size_t start = 0;
    while (start <= text.size())
    {
        size_t end = text.find(separator, start);
        if (end == std::wstring::npos)
            end = text.size();
        if (end > start)
            pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

bool AllPiecesOccur(const std::wstring& upperDeviceId, const std::vector<std::wstring>& pieces)
{
    for (const std::wstring& piece : pieces)
    {
        if (upperDeviceId.find(piece) == std::wstring::npos)
            return false;
    }
    return true;
}

// Up to ten numbers between dots; runs of dots count as one.
void ReadVersion(const wchar_t* text, long (&pieces)[kVersionPieces])
{
    int count = 0;
    for (const wchar_t* p = text; *p && count < kVersionPieces;)
    {
        if (*p == L'.')
        {
            ++p;
            continue;
        }
        pieces[count++] = ParseLeadingInt(p);
        while (*p && *p != L'.')
            ++p;
    }
}

// Month, day and year: the first three pieces between slashes.
void ReadDate(const wchar_t* text, long (&pieces)[kDatePieces])
{
    const wchar_t* p = text;
    for (int count = 0; count < kDatePieces; ++count)
    {
        pieces[count] = ParseLeadingInt(p);
        p = wcschr(p, L'/');
        if (!p)
            return;
        ++p;
    }
}

bool SortsBefore(const wchar_t* a, const wchar_t* b)
{
    return lstrcmpW(a, b) < 0;
}

bool NameLess(const wchar_t* a, const wchar_t* b)
{
    return lstrcmpiW(a, b) < 0;
}

// The installed display names, sorted so that a name is found in log time
// with the same case-blind equality as EqualsNoCase.
class CNameSet
{
public:
    explicit CNameSet(const std::vector<std::wstring>& names)
    {
        m_aName.reserve(names.size());
        for (const std::wstring& name : names)
            m_aName.push_back(name.c_str());
        std::sort(m_aName.begin(), m_aName.end(), NameLess);
    }

    bool Contains(const wchar_t* name) const
    {
        return std::binary_search(m_aName.begin(), m_aName.end(), name, NameLess);
    }

private:
    std::vector<const wchar_t*> m_aName;
};

// Frees the marked items and closes the gaps, keeping the order of the rest.
void RemoveMarkedItems(UpdateItemArray& items, const std::vector<bool>& marked)
{
    size_t kept = 0;
    for (size_t i = 0; i < items.size(); ++i)
    {
        if (marked[i])
            FreeUpdateItem(items[i]);
        else
            items[kept++] = items[i];
    }
    items.resize(kept);
}

}  // namespace

bool MatchHardwareId(const HardwareIdEntry& device, const HardwareIdEntry& pattern)
{
    return AllPiecesOccur(UpperCase(device.szHardwareId),
                          SplitPieces(UpperCase(pattern.szHardwareId), L'&'));
}

bool IsVersionNewer(const wchar_t* installed, const wchar_t* offered)
{
    long installedPieces[kVersionPieces] = {};
    long offeredPieces[kVersionPieces] = {};
    ReadVersion(installed, installedPieces);
    ReadVersion(offered, offeredPieces);
    for (int i = 0; i < kVersionPieces; ++i)
    {
        if (offeredPieces[i] != installedPieces[i])
            return offeredPieces[i] > installedPieces[i];
    }
    return false;
}

bool IsDateNewer(const wchar_t* installed, const wchar_t* offered)
{
    long installedDate[kDatePieces] = {};
    long offeredDate[kDatePieces] = {};
    ReadDate(installed, installedDate);
    ReadDate(offered, offeredDate);
    // Year, then month, then day.
    for (int i : {2, 0, 1})
    {
        if (offeredDate[i] != installedDate[i])
            return offeredDate[i] > installedDate[i];
    }
    return false;
}

CApplicabilityFilter::CApplicabilityFilter(UpdateItemArray& items, CInstalledInventory& inventory,
                                           const wchar_t* currentBiosVersion)
    : m_aUpdateItem(items), m_inventory(inventory), m_strBiosVersion(currentBiosVersion)
{
    for (const HardwareIdEntry& device : inventory.m_aInstalledDevice)
        m_aUpperDeviceId.push_back(UpperCase(device.szHardwareId));
}

void CApplicabilityFilter::Apply()
{
    RemoveRedundantDriver();
    RemoveRedundantAP();
    RemoveRedundantItem();
    RemoveUpdatelessItem();
}

// The answer for each distinct pattern is kept: catalogues repeat the same
// few device patterns many times.
const std::vector<size_t>& CApplicabilityFilter::FittingDevices(const HardwareIdEntry& pattern)
{
    std::wstring upperPattern = UpperCase(pattern.szHardwareId);
    auto cached = m_mapFittingDevices.find(upperPattern);
    if (cached != m_mapFittingDevices.end())
        return cached->second;

    std::vector<std::wstring> pieces = SplitPieces(upperPattern, L'&');
    std::vector<size_t> fitting;
    for (size_t d = 0; d < m_aUpperDeviceId.size(); ++d)
    {
        if (AllPiecesOccur(m_aUpperDeviceId[d], pieces))
            fitting.push_back(d);
    }
    return m_mapFittingDevices.emplace(std::move(upperPattern), std::move(fitting)).first->second;
}

void CApplicabilityFilter::RemoveRedundantDriver()
{
    if (m_inventory.m_aInstalledDevice.empty())
        return;
    std::vector<bool> marked(m_aUpdateItem.size());
    for (size_t i = m_aUpdateItem.size(); i-- > 0;)
    {
        const UpdateItem& item = *m_aUpdateItem[i];
        if (item.bType != kItemTypeDriver)
            continue;
        bool fits = std::any_of(item.aHardwareId.begin(), item.aHardwareId.end(),
                                [this](const HardwareIdEntry& entry) {
                                    return !FittingDevices(entry).empty();
                                });
        if (!fits)
        {
            TraceLog(L"RemoveRedundantDriver - Remove %s", item.szName);
            marked[i] = true;
        }
    }
    RemoveMarkedItems(m_aUpdateItem, marked);
}

void CApplicabilityFilter::RemoveRedundantAP()
{
    const std::vector<std::wstring>& installedAP = m_inventory.m_aInstalledAP;
    TraceLog(L"RemoveRedundantAP - Installed AP m_aInstalledAP.GetSize(): %d",
             static_cast<int>(installedAP.size()));
    if (installedAP.empty())
        return;
    const CNameSet installedNames(installedAP);

    std::vector<bool> marked(m_aUpdateItem.size());
    for (size_t i = m_aUpdateItem.size(); i-- > 0;)
    {
        const UpdateItem& item = *m_aUpdateItem[i];
        // The BIOS flashing utility is offered even where it is not installed.
        if (item.bType != kItemTypeAP || installedNames.Contains(item.szName) ||
            EqualsNoCase(item.szName, L"Romtool"))
            continue;
        TraceLog(L"RemoveRedundantAP - Remove %s", item.szName);
        marked[i] = true;
    }
    RemoveMarkedItems(m_aUpdateItem, marked);

    InstalledItemArray& installedItems = m_inventory.m_aInstalledItem;
    std::vector<bool> stale(installedItems.size());
    for (size_t i = installedItems.size(); i-- > 0;)
    {
        if (!installedNames.Contains(installedItems[i].szName))
        {
            TraceLog(L"RemoveRedundantAP - Remove %s", installedItems[i].szName);
            stale[i] = true;
        }
    }
    size_t kept = 0;
    for (size_t i = 0; i < installedItems.size(); ++i)
    {
        if (!stale[i])
            installedItems[kept++] = installedItems[i];
    }
    installedItems.resize(kept);
}

// The rule as stated restarts from the top after every removal: take the
// first item that has a namesake, compare it with its first namesake and
// drop the one whose version sorts first (the later one on a tie). Within one
// group of namesakes that is a walk in position order keeping a champion, and
// the group handled next is always the one whose champion stands first. So
// the groups are found by sorting once, and a queue ordered by champion
// position replays the removals, and their trace lines, in the same order.
void CApplicabilityFilter::RemoveRedundantItem()
{
    const size_t count = m_aUpdateItem.size();
    std::vector<size_t> byName(count);
    std::iota(byName.begin(), byName.end(), 0);
    std::stable_sort(byName.begin(), byName.end(), [this](size_t a, size_t b) {
        return NameLess(m_aUpdateItem[a]->szName, m_aUpdateItem[b]->szName);
    });

    struct Group
    {
        size_t nChampion;  // position of the member still standing
        size_t nNext;      // index in byName of the next member to compare
        size_t nEnd;       // index in byName past the last member
    };
    auto standsLater = [](const Group& a, const Group& b) { return a.nChampion > b.nChampion; };
    std::priority_queue<Group, std::vector<Group>, decltype(standsLater)> pending(standsLater);
    for (size_t start = 0; start < count;)
    {
        size_t end = start + 1;
        while (end < count && EqualsNoCase(m_aUpdateItem[byName[start]]->szName,
                                           m_aUpdateItem[byName[end]]->szName))
            ++end;
        if (end - start > 1)
            pending.push({byName[start], start + 1, end});
        start = end;
    }

    std::vector<bool> marked(count);
    while (!pending.empty())
    {
        Group group = pending.top();
        pending.pop();
        size_t challenger = byName[group.nNext++];
        size_t removed = challenger;
        if (SortsBefore(m_aUpdateItem[group.nChampion]->szVersion,
                        m_aUpdateItem[challenger]->szVersion))
        {
            removed = group.nChampion;
            group.nChampion = challenger;
        }
        TraceLog(L"RemoveRedundantItem - Remove %s", m_aUpdateItem[removed]->szName);
        marked[removed] = true;
        if (group.nNext < group.nEnd)
            pending.push(group);
    }
    RemoveMarkedItems(m_aUpdateItem, marked);
}

void CApplicabilityFilter::RemoveUpdatelessItem()
{
    const std::vector<HardwareIdEntry>& devices = m_inventory.m_aInstalledDevice;
    std::vector<bool> marked(m_aUpdateItem.size());
    for (size_t i = m_aUpdateItem.size(); i-- > 0;)
    {
        const UpdateItem& item = *m_aUpdateItem[i];
        if (item.bDowngradable)
            continue;
        switch (item.bType)
        {
        case kItemTypeBios:
            // Plain character codes, not the locale's order.
            if (wcscmp(m_strBiosVersion.c_str(), item.szVersion) >= 0)
            {
                TraceLog(L"RemoveUpdatelessItem - Remove BIOS");
                marked[i] = true;
            }
            break;

        case kItemTypeDriver:
        {
            TraceLog(L"RemoveUpdatelessItem - Check driver %s", item.szName);
            bool newer = false;
            for (const HardwareIdEntry& entry : item.aHardwareId)
            {
                for (size_t d : FittingDevices(entry))
                {
                    const HardwareIdEntry& device = devices[d];
                    TraceLog(L"RemoveUpdatelessItem - Check version %s VS %s", device.szVersion,
                             entry.szVersion);
                    newer = IsVersionNewer(device.szVersion, entry.szVersion);
                    if (!newer)
                    {
                        TraceLog(L"RemoveUpdatelessItem - Check date %s VS %s", device.szDate,
                                 entry.szDate);
                        newer = IsDateNewer(device.szDate, entry.szDate);
                    }
                    if (newer)
                        break;
                }
                if (newer)
                    break;
            }
            if (!newer)
            {
                TraceLog(L"RemoveUpdatelessItem - Remove driver %s", item.szName);
                marked[i] = true;
            }
            break;
        }

        case kItemTypeAP:
        {
            const InstalledItem* installed = m_inventory.GetInstalledItem(item);
            if (!installed)
            {
                TraceLog(L"RemoveUpdatelessItem - Remove inexistent AP %s", item.szName);
                marked[i] = true;
            }
            else if (!SortsBefore(installed->szVersion, item.szVersion))
            {
                TraceLog(L"RemoveUpdatelessItem - Remove AP %s installed: %s, script: %s",
                         item.szName, installed->szVersion, item.szVersion);
                marked[i] = true;
            }
            break;
        }

        case kItemTypeHotfix:
        {
            const InstalledItem* installed = m_inventory.GetInstalledHotfix(item);
            if (installed && !SortsBefore(installed->szVersion, item.szVersion))
            {
                TraceLog(L"RemoveUpdatelessItem - Remove AP %s installed: %s, script: %s",
                         item.szName, installed->szVersion, item.szVersion);
                marked[i] = true;
            }
            break;
        }

        default:
            break;
        }
    }
    RemoveMarkedItems(m_aUpdateItem, marked);
}
