#include "ScheduleStore.h"

#include "ScheduleRules.h"
#include "UniqueHandle.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\VEXA\\VEXA Kestrel";
constexpr wchar_t kFrequencyValue[] = L"Frequency";
constexpr wchar_t kLastUpdateValue[] = L"LastUpdateTime";

void ReadDword(HKEY hKey, const wchar_t* pszName, DWORD& nValue)
{
    DWORD nRead = 0;
    DWORD nType = 0;
    DWORD cbData = sizeof(nRead);
    if (RegQueryValueExW(hKey, pszName, nullptr, &nType, reinterpret_cast<BYTE*>(&nRead),
                         &cbData) == ERROR_SUCCESS &&
        nType == REG_DWORD)
        nValue = nRead;
}

void WriteDword(HKEY hKey, const wchar_t* pszName, DWORD nValue)
{
    RegSetValueExW(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&nValue),
                   sizeof(nValue));
}

}  // namespace

CScheduleStore::CScheduleStore() : CScheduleStore(HKEY_LOCAL_MACHINE, kSettingsKey) {}

CScheduleStore::CScheduleStore(HKEY hRoot, const wchar_t* pszSubKey)
    : m_hRoot(hRoot), m_pszSubKey(pszSubKey)
{
}

void CScheduleStore::Read(DWORD& nFrequency, DWORD& tLastUpdate) const
{
    nFrequency = kDefaultFrequency;
    tLastUpdate = 0;
    CRegKey key;
    if (RegOpenKeyExW(m_hRoot, m_pszSubKey, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        return;
    ReadDword(key.Get(), kFrequencyValue, nFrequency);
    ReadDword(key.Get(), kLastUpdateValue, tLastUpdate);
}

void CScheduleStore::Write(DWORD nFrequency, DWORD tLastUpdate) const
{
    CRegKey key;
    if (RegOpenKeyExW(m_hRoot, m_pszSubKey, 0, KEY_SET_VALUE, key.Put()) != ERROR_SUCCESS)
        return;
    WriteDword(key.Get(), kFrequencyValue, nFrequency);
    WriteDword(key.Get(), kLastUpdateValue, tLastUpdate);
}
