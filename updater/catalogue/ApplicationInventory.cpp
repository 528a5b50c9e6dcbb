// Installed applications from the Uninstall key, their versions, and the
// hotfix marks; plus the look-ups the filter makes in these lists.
#include "InstalledInventory.h"

#include "RegistryValue.h"
#include "TraceLog.h"
#include "UniqueHandle.h"
#include "WideText.h"

namespace {

const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wchar_t kHotfixKey[] = L"SOFTWARE\\Vexa\\Hotfix";
const wchar_t kPrivateVersionValue[] = L"kta7501e157-4b4a-4850-b6ea-3bea55826ba9";

// The maker's tools that install without any version value; they count as
// installed with an empty version.
const wchar_t* const kVersionlessTools[] = {L"Ovo Manager", L"Ovo Screen Setting", L"Tidy Mode"};

CRegKey OpenForEnumeration(const wchar_t* path)
{
    CRegKey key;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_ENUMERATE_SUB_KEYS, key.Put());
    return key;
}

// Calls visit(subkey, subkeyName) for every subkey of parent that opens with
// access, in index order until the enumeration fails.
template <typename Visit>
void ForEachSubkey(const CRegKey& parent, REGSAM access, Visit visit)
{
    if (!parent)
        return;
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[256];
        DWORD nameChars = ARRAYSIZE(name);
        if (RegEnumKeyExW(parent.Get(), index, name, &nameChars, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            return;
        CRegKey subkey;
        if (RegOpenKeyExW(parent.Get(), name, 0, access, subkey.Put()) == ERROR_SUCCESS)
            visit(subkey.Get(), name);
    }
}

bool HasDisplayName(HKEY entry, const wchar_t* displayName)
{
    wchar_t name[kDisplayNameChars];
    return ReadRegistryString(entry, L"DisplayName", name) && EqualsNoCase(name, displayName);
}

}  // namespace

BOOL CInstalledInventory::EnumerateInstalledAP()
{
    const CRegKey uninstall = OpenForEnumeration(kUninstallKey);
    ForEachSubkey(uninstall, KEY_QUERY_VALUE, [this](HKEY entry, const wchar_t*) {
        wchar_t name[kDisplayNameChars];
        if (!ReadRegistryString(entry, L"DisplayName", name) || name[0] == L'\0')
            return;
        m_aInstalledAP.push_back(name);
        TraceLog(L"EnumerateInstalledAP - Add %s", name);
        m_bAPInventoryFound = TRUE;
    });
    TraceLog(L"EnumerateInstalledAP - m_aInstalledAP.GetSize() %d",
             static_cast<int>(m_aInstalledAP.size()));
    return 1;
}

void CInstalledInventory::ClearInstalledAPArray()
{
    m_aInstalledAP.clear();
    TraceLog(L"ClearInstalledAPArray - m_aInstalledAP.RemoveAll()");
}

void CInstalledInventory::ClearInstalledItemArray()
{
    m_aInstalledItem.clear();
    TraceLog(L"ClearInstalledItemArray - m_aInstalledItem.RemoveAll()");
}

BOOL CInstalledInventory::GetAPVersion(const wchar_t* displayName, wchar_t* buffer,
                                       DWORD bufferBytes) const
{
    const size_t capacity = bufferBytes / sizeof(wchar_t);
    bool found = false;
    // Every entry of the name is examined, so a later one can overwrite the
    // version an earlier one gave.
    const CRegKey uninstall = OpenForEnumeration(kUninstallKey);
    ForEachSubkey(uninstall, KEY_QUERY_VALUE, [&](HKEY entry, const wchar_t*) {
        if (!HasDisplayName(entry, displayName))
            return;
        if (ReadRegistryString(entry, kPrivateVersionValue, buffer, capacity))
            found = true;
        else if (!found && ReadRegistryString(entry, L"DisplayVersion", buffer, capacity))
            found = true;
    });
    if (found)
        return TRUE;
    for (const wchar_t* tool : kVersionlessTools)
    {
        if (Contains(displayName, tool))
        {
            CopyBounded(buffer, capacity, L"");
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CInstalledInventory::SetAPVersion(const wchar_t* displayName, const wchar_t* version) const
{
    BOOL written = FALSE;
    const CRegKey uninstall = OpenForEnumeration(kUninstallKey);
    ForEachSubkey(uninstall, KEY_QUERY_VALUE | KEY_SET_VALUE, [&](HKEY entry, const wchar_t*) {
        if (HasDisplayName(entry, displayName) &&
            WriteRegistryString(entry, kPrivateVersionValue, version))
            written = TRUE;
    });
    return written;
}

BOOL CInstalledInventory::EnumerateInstalledHotfix()
{
    CRegKey hotfixes = OpenForEnumeration(kHotfixKey);
    if (!hotfixes)
        return 1;
    m_aInstalledHotfix.clear();
    ForEachSubkey(hotfixes, KEY_QUERY_VALUE, [this](HKEY mark, const wchar_t* hotfixName) {
        InstalledItem hotfix;
        if (!ReadRegistryString(mark, L"Version", hotfix.szVersion) || hotfix.szVersion[0] == L'\0')
            return;
        CopyBounded(hotfix.szName, hotfixName);
        m_aInstalledHotfix.push_back(hotfix);
        TraceLog(L"EnumerateInstalledHotfix - Add %s", hotfix.szVersion);
    });
    TraceLog(L"EnumerateInstalledHotfix - m_aInstalledHotfix.GetSize() %d",
             static_cast<int>(m_aInstalledHotfix.size()));
    return 1;
}

const InstalledItem* CInstalledInventory::GetInstalledItem(const UpdateItem& item) const
{
    if (item.bType != kItemTypeAP)
        return nullptr;
    TraceLog(L"GetInstalledItem - m_aInstalledItem.GetSize(): %d",
             static_cast<int>(m_aInstalledItem.size()));
    for (const InstalledItem& installed : m_aInstalledItem)
    {
        TraceLog(L"GetInstalledItem - compare %s : %s", installed.szName, item.szName);
        if (EqualsNoCase(installed.szName, item.szName))
            return &installed;
    }
    return nullptr;
}

const InstalledItem* CInstalledInventory::GetInstalledHotfix(const UpdateItem& item) const
{
    if (item.bType != kItemTypeHotfix)
        return nullptr;
    for (const InstalledItem& hotfix : m_aInstalledHotfix)
    {
        if (EqualsNoCase(hotfix.szName, item.szName))
            return &hotfix;
    }
    return nullptr;
}
