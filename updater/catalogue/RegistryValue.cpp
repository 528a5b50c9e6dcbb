#include "RegistryValue.h"

#include <cwchar>
#include <vector>

bool ReadRegistryString(HKEY key, const wchar_t* valueName, wchar_t* buffer, size_t capacity)
{
    if (capacity == 0)
        return false;
    // One spare unit so that a value of exactly capacity characters without
    // its NUL is seen as too long rather than cut.
    std::vector<wchar_t> data(capacity + 1);
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    size_t length = bytes / sizeof(wchar_t);
    while (length > 0 && data[length - 1] == L'\0')
        --length;
    if (length > capacity - 1)
        return false;
    wmemcpy(buffer, data.data(), length);
    buffer[length] = L'\0';
    return true;
}

bool WriteRegistryString(HKEY key, const wchar_t* valueName, const wchar_t* text)
{
    DWORD bytes = static_cast<DWORD>(wcslen(text) * sizeof(wchar_t));
    return RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) ==
           ERROR_SUCCESS;
}
