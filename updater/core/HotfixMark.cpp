#include "HotfixMark.h"

#include "InstallRules.h"
#include "UniqueHandle.h"

LSTATUS MarkHotfixInstalled(const wchar_t* name, const wchar_t* version)
{
    std::wstring keyName = FormatHotfixKey(name);
    CRegKey key;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_SET_VALUE, key.Put());
    if (status != ERROR_SUCCESS)
    {
        status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, nullptr,
                                 REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.Put(),
                                 nullptr);
        if (status != ERROR_SUCCESS)
            return status;
    }
    const wchar_t* text = version ? version : L"";
    RegSetValueExW(key.Get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(lstrlenW(text) * sizeof(wchar_t)));
    return RegCloseKey(key.Release());
}
