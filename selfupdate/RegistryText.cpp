#include "RegistryText.h"

#include <vector>

bool ReadRegText(HKEY key, const char* name, size_t bufferBytes, std::string& text, DWORD* type)
{
    // One spare zero byte past the buffer the value may fill.
    std::vector<char> buffer(bufferBytes + 1, '\0');
    DWORD size = static_cast<DWORD>(bufferBytes);
    DWORD storedType = REG_NONE;
    if (RegQueryValueExA(key, name, nullptr, &storedType, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS)
        return false;
    text.assign(buffer.data());
    if (type)
        *type = storedType;
    return true;
}

bool ReadRegDword(HKEY key, const char* name, DWORD& value)
{
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) !=
        ERROR_SUCCESS)
        return false;
    value = data;
    return true;
}

LONG WriteRegText(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                          static_cast<DWORD>(text.size()));
}

LONG WriteRegDword(HKEY key, const char* name, DWORD value)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value));
}
