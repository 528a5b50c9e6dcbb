#include "SharedSettings.h"

#include <ctime>
#include <vector>

#include "UniqueHandle.h"
#include "UpdateItem.h"
#include "WideText.h"

namespace {

constexpr size_t kBiosPendingUnits = 100;  // "%s%%%s", at most 99 characters
constexpr DWORD kSubkeyNameUnits = 256;

CRegKey OpenSharedKey(REGSAM access)
{
    CRegKey key;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedSettingsKey, 0, access, key.Put());
    return key;
}

// Reads a string value through a buffer of cbRead bytes, as stored: the
// value need not end in a zero. FALSE for a missing value, another type or
// a value longer than the buffer.
BOOL QueryString(HKEY hKey, const wchar_t* pszName, DWORD cbRead, wchar_t* pszText, size_t cchText)
{
    std::vector<wchar_t> buffer(cbRead / sizeof(wchar_t) + 1, L'\0');
    DWORD dwType = 0;
    DWORD cbData = cbRead;
    if (RegQueryValueExW(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(buffer.data()),
                         &cbData) != ERROR_SUCCESS ||
        dwType != REG_SZ)
        return FALSE;
    buffer[cbData / sizeof(wchar_t)] = L'\0';
    CopyBounded(pszText, cchText, buffer.data());
    return TRUE;
}

LONG SetString(HKEY hKey, const wchar_t* pszName, const wchar_t* pszText)
{
    if (!pszText)
        pszText = L"";
    DWORD cbData = static_cast<DWORD>(lstrlenW(pszText)) * sizeof(wchar_t);
    return RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszText), cbData);
}

LONG SetDword(HKEY hKey, const wchar_t* pszName, DWORD dwValue)
{
    return RegSetValueExW(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue),
                          sizeof(dwValue));
}

BOOL QueryDword(HKEY hKey, const wchar_t* pszName, DWORD& dwValue)
{
    DWORD dwType = 0;
    DWORD dwData = 0;
    DWORD cbData = sizeof(dwData);
    if (RegQueryValueExW(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwData),
                         &cbData) != ERROR_SUCCESS ||
        dwType != REG_DWORD)
        return FALSE;
    dwValue = dwData;
    return TRUE;
}

}  // namespace

LONG CSharedSettings::WriteLastUpdateTime()
{
    HKEY hKey = nullptr;
    LONG lResult = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedSettingsKey, 0, KEY_SET_VALUE, &hKey);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    SetDword(hKey, L"LastUpdateTime", static_cast<DWORD>(time(nullptr)));
    return RegCloseKey(hKey);
}

