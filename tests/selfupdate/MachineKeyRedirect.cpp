#include "MachineKeyRedirect.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

CMachineKeyRedirect::CMachineKeyRedirect()
    : m_scratchPath("Software\\KestrelTests\\Machine" + std::to_string(GetCurrentProcessId()))
{
    SHDeleteKeyA(HKEY_CURRENT_USER, m_scratchPath.c_str());
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, m_scratchPath.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &m_scratch, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_scratch), ERROR_SUCCESS);
}

CMachineKeyRedirect::~CMachineKeyRedirect()
{
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(m_scratch);
    SHDeleteKeyA(HKEY_CURRENT_USER, m_scratchPath.c_str());
}

void CMachineKeyRedirect::SetText(const char* key, const char* name, const std::string& text,
                                  DWORD type)
{
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(h, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(h);
}

void CMachineKeyRedirect::SetDword(const char* key, const char* name, DWORD value)
{
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(h);
}

bool CMachineKeyRedirect::HasKey(const char* key)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

bool CMachineKeyRedirect::HasValue(const char* key, const char* name)
{
    return RegGetValueA(HKEY_LOCAL_MACHINE, key, name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

std::string CMachineKeyRedirect::GetText(const char* key, const char* name)
{
    char data[2048] = "";
    DWORD size = sizeof(data) - 1;
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return std::string();
    RegQueryValueExA(h, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(h);
    return data;
}

DWORD CMachineKeyRedirect::GetDword(const char* key, const char* name)
{
    DWORD value = 0xDEADBEEF;
    DWORD size = sizeof(value);
    RegGetValueA(HKEY_LOCAL_MACHINE, key, name, RRF_RT_ANY, nullptr, &value, &size);
    return value;
}
