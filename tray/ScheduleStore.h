// The schedule's two values in the shared settings key. The agent never
// creates the key: a missing key reads as the defaults and swallows writes.
#pragma once

#include <windows.h>

class CScheduleStore
{
public:
    // The shared settings key under HKEY_LOCAL_MACHINE.
    CScheduleStore();
    // Another place with the same values, for tests.
    CScheduleStore(HKEY hRoot, const wchar_t* pszSubKey);

    // Frequency 1 (Daily) and time 0 unless the stored value is a REG_DWORD.
    void Read(DWORD& nFrequency, DWORD& tLastUpdate) const;
    // Writes "Frequency" then "LastUpdateTime"; nothing when the key is missing.
    void Write(DWORD nFrequency, DWORD tLastUpdate) const;

private:
    HKEY m_hRoot;
    const wchar_t* m_pszSubKey;
};