BOOL CSharedSettings::ReadSelfUpdateState(wchar_t* pszLastVersion, size_t cchLastVersion,
                                          wchar_t* pszSource, size_t cchSource, wchar_t* pszPath,
                                          size_t cchPath, int& nRunMode)
{
    CRegKey key = OpenSharedKey(KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (!key)
        return FALSE;
    // The self-updater may have written the values a moment ago.
    RegFlushKey(key.Get());

    BOOL bPending = FALSE;
    wchar_t szSelfUpdating[kSelfUpdatingBytes / sizeof(wchar_t) + 1];
    if (QueryString(key.Get(), L"SelfUpdating", kSelfUpdatingBytes, szSelfUpdating,
                    ARRAYSIZE(szSelfUpdating)) &&
        szSelfUpdating[0] == L'V' && szSelfUpdating[1] >= L'0' && szSelfUpdating[1] <= L'9')
    {
        CopyBounded(pszLastVersion, cchLastVersion, szSelfUpdating);
        bPending = TRUE;
    }

    QueryString(key.Get(), L"Source", kSourceBytes, pszSource, cchSource);
    QueryString(key.Get(), L"Path", kPathBytes, pszPath, cchPath);

    DWORD dwMode = 0;
    if (QueryDword(key.Get(), L"Mode", dwMode) && dwMode == 1)
        nRunMode = 1;
    RegDeleteValueW(key.Get(), L"Mode");
    return bPending;
}

void CSharedSettings::WriteSelfUpdateState(const wchar_t* pszSelfUpdating, const wchar_t* pszSource,
                                           int nRunMode)
{
    CRegKey key = OpenSharedKey(KEY_SET_VALUE);
    if (!key)
        return;
    SetString(key.Get(), L"SelfUpdating", pszSelfUpdating);
    SetString(key.Get(), L"Source", pszSource);
    if (pszSource && pszSource[0] && nRunMode == 1)
        SetDword(key.Get(), L"Mode", 1);
    RegDeleteValueW(key.Get(), L"Path");
}

void CSharedSettings::WriteBiosPending(const UpdateItem* pItem, const wchar_t* pszCurrentBiosVersion)
{
    CRegKey key = OpenSharedKey(KEY_SET_VALUE);
    if (!key)
        return;
    if (pItem)
    {
        wchar_t szBios[kBiosPendingUnits];
        FormatBounded(szBios, kBiosPendingUnits, L"%s%%%s",
                      pszCurrentBiosVersion ? pszCurrentBiosVersion : L"", pItem->szVersion);
        SetString(key.Get(), L"BIOS", szBios);
        SetString(key.Get(), L"BIOSSrc", pItem->szZipPath);
    }
    else
    {
        SetString(key.Get(), L"BIOS", L"");
        RegDeleteValueW(key.Get(), L"BIOSSrc");
    }
}

BOOL CSharedSettings::ReadBiosPending(wchar_t* pszOldVersion, size_t cchOldVersion,
                                      wchar_t* pszNewVersion, size_t cchNewVersion,
                                      wchar_t* pszBiosSrc, size_t cchBiosSrc)
{
    CRegKey key = OpenSharedKey(KEY_QUERY_VALUE);
    if (!key)
        return FALSE;

    BOOL bPending = FALSE;
    wchar_t szBios[kBiosBytes / sizeof(wchar_t) + 1];
    if (QueryString(key.Get(), L"BIOS", kBiosBytes, szBios, ARRAYSIZE(szBios)))
    {
        if (wchar_t* pPercent = wcschr(szBios, L'%'))
        {
            *pPercent = L'\0';
            CopyBounded(pszOldVersion, cchOldVersion, szBios);
            CopyBounded(pszNewVersion, cchNewVersion, pPercent + 1);
            bPending = TRUE;
        }
    }
    QueryString(key.Get(), L"BIOSSrc", kBiosSrcBytes, pszBiosSrc, cchBiosSrc);
    return bPending;
}

void CSharedSettings::GetProductVersion(wchar_t* pszVersion, size_t cchVersion)
{
    CRegKey key = OpenSharedKey(KEY_ENUMERATE_SUB_KEYS);
    if (!key)
        return;
    CopyBounded(pszVersion, cchVersion, L"V0.0");
    for (DWORD dwIndex = 0;; ++dwIndex)
    {
        wchar_t szName[kSubkeyNameUnits];
        DWORD cchName = kSubkeyNameUnits;
        if (RegEnumKeyExW(key.Get(), dwIndex, szName, &cchName, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        if (lstrcmpW(szName, pszVersion + 1) > 0)
            FormatBounded(pszVersion, cchVersion, L"V%s", szName);
    }
}

BOOL CSharedSettings::ReadString(const wchar_t* pszName, DWORD cbRead, wchar_t* pszText,
                                 size_t cchText)
{
    CRegKey key = OpenSharedKey(KEY_QUERY_VALUE);
    return key && QueryString(key.Get(), pszName, cbRead, pszText, cchText);
}

BOOL CSharedSettings::ReadDword(const wchar_t* pszName, DWORD& dwValue)
{
    CRegKey key = OpenSharedKey(KEY_QUERY_VALUE);
    return key && QueryDword(key.Get(), pszName, dwValue);
}

LONG CSharedSettings::WriteString(const wchar_t* pszName, const wchar_t* pszText)
{
    CRegKey key = OpenSharedKey(KEY_SET_VALUE);
    return key ? SetString(key.Get(), pszName, pszText) : ERROR_FILE_NOT_FOUND;
}

LONG CSharedSettings::WriteDword(const wchar_t* pszName, DWORD dwValue)
{
    CRegKey key = OpenSharedKey(KEY_SET_VALUE);
    return key ? SetDword(key.Get(), pszName, dwValue) : ERROR_FILE_NOT_FOUND;
}

LONG CSharedSettings::DeleteValue(const wchar_t* pszName)
{
    CRegKey key = OpenSharedKey(KEY_SET_VALUE);
    return key ? RegDeleteValueW(key.Get(), pszName) : ERROR_FILE_NOT_FOUND;
}
