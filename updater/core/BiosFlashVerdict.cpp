#include "BiosFlashVerdict.h"

#include <windows.h>

#include "InstallRules.h"
#include "TraceLog.h"
#include "UniqueHandle.h"

namespace
{
const wchar_t kBiosFlashKey[] = L"SOFTWARE\\VEXA\\PELM60\\BIOSFLASH";
const wchar_t kErrorCodeValue[] = L"Error Code";
}  // namespace

void ClearBiosFlashVerdict()
{
    CRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBiosFlashKey, 0, KEY_SET_VALUE, key.Put()) ==
        ERROR_SUCCESS)
        RegDeleteValueW(key.Get(), kErrorCodeValue);
}

bool ReadBiosFlashVerdict()
{
    CRegKey key;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBiosFlashKey, 0, KEY_QUERY_VALUE, key.Put());
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (status == ERROR_SUCCESS)
        status = RegQueryValueExW(key.Get(), kErrorCodeValue, nullptr, &type,
                                  reinterpret_cast<BYTE*>(&value), &size);
    TraceLog(L"InstallItem - BIOS flash result %ld, type %lu, Error Code %lu", status, type, value);
    return IsBiosFlashSucceeded(status, type, size, value);
}
