// The registry key that the updater, the tray agent and the self-updater
// share, and the operations on its values. The product's installer creates
// the key; nothing here does. Every operation opens the key with only the
// rights it needs and does nothing when it cannot be opened.
#pragma once

#include <windows.h>

#include <cstddef>

struct UpdateItem;

// Under HKEY_LOCAL_MACHINE.
constexpr wchar_t kSharedSettingsKey[] = L"SOFTWARE\\Vexa\\Vexa Kestrel";

// Fixed read sizes of the string values, in bytes.
constexpr DWORD kSelfUpdatingBytes = 200;
constexpr DWORD kSourceBytes = 1024;
constexpr DWORD kPathBytes = 1024;
constexpr DWORD kBiosBytes = 200;
constexpr DWORD kBiosSrcBytes = 1024;

class CSharedSettings
{
public:
    // LastUpdateTime = now (seconds since 1970). The open's registry error,
    // or the result of closing the key.
    LONG WriteLastUpdateTime();

    // TRUE when SelfUpdating holds a pending hand-over ("V" and a digit);
    // it is copied to pszLastVersion. Source and Path are read in any case.
    // Mode = 1 raises nRunMode to 1; Mode is deleted after reading.
    BOOL ReadSelfUpdateState(wchar_t* pszLastVersion, size_t cchLastVersion, wchar_t* pszSource,
                             size_t cchSource, wchar_t* pszPath, size_t cchPath, int& nRunMode);
    // Writes SelfUpdating and Source, Mode = 1 when a source is given in
    // debug mode (nRunMode 1), and always deletes Path.
    void WriteSelfUpdateState(const wchar_t* pszSelfUpdating, const wchar_t* pszSource,
                              int nRunMode);

    // With an item: BIOS = "old%new" and BIOSSrc = its zip path. Without:
    // BIOS empty and BIOSSrc deleted.
    void WriteBiosPending(const UpdateItem* pItem, const wchar_t* pszCurrentBiosVersion);
    // TRUE when BIOS holds "old%new"; BIOSSrc is read in any case.
    BOOL ReadBiosPending(wchar_t* pszOldVersion, size_t cchOldVersion, wchar_t* pszNewVersion,
                         size_t cchNewVersion, wchar_t* pszBiosSrc, size_t cchBiosSrc);

    // "V" and the greatest subkey name by lstrcmpW, or "V0.0". The buffer
    // stays untouched when the key cannot be opened.
    void GetProductVersion(wchar_t* pszVersion, size_t cchVersion);

    // Single values, for the other users of the key. Strings are written
    // without their terminating zero and read with a buffer of cbRead bytes;
    // a missing value, another type or a longer value reads as FALSE.
    static BOOL ReadString(const wchar_t* pszName, DWORD cbRead, wchar_t* pszText, size_t cchText);
    static BOOL ReadDword(const wchar_t* pszName, DWORD& dwValue);
    static LONG WriteString(const wchar_t* pszName, const wchar_t* pszText);
    static LONG WriteDword(const wchar_t* pszName, DWORD dwValue);
    static LONG DeleteValue(const wchar_t* pszName);
};
