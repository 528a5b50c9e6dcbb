// The demo packages' installer ("setup.exe"): does what "setup.ini" beside
// it describes, so that the next update run finds the machine updated.
//
//     [Setup]
//     Title=...            shown while it works and written to the install log
//     UninstallKey=...     an application: its Uninstall entry, with
//     DisplayName=...      these values
//     DisplayVersion=...
//     HardwareId=...       a driver: every present device whose first hardware
//     DriverVersion=...    id starts with this text gets this driver version
//     DriverDate=MM/DD/YYYY  and date in its driver key
//     Program=...          a program of the package to copy to InstallFolder
//     InstallFolder=...    and register with the shell under its name
#include <windows.h>
#include <setupapi.h>

#include <cwctype>
#include <string>

#include "DemoProgram.h"
#include "UniqueHandle.h"

namespace {

const wchar_t kSection[] = L"Setup";
const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const wchar_t kAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr DWORD kWorkWindowMs = 1500;

struct DeviceInfoSetTraits
{
    static HDEVINFO Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HDEVINFO h) noexcept { SetupDiDestroyDeviceInfoList(h); }
};
using CDeviceList = CUniqueHandle<HDEVINFO, DeviceInfoSetTraits>;

void SetString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

CRegKey CreateMachineKey(const std::wstring& path)
{
    CRegKey key;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                    key.Put(), nullptr);
    return key;
}

std::wstring Upper(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

void WriteUninstallEntry(const std::wstring& settings)
{
    std::wstring name = ReadSetting(settings, kSection, L"UninstallKey");
    if (name.empty())
        return;
    CRegKey key = CreateMachineKey(kUninstallKey + name);
    if (!key)
        return;
    SetString(key.Get(), L"DisplayName", ReadSetting(settings, kSection, L"DisplayName"));
    SetString(key.Get(), L"DisplayVersion", ReadSetting(settings, kSection, L"DisplayVersion"));
    SetString(key.Get(), L"Publisher", L"Vexa");
}

// A month/day/year date as the file time a driver key stores.
bool ParseDriverDate(const std::wstring& text, FILETIME& date)
{
    SYSTEMTIME time = {};
    int month = 0, day = 0, year = 0;
    if (swscanf(text.c_str(), L"%d/%d/%d", &month, &day, &year) != 3)
        return false;
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wYear = static_cast<WORD>(year);
    return SystemTimeToFileTime(&time, &date) != FALSE;
}

int UpdateDrivers(const std::wstring& settings)
{
    std::wstring wanted = Upper(ReadSetting(settings, kSection, L"HardwareId"));
    if (wanted.empty())
        return 0;
    std::wstring version = ReadSetting(settings, kSection, L"DriverVersion");
    FILETIME date = {};
    bool bDate = ParseDriverDate(ReadSetting(settings, kSection, L"DriverDate"), date);

    CDeviceList devices(SetupDiGetClassDevsW(nullptr, nullptr, nullptr,
                                             DIGCF_PRESENT | DIGCF_ALLCLASSES));
    if (!devices)
        return 0;
    int updated = 0;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices.Get(), index, &device); ++index)
    {
        wchar_t ids[1024] = {};
        if (!SetupDiGetDeviceRegistryPropertyW(devices.Get(), &device, SPDRP_HARDWAREID, nullptr,
                                               reinterpret_cast<BYTE*>(ids), sizeof(ids) - 4,
                                               nullptr) ||
            Upper(ids).compare(0, wanted.size(), wanted) != 0)
            continue;
        HKEY driverKey = SetupDiOpenDevRegKey(devices.Get(), &device, DICS_FLAG_GLOBAL, 0,
                                              DIREG_DRV, KEY_SET_VALUE);
        if (driverKey == reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE))
            continue;
        CRegKey key(driverKey);
        SetString(key.Get(), L"DriverVersion", version);
        if (bDate)
            RegSetValueExW(key.Get(), L"DriverDateData", 0, REG_BINARY,
                           reinterpret_cast<const BYTE*>(&date), sizeof(date));
        ++updated;
    }
    return updated;
}

void InstallProgram(const std::wstring& settings)
{
    std::wstring program = ReadSetting(settings, kSection, L"Program");
    std::wstring folder = ReadSetting(settings, kSection, L"InstallFolder");
    if (program.empty() || folder.empty())
        return;
    CreateDirectoryW(folder.c_str(), nullptr);  // its parent is the maker's folder
    std::wstring target = folder + L"\\" + program;
    if (!CopyFileW((GetOwnFolder() + L"\\" + program).c_str(), target.c_str(), FALSE))
        return;
    CRegKey key = CreateMachineKey(kAppPathsKey + program);
    if (key)
        SetString(key.Get(), nullptr, target);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    std::wstring settings = GetOwnFolder() + L"\\setup.ini";
    std::wstring title = ReadSetting(settings, kSection, L"Title");
    if (title.empty())
        return 1;
    ShowWorkWindow(L"Installing " + title + L"...", kWorkWindowMs);

    WriteUninstallEntry(settings);
    int devices = UpdateDrivers(settings);
    InstallProgram(settings);

    std::wstring line = L"setup.exe: " + title + L" installed";
    if (devices > 0)
        line += L" for " + std::to_wstring(devices) + L" device(s)";
    AppendInstallLog(line + L" from " + GetOwnFolder());
    return 0;
}
