#include "OsName.h"

#include "ProcessFlags.h"

namespace {

struct OsNameRow
{
    DWORD major;
    DWORD minor;
    const wchar_t* name32;
    const wchar_t* name64;
};

constexpr OsNameRow kOsNames[] = {
    {5, 0, L"Win2K", L"Win2K"},
    {5, 1, L"WinXP", L"WinXP(64)"},
    {5, 2, L"Win2003", L"Win2003(64)"},
    {6, 0, L"Vista", L"Vista(64)"},
    {6, 1, L"Win7", L"Win7(64)"},
    {6, 2, L"Win8", L"Win8(64)"},
};

}  // namespace

const wchar_t* GetOSName(DWORD major, DWORD minor, BOOL is64Bit)
{
    for (const OsNameRow& row : kOsNames)
    {
        if (row.major == major && row.minor == minor)
            return is64Bit ? row.name64 : row.name32;
    }
    return L"";
}

const wchar_t* GetOSName()
{
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExW(&info))
        return L"";
    return GetOSName(info.dwMajorVersion, info.dwMinorVersion, g_bIsWow64);
}
