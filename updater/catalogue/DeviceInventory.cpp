// Present devices and their drivers, through SetupAPI and the driver class keys.
#include "InstalledInventory.h"

#include <setupapi.h>

#include <vector>

#include "RegistryValue.h"
#include "UniqueHandle.h"
#include "WideText.h"

namespace {

const wchar_t kDriverClassKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Class";

struct DeviceInfoSetTraits
{
    static HDEVINFO Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HDEVINFO h) noexcept { SetupDiDestroyDeviceInfoList(h); }
};
using CDeviceInfoSet = CUniqueHandle<HDEVINFO, DeviceInfoSetTraits>;

// A device registry property as UTF-16 units, sized by a first call; empty
// when the device has no such property.
std::vector<wchar_t> ReadDeviceProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property)
{
    DWORD bytes = 0;
    SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr, nullptr, 0, &bytes);
    if (bytes == 0)
        return {};
    // Two spare units keep a list that comes back unterminated readable.
    std::vector<wchar_t> value(bytes / sizeof(wchar_t) + 2, L'\0');
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr,
                                           reinterpret_cast<BYTE*>(value.data()), bytes, nullptr))
        return {};
    return value;
}

}  // namespace

void FormatDriverDate(const FILETIME& fileTime, wchar_t* buffer, size_t capacity)
{
    SYSTEMTIME date;
    if (!FileTimeToSystemTime(&fileTime, &date))
        return;
    FormatBounded(buffer, capacity, L"%02d/%02d/%04d", date.wMonth, date.wDay, date.wYear);
}

void ReadDriverKey(const wchar_t* driverKeyName, HardwareIdEntry& entry)
{
    wchar_t keyPath[512];
    FormatBounded(keyPath, ARRAYSIZE(keyPath), L"%s\\%s", kDriverClassKey, driverKeyName);
    CRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        return;

    FILETIME driverDate;
    DWORD type = 0;
    DWORD bytes = sizeof(driverDate);
    if (RegQueryValueExW(key.Get(), L"DriverDateData", nullptr, &type,
                         reinterpret_cast<BYTE*>(&driverDate), &bytes) == ERROR_SUCCESS &&
        bytes == sizeof(driverDate))
        FormatDriverDate(driverDate, entry.szDate, ARRAYSIZE(entry.szDate));

    ReadRegistryString(key.Get(), L"DriverVersion", entry.szVersion);
}

BOOL CInstalledInventory::EnumerateInstalledDevice()
{
    CDeviceInfoSet devices(
        SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
    if (!devices)
        return 1;

    for (DWORD index = 0;; ++index)
    {
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof(device);
        if (!SetupDiEnumDeviceInfo(devices.Get(), index, &device))
            return GetLastError() == ERROR_NO_MORE_ITEMS ? 1 : 0;

        // The first hardware id is the device's most specific one.
        std::vector<wchar_t> hardwareIds =
            ReadDeviceProperty(devices.Get(), device, SPDRP_HARDWAREID);
        if (hardwareIds.empty() || hardwareIds[0] == L'\0')
            continue;
        HardwareIdEntry entry;
        CopyBounded(entry.szHardwareId, hardwareIds.data());

        std::vector<wchar_t> driverKey = ReadDeviceProperty(devices.Get(), device, SPDRP_DRIVER);
        if (!driverKey.empty() && driverKey[0] != L'\0')
            ReadDriverKey(driverKey.data(), entry);
        m_aInstalledDevice.push_back(entry);
    }
}

void CInstalledInventory::ClearInstalledDeviceArray()
{
    m_aInstalledDevice.clear();
}
